// SPDX-License-Identifier: GPL-3.0-or-later
#include "MoveDlg.h"

#include "DialogSupport.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TMoveDialog::TMoveDialog(const TQuakePak &pak, QWidget *parent) : QDialog(parent), m_Pak(pak) {
  setObjectName("MoveDialog");
  setWindowTitle(tr("Move Files"));
  SetFixedDialogStyle(*this);

  auto *targetLabel = new QLabel(tr("Move selected files to directory :"), this);
  targetLabel->setObjectName("Label1");
  m_MoveDirCombo = MakeEditableCombo("MoveDirCombo", 32, this);
  targetLabel->setBuddy(m_MoveDirCombo);

  const TOkCancelButtons buttons = MakeOkCancelButtons(*this, "OKBtn");
  m_OKBtn = buttons.OK;
  m_CancelBtn = buttons.Cancel;

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(targetLabel);
  layout->addWidget(m_MoveDirCombo);
  layout->addWidget(buttons.Box);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  setTabOrder(m_MoveDirCombo, m_OKBtn);
  setTabOrder(m_OKBtn, m_CancelBtn);
}

bool TMoveDialog::Execute(QString &targetDirectory) {
  m_MoveDirCombo->clear();
  m_MoveDirCombo->addItems(ArchiveDirectories(m_Pak));
  // The value passed in is not shown: the dialog always opens empty.
  m_MoveDirCombo->setCurrentIndex(-1);
  m_MoveDirCombo->setEditText(QString());
  m_MoveDirCombo->setFocus();

  CentreOnScreen(*this);
  if (exec() != QDialog::Accepted)
    return false;
  targetDirectory = m_MoveDirCombo->currentText();
  return true;
}
