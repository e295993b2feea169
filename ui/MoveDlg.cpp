#include "MoveDlg.h"

#include "EntryText.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <unordered_set>

namespace {

void CentreOnScreen(QWidget &window) {
  window.adjustSize();
  if (const QScreen *screen = window.screen()) {
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
  }
}

} // namespace

TMoveDialog::TMoveDialog(const TQuakePak &pak, QWidget *parent) : QDialog(parent), m_Pak(pak) {
  setObjectName("MoveDialog");
  setWindowTitle("Move Files");
  setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                 Qt::MSWindowsFixedSizeDialogHint);

  auto *label1 = new QLabel("Move selected files to directory :", this);
  label1->setObjectName("Label1");
  m_MoveDirCombo = new QComboBox(this);
  m_MoveDirCombo->setObjectName("MoveDirCombo");
  m_MoveDirCombo->setEditable(true);
  m_MoveDirCombo->setInsertPolicy(QComboBox::NoInsert);
  m_MoveDirCombo->setMinimumContentsLength(32);
  label1->setBuddy(m_MoveDirCombo);

  m_OKBtn = new QPushButton("OK", this);
  m_OKBtn->setObjectName("OKBtn");
  m_OKBtn->setDefault(true);
  m_CancelBtn = new QPushButton("Cancel", this);
  m_CancelBtn->setObjectName("CancelBtn");

  auto *buttons = new QHBoxLayout;
  buttons->addStretch();
  buttons->addWidget(m_OKBtn);
  buttons->addWidget(m_CancelBtn);
  auto *layout = new QVBoxLayout(this);
  layout->addWidget(label1);
  layout->addWidget(m_MoveDirCombo);
  layout->addLayout(buttons);
  layout->setSizeConstraint(QLayout::SetFixedSize);

  setTabOrder(m_MoveDirCombo, m_OKBtn);
  setTabOrder(m_OKBtn, m_CancelBtn);

  connect(m_OKBtn, &QPushButton::clicked, this, &QDialog::accept);
  connect(m_CancelBtn, &QPushButton::clicked, this, &QDialog::reject);
}

bool TMoveDialog::Execute(QString &targetDirectory) {
  // Only the immediate directory of each entry, lower-cased, in the order of
  // first appearance. Lower-casing first makes equal-ignoring-case equal.
  m_MoveDirCombo->clear();
  std::unordered_set<std::string> seen;
  const int32_t count = m_Pak.EntryCount();
  for (int32_t i = 0; i < count; ++i) {
    const std::string directory = EntryDirectory(AsciiLower(m_Pak.EntryName(i)), false);
    if (!directory.empty() && seen.insert(directory).second)
      m_MoveDirCombo->addItem(EntryToDisplay(directory));
  }
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
