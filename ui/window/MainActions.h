// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's commands as actions: each made once with its text,
// shortcut, icon, tooltip and status tip, and shared by the menu bar, the
// context menu and the toolbar. Update derives every action's state from the
// session's state and the list's selection.
#pragma once

#include "EntryListModel.h"
#include "PakQuake.h"

#include <QObject>
#include <QString>
#include <array>

class QAction;
class TArchiveSession;

class TMainActions : public QObject {
  Q_OBJECT
public:
  explicit TMainActions(QObject *parent);

  QAction *FileNew = nullptr;
  QAction *FileOpen = nullptr;
  QAction *FileOpenGameFolder = nullptr; // what the game loads from a Quake directory, in a window of its own
  QAction *FileSave = nullptr;
  QAction *FileSaveAs = nullptr;
  std::array<QAction *, 4> FileOld{}; // the recent files, newest first
  QAction *FileOldDiv = nullptr;      // the separator below them, shown with them
  QAction *FileExit = nullptr;
  QAction *Undo = nullptr;
  QAction *Add = nullptr;
  QAction *Delete = nullptr;
  QAction *Extract = nullptr;
  QAction *View = nullptr;
  QAction *Move = nullptr;
  QAction *Rename = nullptr; // renames the selected entry in place
  QAction *CheckArchive = nullptr;
  QAction *CompareWith = nullptr; // the open archive's file beside another PAK file
  QAction *Edit = nullptr;
  QAction *EditWith = nullptr;
  QAction *ExportPicture = nullptr;
  QAction *ImportPicture = nullptr;
  // The sort commands in menu order (name, path, type, size, offset), each with its key.
  struct TSortAction {
    QAction *Action = nullptr;
    TSortKey Key = skName;
  };
  std::array<TSortAction, SortKeyCount> Sorts{};
  QAction *Options = nullptr;
  QAction *About = nullptr;
  // The preview pane beside the list: shown or hidden (checkable), and the focus moved into it.
  QAction *PreviewPane = nullptr;
  QAction *FocusPreview = nullptr;

  // Enables each action as the session's state and the number of selected rows allow.
  void Update(const TArchiveSession &session, int selectedCount);
  // The commands that depend on what is selected, not only how much: after Update.
  void FollowSelection(const TStringList &selected);
  // Shows the recent files that are set, numbered, and the separator when there is one.
  void ShowRecentFiles(const std::array<QString, 4> &files);
};
