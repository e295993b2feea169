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

  auto *label1 = new QLabel(tr("The file :"), this);
  label1->setObjectName("Label1");
  m_FileNameLabel = new QLabel(this);
  m_FileNameLabel->setObjectName("FileNameLabel");
  // Entry names come from the archive: never read them as markup.
  m_FileNameLabel->setTextFormat(Qt::PlainText);
  m_FileNameLabel->setAlignment(Qt::AlignCenter);
  // Wide enough for the longest entry name a record can hold.
  m_FileNameLabel->setFixedWidth(fontMetrics().averageCharWidth() * PakFormat::NameSize);
  auto *label3 = new QLabel(tr("already exists in this PAK file."), this);
  label3->setObjectName("Label3");
  auto *label4 = new QLabel(tr("Do you want to replace it with this new copy?"), this);
  label4->setObjectName("Label4");
  QFont bold = label4->font();
  bold.setBold(true);
  label4->setFont(bold);

  m_YesBtn = MakeAnswerButton(tr("&Yes"), "YesBtn", this);
  m_YesBtn->setDefault(true);
  auto *yesToAllBtn = MakeAnswerButton(tr("Yes To &All"), "YesToAllBtn", this);
  auto *noBtn = MakeAnswerButton(tr("&No"), "NoBtn", this);
  auto *noToAllBtn = MakeAnswerButton(tr("No &To All"), "NoToAllBtn", this);
  auto *cancelBtn = MakeAnswerButton(tr("&Cancel"), "CancelBtn", this);

  auto *buttons = new QHBoxLayout;
  buttons->addWidget(m_YesBtn);
  buttons->addWidget(yesToAllBtn);
  buttons->addWidget(noBtn);
  buttons->addWidget(noToAllBtn);
  buttons->addWidget(cancelBtn);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(label1, 0, Qt::AlignHCenter);
  layout->addWidget(m_FileNameLabel, 0, Qt::AlignHCenter);
  layout->addWidget(label3, 0, Qt::AlignHCenter);
  layout->addSpacing(8);
  layout->addWidget(label4, 0, Qt::AlignHCenter);
  layout->addSpacing(8);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  setTabOrder(m_YesBtn, yesToAllBtn);
  setTabOrder(yesToAllBtn, noBtn);
  setTabOrder(noBtn, noToAllBtn);
  setTabOrder(noToAllBtn, cancelBtn);

  connect(m_YesBtn, &QPushButton::clicked, this, [this] { Answer(frReplace); });
  connect(yesToAllBtn, &QPushButton::clicked, this, [this] { Answer(frReplaceAll); });
  connect(noBtn, &QPushButton::clicked, this, [this] { Answer(frSkip); });
  connect(noToAllBtn, &QPushButton::clicked, this, [this] { Answer(frSkipAll); });
  // Cancel, Esc and the title bar's close all reject, which answers frCancel.
  connect(cancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

TFileReplace TConfirmReplaceDialog::Execute(const QString &entryName) {
  m_FileNameLabel->setText(entryName);
  m_Answer = frCancel;
  CentreOnScreen(*this);
  m_YesBtn->setFocus();
  exec();
  return m_Answer;
}

void TConfirmReplaceDialog::Answer(TFileReplace answer) {
  m_Answer = answer;
  accept();
}
