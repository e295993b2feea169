// SPDX-License-Identifier: GPL-3.0-or-later
#include "SetDirDialog.h"

#include "DesktopServices.h"
#include "DialogSupport.h"
#include "EntryText.h"
#include "PakResults.h"
#include "TypedFolder.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

const char *const ProtectWarning =
    QT_TRANSLATE_NOOP("TSetDirectoryDialog", "If you make any changes to the ID1 PAK files, Quake may not function "
                                             "correctly. Please be careful what edits you make to it.");
const char *const UnlimitedItem = QT_TRANSLATE_NOOP("TSetDirectoryDialog", "Unlimited");
// The most digits the level box takes.
constexpr int MaxLevelLength = 4;

// The level box takes "Unlimited" as it stands, and otherwise a number of at
// most four digits: whatever is typed or pasted keeps only its digits, the
// first four of them. So a digit typed over "Unlimited" replaces it, and
// deleting into "Unlimited" clears the box.
class TUndoLevelValidator : public QIntValidator {
public:
  explicit TUndoLevelValidator(QObject *parent) : QIntValidator(0, 9999, parent) {}

  State validate(QString &input, int &position) const override {
    if (input == TSetDirectoryDialog::tr(UnlimitedItem))
      return Acceptable;
    QString digits;
    int digitsBeforeCursor = 0;
    for (qsizetype i = 0; i < input.size(); ++i)
      if (input[i] >= u'0' && input[i] <= u'9' && digits.size() < MaxLevelLength) {
        digits += input[i];
        if (i < position)
          ++digitsBeforeCursor;
      }
    input = digits;
    position = digitsBeforeCursor;
    return input.isEmpty() ? Intermediate : QIntValidator::validate(input, position);
  }
};

QToolButton *MakeFolderButton(QWidget *parent, const QString &name) {
  auto *button = new QToolButton(parent);
  button->setObjectName(name);
  button->setAutoRaise(true);
  button->setIcon(parent->style()->standardIcon(QStyle::SP_DirOpenIcon));
  return button;
}

} // namespace

QString QuakeDirectoryDetail(const QString &directory) {
  // Translated where the session first said it.
  if (directory.isEmpty())
    return QCoreApplication::translate("TArchiveSession", "No Quake directory is set (View, Options).");
  return QCoreApplication::translate("TArchiveSession", "%1 was not found under %2.")
      .arg(QStringLiteral("id1/pak0.pak"), directory);
}

TSetDirectoryDialog::TSetDirectoryDialog(TDesktopServices &desktop, QWidget *parent)
    : QDialog(parent), m_Desktop(desktop) {
  setObjectName(QStringLiteral("SetDirectoryDialog"));
  setWindowTitle(tr("Options"));

  auto *quakeGroup = new QGroupBox(tr(" Quake Directory "), this);
  quakeGroup->setObjectName(QStringLiteral("QuakeGroup"));
  m_QuakeDirBox = new QLineEdit(quakeGroup);
  m_QuakeDirBox->setObjectName(QStringLiteral("QuakeDirBox"));
  m_QuakeDirBox->setMinimumWidth(300);
  m_QuakeDirBtn = MakeFolderButton(quakeGroup, QStringLiteral("QuakeDirBtn"));
  auto *quakeLayout = new QHBoxLayout(quakeGroup);
  quakeLayout->addWidget(m_QuakeDirBox);
  quakeLayout->addWidget(m_QuakeDirBtn);

  auto *tempGroup = new QGroupBox(tr(" Temporary File Directory "), this);
  tempGroup->setObjectName(QStringLiteral("TempGroup"));
  m_TempDirBox = new QLineEdit(tempGroup);
  m_TempDirBox->setObjectName(QStringLiteral("TempDirBox"));
  m_TempDirBtn = MakeFolderButton(tempGroup, QStringLiteral("TempDirBtn"));
  auto *tempLayout = new QHBoxLayout(tempGroup);
  tempLayout->addWidget(m_TempDirBox);
  tempLayout->addWidget(m_TempDirBtn);

  // The items stand, by index, for the values of TSpaceHandle.
  auto *spaceGroup = new QGroupBox(tr(" Spaces In File Names "), this);
  spaceGroup->setObjectName(QStringLiteral("SpaceRadio"));
  m_SpaceRadio = new QButtonGroup(spaceGroup);
  auto *spaceLayout = new QVBoxLayout(spaceGroup);
  const QString spaceItems[] = {tr("Leave"), tr("Remove"), tr("Replace With Underscores")};
  const QString spaceNames[] = {QStringLiteral("SpaceRadioLeave"), QStringLiteral("SpaceRadioRemove"),
                                QStringLiteral("SpaceRadioUnderscore")};
  for (int i = 0; i < 3; ++i) {
    auto *radio = new QRadioButton(spaceItems[i], spaceGroup);
    radio->setObjectName(spaceNames[i]);
    m_SpaceRadio->addButton(radio, i);
    spaceLayout->addWidget(radio);
  }

  m_ProtectCheck = new QCheckBox(tr("Protect ID1 Pak Files"), this);
  m_ProtectCheck->setObjectName(QStringLiteral("ProtectCheck"));
  m_LowerCheck = new QCheckBox(tr("Force File Names To Lowercase"), this);
  m_LowerCheck->setObjectName(QStringLiteral("LowerCheck"));
  m_UndoCheck = new QCheckBox(tr("Allow Undo"), this);
  m_UndoCheck->setObjectName(QStringLiteral("UndoCheck"));

  auto *maxUndoLabel = new QLabel(tr("Maximum Undo Levels :"), this);
  maxUndoLabel->setObjectName(QStringLiteral("MaxUndoLabel"));
  m_UndoLevelCombo = new QComboBox(this);
  m_UndoLevelCombo->setObjectName(QStringLiteral("UndoLevelCombo"));
  m_UndoLevelCombo->setEditable(true);
  // Typed text is a value of its own: never added to the items, never
  // completed to an item (typing "1" must stay 1, not become 10).
  m_UndoLevelCombo->setInsertPolicy(QComboBox::NoInsert);
  m_UndoLevelCombo->setCompleter(nullptr);
  m_UndoLevelCombo->addItems({QStringLiteral("10"), QStringLiteral("25"), QStringLiteral("50"), QStringLiteral("100"),
                              TSetDirectoryDialog::tr(UnlimitedItem)});
  maxUndoLabel->setBuddy(m_UndoLevelCombo);
  m_UndoLevelCombo->setValidator(new TUndoLevelValidator(m_UndoLevelCombo));

  const TOkCancelButtons buttons = MakeOkCancelButtons(*this, QStringLiteral("OKBtn"));

  auto *undoLayout = new QHBoxLayout;
  undoLayout->addWidget(maxUndoLabel);
  undoLayout->addWidget(m_UndoLevelCombo);
  auto *checksLayout = new QVBoxLayout;
  checksLayout->addWidget(m_ProtectCheck);
  checksLayout->addWidget(m_LowerCheck);
  checksLayout->addWidget(m_UndoCheck);
  checksLayout->addLayout(undoLayout);
  checksLayout->addStretch();
  auto *middleLayout = new QHBoxLayout;
  middleLayout->addWidget(spaceGroup);
  middleLayout->addLayout(checksLayout);

  m_ReasonLabel = new QLabel(this);
  m_ReasonLabel->setObjectName(QStringLiteral("ReasonLabel"));
  m_ReasonLabel->setWordWrap(true);
  m_ReasonLabel->hide();

  auto *layout = new QVBoxLayout(this);
  layout->addWidget(m_ReasonLabel);
  layout->addWidget(quakeGroup);
  layout->addWidget(tempGroup);
  layout->addLayout(middleLayout);
  layout->addWidget(buttons.Box);
  layout->setSizeConstraint(QLayout::SetFixedSize); // a fixed dialog border

  connect(m_QuakeDirBtn, &QToolButton::clicked, this, &TSetDirectoryDialog::QuakeDirBtnClick);
  connect(m_TempDirBtn, &QToolButton::clicked, this, &TSetDirectoryDialog::TempDirBtnClick);
  // clicked comes from the user only, so filling the dialog never warns.
  connect(m_ProtectCheck, &QCheckBox::clicked, this, &TSetDirectoryDialog::ProtectCheckClick);
}

void TSetDirectoryDialog::ShowReason(const QString &reason) {
  m_ReasonLabel->setText(reason);
  m_ReasonLabel->setVisible(!reason.isEmpty());
}

bool TSetDirectoryDialog::Execute(QString &quakeDirectory, QString &tempDirectory, bool &protectStock, bool &allowUndo,
                                  bool &forceLowercase, int32_t &maxUndoLevels, TSpaceHandle &spaces) {
  m_QuakeDirBox->setText(quakeDirectory);
  m_TempDirBox->setText(tempDirectory);
  m_ProtectCheck->setChecked(protectStock);
  m_UndoCheck->setChecked(allowUndo);
  m_LowerCheck->setChecked(forceLowercase);
  if (maxUndoLevels < 0) {
    m_UndoLevelCombo->setCurrentIndex(m_UndoLevelCombo->count() - 1);
  } else {
    const QString text = QString::number(maxUndoLevels);
    m_UndoLevelCombo->setCurrentIndex(m_UndoLevelCombo->findText(text));
    m_UndoLevelCombo->setEditText(text);
  }
  if (QAbstractButton *radio = m_SpaceRadio->button(spaces)) {
    radio->setChecked(true);
  } else {
    m_SpaceRadio->setExclusive(false);
    for (QAbstractButton *button : m_SpaceRadio->buttons())
      button->setChecked(false);
    m_SpaceRadio->setExclusive(true);
  }

  m_QuakeDirBox->setFocus();
  CentreOnScreen(*this);

  if (exec() != QDialog::Accepted)
    return false;

  // An empty box keeps the level passed in.
  int32_t levels = maxUndoLevels;
  const QString levelText = m_UndoLevelCombo->currentText();
  if (levelText == TSetDirectoryDialog::tr(UnlimitedItem))
    levels = -1;
  else if (!levelText.isEmpty())
    levels = levelText.toInt();

  quakeDirectory = m_QuakeDirBox->text();
  tempDirectory = m_TempDirBox->text();
  protectStock = m_ProtectCheck->isChecked();
  allowUndo = m_UndoCheck->isChecked();
  forceLowercase = m_LowerCheck->isChecked();
  maxUndoLevels = levels;
  if (m_SpaceRadio->checkedId() >= 0)
    spaces = static_cast<TSpaceHandle>(m_SpaceRadio->checkedId());
  return true;
}

void TSetDirectoryDialog::accept() {
  for (QLineEdit *box : {m_QuakeDirBox, m_TempDirBox}) {
    if (!TypedFolder(box->text())) {
      m_Desktop.ShowError(this, RelativeFolderMessage(), box->text());
      box->setFocus();
      return;
    }
  }
  const QString quake = *TypedFolder(m_QuakeDirBox->text());
  if (!quake.isEmpty() && !TQuakePak::IsQuakeDirectory(PathFromQ(quake))) {
    m_Desktop.ShowError(this, QString::fromUtf8(EInvalidQuakeDir().what()), QuakeDirectoryDetail(quake));
    m_QuakeDirBox->setFocus();
    return;
  }
  QDialog::accept();
}

void TSetDirectoryDialog::QuakeDirBtnClick() {
  const QString chosen = m_Desktop.ChooseDirectory(this, tr("Select Quake Directory"), m_QuakeDirBox->text(), false);
  if (!chosen.isEmpty())
    m_QuakeDirBox->setText(chosen);
}

void TSetDirectoryDialog::TempDirBtnClick() {
  const QString chosen =
      m_Desktop.ChooseDirectory(this, tr("Select Temporary File Directory"), m_TempDirBox->text(), true);
  if (!chosen.isEmpty())
    m_TempDirBox->setText(chosen);
}

void TSetDirectoryDialog::ProtectCheckClick(bool checked) {
  if (!checked)
    m_Desktop.ShowWarning(this, tr(ProtectWarning));
}
