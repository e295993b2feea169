// The main window: owner of the one archive component for the whole run, its
// entry list, menus, toolbar and status bar, the file commands, the recent
// files, and the editing actions wired to the engine.
#pragma once

#include "EntryListModel.h"
#include "PakQuake.h"

#include <QIcon>
#include <QList>
#include <QMainWindow>
#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

class QAction;
class QCloseEvent;
class QDragEnterEvent;
class QDropEvent;
class QEvent;
class QKeySequence;
class QLabel;
class QMenu;
class QProgressBar;
class QSettings;
class QStatusBar;
class QToolButton;
class QTreeView;
class TDesktopServices;

// Shows the hourglass for as long as it lives, also when a failure unwinds.
class TWaitCursor {
public:
  TWaitCursor();
  ~TWaitCursor();
  TWaitCursor(const TWaitCursor &) = delete;
  TWaitCursor &operator=(const TWaitCursor &) = delete;
};

// One cached extension of the entry list's icons; its place in the cache
// equals IconIndex.
struct TAssociation {
  std::string Extension; // upper case, without the dot
  int IconIndex = 0;
};

class TMain : public QMainWindow {
  Q_OBJECT
public:
  // arguments: the command line without the program's own name.
  TMain(TDesktopServices &desktop, QSettings &settings, const QStringList &arguments, QWidget *parent = nullptr);
  ~TMain() override;

  // --- what dialogs and tests read
  TQuakePak &Pak() { return m_Pak; }
  const TQuakePak &Pak() const { return m_Pak; }
  QTreeView *OneViewList() const { return m_OneViewList; }
  TEntryListModel &ListModel() { return m_ListModel; }
  uint8_t SortMode() const { return m_SortMode; }
  const std::array<QString, 4> &OldFiles() const { return m_OldFiles; }
  const QString &OpenPath() const { return m_OpenPath; }
  const QString &ExtractPath() const { return m_ExtractPath; }
  bool MaintainDirectory() const { return m_MaintainDirectory; }
  bool RecurseSubDirs() const { return m_RecurseSubDirs; }
  const TStringList &ViewedFiles() const { return m_ViewedFiles; }
  const std::vector<TAssociation> &Associations() const { return m_Associations; }
  // The text of status panel 0 to 4.
  QString StatusText(int panel) const;
  // The refusal of a stored Quake directory met at start, shown once the window runs; empty if none.
  const QString &StartupMessage() const { return m_StartupMessage; }

  // --- the window's life
  void FormCreate(const QStringList &arguments);
  void FormDestroy();
  void FormCloseQuery(bool &canClose);
  // True when the caller may go on (the changes are saved or dropped).
  bool QuerySaveChanges();
  void UpdateCommands();
  void OpenArchiveFile(const QString &fileName);
  void AddRecentFile(const QString &fileName);
  void UpdateRecentMenu();

  // --- file, view and help commands
  void MenuFileNewClick();
  void MenuFileOpenClick();
  void MenuFileSaveClick();
  void MenuFileSaveAsClick();
  void MenuFileExitClick();
  // index 1 to 4: MenuFileOld1 to MenuFileOld4.
  void OpenOldFile(int index);
  void MenuViewOptionsClick();
  void MenuHelpAboutClick();
  void MenuHelpContentsClick() {}
  void MenuHelpSearchClick() {}

  // --- the entry list
  void FillList();
  void AddListItem(int32_t index);
  int AssociationIndex(const std::string &extension);
  void SortList();
  void MenuSortNameClick();
  void MenuSortDirClick();
  void MenuSortTypeClick();
  void MenuSortSizeClick();
  void MenuSortOffsetClick();
  void OneViewListColumnClick(int column);
  void OneViewListClick();
  // End of an in-place edit; false when the row keeps its old caption.
  bool OneViewListEdited(int row, const QString &caption);
  void PopupMenuPopup();

  // --- the editing actions (MainFormActions.cpp)
  void MenuActionsAddClick();
  // Files and folders dropped on the window, in the order the desktop gave them.
  void DropFiles(const QStringList &paths);
  void MenuActionsDelClick();
  void MenuActionsExtractClick();
  void MenuActionsMoveClick();
  void OneViewListDblClick();
  void ViewSelectedEntry();
  void MenuActionsUndoClick();
  void PakAddFileExists(TQuakePak &sender, const std::string &fileName, TFileReplace &replace);
  void PakStartCallback(TQuakePak &sender);
  void PakCallback(TQuakePak &sender, uint8_t percent);
  void PakEndCallback(TQuakePak &sender);

  // --- helpers of the actions
  // The stored names of the selected rows, in the list's current order.
  TStringList SelectedNames() const;
  // The stored names of every row, in the list's current order.
  TStringList AllNames() const;
  // Selected row numbers, ascending (top of the list first).
  std::vector<int> SelectedRows() const;
  int SelectedCount() const;
  // The refresh after every change to the archive: FillList, UpdateCommands, SortList.
  void Refresh();
  // The application's error report: runs a command and shows in an error box
  // whatever failure it lets escape; the window stays usable.
  void RunCommand(const std::function<void()> &command);

protected:
  void closeEvent(QCloseEvent *event) override;
  void dragEnterEvent(QDragEnterEvent *event) override;
  void dropEvent(QDropEvent *event) override;
  bool eventFilter(QObject *watched, QEvent *event) override;

private:
  enum TSaveOutcome { soSaved, soNotSaved, soFailed };

  void BuildMenus();
  void BuildToolbar(QWidget *toolbar);
  void BuildStatusBars();
  void BuildList();
  QAction *AddMenuItem(QMenu *menu, const char *objectName, const QString &caption, const QKeySequence &shortcut,
                       void (TMain::*handler)());
  QToolButton *AddSpeedButton(QWidget *toolbar, const char *objectName, int left, const QString &hint,
                              const QIcon &icon, void (TMain::*handler)());
  void SetSortMode(uint8_t first);
  TSaveOutcome SaveArchive();
  TSaveOutcome SaveArchiveAs();
  TSaveOutcome ReportSaveResult(uint8_t result, const QString &reason);
  void ShowOpenedArchive();
  void SetStatusText(int panel, const QString &text);
  void ShowSelectionText();

  TDesktopServices &m_Desktop;
  QSettings &m_SettingsFile;
  TQuakePak m_Pak;

  // Fields kept in the settings.
  bool m_RecurseSubDirs = true;
  bool m_MaintainDirectory = false;
  QString m_OpenPath;
  QString m_ExtractPath;
  uint8_t m_SortMode = 0;
  std::array<QString, 4> m_OldFiles;
  // Copies written for viewing, deleted when the window goes.
  TStringList m_ViewedFiles;
  // The icon cache: one record and one image per extension met this run.
  std::vector<TAssociation> m_Associations;
  std::unordered_map<std::string, int> m_AssociationLookup;
  QList<QIcon> m_AssocIcons;
  QString m_StartupMessage;
  // Rows being built by FillList, handed to the model in one piece.
  std::vector<TEntryRow> m_FillRows;

  TEntryListModel m_ListModel;
  QTreeView *m_OneViewList = nullptr;
  QStatusBar *m_MessageBar = nullptr;
  QLabel *m_MessagePanel = nullptr;
  QStatusBar *m_StatusBar = nullptr;
  std::array<QLabel *, 5> m_Panels{};
  QProgressBar *m_ProgressBar = nullptr;
  QMenu *m_PopupMenu = nullptr;

  QAction *m_MenuFileNew = nullptr;
  QAction *m_MenuFileOpen = nullptr;
  QAction *m_MenuFileSave = nullptr;
  QAction *m_MenuFileSaveAs = nullptr;
  std::array<QAction *, 4> m_MenuFileOld{};
  QAction *m_MenuFileOldDiv = nullptr;
  QAction *m_MenuFileExit = nullptr;
  QAction *m_MenuActionsUndo = nullptr;
  QAction *m_MenuActionsAdd = nullptr;
  QAction *m_MenuActionsDel = nullptr;
  QAction *m_MenuActionsExtract = nullptr;
  QAction *m_MenuActionsView = nullptr;
  QAction *m_MenuActionsMove = nullptr;
  std::array<QAction *, 5> m_MenuSort{}; // Name, Path, Type, Size, Offset
  QAction *m_MenuViewOptions = nullptr;
  QAction *m_MenuHelpAbout = nullptr;
  QAction *m_PopupAdd = nullptr;
  QAction *m_PopupDelete = nullptr;
  QAction *m_PopupExtract = nullptr;
  QAction *m_PopupView = nullptr;
  std::array<QAction *, 5> m_PopupSort{}; // Name, Path, Type, Size, Offset

  QToolButton *m_NewBtn = nullptr;
  QToolButton *m_OpenBtn = nullptr;
  QToolButton *m_SaveBtn = nullptr;
  QToolButton *m_UndoBtn = nullptr;
  QToolButton *m_AddBtn = nullptr;
  QToolButton *m_DeleteBtn = nullptr;
  QToolButton *m_ExtractBtn = nullptr;
  QToolButton *m_ViewBtn = nullptr;
  QToolButton *m_MoveBtn = nullptr;
};
