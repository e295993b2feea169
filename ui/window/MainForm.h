// SPDX-License-Identifier: GPL-3.0-or-later
// The main window: a shell around the archive session. It lays out the
// menus, the toolbar, the entry list and the status bar, runs the session's
// commands from the shared actions, and refreshes what it shows, in one
// place, whenever the session reports a change.
#pragma once

#include "ArchiveSession.h"
#include "EntryListModel.h"
#include "EntryListView.h"
#include "SessionDialogs.h"

#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

class QAction;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QMenu;
class QSettings;
class TDesktopServices;
class TMainActions;
class TStatusPanels;
class TCheckArchiveDlg;
class TCheckNote;
class TEntryBrowser;
class TPreviewPane;
class TLumpListView;
class QSplitter;

class TMain : public QMainWindow {
  Q_OBJECT
public:
  // arguments: the command line without the program's own name.
  TMain(TDesktopServices &desktop, QSettings &settings, const QStringList &arguments, QWidget *parent = nullptr);
  // Writes the settings back.
  ~TMain() override;

  TArchiveSession &Session() { return m_Session; }
  TMainActions &Actions() { return *m_Actions; }
  TEntryListModel &ListModel() { return m_ListModel; }
  TEntryListView *OneViewList() const { return m_List; }
  TEntryBrowser *Browser() const { return m_Browser; }
  TPreviewPane *Preview() const { return m_Preview; }
  QSplitter *PreviewSplitter() const { return m_PreviewSplitter; }
  // The text of status panel 0 to 4.
  QString StatusText(int panel) const;
  // The refusal of a stored Quake directory met at start, shown once the window runs; empty if none.
  const QString &StartupMessage() const { return m_StartupMessage; }

  // The one refresh: brings the title, the list, the commands and the status
  // in line with what changed.
  void Refresh(TArchiveSession::TChanges changes = TArchiveSession::chEntries);
  // The application's error report, shown over the window.
  void RunCommand(const std::function<void()> &command);
  // Files and folders dropped on the window, in the order the desktop gave them.
  void DropFiles(const QStringList &paths);
  // A click in the list: the commands and the selection text follow the selection.
  void OneViewListClick();
  // The context menu opens: the commands follow the selection.
  void PopupMenuPopup();
  // Shows the findings of the open archive's check beside the window.
  void ShowArchiveCheck();
  TCheckArchiveDlg *ArchiveCheck() const { return m_Check; }
  // The check's findings on the open archive: kept from the check that ran
  // after it opened until its entries change, then made anew.
  const TCheckFindings &CheckFindings();
  // How many times the check has run in this window.
  int CheckRuns() const { return m_CheckRuns; }
  // The status bar's note of an archive over the game's limit, with the check a click away.
  TCheckNote *CheckNote() const { return m_CheckNote; }
  // The list of the folder of lumps chosen in the tree (a WAD entry or a map's textures).
  TLumpListView *LumpList() const { return m_LumpList; }

protected:
  void closeEvent(QCloseEvent *event) override;
  void dragEnterEvent(QDragEnterEvent *event) override;
  void dropEvent(QDropEvent *event) override;

private:
  void BuildMenus();
  void BuildToolbar();
  void AddSelectAll(QMenu *actionsMenu);
  // A key on the list that runs action when it is enabled.
  void AddListKey(Qt::Key key, QAction *action);
  void ConnectCommands();
  void FormCreate(const QStringList &arguments);
  void WriteSettings();
  void UpdateCommands();
  void ViewSelectedEntry();
  // File | Open Game Folder: the game to look at, then its files in a window of their own.
  void OpenGameFolder();
  void ShowSelectionText();
  // The pane previews the one selected entry; nothing while it is hidden.
  void UpdatePreview();
  void ShowPreviewPane(bool shown);
  // The pane's width as the settings keep it (the last shown one while hidden).
  int PreviewWidth() const;
  // Panel 0: the entries shown, and of how many when the list is narrowed.
  void ShowCountText();
  // Once an archive is open and shown: its check runs, and comes up by itself
  // only for damage or lost data.
  void OfferArchiveCheck();

  // --- folders of lumps (MainFormLumps.cpp)
  void BuildLumpList();
  // While a folder of lumps is shown: runs action's command on its lumps, or
  // does nothing for a command that is not theirs; true then. False when the
  // entry list is shown.
  bool RunOnLumps(QAction *action);
  // The tree chose an entry as a folder of lumps (empty: a folder).
  void ChooseLumpFolder(const std::string &entryName);
  // After a change of the entries: the folder of lumps shown is read again.
  // A WAD file open on its own shows its lumps from the start, under its name.
  void RefreshLumps(bool archiveChanged);
  bool LumpsShown() const;
  // The entries the tree shows as folders of lumps.
  std::vector<std::string> LumpFolderEntries() const;
  // The commands' states while a folder of lumps is shown.
  void UpdateLumpCommands();
  // Previews the one selected lump; false when no folder of lumps is shown.
  bool PreviewLump();

  QSettings &m_SettingsFile;
  TWindowDialogs m_Dialogs;
  TArchiveSession m_Session;
  TEntryListModel m_ListModel;
  QString m_StartupMessage;

  TMainActions *m_Actions = nullptr;
  TEntryListView *m_List = nullptr;
  TEntryBrowser *m_Browser = nullptr;
  QSplitter *m_PreviewSplitter = nullptr;
  TPreviewPane *m_Preview = nullptr;
  TLumpListView *m_LumpList = nullptr;
  int m_PreviewWidth = 0;
  QMenu *m_PopupMenu = nullptr;
  TStatusPanels *m_Status = nullptr;
  TCheckArchiveDlg *m_Check = nullptr;
  TCheckNote *m_CheckNote = nullptr;
  std::optional<TCheckFindings> m_Findings;
  int m_CheckRuns = 0;
  bool m_ListPainted = false;     // the list has been painted since the archive opened
  bool m_CheckAfterPaint = false; // the check waits for that paint
};
