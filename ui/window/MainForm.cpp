// SPDX-License-Identifier: GPL-3.0-or-later
#include "MainForm.h"

#include "CheckArchiveDlg.h"
#include "CheckNote.h"
#include "CompareWindow.h"
#include "DesktopServices.h"
#include "EntryBrowser.h"
#include "EntryText.h"
#include "FileTypeRegistration.h"
#include "LumpList.h"
#include "GameFolderDlg.h"
#include "GameFolderWindow.h"
#include "MainActions.h"
#include "PreviewPane.h"
#include "QuakeSearch.h"
#include "SettingsStore.h"
#include "StatusPanels.h"
#include "Translations.h"
#include "VarnelAboutBox.h"
#include "WaitCursor.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QSettings>
#include <QShortcut>
#include <QSplitter>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QUrl>

#include <algorithm>
#include <utility>

namespace {
// Where the window first opens and how large: the defaults of the window settings.
constexpr int DefaultLeft = 269;
constexpr int DefaultTop = 112;
constexpr int DefaultWidth = 541;
constexpr int DefaultHeight = 385;
// The preview pane's width until the user drags the splitter.
constexpr int DefaultPreviewWidth = 220;

// Calls OnPaint as the widget it watches is painted.
class TPaintWatch : public QObject {
public:
  using QObject::QObject;
  std::function<void()> OnPaint;

protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    if (event->type() == QEvent::Paint && OnPaint)
      OnPaint();
    return QObject::eventFilter(watched, event);
  }
};

// A separator, with the object name the menu layout gives it (N1, N2, ...).
QAction *AddSeparator(QMenu *menu, const char *name) {
  QAction *action = menu->addSeparator();
  action->setObjectName(QLatin1String(name));
  return action;
}
} // namespace

// ---------------------------------------------------------------------------
// Construction and layout

TMain::TMain(TDesktopServices &desktop, QSettings &settings, const QStringList &arguments, QWidget *parent)
    : QMainWindow(parent), m_SettingsFile(settings), m_Dialogs(desktop, this), m_Session(desktop, m_Dialogs, this),
      m_ListModel(desktop) {
  setObjectName(QStringLiteral("Main"));
  setWindowIcon(VarnelIcon());
  move(DefaultLeft, DefaultTop);
  resize(DefaultWidth, DefaultHeight);

  m_Actions = new TMainActions(this);
  m_List = new TEntryListView(m_ListModel, this);
  m_Browser = new TEntryBrowser(*m_List, this);
  BuildLumpList();
  m_Preview = new TPreviewPane(this);
  m_PreviewSplitter = new QSplitter(this);
  m_PreviewSplitter->setObjectName(QStringLiteral("PreviewSplitter"));
  m_PreviewSplitter->addWidget(m_Browser);
  m_PreviewSplitter->addWidget(m_Preview);
  // A wider window widens the list; the pane keeps its width.
  m_PreviewSplitter->setStretchFactor(0, 1);
  m_PreviewSplitter->setStretchFactor(1, 0);
  m_PreviewSplitter->setCollapsible(0, false);
  setCentralWidget(m_PreviewSplitter);
  m_Status = new TStatusPanels(statusBar(), this);
  m_CheckNote = new TCheckNote(statusBar());
  statusBar()->addPermanentWidget(m_CheckNote);
  BuildMenus();
  BuildToolbar();
  ConnectCommands();

  RunCommand([this, &arguments] { FormCreate(arguments); });
}

TMain::~TMain() {
  // Nothing is shown any more: no refresh and no progress from here on.
  disconnect(&m_Session, nullptr, this, nullptr);
  disconnect(&m_Session, nullptr, m_Status, nullptr);
  try {
    WriteSettings();
  } catch (const std::exception &) {
    // Nothing can be reported once the window is going.
  }
}

void TMain::BuildMenus() {
  const TMainActions &a = *m_Actions;
  QMenuBar *mainMenu = menuBar();
  mainMenu->setObjectName(QStringLiteral("MainMenu"));

  QMenu *file = mainMenu->addMenu(tr("&File"));
  file->setObjectName(QStringLiteral("MenuFile"));
  file->addActions({a.FileNew, a.FileOpen, a.FileOpenGameFolder, a.FileSave, a.FileSaveAs});
  AddSeparator(file, "N1");
  for (QAction *old : a.FileOld)
    file->addAction(old);
  file->addActions({a.FileOldDiv, a.FileExit});

  QMenu *actions = mainMenu->addMenu(tr("&Actions"));
  actions->setObjectName(QStringLiteral("MenuActions"));
  actions->addAction(a.Undo);
  AddSeparator(actions, "N7");
  actions->addActions({a.Add, a.Delete, a.Extract, a.View, a.Edit, a.EditWith});
  AddSeparator(actions, "N2");
  actions->addActions({a.Move, a.Rename});
  AddSeparator(actions, "N8");
  actions->addActions({a.ExportPicture, a.ImportPicture, a.CheckArchive, a.CompareWith});

  QMenu *view = mainMenu->addMenu(tr("&View"));
  view->setObjectName(QStringLiteral("MenuView"));
  for (const TMainActions::TSortAction &sort : a.Sorts)
    view->addAction(sort.Action);
  AddSeparator(view, "N9");
  view->addActions({a.PreviewPane, a.FocusPreview});
  AddSeparator(view, "N4");
  view->addAction(a.Options);

  QMenu *help = mainMenu->addMenu(tr("&Help"));
  help->setObjectName(QStringLiteral("MenuHelp"));
  help->addAction(a.About);

  // The same actions again; their shortcuts work through the menu bar.
  m_PopupMenu = new QMenu(this);
  m_PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
  m_PopupMenu->addActions({a.Add, a.Delete, a.Extract, a.View, a.Edit, a.EditWith});
  m_PopupMenu->addActions({a.ExportPicture, a.ImportPicture, a.Move, a.Rename});
  AddSelectAll(actions);
  AddSeparator(m_PopupMenu, "N5");
  for (const TMainActions::TSortAction &sort : a.Sorts)
    m_PopupMenu->addAction(sort.Action);
  connect(m_PopupMenu, &QMenu::aboutToShow, this, [this] { RunCommand([this] { PopupMenuPopup(); }); });
  m_List->SetContextMenu(m_PopupMenu);
}

void TMain::AddSelectAll(QMenu *actionsMenu) {
  // Ctrl+A has always been Add here: Select All takes the key beside it.
  auto *selectAll = new QAction(tr("Select A&ll"), this);
  selectAll->setObjectName(QStringLiteral("PopupSelectAll"));
  selectAll->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_A));
  actionsMenu->addAction(selectAll);
  connect(selectAll, &QAction::triggered, this, [this] {
    (LumpsShown() ? static_cast<QAbstractItemView *>(m_LumpList) : m_List)->selectAll();
  });
  m_PopupMenu->addAction(selectAll);
}

void TMain::AddListKey(Qt::Key key, QAction *action) {
  // Only while the list itself has the focus: an entry being renamed keeps its keys.
  auto *shortcut = new QShortcut(QKeySequence(key), m_List, nullptr, nullptr, Qt::WidgetShortcut);
  connect(shortcut, &QShortcut::activated, this, [action] {
    if (action->isEnabled())
      action->trigger();
  });
}

void TMain::BuildToolbar() {
  const TMainActions &a = *m_Actions;
  QToolBar *toolbar = addToolBar(tr("Toolbar"));
  toolbar->setObjectName(QStringLiteral("Toolbar"));
  toolbar->setMovable(false);
  toolbar->setFloatable(false);
  toolbar->setIconSize(QSize(16, 16));
  // No menu to hide the toolbar: without it the commands have no buttons.
  toolbar->setContextMenuPolicy(Qt::PreventContextMenu);
  const std::pair<QAction *, const char *> buttons[] = {
      {a.FileNew, "NewBtn"},   {nullptr, nullptr},        {a.FileOpen, "OpenBtn"}, {a.FileSave, "SaveBtn"},
      {nullptr, nullptr},      {a.Undo, "UndoBtn"},       {nullptr, nullptr},      {a.Add, "AddBtn"},
      {a.Delete, "DeleteBtn"}, {a.Extract, "ExtractBtn"}, {a.View, "ViewBtn"},     {a.Move, "MoveBtn"}};
  for (const auto &[action, name] : buttons) {
    if (action == nullptr) {
      toolbar->addSeparator();
      continue;
    }
    toolbar->addAction(action);
    QWidget *button = toolbar->widgetForAction(action);
    button->setObjectName(QLatin1String(name));
    button->setFocusPolicy(Qt::NoFocus);
  }
}

void TMain::ConnectCommands() {
  const TMainActions &a = *m_Actions;
  auto on = [this](QAction *action, const std::function<void()> &command) {
    connect(action, &QAction::triggered, this, [this, action, command] {
      RunCommand([this, action, &command] {
        if (!RunOnLumps(action))
          command();
      });
    });
  };
  on(a.FileNew, [this] { m_Session.New(); });
  on(a.FileOpen, [this] { m_Session.Open(); });
  on(a.FileOpenGameFolder, [this] { OpenGameFolder(); });
  on(a.FileSave, [this] { m_Session.Save(); });
  on(a.FileSaveAs, [this] { m_Session.SaveAs(); });
  for (size_t i = 0; i < a.FileOld.size(); ++i)
    on(a.FileOld[i], [this, i] { m_Session.OpenRecent(static_cast<int>(i)); });
  on(a.FileExit, [this] { close(); });
  on(a.Undo, [this] { m_Session.Undo(); });
  on(a.Add, [this] { m_Session.Add(); });
  on(a.Delete, [this] { m_Session.Delete(m_List->SelectedNames()); });
  on(a.Extract, [this] { 
    m_Session.Extract(m_List->SelectedNames(), m_List->AllNames(), m_ListModel.Filter().Folder);
  });
  on(a.View, [this] { ViewSelectedEntry(); });
  on(a.Edit, [this] {
    if (const TStringList names = m_List->SelectedNames(); names.size() == 1)
      m_Session.Edit(names.front());
  });
  on(a.EditWith, [this] {
    if (const TStringList names = m_List->SelectedNames(); names.size() == 1)
      m_Session.EditWith(names.front());
  });
  on(a.Move, [this] { m_Session.Move(m_List->SelectedNames()); });
  on(a.Rename, [this] {
    if (const std::vector<int> rows = m_List->SelectedRows(); rows.size() == 1)
      m_List->edit(m_ListModel.index(rows.front(), 0));
  });
  for (const TMainActions::TSortAction &sort : a.Sorts)
    on(sort.Action, [this, key = sort.Key] { m_List->SortBy(key); });
  on(a.ExportPicture, [this] {
    if (const TStringList names = m_List->SelectedNames(); names.size() == 1)
      m_Session.ExportPicture(names.front());
  });
  on(a.ImportPicture, [this] {
    const std::optional<std::string> entry = m_Session.ImportPicture(m_List->SelectedNames(), m_ListModel.Filter().Folder);
    // The new or replaced entry is shown selected, in its own folder when the list showed another.
    if (entry && !SelectEntryRow(*m_List, *entry, -1)) {
      m_Browser->SelectFolder(entry->substr(0, entry->rfind('/') + 1));
      SelectEntryRow(*m_List, *entry, -1);
    }
  });
  on(a.CheckArchive, [this] { ShowArchiveCheck(); });
  on(a.CompareWith, [this] { CompareWithChosen(m_Session, this); });
  on(a.Options, [this] { m_Session.Options(); });
  on(a.About, [this] { TAboutBox(this).exec(); });
  connect(a.PreviewPane, &QAction::toggled, this, [this](bool shown) { RunCommand([this, shown] { ShowPreviewPane(shown); }); });
  on(a.FocusPreview, [this] {
    if (!m_Actions->PreviewPane->isChecked())
      m_Actions->PreviewPane->setChecked(true);
    m_Preview->TakeFocus();
  });
  // Dragged shut, the pane counts as hidden.
  connect(m_PreviewSplitter, &QSplitter::splitterMoved, this, [this] {
    if (m_PreviewSplitter->sizes().value(1) == 0)
      m_Actions->PreviewPane->setChecked(false);
  });

  connect(m_List, &QAbstractItemView::doubleClicked, this,
          [this](const QModelIndex &) { RunCommand([this] { ViewSelectedEntry(); }); });
  connect(m_Browser, &TEntryBrowser::FilterChanged, this, [this] {
    ShowCountText();
    OneViewListClick();
  });
  connect(m_List, &TEntryListView::Clicked, this, [this] { RunCommand([this] { OneViewListClick(); }); });
  // Keyboard, Select All and clicks alike: the selection's text and the commands follow it.
  connect(m_List->selectionModel(), &QItemSelectionModel::selectionChanged, this,
          [this] { RunCommand([this] { OneViewListClick(); }); });
  AddListKey(Qt::Key_Delete, a.Delete);
  AddListKey(Qt::Key_Return, a.View);
  AddListKey(Qt::Key_Enter, a.View);
  const auto drag = [this](const TStringList &names, const std::string &folder) {
    QMimeData *dragData = nullptr;
    RunCommand([&] { dragData = m_Session.DragData(names, folder); });
    return dragData;
  };
  m_ListModel.OnDrag = [this, drag](const TStringList &names) { return drag(names, m_ListModel.Filter().Folder); };
  m_Browser->OnDrag = drag;
  m_List->setDragEnabled(true);
  m_List->setDragDropMode(QAbstractItemView::DragOnly);
  m_ListModel.OnRename = [this](const std::string &entryName, const std::string &newName) {
    std::optional<std::string> stored;
    RunCommand([&] { stored = m_Session.Rename(entryName, newName); });
    // The row takes its new name once this returns: the preview follows it then.
    if (stored)
      QTimer::singleShot(0, this, [this] { UpdatePreview(); });
    return stored;
  };

  connect(&m_Session, &TArchiveSession::Changed, this, &TMain::Refresh);
  // The check comes once the list is on screen: a window still on its way
  // (an archive of the command line) checks after the list's first paint.
  connect(&m_Session, &TArchiveSession::CheckDue, this, [this] {
    m_CheckAfterPaint = m_List->isVisible() && !m_ListPainted;
    if (!m_CheckAfterPaint)
      RunCommand([this] { OfferArchiveCheck(); });
  });
  auto *paints = new TPaintWatch(this);
  paints->OnPaint = [this] {
    m_ListPainted = true;
    if (std::exchange(m_CheckAfterPaint, false))
      QTimer::singleShot(0, this, [this] { m_Session.RunWhenIdle([this] { OfferArchiveCheck(); }); });
  };
  m_List->viewport()->installEventFilter(paints);
  connect(m_CheckNote, &TCheckNote::CheckRequested, this, [this] { RunCommand([this] { ShowArchiveCheck(); }); });
  connect(&m_Session, &TArchiveSession::ProgressStarted, m_Status, &TStatusPanels::StartProgress);
  connect(&m_Session, &TArchiveSession::ProgressMoved, m_Status, &TStatusPanels::ShowProgress);
  connect(&m_Session, &TArchiveSession::ProgressEnded, m_Status, &TStatusPanels::EndProgress);
  connect(&m_Session, &TArchiveSession::Extracted, this, [this](const QString &folder, int count) {
    m_Status->ShowNotice(EnglishPlural(tr("Extracted %n file(s) to %1", "", count), count).arg(folder), folder);
  });
  connect(m_Status, &TStatusPanels::OpenFolderRequested, this, [this](const QString &folder) {
    RunCommand([this, folder] {
      if (m_Session.Desktop().OpenWithDefaultApplication(folder) != TDesktopServices::orOpened)
        m_Session.Desktop().ShowError(this, tr("The folder could not be opened."), folder);
    });
  });
}

// ---------------------------------------------------------------------------
// The window's life

void TMain::FormCreate(const QStringList &arguments) {
  RegisterPakFileType(QCoreApplication::applicationFilePath());
  setAcceptDrops(true);

  TMainSettings values;
  m_StartupMessage = TSettingsStore(m_SettingsFile).Read(m_Session.Pak(), values, *this);
  m_Session.SetValues(values);
  m_ListModel.SetSortOrder(values.SortOrder);
  m_List->SizesInUnitsAction()->setChecked(values.SizesInUnits);
  m_PreviewWidth = values.PreviewWidth > 0 ? values.PreviewWidth : DefaultPreviewWidth;
  m_Preview->hide();
  m_Actions->PreviewPane->setChecked(values.PreviewShown);
  ShowPreviewPane(values.PreviewShown);
  if (!m_StartupMessage.isEmpty()) {
    // Shown once the window is up and the event loop runs.
    QTimer::singleShot(
        0, this, [this] { m_Session.RunWhenIdle([this] { m_Session.Desktop().ShowError(this, m_StartupMessage); }); });
  } else if (m_Session.Pak().QuakeDirectory().empty()) {
    // No Quake directory stored: look for an installation in the usual places
    // once the window is up, and offer it (or ask for one).
    QTimer::singleShot(0, this, [this] {
      m_Session.RunWhenIdle([this] {
        RunCommand([this] {
          if (m_Session.Pak().QuakeDirectory().empty())
            m_Session.OfferQuakeDirectory(FindQuakeInstallation(QDir::homePath(), SystemQuakeFolders()));
        });
      });
    });
  }

  setWindowTitle(tr("Varnel"));
  m_Dialogs.SetPak(&m_Session.Pak());

  m_Status->FitPanelsToFont();

  // A failing open is reported on its own, so that the start still ends with
  // every command in its proper state. An archive that cannot be opened is
  // reported once the window is up, over it.
  if (!arguments.isEmpty()) {
    const QString fileName = arguments.first();
    if (QFileInfo(fileName).isFile() && TQuakePak::IsPakFile(PathFromQ(fileName)))
      RunCommand([this, &fileName] { m_Session.OpenFile(fileName); });
    else
      QTimer::singleShot(
          0, this, [this, fileName] { m_Session.RunWhenIdle([this, fileName] { m_Session.OpenFile(fileName); }); });
  }
  Refresh(TArchiveSession::chState);
  m_List->ShowSortOrder();
}

void TMain::WriteSettings() {
  setAcceptDrops(false);
  TMainSettings values;
  static_cast<TSessionValues &>(values) = m_Session.Values();
  values.SortOrder = m_ListModel.SortOrder();
  values.SizesInUnits = m_ListModel.SizesInUnits();
  values.PreviewShown = m_Actions->PreviewPane->isChecked();
  values.PreviewWidth = PreviewWidth();
  TSettingsStore(m_SettingsFile).Write(m_Session.Pak(), values, *this);
  m_SettingsFile.sync();
}

void TMain::closeEvent(QCloseEvent *event) {
  bool canClose = false; // a failure while asking keeps the window open
  RunCommand([this, &canClose] { canClose = m_Session.QuerySaveChanges(); });
  if (canClose)
    event->accept();
  else
    event->ignore();
}

void TMain::RunCommand(const std::function<void()> &command) { m_Session.Run(command); }

// ---------------------------------------------------------------------------
// What the window shows

void TMain::Refresh(TArchiveSession::TChanges changes) {
  const TQuakePak &pak = m_Session.Pak();
  // A save over a damaged file repairs it: the title follows saves as well.
  if (changes & (TArchiveSession::chArchive | TArchiveSession::chEntries)) {
    if (pak.FileName().empty())
      setWindowTitle(tr("Varnel"));
    else if (pak.DamageFindings().empty())
      setWindowTitle(tr("Varnel - ") + PathToQ(pak.FileName()));
    else
      setWindowTitle(tr("Varnel - %1 (damaged)").arg(PathToQ(pak.FileName())));
  }
  if (changes & TArchiveSession::chArchive) {
    m_ListPainted = false;
    m_Status->SetText(1, QString());
    // Another archive, or a new one, shows whole: no folder or filter carried
    // over. A save goes on with the archive as it was shown.
    if (!m_Session.Reopening())
      m_Browser->ShowAll();
  }
  if (changes & (TArchiveSession::chEntries | TArchiveSession::chArchive)) {
    m_Findings.reset();
    m_CheckNote->ShowCount(pak.FileName().empty() ? 0 : pak.EntryCount());
    TWaitCursor wait;
    m_ListModel.Fill(m_Session.Pak());
    const QString shownFile = m_Session.IsWadDocument() ? m_Session.WadFile() : PathToQ(pak.FileName());
    m_Browser->ShowFolders(m_ListModel.Folders(), pak.FileName().empty() ? QString() : QFileInfo(shownFile).fileName(),
                           LumpFolderEntries());
    RefreshLumps(changes & TArchiveSession::chArchive);
    m_List->ShowSortOrder();
    if (!pak.FileName().empty()) {
      ShowCountText();
      m_Status->SetText(1, QString());
    }
    // The entry shown may have changed or gone.
    UpdatePreview();
  }
  if (changes & TArchiveSession::chRecentFiles)
    m_Actions->ShowRecentFiles(m_Session.Values().OldFiles);
  UpdateCommands();
  // Renaming in place only in an archive that may be changed: as it stands
  // now, so switching the protection in the options applies at once.
  if (changes & (TArchiveSession::chArchive | TArchiveSession::chState))
    m_ListModel.SetReadOnly(pak.IsProtected());
}

void TMain::UpdateCommands() {
  const TQuakePak &pak = m_Session.Pak();
  m_Actions->Update(m_Session, m_List->SelectedCount());
  m_Actions->FollowSelection(m_List->SelectedNames());
  if (pak.IsProtected())
    m_Status->SetText(2, tr("Protected"));
  else if (pak.Modified())
    m_Status->SetText(2, tr("Modified"));
  else
    m_Status->SetText(2, QString());

  m_Status->ShowQuakeHint(pak.QuakeDirectory().empty());
  UpdateLumpCommands();
}

QString TMain::StatusText(int panel) const { return m_Status->Text(panel); }

void TMain::OneViewListClick() {
  UpdateCommands();
  ShowSelectionText();
  UpdatePreview();
}

void TMain::UpdatePreview() {
  if (PreviewLump())
    return;
  const std::vector<int> rows = m_List->SelectedRows();
  if (m_Preview->isHidden() || rows.size() != 1) {
    m_Preview->ShowEntry(std::nullopt);
    return;
  }
  const TEntryRow &row = m_ListModel.Row(rows.front());
  TPreviewSource source;
  source.Name = std::string(row.EntryName);
  source.Size = row.Size;
  source.Position = row.Position;
  TQuakePak &pak = m_Session.Pak();
  source.Palette = &pak.Palette();
  // Found again at each read: the entry's place may have changed since.
  source.Read = [&pak, name = source.Name](int64_t offset, int64_t count) {
    return pak.ReadEntryPart(pak.FindEntry(name), offset, count);
  };
  m_Preview->ShowEntry(std::move(source));
}

void TMain::ShowPreviewPane(bool shown) {
  if (shown == !m_Preview->isHidden())
    return;
  if (!shown) {
    m_PreviewWidth = PreviewWidth();
    m_Preview->hide();
  } else {
    m_Preview->show();
    const int total = std::max(m_PreviewSplitter->width(), width());
    m_PreviewSplitter->setSizes({std::max(total - m_PreviewWidth, 1), m_PreviewWidth});
  }
  UpdatePreview();
}

int TMain::PreviewWidth() const {
  const int shownWidth = m_PreviewSplitter->sizes().value(1);
  return m_Preview->isHidden() || shownWidth <= 0 ? m_PreviewWidth : shownWidth;
}

void TMain::ShowCountText() {
  const int total = static_cast<int>(m_ListModel.AllRowCount());
  if (m_ListModel.Filter().ShowsAll())
    m_Status->SetText(0, EnglishPlural(tr("%n file(s)", "", total), total));
  else
    m_Status->SetText(0, EnglishPlural(tr("%1 of %n file(s)", "", total), total).arg(m_ListModel.RowCount()));
}

void TMain::ShowSelectionText() {
  const int count = m_List->SelectedCount();
  if (count == 0)
    m_Status->SetText(1, QString());
  else
    m_Status->SetText(1, EnglishPlural(tr("%n file(s) selected", "", count), count));
}

void TMain::PopupMenuPopup() { UpdateCommands(); }

void TMain::ShowArchiveCheck() {
  if (m_Check == nullptr) {
    m_Check = new TCheckArchiveDlg(this);
    connect(m_Check, &TCheckArchiveDlg::EntryActivated, this, [this](const std::string &entryName, int index) {
      const TQuakePak &pak = m_Session.Pak();
      const int32_t position = index < pak.EntryCount() ? pak.EntryPosition(index) : 0;
      if (SelectEntryRow(*m_List, entryName, position))
        OneViewListClick();
    });
  }
  m_Check->ShowFindings(CheckFindings());
  m_Check->show();
  const auto toFront = [check = m_Check] {
    check->raise();
    check->activateWindow();
  };
  toFront();
  // Offered by an archive of the command line, the check is shown before
  // the window is: it comes to the front once the window is up.
  if (!isVisible())
    QTimer::singleShot(0, m_Check, toFront);
}

const TCheckFindings &TMain::CheckFindings() {
  if (!m_Findings) {
    // An archive of the game folders of the Quake directory is also judged
    // by the original engine's search path.
    m_Findings = CheckArchiveInGame(m_Session.Pak(), OriginalEngineProfile());
    ++m_CheckRuns;
  }
  return *m_Findings;
}

void TMain::OfferArchiveCheck() {
  const TCheckFindings &findings = CheckFindings();
  if (std::any_of(findings.begin(), findings.end(), MeansDamageOrLoss))
    ShowArchiveCheck();
}

void TMain::OpenGameFolder() {
  const TQuakePak &pak = m_Session.Pak();
  TGameFolderDialog dialog(m_Session.Desktop(), PathToQ(pak.QuakeDirectory()), this);
  // An archive open from a folder of the Quake directory proposes that folder as the mod.
  if (!pak.IsUntitled() && !pak.QuakeDirectory().empty()) {
    const QDir folder = QFileInfo(PathToQ(pak.FileName())).absoluteDir();
    if (QFileInfo(folder.absolutePath()).dir().canonicalPath() == QDir(PathToQ(pak.QuakeDirectory())).canonicalPath())
      dialog.ProposeMod(folder.dirName());
  }
  TGameSetup setup;
  if (!dialog.Execute(setup))
    return;
  TGameView view;
  {
    TWaitCursor wait;
    view = ReadGameView(setup);
  }
  auto *window = new TGameFolderWindow(m_Session.Desktop(), nullptr, setup, std::move(view),
                                       PathToQ(m_Session.Pak().TempDirectory()), this);
  window->show();
}

void TMain::ViewSelectedEntry() {
  const TStringList names = m_List->SelectedNames();
  if (names.size() == 1)
    m_Session.View(names.front());
}

// ---------------------------------------------------------------------------
// Drops from the desktop

void TMain::DropFiles(const QStringList &paths) {
  raise();
  activateWindow();
  m_Session.Drop(paths);
}

void TMain::dragEnterEvent(QDragEnterEvent *event) {
  // Entries dragged out of this window are not added back to it.
  if (event->mimeData()->hasUrls() && event->source() == nullptr)
    event->acceptProposedAction();
}

void TMain::dropEvent(QDropEvent *event) {
  QStringList paths;
  for (const QUrl &url : event->mimeData()->urls())
    if (url.isLocalFile())
      paths << url.toLocalFile();
  event->acceptProposedAction();
  // Alt held: one PAK file is compared with the open archive instead. Not
  // Ctrl, which file managers take for "copy", and a copy is what any drop
  // here makes already.
  const bool compare = event->modifiers().testFlag(Qt::AltModifier);
  // Handled once the drop has been answered: the desktop is not kept waiting
  // while the questions and dialogs of the drop are open.
  if (!paths.isEmpty())
    QTimer::singleShot(0, this, [this, paths, compare] {
      m_Session.RunWhenIdle([this, paths, compare] {
        if (compare && paths.size() == 1 && CanCompareWith(m_Session, paths.front()))
          RunCommand([this, &paths] { CompareWith(m_Session, paths.front(), this); });
        else
          DropFiles(paths);
      });
    });
}
