// SPDX-License-Identifier: GPL-3.0-or-later
// The game folder view: a window of its own listing every file the game
// loads from a Quake installation (as one engine builds its search path), the
// place it loads each from and the copies it hides. View, the preview pane,
// Extract and drags work on the copy the game loads; a double-click on the
// "From" column opens that archive in a window of its own. It only reads:
// nothing on disk changes but the copies made for viewing and dragging, in a
// folder of its own that goes with the window.
#pragma once

#include "GameFiles.h"
#include "GameFolderModel.h"
#include "PakQuake.h"

#include <QMainWindow>
#include <QTemporaryDir>
#include <functional>
#include <memory>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QSplitter;
class QTableView;
class TDesktopServices;
class TPreviewPane;
class TSessionDialogs;

class TGameFolderWindow : public QMainWindow {
  Q_OBJECT
public:
  // view: what ReadGameView made of setup. dialogs: the extract dialog,
  // the replace question and the lump viewer; null: the real ones, of this
  // window's own. tempDirectory: where the window's copies go (empty: the
  // system's temporary folder).
  TGameFolderWindow(TDesktopServices &desktop, TSessionDialogs *dialogs, const TGameSetup &setup, TGameView view,
                    const QString &tempDirectory, QWidget *parent = nullptr);
  ~TGameFolderWindow() override;

  const TGameView &View() const { return m_View; }
  TGameFolderModel &Model() { return m_Model; }
  QTableView *List() const { return m_List; }
  TPreviewPane *Preview() const { return m_Preview; }
  QAction *ViewAction() const { return m_ViewAction; }
  QAction *ExtractAction() const { return m_ExtractAction; }
  QString StatusText() const;

  // The commands, on the selected rows.
  void ViewSelected();
  void ExtractSelected();
  // The files the game loads for the selected rows, copied below a new
  // folder of the window's own (their paths kept), as a drag offers them.
  QMimeData *DragData(const QModelIndexList &rows);
  // A double-click on a cell: on "From", opens that copy's archive in a new
  // window (Varnel started on it); elsewhere, View.
  void Activate(const QModelIndex &index);

signals:
  // files were extracted to folder.
  void Extracted(const QString &folder, int count);

private:
  void Build(const TGameSetup &setup);
  void ApplyFilter();
  void SelectionChanged();
  void UpdatePreview();
  // The program's error report: what failed and why, over this window.
  void Run(const std::function<void()> &command);
  // The files the game loads for the selected rows.
  std::vector<const TLoadableFile *> SelectedFiles() const;
  // Writes files below destination (their paths kept or not), asking before
  // a file there is replaced; returns how many were written.
  int ExtractFiles(const std::vector<const TLoadableFile *> &files, const std::string &destination, bool keepPaths,
                   bool ask);
  // A new folder of the window's own for copies, ending in "/".
  std::string NewCopyFolder(const char *kind);
  void ShowInLumpViewer(const TGameFile &file);
  // The game's palette, read at the first picture shown.
  const TQuakePalette &Palette();

  TDesktopServices &m_Desktop;
  std::unique_ptr<TSessionDialogs> m_OwnDialogs;
  TSessionDialogs &m_Dialogs;
  TGameView m_View;
  std::unique_ptr<TGameFiles> m_Files;
  TQuakePalette m_Palette;
  bool m_PaletteRead = false;
  TGameFolderModel m_Model;
  QTemporaryDir m_Copies;
  int m_CopyCount = 0;

  QLineEdit *m_NameFilter = nullptr;
  QCheckBox *m_ModChanges = nullptr;
  QCheckBox *m_ShadowedOnly = nullptr;
  QLabel *m_Notes = nullptr;
  QTableView *m_List = nullptr;
  QSplitter *m_Splitter = nullptr;
  TPreviewPane *m_Preview = nullptr;
  QLabel *m_Status = nullptr;
  QAction *m_ViewAction = nullptr;
  QAction *m_ExtractAction = nullptr;
  QAction *m_PreviewAction = nullptr;
};
