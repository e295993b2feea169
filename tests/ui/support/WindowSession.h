// SPDX-License-Identifier: GPL-3.0-or-later
// One main window driven headless on a folder of its own: a Quake
// installation (quake/id1/pak0.pak), a scratch settings file, the scripted
// desktop, and a dialog script for the real modal dialogs.
#pragma once

#include "DialogScript.h"
#include "MainForm.h"
#include "ScriptedDesktop.h"
#include "UiTestSupport.h"

#include <QSettings>
#include <QTemporaryDir>
#include <memory>
#include <vector>

class TWindowSession {
public:
  // stock: the entries of quake/id1/pak0.pak. withQuake: the settings name the installation.
  explicit TWindowSession(bool withQuake = true, const TFixture &stock = {{"gfx/a.lmp", "12345678"}, {"b.wav", "xy"}});

  QTemporaryDir Folder;
  QString Quake; // ends in "/"
  TScriptedDesktop Desktop;
  TDialogScript Dialogs;
  std::unique_ptr<QSettings> Settings;
  std::unique_ptr<TMain> Main;

  // Makes the window, with the command line's arguments.
  TMain &Start(const QStringList &arguments = {});
  TArchiveSession &Session() const { return Main->Session(); }
  TQuakePak &Pak() const { return Main->Session().Pak(); }

  QString Path(const QString &relative) const { return Folder.filePath(relative); }
  // Writes an archive of the entries into the folder; its path.
  QString Archive(const QString &name, const TFixture &entries);
  // Opens path through the Open command and its chooser.
  TMain &Open(const QString &path);
  // The same, then forgets what was asked so far: only what the commands
  // under test ask is of interest.
  void OpenFresh(const QString &path);
  // Runs the action of that object name as the menus do, through the
  // window's error report, whatever its state.
  void Command(const char *actionName);

  template <typename T> T *Find(const char *name) const { return Main->findChild<T *>(QLatin1String(name)); }
  // Whether the action, or else the toolbar button, of that name is enabled.
  bool Enabled(const char *name) const;

  // The list's shown texts: one cell, and one column from top to bottom.
  QString Cell(int row, int column) const;
  QStringList Column(int column) const;
  int RowOf(const QString &caption) const { return static_cast<int>(Column(0).indexOf(caption)); }
  // The list's stored names, in row order.
  QStringList Rows() const;
  // The archive's entry names, sorted.
  QStringList Entries() const;
  const TDirEntry *Entry(const char *name) const;
  // What the bytes of an entry are, read back through an extraction.
  QByteArray EntryData(const char *name);

  // Selects these rows, or the rows of these stored names, and clicks as the user does.
  void SelectRows(const std::vector<int> &rows);
  void Select(const QStringList &names);
};
