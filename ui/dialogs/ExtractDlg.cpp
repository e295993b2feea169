// SPDX-License-Identifier: GPL-3.0-or-later
#include "ExtractDlg.h"

#include "DesktopServices.h"
#include "DialogSupport.h"
#include "Translations.h"
#include "TypedFolder.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QVBoxLayout>

TExtractDialog::TExtractDialog(TDesktopServices &desktop, QWidget *parent) : QDialog(parent), m_Desktop(desktop) {
  setObjectName("ExtractDialog");
  setWindowTitle(tr("Extract File(s)"));
  SetFixedDialogStyle(*this);

  auto *pathLabel = new QLabel(tr("&Extract Files To :"), this);
  pathLabel->setObjectName("Label1");
  m_ExtractPathBox = new QLineEdit(this);
  m_ExtractPathBox->setObjectName("ExtractPathBox");
  m_ExtractPathBox->setMinimumWidth(300);
  pathLabel->setBuddy(m_ExtractPathBox);
  m_BrowseBtn = new QPushButton(this);
  m_BrowseBtn->setObjectName("BrowseBtn");
  m_BrowseBtn->setFlat(true);
  m_BrowseBtn->setAutoDefault(false);
  m_BrowseBtn->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
  m_BrowseBtn->setToolTip(tr("Browse"));

  auto *extractRadios = new QGroupBox(tr("Extract :"), this);
  extractRadios->setObjectName("ExtractRadios");
  m_AllFilesRadio = new QRadioButton(tr("All Files"), extractRadios);
  m_AllFilesRadio->setObjectName("AllFilesRadio");
  m_SelFilesRadio = new QRadioButton(tr("Selected Files"), extractRadios);
  m_SelFilesRadio->setObjectName("SelFilesRadio");
  m_AllFilesRadio->setChecked(true);
  auto *radioLayout = new QVBoxLayout(extractRadios);
  radioLayout->addWidget(m_AllFilesRadio);
  radioLayout->addWidget(m_SelFilesRadio);

  m_ExtractPathCheck = new QCheckBox(tr("Maintain directory structure"), this);
  m_ExtractPathCheck->setObjectName("ExtractPathCheck");

  const TOkCancelButtons buttons = MakeOkCancelButtons(*this, "OkBtn");
  m_OkBtn = buttons.OK;
  m_CancelBtn = buttons.Cancel;

  auto *pathRow = new QHBoxLayout;
  pathRow->addWidget(m_ExtractPathBox, 1);
  pathRow->addWidget(m_BrowseBtn);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(pathLabel);
  layout->addLayout(pathRow);
  layout->addWidget(extractRadios);
  layout->addWidget(m_ExtractPathCheck);
  layout->addWidget(buttons.Box);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  setTabOrder(m_ExtractPathBox, m_BrowseBtn);
  setTabOrder(m_BrowseBtn, m_AllFilesRadio);
  setTabOrder(m_AllFilesRadio, m_SelFilesRadio);
  setTabOrder(m_SelFilesRadio, m_ExtractPathCheck);
  setTabOrder(m_ExtractPathCheck, m_OkBtn);
  setTabOrder(m_OkBtn, m_CancelBtn);

  connect(m_BrowseBtn, &QPushButton::clicked, this, &TExtractDialog::BrowseBtnClick);
}

bool TExtractDialog::Execute(QString &targetDirectory, bool &maintainDirectory, bool &allFiles,
                             const TExtractScope &scope) {
  // The user sees what "all" takes: with a folder chosen, only that folder's entries go.
  if (scope.Count < 0)
    m_AllFilesRadio->setText(tr("All Files"));
  else if (scope.Folder.isEmpty())
    m_AllFilesRadio->setText(EnglishPlural(tr("All %n file(s)", "", scope.Count), scope.Count));
  else
    m_AllFilesRadio->setText(EnglishPlural(tr("All %n file(s) in %1", "", scope.Count), scope.Count).arg(scope.Folder));
  m_ExtractPathBox->setText(targetDirectory);
  m_ExtractPathCheck->setChecked(maintainDirectory);
  // With a selection the dialog proposes the selected entries; without one
  // they cannot be chosen.
  m_SelFilesRadio->setEnabled(!allFiles);
  if (allFiles)
    m_AllFilesRadio->setChecked(true);
  else
    m_SelFilesRadio->setChecked(true);

  CentreOnScreen(*this);
  if (exec() != QDialog::Accepted)
    return false;
  targetDirectory = m_ExtractPathBox->text();
  maintainDirectory = m_ExtractPathCheck->isChecked();
  allFiles = m_AllFilesRadio->isChecked();
  return true;
}

void TExtractDialog::accept() {
  if (!TypedFolder(m_ExtractPathBox->text())) {
    m_Desktop.ShowError(this, RelativeFolderMessage(), m_ExtractPathBox->text());
    m_ExtractPathBox->setFocus();
    return;
  }
  QDialog::accept();
}

void TExtractDialog::BrowseBtnClick() {
  const QString directory = m_Desktop.ChooseDirectory(this, tr("Select Directory"), QString(), true);
  if (directory.isEmpty())
    return;
  // The chooser may let the user name a directory that does not exist yet;
  // it is created here so that the path shown always exists.
  if (!QDir(directory).exists())
    QDir().mkpath(directory);
  m_ExtractPathBox->setText(directory);
}
