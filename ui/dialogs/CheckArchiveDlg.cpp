// SPDX-License-Identifier: GPL-3.0-or-later
#include "CheckArchiveDlg.h"

#include "EntryListView.h"
#include "EntryText.h"
#include "Translations.h"

#include <QAbstractTableModel>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>
#include <utility>

class TCheckFindingsModel : public QAbstractTableModel {
public:
  using QAbstractTableModel::QAbstractTableModel;

  const TCheckFindings &Findings() const { return m_Findings; }
  void SetFindings(TCheckFindings findings) {
    beginResetModel();
    m_Findings = std::move(findings);
    endResetModel();
  }

  int rowCount(const QModelIndex &parent = QModelIndex()) const override {
    return parent.isValid() ? 0 : static_cast<int>(m_Findings.size());
  }
  int columnCount(const QModelIndex &parent = QModelIndex()) const override { return parent.isValid() ? 0 : 3; }

  QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override {
    if (!index.isValid() || (role != Qt::DisplayRole && !(role == Qt::ToolTipRole && index.column() == 2)))
      return {};
    const TCheckFinding &finding = m_Findings[static_cast<size_t>(index.row())];
    switch (index.column()) {
    case 0:
      return finding.Severity == csError ? TCheckArchiveDlg::tr("Error") : TCheckArchiveDlg::tr("Warning");
    case 1:
      return finding.Index < 0 ? TCheckArchiveDlg::tr("(archive)") : EntryToDisplay(finding.Entry);
    default:
      return QString::fromStdString(finding.Message);
    }
  }

  QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
      return {};
    const QString captions[] = {TCheckArchiveDlg::tr("Severity"), TCheckArchiveDlg::tr("Entry"),
                                TCheckArchiveDlg::tr("Message")};
    return section >= 0 && section < 3 ? captions[section] : QVariant();
  }

private:
  TCheckFindings m_Findings;
};

TCheckArchiveDlg::TCheckArchiveDlg(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("CheckArchiveDlg"));
  setWindowTitle(tr("Check Archive"));
  resize(560, 320);

  m_Summary = new QLabel(this);
  m_Summary->setObjectName(QStringLiteral("Summary"));
  m_Model = new TCheckFindingsModel(this);
  m_Rows = new QTreeView(this);
  m_Rows->setObjectName(QStringLiteral("Findings"));
  m_Rows->setModel(m_Model);
  m_Rows->setRootIsDecorated(false);
  m_Rows->setUniformRowHeights(true);
  m_Rows->header()->setStretchLastSection(true);
  m_Rows->setColumnWidth(0, 80);
  m_Rows->setColumnWidth(1, 160);
  // Enter is the list's own: the dialog would take it for its default button and close.
  m_Rows->installEventFilter(this);
  connect(m_Rows, &QTreeView::doubleClicked, this, &TCheckArchiveDlg::GoToEntry);

  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("CloseBtn"));
  QPushButton *goToEntry = buttons->addButton(tr("&Go to Entry"), QDialogButtonBox::ActionRole);
  goToEntry->setObjectName(QStringLiteral("GoToEntryBtn"));
  connect(goToEntry, &QPushButton::clicked, this, [this] { GoToEntry(m_Rows->currentIndex()); });
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(m_Summary);
  layout->addWidget(m_Rows);
  layout->addWidget(buttons);
}

void TCheckArchiveDlg::ShowFindings(TCheckFindings findings) {
  const int errors = CountFindings(findings, csError);
  const int warnings = CountFindings(findings, csWarning);
  if (findings.empty())
    m_Summary->setText(tr("The check found nothing to report."));
  else
    m_Summary->setText(tr("The check found %1 and %2.")
                           .arg(EnglishPlural(tr("%n error(s)", "", errors), errors),
                                EnglishPlural(tr("%n warning(s)", "", warnings), warnings)));
  const bool any = !findings.empty();
  m_Model->SetFindings(std::move(findings));
  if (any)
    m_Rows->setCurrentIndex(m_Model->index(0, 0));
}

bool TCheckArchiveDlg::eventFilter(QObject *watched, QEvent *event) {
  if (watched == m_Rows && event->type() == QEvent::KeyPress) {
    const int key = static_cast<QKeyEvent *>(event)->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
      ShowEntry(m_Rows->currentIndex());
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

bool TCheckArchiveDlg::ShowEntry(const QModelIndex &index) {
  if (!index.isValid())
    return false;
  const TCheckFinding &finding = m_Model->Findings()[static_cast<size_t>(index.row())];
  if (finding.Index < 0)
    return false;
  emit EntryActivated(finding.Entry, finding.Index);
  return true;
}

void TCheckArchiveDlg::GoToEntry(const QModelIndex &index) {
  if (ShowEntry(index))
    accept();
}

bool MeansDamageOrLoss(const TCheckFinding &finding) {
  switch (finding.Kind) {
  case ckDamage:
  case ckNotPak:
  case ckOverlap:
  case ckSameName:
    return true;
  case ckName:
    return finding.Severity == csError;
  case ckTooMany:
  case ckEmpty:
  case ckShadowed: // the game loads another copy: nothing is damaged
  case ckCaseTwin:
    return false;
  }
  return true;
}

int CountFindings(const TCheckFindings &findings, TCheckSeverity severity) {
  return static_cast<int>(std::count_if(findings.begin(), findings.end(),
                                        [severity](const TCheckFinding &f) { return f.Severity == severity; }));
}

bool SelectEntryRow(TEntryListView &list, const std::string &entryName, int32_t position) {
  const TEntryListModel &model = list.Model();
  int found = -1;
  for (int row = 0; row < model.RowCount(); ++row)
    if (model.Row(row).EntryName == entryName && (found < 0 || model.Row(row).Position == position))
      found = row;
  if (found < 0)
    return false;
  const QModelIndex index = model.index(found, 0);
  list.selectionModel()->setCurrentIndex(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
  list.scrollTo(index);
  return true;
}
