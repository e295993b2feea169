// SPDX-License-Identifier: GPL-3.0-or-later
// What the fixed-size dialogs share: their window style, their placement in
// the middle of the screen, the OK/Cancel buttons, and the archive directories
// the add and move dialogs offer.
#pragma once

#include <QString>
#include <QStringList>

class QComboBox;
class QDialog;
class QDialogButtonBox;
class QPushButton;
class QWidget;
class TQuakePak;

// A title bar with a close button only, and a border that cannot be dragged
// to another size.
void SetFixedDialogStyle(QDialog &dialog);

// Sizes the window to its contents and puts its frame in the middle of the
// available area of its screen.
void CentreOnScreen(QWidget &window);

struct TOkCancelButtons {
  QDialogButtonBox *Box = nullptr; // not yet in any layout
  QPushButton *OK = nullptr;
  QPushButton *Cancel = nullptr;
};

// OK (the default button, named okName) and Cancel (named "CancelBtn") in the
// order of the desktop; OK accepts the dialog, Cancel rejects it.
TOkCancelButtons MakeOkCancelButtons(QDialog &dialog, const QString &okName);

// An editable combo box whose typed text is never added to its items.
QComboBox *MakeEditableCombo(const QString &name, int minimumContentsLength, QWidget *parent);

// The immediate directory of every entry that has one, lower-cased, each once,
// in the order of first appearance. Lower-casing first makes directories that
// differ only in letter case one item.
QStringList ArchiveDirectories(const TQuakePak &pak);
