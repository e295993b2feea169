// SPDX-License-Identifier: GPL-3.0-or-later
#include "PromptReplaceDlg.h"

#include "DialogSupport.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

QPushButton *MakeAnswerButton(const QString &text, const QString &name, QWidget *parent) {
  auto *button = new QPushButton(text, parent);
  button->setObjectName(name);
  return button;
}

} // namespace

TConfirmReplaceDialog::TConfirmReplaceDialog(QWidget *parent) : QDialog(parent) {
  setObjectName("ConfirmReplaceDialog");
  setWindowTitle(tr("Confirm File Replace"));
  SetFixedDialogStyle(*this);

  auto *fileLabel = new QLabel(tr("The file :"), this);
  fileLabel->setObjectName("Label1");
  m_FileNameLabel = new QLabel(this);
  m_FileNameLabel->setObjectName("FileNameLabel");
  // Entry names come from the archive: never read them as markup.
  m_FileNameLabel->setTextFormat(Qt::PlainText);
  m_FileNameLabel->setAlignment(Qt::AlignCenter);
  // Wide enough for the longest entry name a record can hold.
  m_FileNameLabel->setFixedWidth(fontMetrics().averageCharWidth() * PakFormat::NameSize);
  m_WhereLabel = new QLabel(this);
  m_WhereLabel->setObjectName("Label3");
  m_QuestionLabel = new QLabel(this);
  m_QuestionLabel->setObjectName("Label4");
  QFont bold = m_QuestionLabel->font();
  bold.setBold(true);
  m_QuestionLabel->setFont(bold);

  m_YesBtn = MakeAnswerButton(tr("&Yes"), "YesBtn", this);
  auto *yesToAllBtn = MakeAnswerButton(tr("Yes To &All"), "YesToAllBtn", this);
  m_NoBtn = MakeAnswerButton(tr("&No"), "NoBtn", this);
  auto *noToAllBtn = MakeAnswerButton(tr("No &To All"), "NoToAllBtn", this);
  auto *cancelBtn = MakeAnswerButton(tr("&Cancel"), "CancelBtn", this);

  auto *buttons = new QHBoxLayout;
  buttons->addWidget(m_YesBtn);
  buttons->addWidget(yesToAllBtn);
  buttons->addWidget(m_NoBtn);
  buttons->addWidget(noToAllBtn);
  buttons->addWidget(cancelBtn);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(fileLabel, 0, Qt::AlignHCenter);
  layout->addWidget(m_FileNameLabel, 0, Qt::AlignHCenter);
  layout->addWidget(m_WhereLabel, 0, Qt::AlignHCenter);
  layout->addSpacing(8);
  layout->addWidget(m_QuestionLabel, 0, Qt::AlignHCenter);
  layout->addSpacing(8);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  setTabOrder(m_YesBtn, yesToAllBtn);
  setTabOrder(yesToAllBtn, m_NoBtn);
  setTabOrder(m_NoBtn, noToAllBtn);
  setTabOrder(noToAllBtn, cancelBtn);

  connect(m_YesBtn, &QPushButton::clicked, this, [this] { Answer(frReplace); });
  connect(yesToAllBtn, &QPushButton::clicked, this, [this] { Answer(frReplaceAll); });
  connect(m_NoBtn, &QPushButton::clicked, this, [this] { Answer(frSkip); });
  connect(noToAllBtn, &QPushButton::clicked, this, [this] { Answer(frSkipAll); });
  // Cancel, Esc and the title bar's close all reject, which answers frCancel.
  connect(cancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

TFileReplace TConfirmReplaceDialog::Execute(const QString &entryName) {
  m_FileNameLabel->setToolTip(QString());
  return Ask(entryName, tr("already exists in this PAK file."), tr("Do you want to replace it with this new copy?"),
             m_YesBtn);
}

TFileReplace TConfirmReplaceDialog::ExecuteForFile(const QString &path) {
  // A long path keeps its start and its file name; the whole of it is the tooltip.
  const QString shown = m_FileNameLabel->fontMetrics().elidedText(path, Qt::ElideMiddle, m_FileNameLabel->width());
  m_FileNameLabel->setToolTip(shown == path ? QString() : path);
  return Ask(shown, tr("already exists on disk."), tr("Do you want to replace it with the entry from the PAK file?"),
             m_NoBtn);
}

TFileReplace TConfirmReplaceDialog::Ask(const QString &fileName, const QString &where, const QString &question,
                                        QPushButton *answerBtn) {
  m_FileNameLabel->setText(fileName);
  m_WhereLabel->setText(where);
  m_QuestionLabel->setText(question);
  m_YesBtn->setDefault(answerBtn == m_YesBtn);
  m_NoBtn->setDefault(answerBtn == m_NoBtn);
  m_Answer = frCancel;
  CentreOnScreen(*this);
  answerBtn->setFocus();
  exec();
  return m_Answer;
}

void TConfirmReplaceDialog::Answer(TFileReplace answer) {
  m_Answer = answer;
  accept();
}
