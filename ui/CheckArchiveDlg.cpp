#include "CheckArchiveDlg.h"

#include "EntryListView.h"
#include "EntryText.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>
#include <algorithm>

namespace {
// Where a row keeps the finding it shows.
constexpr int FindingRole = Qt::UserRole;
} // namespace

TCheckArchiveDlg::TCheckArchiveDlg(QWidget *parent) : QDialog(parent) {
  setObjectName(QStringLiteral("CheckArchiveDlg"));
  setWindowTitle(tr("Check Archive"));
  resize(560, 320);

  m_Summary = new QLabel(this);
  m_Summary->setObjectName(QStringLiteral("Summary"));
  m_Rows = new QTreeWidget(this);
  m_Rows->setObjectName(QStringLiteral("Findings"));
  m_Rows->setRootIsDecorated(false);
  m_Rows->setUniformRowHeights(true);
  m_Rows->setHeaderLabels({tr("Severity"), tr("Entry"), tr("Message")});
  m_Rows->header()->setStretchLastSection(true);
  m_Rows->setColumnWidth(0, 80);
  m_Rows->setColumnWidth(1, 160);
  connect(m_Rows, &QTreeWidget::itemActivated, this, [this](QTreeWidgetItem *item) {
    const int number = item->data(0, FindingRole).toInt();
    if (number < 0 || number >= static_cast<int>(m_Findings.size()))
      return;
    const TCheckFinding &finding = m_Findings[static_cast<size_t>(number)];
    if (finding.Index >= 0)
      emit EntryActivated(finding.Entry, finding.Index);
  });

  auto *buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
  buttons->button(QDialogButtonBox::Close)->setObjectName(QStringLiteral("CloseBtn"));
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(m_Summary);
  layout->addWidget(m_Rows);
  layout->addWidget(buttons);
}

void TCheckArchiveDlg::ShowFindings(const TCheckFindings &findings) {
  m_Findings = findings;
  m_Rows->clear();
  const int errors = CountFindings(findings, csError);
  const int warnings = CountFindings(findings, csWarning);
  if (findings.empty())
    m_Summary->setText(tr("The check found nothing to report."));
  else
    m_Summary->setText(tr("The check found %1 error(s) and %2 warning(s).").arg(errors).arg(warnings));
  QList<QTreeWidgetItem *> items;
  for (size_t i = 0; i < findings.size(); ++i) {
    const TCheckFinding &finding = findings[i];
    auto *item = new QTreeWidgetItem({finding.Severity == csError ? tr("Error") : tr("Warning"),
                                      finding.Index < 0 ? tr("(archive)") : EntryToDisplay(finding.Entry),
                                      QString::fromStdString(finding.Message)});
    item->setData(0, FindingRole, static_cast<int>(i));
    item->setToolTip(2, item->text(2));
    items << item;
  }
  m_Rows->addTopLevelItems(items);
  if (!items.isEmpty())
    m_Rows->setCurrentItem(items.first());
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
