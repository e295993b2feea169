// SPDX-License-Identifier: GPL-3.0-or-later
#include "OpenQueryDlg.h"

#include "DialogSupport.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

TOpenOrAddDialog::TOpenOrAddDialog(QWidget *parent) : QDialog(parent) {
  setObjectName("OpenOrAddDialog");
  setWindowTitle(tr("Open Or Add?"));
  SetFixedDialogStyle(*this);

  auto *questionLabel = new QLabel(tr("There is already a PAK file open. Do you want to open this one, closing the currently "
                               "open one, or add it to the open PAK file?"),
                            this);
  questionLabel->setObjectName("Label1");
  questionLabel->setWordWrap(true);
  // Narrow enough that the question wraps over about three lines.
  questionLabel->setFixedWidth(questionLabel->fontMetrics().horizontalAdvance(questionLabel->text()) / 3 + 24);

  m_OpenBtn = new QPushButton(tr("Open"), this);
  m_OpenBtn->setObjectName("OpenBtn");
  auto *addBtn = new QPushButton(tr("Add"), this);
  addBtn->setObjectName("AddBtn");
  auto *cancelBtn = new QPushButton(tr("Cancel"), this);
  cancelBtn->setObjectName("CancelBtn");

  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_OpenBtn);
  buttons->addWidget(addBtn);
  buttons->addWidget(cancelBtn);
  buttons->addStretch();
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(questionLabel);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  setTabOrder(m_OpenBtn, addBtn);
  setTabOrder(addBtn, cancelBtn);

  connect(m_OpenBtn, &QPushButton::clicked, this, [this] { Answer(oaOpen); });
  connect(addBtn, &QPushButton::clicked, this, [this] { Answer(oaAdd); });
  // Cancel, Esc and the title bar's close all reject, which answers oaCancel.
  connect(cancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

TOpenOrAddAnswer TOpenOrAddDialog::Execute() {
  m_Answer = oaCancel;
  CentreOnScreen(*this);
  m_OpenBtn->setFocus();
  exec();
  return m_Answer;
}

void TOpenOrAddDialog::Answer(TOpenOrAddAnswer answer) {
  m_Answer = answer;
  accept();
}
