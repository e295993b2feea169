// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the window tests: archives built byte by byte in scratch folders,
// and a driver for dialogs that run their own modal loop.
#pragma once

#include "PakQuake.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QWidget>

#include <functional>
#include <utility>
#include <vector>

class QComboBox;

// The four bytes of value, little-endian, as the archive format stores numbers.
QByteArray Int32LE(qint32 value);

// Entries of a fixture archive: name and data, in archive order.
using TFixture = std::vector<std::pair<QByteArray, QByteArray>>;

// A PAK file as Varnel writes one: "PACK", directory offset, directory length;
// the entries' data back to back from offset 12; then one 64-byte record per
// entry (the name zero-padded to 56 bytes, position, size).
QByteArray BuildPak(const TFixture &entries);

// A PAK file without data: the header ("PACK", directory at 12, 64 bytes per
// entry), then one record per name: the name zero-padded to 56 bytes,
// position 12, size 0.
QByteArray BuildArchive(const QStringList &names);

// Writes bytes to path, making the folders on the way; a failure fails the test.
void WriteBytes(const QString &path, const QByteArray &bytes);

// The bytes of a file, or "<missing>" when it cannot be read.
QByteArray ReadBytes(const QString &path);

// A Quake installation as far as the archive component checks it: root holding
// id1/pak0.pak, the 12-byte header "PACK", directory offset 12, directory size
// 0, i.e. an archive without entries. Returns root.
QString MakeQuakeDirectory(const QString &root);

// The scratch folder of a test class that opens archives, for the class to
// inherit after QObject: a Quake installation in quake/ and an archive
// component that knows it.
class TArchiveFixture {
protected:
  // Makes the installation; false when the scratch folder could not be made.
  bool PrepareScratch();
  // Writes BuildArchive(names) to test.pak in the scratch folder and opens it.
  void OpenArchive(const QStringList &names);

  QTemporaryDir m_Temp;
  QString m_Root; // the scratch folder, ending in "/"
  TQuakePak m_Pak;
};

// The items of a combo box, in order.
QStringList Items(const QComboBox *combo);

// Runs action on the modal dialog once its loop is running: call it just
// before the dialog's Execute.
void WhenShown(std::function<void(QWidget &dialog)> action);

// The dialog's child of that type and object name; a missing one ends the test
// program, naming it.
template <class T> T *Child(QWidget &dialog, const char *name) {
  T *child = dialog.findChild<T *>(name);
  if (child == nullptr)
    qFatal("no child %s", name);
  return child;
}

// Clicks the dialog's push button of that name.
void Click(QWidget &dialog, const char *name);

// A key as the user presses it: to the focused control, or to the dialog when
// nothing has the focus.
void Press(QWidget &dialog, Qt::Key key);
