// SPDX-License-Identifier: GPL-3.0-or-later
#include "DialogSupport.h"

#include "EntryText.h"
#include "PakQuake.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDialogButtonBox>
#include <QPushButton>
#include <QScreen>

#include <unordered_set>

void SetFixedDialogStyle(QDialog &dialog) {
  dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                        Qt::MSWindowsFixedSizeDialogHint);
}

void CentreOnScreen(QWidget &window) {
  window.adjustSize();
  if (const QScreen *screen = window.screen()) {
    QRect frame = window.frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    window.move(frame.topLeft());
  }
}

TOkCancelButtons MakeOkCancelButtons(QDialog &dialog, const QString &okName) {
  TOkCancelButtons buttons;
  buttons.Box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
  buttons.OK = buttons.Box->button(QDialogButtonBox::Ok);
  buttons.OK->setObjectName(okName);
  // The texts stay the same on every desktop; only the order follows it.
  buttons.OK->setText(QCoreApplication::translate("DialogSupport", "OK"));
  buttons.OK->setDefault(true);
  buttons.Cancel = buttons.Box->button(QDialogButtonBox::Cancel);
  buttons.Cancel->setObjectName(QStringLiteral("CancelBtn"));
  buttons.Cancel->setText(QCoreApplication::translate("DialogSupport", "Cancel"));
  QObject::connect(buttons.Box, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
  QObject::connect(buttons.Box, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
  return buttons;
}

QComboBox *MakeEditableCombo(const QString &name, int minimumContentsLength, QWidget *parent) {
  auto *combo = new QComboBox(parent);
  combo->setObjectName(name);
  combo->setEditable(true);
  combo->setInsertPolicy(QComboBox::NoInsert);
  combo->setMinimumContentsLength(minimumContentsLength);
  // What the user types stays as typed: no inline completion filling in an
  // item's tail, and no case-blind match swapping the text for an item on
  // Enter. The items stay one click away in the drop-down list.
  combo->setCompleter(nullptr);
  return combo;
}

QStringList ArchiveDirectories(const TQuakePak &pak) {
  QStringList directories;
  std::unordered_set<std::string> seen;
  const int32_t count = pak.EntryCount();
  for (int32_t i = 0; i < count; ++i) {
    const std::string directory = EntryDirectory(AsciiLower(pak.EntryName(i)), false);
    if (!directory.empty() && seen.insert(directory).second)
      directories.append(EntryToDisplay(directory));
  }
  return directories;
}
