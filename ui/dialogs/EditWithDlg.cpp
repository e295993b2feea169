// SPDX-License-Identifier: GPL-3.0-or-later
#include "EditWithDlg.h"

#include "DesktopServices.h"
#include "DialogSupport.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QLabel>
#include <QListWidget>
#include <QPixmap>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
// Where an item keeps its application's desktop file id.
constexpr int IdRole = Qt::UserRole;

constexpr int IconSide = 24;

// The application's icon, else a generic one; a blank one keeps the names in line when the theme has neither.
QIcon ApplicationIcon(const QString &icon) {
  QIcon found = QFileInfo(icon).isAbsolute()
                    ? QIcon(icon)
                    : QIcon::fromTheme(icon, QIcon::fromTheme(QStringLiteral("application-x-executable")));
  if (found.pixmap(IconSide).isNull()) {
    QPixmap blank(IconSide, IconSide);
    blank.fill(Qt::transparent);
    found = QIcon(blank);
  }
  return found;
}
} // namespace

TEditWithDialog::TEditWithDialog(TDesktopServices &desktop, QWidget *parent) : QDialog(parent), m_Desktop(desktop) {
  setObjectName(QStringLiteral("EditWithDialog"));
  setWindowTitle(tr("Edit With"));

  m_Prompt = new QLabel(this);
  m_Prompt->setObjectName(QStringLiteral("Prompt"));
  m_Prompt->setWordWrap(true);
  m_Applications = new QListWidget(this);
  m_Applications->setObjectName(QStringLiteral("Applications"));
  m_Applications->setIconSize(QSize(IconSide, IconSide));
  m_Applications->setUniformItemSizes(true);
  m_Prompt->setBuddy(m_Applications);

  auto *other = new QPushButton(tr("&Other Program..."), this);
  other->setObjectName(QStringLiteral("OtherProgramBtn"));
  other->setAutoDefault(false);
  m_Remember = new QCheckBox(this);
  m_Remember->setObjectName(QStringLiteral("RememberBox"));
  m_Remember->setChecked(true);

  const TOkCancelButtons buttons = MakeOkCancelButtons(*this, QStringLiteral("OKBtn"));
  m_OKBtn = buttons.OK;
  buttons.Box->addButton(other, QDialogButtonBox::ActionRole);

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(m_Prompt);
  layout->addWidget(m_Applications, 1);
  layout->addWidget(m_Remember);
  layout->addWidget(buttons.Box);
  resize(380, 320);

  connect(m_Applications, &QListWidget::currentRowChanged, this, [this](int row) { m_OKBtn->setEnabled(row >= 0); });
  connect(m_Applications, &QListWidget::itemActivated, this, &QDialog::accept);
  connect(other, &QPushButton::clicked, this, &TEditWithDialog::ChooseOtherProgram);
}

bool TEditWithDialog::Execute(const QString &fileName, const QString &extension,
                              const QList<TDesktopApplication> &applications, TEditorChoice &choice) {
  m_Prompt->setText(
      applications.isEmpty()
          ? tr("No installed program declares the type of %1. Choose one with Other Program.").arg(fileName)
          : tr("Edit %1 with:").arg(fileName));
  for (const TDesktopApplication &application : applications) {
    auto *item = new QListWidgetItem(ApplicationIcon(application.Icon), application.Name, m_Applications);
    item->setData(IdRole, application.Id);
    item->setToolTip(application.Exec);
  }
  m_Applications->setCurrentRow(applications.isEmpty() ? -1 : 0);
  m_OKBtn->setEnabled(!applications.isEmpty());
  m_Remember->setText(tr("Always use this program for .%1 files").arg(extension));
  m_Remember->setVisible(!extension.isEmpty());
  m_Remember->setChecked(!extension.isEmpty());
  m_OtherProgram.clear();
  if (exec() != QDialog::Accepted)
    return false;
  const QListWidgetItem *chosen = m_Applications->currentItem();
  if (m_OtherProgram.isEmpty() && chosen == nullptr)
    return false;
  choice.Program = m_OtherProgram.isEmpty() ? chosen->data(IdRole).toString() : m_OtherProgram;
  choice.Remember = m_Remember->isChecked();
  return true;
}

void TEditWithDialog::ChooseOtherProgram() {
  TFileDialogRequest request;
  request.Title = tr("Choose Program");
  request.Directory = QStringLiteral("/usr/bin");
  request.Filters = QStringList{tr("All Files (*)")};
  const QStringList chosen = m_Desktop.ChooseOpenFiles(this, request);
  if (chosen.isEmpty())
    return;
  const QFileInfo program(chosen.first());
  if (!program.isFile() || !program.isExecutable()) {
    m_Desktop.ShowError(this, tr("%1 is not a program that can be started.").arg(chosen.first()));
    return;
  }
  m_OtherProgram = program.absoluteFilePath();
  accept();
}
