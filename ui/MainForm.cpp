#include "MainForm.h"

#include "DesktopServices.h"
#include "EntryText.h"
#include "FileTypeRegistration.h"
#include "SetDirDialog.h"
#include "SettingsStore.h"
#include "VarnelAboutBox.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QFontMetrics>
#include <QFrame>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QMouseEvent>
#include <QProgressBar>
#include <QSettings>
#include <QStatusBar>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace {
const QString NoQuakeDirectoryHint = QStringLiteral("You need to set the Quake directory. See View|Options");
const QStringList PakFilters = {QStringLiteral("Quake PAK Files (*.pak)"), QStringLiteral("All Files (*)")};
const QString SaveFailedMessage = QStringLiteral("The PAK file could not be saved.");
const QString ProtectedTargetMessage = QStringLiteral("Can't overwrite protected ID1 PAK File.");
const QString ArchiveChangedQuestion =
    QStringLiteral("The archive was changed by another program since it was opened. Overwrite it?");

// The design-time bounds of the window, the defaults of the window settings.
constexpr int DesignLeft = 269;
constexpr int DesignTop = 112;
constexpr int DesignWidth = 541;
constexpr int DesignHeight = 385;

// The directory part of a disk path, up to and including its last "/".
QString DirectoryPart(const QString &path) {
  const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
  return slash < 0 ? QString() : path.left(slash + 1);
}

// A file name as a menu caption: "&" would otherwise mark a mnemonic.
QString MenuText(const QString &text) {
  QString result = text;
  return result.replace(QLatin1Char('&'), QStringLiteral("&&"));
}

QIcon ToolbarIcon(const char *themeName, const char *fileName) {
  return QIcon::fromTheme(QLatin1String(themeName), QIcon(QStringLiteral(":/toolbar/") + QLatin1String(fileName)));
}

// An extension that can stand in a probe file's name inside our own folder:
// one holding a separator could name a file elsewhere.
bool SafeProbeExtension(const std::string &extension) {
  return extension.find_first_of(std::string("/\\\0", 3)) == std::string::npos &&
         extension.size() <= static_cast<size_t>(PakFormat::NameSize);
}
} // namespace

TWaitCursor::TWaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }

TWaitCursor::~TWaitCursor() { QApplication::restoreOverrideCursor(); }

// ---------------------------------------------------------------------------
// Construction and layout

TMain::TMain(TDesktopServices &desktop, QSettings &settings, const QStringList &arguments, QWidget *parent)
    : QMainWindow(parent), m_Desktop(desktop), m_SettingsFile(settings), m_ListModel(m_AssocIcons) {
  setObjectName(QStringLiteral("Main"));
  setWindowIcon(VarnelIcon());
  move(DesignLeft, DesignTop);
  resize(DesignWidth, DesignHeight);

  auto *client = new QWidget(this);
  auto *layout = new QVBoxLayout(client);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSpacing(0);
  auto *toolbar = new QFrame(client);
  toolbar->setObjectName(QStringLiteral("Toolbar"));
  toolbar->setFixedHeight(32);
  toolbar->setFrameShape(QFrame::NoFrame);
  layout->addWidget(toolbar);
  auto *viewPanel = new QWidget(client);
  viewPanel->setObjectName(QStringLiteral("OneViewPanel"));
  auto *viewLayout = new QVBoxLayout(viewPanel);
  viewLayout->setContentsMargins(0, 0, 0, 0);
  m_OneViewList = new QTreeView(viewPanel);
  viewLayout->addWidget(m_OneViewList);
  layout->addWidget(viewPanel, 1);
  m_MessageBar = new QStatusBar(client);
  m_StatusBar = new QStatusBar(client);
  layout->addWidget(m_MessageBar);
  layout->addWidget(m_StatusBar);
  setCentralWidget(client);

  BuildMenus();
  BuildToolbar(toolbar);
  BuildList();
  BuildStatusBars();

  m_Pak.OnAddFileExists = [this](TQuakePak &sender, const std::string &fileName, TFileReplace &replace) {
    PakAddFileExists(sender, fileName, replace);
  };
  m_Pak.OnArchiveChanged = [this](TQuakePak &, const std::string &, bool &overwrite) {
    overwrite = m_Desktop.Confirm(this, ArchiveChangedQuestion, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
  };
  m_Pak.OnStartCallback = [this](TQuakePak &sender) { PakStartCallback(sender); };
  m_Pak.OnCallback = [this](TQuakePak &sender, uint8_t percent) { PakCallback(sender, percent); };
  m_Pak.OnEndCallback = [this](TQuakePak &sender) { PakEndCallback(sender); };

  RunCommand([this, &arguments] { FormCreate(arguments); });
}

TMain::~TMain() {
  try {
    FormDestroy();
  } catch (const std::exception &) {
    // Nothing can be reported once the window is going.
  }
}

QAction *TMain::AddMenuItem(QMenu *menu, const char *objectName, const QString &caption, const QKeySequence &shortcut,
                            void (TMain::*handler)()) {
  QAction *action = menu->addAction(caption);
  action->setObjectName(QLatin1String(objectName));
  action->setShortcut(shortcut);
  connect(action, &QAction::triggered, this, [this, handler] { RunCommand([this, handler] { (this->*handler)(); }); });
  return action;
}

void TMain::BuildMenus() {
  QMenuBar *mainMenu = menuBar();
  mainMenu->setObjectName(QStringLiteral("MainMenu"));
  auto separator = [](QMenu *menu, const char *name) {
    QAction *action = menu->addSeparator();
    action->setObjectName(QLatin1String(name));
    return action;
  };

  QMenu *file = mainMenu->addMenu(QStringLiteral("&File"));
  file->setObjectName(QStringLiteral("MenuFile"));
  m_MenuFileNew = AddMenuItem(file, "MenuFileNew", QStringLiteral("&New..."), QKeySequence(Qt::CTRL | Qt::Key_N),
                              &TMain::MenuFileNewClick);
  m_MenuFileOpen = AddMenuItem(file, "MenuFileOpen", QStringLiteral("&Open..."), QKeySequence(Qt::CTRL | Qt::Key_O),
                               &TMain::MenuFileOpenClick);
  m_MenuFileSave = AddMenuItem(file, "MenuFileSave", QStringLiteral("&Save"), QKeySequence(Qt::CTRL | Qt::Key_S),
                               &TMain::MenuFileSaveClick);
  m_MenuFileSaveAs =
      AddMenuItem(file, "MenuFileSaveAs", QStringLiteral("Save &As..."), QKeySequence(), &TMain::MenuFileSaveAsClick);
  separator(file, "N1");
  for (int i = 0; i < 4; ++i) {
    QAction *action = file->addAction(QString());
    action->setObjectName(QStringLiteral("MenuFileOld%1").arg(i + 1));
    action->setVisible(false);
    connect(action, &QAction::triggered, this, [this, i] { RunCommand([this, i] { OpenOldFile(i + 1); }); });
    m_MenuFileOld[static_cast<size_t>(i)] = action;
  }
  m_MenuFileOldDiv = separator(file, "MenuFileOldDiv");
  m_MenuFileOldDiv->setVisible(false);
  m_MenuFileExit = AddMenuItem(file, "MenuFileExit", QStringLiteral("E&xit"), QKeySequence(Qt::ALT | Qt::Key_X),
                               &TMain::MenuFileExitClick);

  QMenu *actions = mainMenu->addMenu(QStringLiteral("&Actions"));
  actions->setObjectName(QStringLiteral("MenuActions"));
  m_MenuActionsUndo = AddMenuItem(actions, "MenuActionsUndo", QStringLiteral("&Undo"),
                                  QKeySequence(Qt::CTRL | Qt::Key_Z), &TMain::MenuActionsUndoClick);
  separator(actions, "N7");
  m_MenuActionsAdd = AddMenuItem(actions, "MenuActionsAdd", QStringLiteral("&Add..."),
                                 QKeySequence(Qt::CTRL | Qt::Key_A), &TMain::MenuActionsAddClick);
  m_MenuActionsDel = AddMenuItem(actions, "MenuActionsDel", QStringLiteral("&Delete"),
                                 QKeySequence(Qt::CTRL | Qt::Key_Delete), &TMain::MenuActionsDelClick);
  m_MenuActionsExtract = AddMenuItem(actions, "MenuActionsExtract", QStringLiteral("&Extract..."),
                                     QKeySequence(Qt::CTRL | Qt::Key_E), &TMain::MenuActionsExtractClick);
  m_MenuActionsView = AddMenuItem(actions, "MenuActionsView", QStringLiteral("&View"),
                                  QKeySequence(Qt::CTRL | Qt::Key_Return), &TMain::OneViewListDblClick);
  // The keypad's Enter too.
  m_MenuActionsView->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
  separator(actions, "N2");
  m_MenuActionsMove = AddMenuItem(actions, "MenuActionsMove", QStringLiteral("&Move Files..."), QKeySequence(),
                                  &TMain::MenuActionsMoveClick);

  QMenu *view = mainMenu->addMenu(QStringLiteral("&View"));
  view->setObjectName(QStringLiteral("MenuView"));
  m_MenuSort[0] =
      AddMenuItem(view, "MenuSortName", QStringLiteral("Sort By &Name"), QKeySequence(), &TMain::MenuSortNameClick);
  m_MenuSort[1] =
      AddMenuItem(view, "MenuSortDir", QStringLiteral("Sort By &Path"), QKeySequence(), &TMain::MenuSortDirClick);
  m_MenuSort[2] =
      AddMenuItem(view, "MenuSortType", QStringLiteral("Sort By &Type"), QKeySequence(), &TMain::MenuSortTypeClick);
  m_MenuSort[3] =
      AddMenuItem(view, "MenuSortSize", QStringLiteral("Sort By &Size"), QKeySequence(), &TMain::MenuSortSizeClick);
  m_MenuSort[4] = AddMenuItem(view, "MenuSortOffset", QStringLiteral("Sort By &Offset"), QKeySequence(),
                              &TMain::MenuSortOffsetClick);
  separator(view, "N4");
  m_MenuViewOptions =
      AddMenuItem(view, "MenuViewOptions", QStringLiteral("&Options..."), QKeySequence(), &TMain::MenuViewOptionsClick);

  QMenu *help = mainMenu->addMenu(QStringLiteral("&Help"));
  help->setObjectName(QStringLiteral("MenuHelp"));
  m_MenuHelpAbout =
      AddMenuItem(help, "MenuHelpAbout", QStringLiteral("About Varnel..."), QKeySequence(), &TMain::MenuHelpAboutClick);

  // The popup's shortcuts are only shown: the menu's items act only while it is open.
  m_PopupMenu = new QMenu(this);
  m_PopupMenu->setObjectName(QStringLiteral("PopupMenu"));
  m_PopupAdd = AddMenuItem(m_PopupMenu, "PopupAdd", QStringLiteral("&Add..."), QKeySequence(Qt::CTRL | Qt::Key_A),
                           &TMain::MenuActionsAddClick);
  m_PopupDelete = AddMenuItem(m_PopupMenu, "PopupDelete", QStringLiteral("&Delete"),
                              QKeySequence(Qt::CTRL | Qt::Key_Delete), &TMain::MenuActionsDelClick);
  m_PopupExtract = AddMenuItem(m_PopupMenu, "PopupExtract", QStringLiteral("&Extract..."),
                               QKeySequence(Qt::CTRL | Qt::Key_E), &TMain::MenuActionsExtractClick);
  m_PopupView = AddMenuItem(m_PopupMenu, "PopupView", QStringLiteral("&View"), QKeySequence(Qt::CTRL | Qt::Key_Return),
                            &TMain::OneViewListDblClick);
  separator(m_PopupMenu, "N5");
  m_PopupSort[0] = AddMenuItem(m_PopupMenu, "PopupSortName", QStringLiteral("Sort By &Name"), QKeySequence(),
                               &TMain::MenuSortNameClick);
  m_PopupSort[1] = AddMenuItem(m_PopupMenu, "PopupSortPath", QStringLiteral("Sort By &Path"), QKeySequence(),
                               &TMain::MenuSortDirClick);
  m_PopupSort[2] = AddMenuItem(m_PopupMenu, "PopupSortType", QStringLiteral("Sort By &Type"), QKeySequence(),
                               &TMain::MenuSortTypeClick);
  m_PopupSort[3] = AddMenuItem(m_PopupMenu, "PopupSortSize", QStringLiteral("Sort By &Size"), QKeySequence(),
                               &TMain::MenuSortSizeClick);
  m_PopupSort[4] = AddMenuItem(m_PopupMenu, "PopupSortOffset", QStringLiteral("Sort By &Offset"), QKeySequence(),
                               &TMain::MenuSortOffsetClick);
  connect(m_PopupMenu, &QMenu::aboutToShow, this, [this] { RunCommand([this] { PopupMenuPopup(); }); });
}

QToolButton *TMain::AddSpeedButton(QWidget *toolbar, const char *objectName, int left, const QString &hint,
                                   const QIcon &icon, void (TMain::*handler)()) {
  auto *button = new QToolButton(toolbar);
  button->setObjectName(QLatin1String(objectName));
  button->setGeometry(left, 4, 25, 25);
  button->setAutoRaise(true);
  button->setIcon(icon);
  button->setIconSize(QSize(16, 16));
  button->setToolTip(hint);
  button->setFocusPolicy(Qt::NoFocus);
  connect(button, &QToolButton::clicked, this,
          [this, handler] { RunCommand([this, handler] { (this->*handler)(); }); });
  return button;
}

void TMain::BuildToolbar(QWidget *toolbar) {
  m_NewBtn = AddSpeedButton(toolbar, "NewBtn", 10, QStringLiteral("Make New PAK File"),
                            ToolbarIcon("document-new", "new.png"), &TMain::MenuFileNewClick);
  m_OpenBtn = AddSpeedButton(toolbar, "OpenBtn", 45, QStringLiteral("Open PAK File"),
                             ToolbarIcon("document-open", "open.png"), &TMain::MenuFileOpenClick);
  m_SaveBtn = AddSpeedButton(toolbar, "SaveBtn", 70, QStringLiteral("Save"), ToolbarIcon("document-save", "save.png"),
                             &TMain::MenuFileSaveClick);
  m_UndoBtn = AddSpeedButton(toolbar, "UndoBtn", 105, QStringLiteral("Undo"), ToolbarIcon("edit-undo", "undo.png"),
                             &TMain::MenuActionsUndoClick);
  m_AddBtn = AddSpeedButton(toolbar, "AddBtn", 140, QStringLiteral("Add File To PAK File"),
                            ToolbarIcon("list-add", "add.png"), &TMain::MenuActionsAddClick);
  m_DeleteBtn = AddSpeedButton(toolbar, "DeleteBtn", 165, QStringLiteral("Delete File From PAK File"),
                               ToolbarIcon("list-remove", "delete.png"), &TMain::MenuActionsDelClick);
  m_ExtractBtn = AddSpeedButton(toolbar, "ExtractBtn", 190, QStringLiteral("Extract File From PAK File"),
                                ToolbarIcon("document-export", "extract.png"), &TMain::MenuActionsExtractClick);
  m_ViewBtn = AddSpeedButton(toolbar, "ViewBtn", 215, QStringLiteral("View File"),
                             ToolbarIcon("document-preview", "view.png"), &TMain::OneViewListDblClick);
  m_MoveBtn = AddSpeedButton(toolbar, "MoveBtn", 240, QStringLiteral("Move File"), ToolbarIcon("go-jump", "move.png"),
                             &TMain::MenuActionsMoveClick);
}

void TMain::BuildList() {
  QTreeView *list = m_OneViewList;
  list->setObjectName(QStringLiteral("OneViewList"));
  list->setModel(&m_ListModel);
  list->setRootIsDecorated(false);
  list->setItemsExpandable(false);
  list->setUniformRowHeights(true);
  list->setSelectionMode(QAbstractItemView::ExtendedSelection);
  list->setSelectionBehavior(QAbstractItemView::SelectRows);
  list->setAllColumnsShowFocus(true);
  list->setSortingEnabled(false); // the model sorts, on the sort commands only
  list->setEditTriggers(QAbstractItemView::SelectedClicked | QAbstractItemView::EditKeyPressed);
  list->setContextMenuPolicy(Qt::CustomContextMenu);
  const int widths[] = {150, 100, 100, 150};
  for (int column = 0; column < TEntryListModel::ColumnCount; ++column)
    list->setColumnWidth(column, widths[column]);
  QHeaderView *header = list->header();
  header->setSectionsClickable(true);
  header->setSectionsMovable(false);
  header->setSortIndicatorShown(true);
  header->setSortIndicator(-1, Qt::AscendingOrder);

  connect(header, &QHeaderView::sectionClicked, this,
          [this](int column) { RunCommand([this, column] { OneViewListColumnClick(column); }); });
  connect(list, &QAbstractItemView::doubleClicked, this,
          [this](const QModelIndex &) { RunCommand([this] { OneViewListDblClick(); }); });
  connect(list, &QWidget::customContextMenuRequested, this,
          [this](const QPoint &position) { m_PopupMenu->popup(m_OneViewList->viewport()->mapToGlobal(position)); });
  list->viewport()->installEventFilter(this);

  m_ListModel.OnEdited = [this](int row, const QString &caption) {
    bool taken = false;
    RunCommand([this, row, &caption, &taken] { taken = OneViewListEdited(row, caption); });
    return taken;
  };
}

void TMain::BuildStatusBars() {
  m_MessageBar->setObjectName(QStringLiteral("MessageBar"));
  m_MessageBar->setSizeGripEnabled(false);
  m_MessagePanel = new QLabel(m_MessageBar);
  m_MessagePanel->setObjectName(QStringLiteral("MessagePanel"));
  m_MessagePanel->setMinimumWidth(200);
  m_MessageBar->addWidget(m_MessagePanel, 1);
  m_MessageBar->hide();

  m_StatusBar->setObjectName(QStringLiteral("StatusBar"));
  const int designWidths[] = {55, 100, 55, 150, 50};
  for (int i = 0; i < 5; ++i) {
    QWidget *panel = nullptr;
    if (i == 3) {
      // The progress bar lies over this panel.
      auto *holder = new QLabel(m_StatusBar);
      auto *holderLayout = new QHBoxLayout(holder);
      holderLayout->setContentsMargins(4, 2, 4, 2);
      m_ProgressBar = new QProgressBar(holder);
      m_ProgressBar->setObjectName(QStringLiteral("ProgressBar"));
      m_ProgressBar->setRange(0, 100);
      m_ProgressBar->setTextVisible(false);
      m_ProgressBar->setFixedWidth(141);
      m_ProgressBar->hide();
      holderLayout->addWidget(m_ProgressBar);
      holderLayout->addStretch();
      m_Panels[3] = holder;
      panel = holder;
    } else {
      m_Panels[static_cast<size_t>(i)] = new QLabel(m_StatusBar);
      panel = m_Panels[static_cast<size_t>(i)];
    }
    panel->setObjectName(QStringLiteral("StatusPanel%1").arg(i));
    panel->setFixedWidth(designWidths[i]);
    m_StatusBar->addWidget(panel, i == 4 ? 1 : 0);
  }
}

// ---------------------------------------------------------------------------
// The window's life

void TMain::FormCreate(const QStringList &arguments) {
  RegisterPakFileType(QCoreApplication::applicationFilePath());
  setAcceptDrops(true);

  TMainSettings values;
  m_StartupMessage = TSettingsStore(m_SettingsFile).Read(m_Pak, values, *this);
  m_OpenPath = values.OpenPath;
  m_ExtractPath = values.ExtractPath;
  m_MaintainDirectory = values.MaintainDirectory;
  m_RecurseSubDirs = values.RecurseSubDirs;
  m_SortMode = values.SortMode;
  m_OldFiles = values.OldFiles;
  m_Pak.SetProtectID1Pak(true);
  if (!m_StartupMessage.isEmpty()) {
    // Shown once the window is up and the event loop runs.
    QTimer::singleShot(0, this, [this] { m_Desktop.ShowError(this, m_StartupMessage); });
  }

  setWindowTitle(QStringLiteral("Varnel"));

  const QFontMetrics metrics(m_StatusBar->font());
  const QString samples[] = {QStringLiteral("9999  Files."), QStringLiteral("99999 Files selected."),
                             QStringLiteral(" Protected  ")};
  for (size_t i = 0; i < 3; ++i)
    m_Panels[i]->setFixedWidth(metrics.horizontalAdvance(samples[i]) + 8);
  m_ProgressBar->setFixedHeight(std::max(8, m_StatusBar->sizeHint().height() - 8));
  m_ProgressBar->hide();
  m_ProgressBar->setValue(0);

  m_ViewedFiles.clear();
  m_Associations.clear();
  m_AssociationLookup.clear();
  m_AssocIcons.clear();

  UpdateRecentMenu();
  // A failing open is reported on its own, so that the start still ends with
  // every command in its proper state.
  if (!arguments.isEmpty() && QFileInfo(arguments.first()).isFile())
    RunCommand([this, &arguments] { OpenArchiveFile(arguments.first()); });
  UpdateCommands();
  SortList();
}

void TMain::FormDestroy() {
  setAcceptDrops(false);

  TMainSettings values;
  values.OpenPath = m_OpenPath;
  values.ExtractPath = m_ExtractPath;
  values.MaintainDirectory = m_MaintainDirectory;
  values.RecurseSubDirs = m_RecurseSubDirs;
  values.SortMode = m_SortMode;
  values.OldFiles = m_OldFiles;
  TSettingsStore(m_SettingsFile).Write(m_Pak, values, *this);
  m_SettingsFile.sync();

  // The component reports no more progress once the bar is gone.
  m_Pak.OnStartCallback = nullptr;
  m_Pak.OnCallback = nullptr;
  m_Pak.OnEndCallback = nullptr;
  delete m_ProgressBar;
  m_ProgressBar = nullptr;

  // Only through a private folder that is still ours: one whose name a link
  // has taken over is emptied by the component itself, through its descriptor.
  std::string privateFolder;
  try {
    privateFolder = m_Pak.PrivateDirectory();
  } catch (const std::exception &) {
    // No folder of ours: nothing is deleted by name.
  }
  for (const std::string &file : m_ViewedFiles)
    if (!privateFolder.empty() && file.rfind(privateFolder, 0) == 0)
      ::unlink(file.c_str()); // a file that cannot be deleted is left behind
  m_ViewedFiles.clear();
  m_Associations.clear();
  m_AssociationLookup.clear();
}

void TMain::FormCloseQuery(bool &canClose) { canClose = QuerySaveChanges(); }

void TMain::closeEvent(QCloseEvent *event) {
  bool canClose = false; // a failure while asking keeps the window open
  RunCommand([this, &canClose] { FormCloseQuery(canClose); });
  if (canClose)
    event->accept();
  else
    event->ignore();
}

void TMain::RunCommand(const std::function<void()> &command) {
  try {
    command();
  } catch (const std::exception &error) {
    m_Desktop.ShowError(this, QString::fromUtf8(error.what()));
  } catch (...) {
    m_Desktop.ShowError(this, QStringLiteral("An unexpected error occurred."));
  }
}

QString TMain::StatusText(int panel) const {
  if (panel < 0 || panel >= static_cast<int>(m_Panels.size()) || m_Panels[static_cast<size_t>(panel)] == nullptr)
    return {};
  return m_Panels[static_cast<size_t>(panel)]->text();
}

void TMain::SetStatusText(int panel, const QString &text) { m_Panels[static_cast<size_t>(panel)]->setText(text); }

// ---------------------------------------------------------------------------
// Commands and their enabling

void TMain::UpdateCommands() {
  const bool quake = !m_Pak.QuakeDirectory().empty();
  const bool open = quake && !m_Pak.FileName().empty();
  const bool changeable = open && !m_Pak.IsProtected();
  const int selected = SelectedCount();
  const bool change = changeable && selected > 0;
  const bool view = open && selected == 1;

  for (QAction *action :
       {m_MenuFileNew, m_MenuFileOpen, m_MenuFileOld[0], m_MenuFileOld[1], m_MenuFileOld[2], m_MenuFileOld[3]})
    action->setEnabled(quake);
  m_NewBtn->setEnabled(quake);
  m_OpenBtn->setEnabled(quake);
  for (QAction *action : {m_MenuFileSave, m_MenuActionsAdd, m_PopupAdd})
    action->setEnabled(changeable);
  m_SaveBtn->setEnabled(changeable);
  m_AddBtn->setEnabled(changeable);
  for (QAction *action : {m_MenuActionsDel, m_MenuActionsMove, m_PopupDelete})
    action->setEnabled(change);
  m_DeleteBtn->setEnabled(change);
  m_MoveBtn->setEnabled(change);
  for (QAction *action : {m_MenuFileSaveAs, m_MenuActionsExtract, m_PopupExtract})
    action->setEnabled(open);
  m_ExtractBtn->setEnabled(open);
  for (size_t i = 0; i < m_MenuSort.size(); ++i) {
    m_MenuSort[i]->setEnabled(open);
    m_PopupSort[i]->setEnabled(open);
  }
  m_MenuActionsView->setEnabled(view);
  m_PopupView->setEnabled(view);
  m_ViewBtn->setEnabled(view);
  const bool undo = m_Pak.CanUndo();
  m_MenuActionsUndo->setEnabled(undo);
  m_UndoBtn->setEnabled(undo);

  QString undoCaption;
  switch (m_Pak.UndoKind()) {
  case 1:
    undoCaption = QStringLiteral("&Undo Add File(s)");
    break;
  case 2:
    undoCaption = QStringLiteral("&Undo Delete File(s)");
    break;
  case 3:
    undoCaption = QStringLiteral("&Undo Rename File(s)");
    break;
  case 4:
    undoCaption = QStringLiteral("&Undo Move File(s)");
    break;
  default:
    undoCaption = QStringLiteral("&Undo");
    break;
  }
  m_MenuActionsUndo->setText(undoCaption);
  m_UndoBtn->setToolTip(undoCaption.mid(1));

  if (m_Pak.IsProtected())
    SetStatusText(2, QStringLiteral("Protected"));
  else if (m_Pak.Modified())
    SetStatusText(2, QStringLiteral("Modified"));
  else
    SetStatusText(2, QString());

  if (quake) {
    m_StatusBar->show();
    m_MessageBar->hide();
  } else {
    m_StatusBar->hide();
    m_MessagePanel->setText(NoQuakeDirectoryHint);
    m_MessageBar->show();
  }
}

void TMain::OpenArchiveFile(const QString &fileName) {
  QString message;
  try {
    m_Pak.OpenPak(PathFromQ(fileName));
  } catch (const EInvalidQuakeDir &) {
    message = QStringLiteral("Invalid Quake Directory.");
  } catch (const EInvalidPakFile &) {
    message = QStringLiteral("This is not a valid PAK file.");
  } catch (...) {
    // A read that failed half-way leaves the component on the new file with
    // part of its directory: the list must show that, not the old archive,
    // before the failure goes on to the error report.
    setWindowTitle(QStringLiteral("Varnel - ") + PathToQ(m_Pak.FileName()));
    ShowOpenedArchive();
    throw;
  }
  if (!message.isEmpty())
    m_Desktop.ShowError(this, message);
  else if (!m_Pak.IsUntitled())
    AddRecentFile(fileName);
  if (!m_Pak.IsUntitled())
    m_OpenPath = DirectoryPart(fileName);

  setWindowTitle(QStringLiteral("Varnel - ") + PathToQ(m_Pak.FileName()));
  ShowOpenedArchive();
}

void TMain::ShowOpenedArchive() {
  SetStatusText(1, QString());
  TWaitCursor wait;
  FillList();
  UpdateCommands();
  SortList();
  // Renaming in place only in an archive that may be changed, as it stood when opened.
  m_ListModel.SetReadOnly(m_Pak.IsProtected());
}

bool TMain::QuerySaveChanges() {
  if (m_Pak.FileName().empty() || !m_Pak.Modified())
    return true;
  const QMessageBox::StandardButton answer =
      m_Desktop.Confirm(this, QStringLiteral("Save changes to ") + PathToQ(m_Pak.FileName()) + QStringLiteral("?"),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  if (answer == QMessageBox::Yes)
    // A save that failed keeps the window on the unsaved archive; a save the
    // user declined in the file chooser goes on.
    return SaveArchive() != soFailed;
  return answer == QMessageBox::No;
}

void TMain::MenuFileNewClick() {
  if (!QuerySaveChanges())
    return;
  m_Pak.NewPak();
  OpenArchiveFile(PathToQ(m_Pak.FileName()));
}

void TMain::MenuFileOpenClick() {
  if (!QuerySaveChanges())
    return;
  if (m_OpenPath.isEmpty())
    m_OpenPath = PathToQ(m_Pak.QuakeDirectory());
  TFileDialogRequest request;
  request.Title = QStringLiteral("Open PAK File");
  request.Directory = m_OpenPath;
  request.Filters = PakFilters;
  request.DefaultSuffix = QStringLiteral("pak");
  const QStringList files = m_Desktop.ChooseOpenFiles(this, request);
  if (!files.isEmpty())
    OpenArchiveFile(files.first());
}

void TMain::MenuFileSaveClick() { SaveArchive(); }

void TMain::MenuFileSaveAsClick() { SaveArchiveAs(); }

TMain::TSaveOutcome TMain::ReportSaveResult(uint8_t result, const QString &reason) {
  switch (result) {
  case prDone:
    return soSaved;
  case prNoArchive:
  case prCancelled:
    return soNotSaved;
  case prProtected:
    m_Desktop.ShowError(this, ProtectedTargetMessage);
    return soFailed;
  default:
    m_Desktop.ShowError(this, reason.isEmpty() ? SaveFailedMessage : SaveFailedMessage + QLatin1Char('\n') + reason);
    return soFailed;
  }
}

TMain::TSaveOutcome TMain::SaveArchive() {
  if (m_Pak.IsUntitled())
    return SaveArchiveAs();
  uint8_t result = prWriteFailed;
  QString reason;
  {
    TWaitCursor wait;
    try {
      result = m_Pak.SavePak();
    } catch (const std::exception &error) {
      reason = QString::fromUtf8(error.what());
    }
    FillList();
    UpdateCommands();
    SortList();
  }
  return ReportSaveResult(result, reason);
}

TMain::TSaveOutcome TMain::SaveArchiveAs() {
  TFileDialogRequest request;
  request.Title = QStringLiteral("Save PAK As...");
  request.Directory = m_OpenPath;
  request.Filters = PakFilters;
  request.DefaultSuffix = QStringLiteral("pak");
  const QString target = m_Desktop.ChooseSaveFile(this, request);
  if (target.isEmpty())
    return soNotSaved;
  uint8_t result = prWriteFailed;
  QString reason;
  {
    TWaitCursor wait;
    try {
      result = m_Pak.SavePakAs(PathFromQ(target));
    } catch (const std::exception &error) {
      reason = QString::fromUtf8(error.what());
    }
  }
  if (result == prDone)
    OpenArchiveFile(target);
  return ReportSaveResult(result, reason);
}

void TMain::MenuFileExitClick() { close(); }

void TMain::OpenOldFile(int index) {
  if (index < 1 || index > 4)
    return;
  if (QuerySaveChanges())
    OpenArchiveFile(m_OldFiles[static_cast<size_t>(index - 1)]);
}

void TMain::AddRecentFile(const QString &fileName) {
  // File names on this system tell letter case apart: only the same spelling is the same file.
  int found = -1;
  for (int k = 0; k < 4; ++k)
    if (m_OldFiles[static_cast<size_t>(k)] == fileName)
      found = k;
  if (found < 0) {
    for (int k = 3; k > 0; --k)
      m_OldFiles[static_cast<size_t>(k)] = m_OldFiles[static_cast<size_t>(k - 1)];
    m_OldFiles[0] = fileName;
  } else if (found > 0) {
    const QString kept = m_OldFiles[static_cast<size_t>(found)];
    for (int k = found; k > 0; --k)
      m_OldFiles[static_cast<size_t>(k)] = m_OldFiles[static_cast<size_t>(k - 1)];
    m_OldFiles[0] = kept;
  }
  UpdateRecentMenu();
}

void TMain::UpdateRecentMenu() {
  for (size_t i = 0; i < 3; ++i)
    for (size_t j = i + 1; j < 4; ++j)
      if (m_OldFiles[i].isEmpty())
        std::swap(m_OldFiles[i], m_OldFiles[j]);
  for (size_t i = 0; i < 4; ++i) {
    m_MenuFileOld[i]->setText(QStringLiteral("&%1. ").arg(i + 1) + MenuText(m_OldFiles[i]));
    m_MenuFileOld[i]->setVisible(!m_OldFiles[i].isEmpty());
  }
  m_MenuFileOldDiv->setVisible(m_MenuFileOld[0]->isVisible());
}

void TMain::MenuViewOptionsClick() {
  {
    TSetDirectoryDialog dialog(m_Desktop, this);
    QString quakeDirectory = PathToQ(m_Pak.QuakeDirectory());
    QString tempDirectory = PathToQ(m_Pak.TempDirectory());
    bool protectStock = m_Pak.ProtectID1Pak();
    bool allowUndo = m_Pak.AllowUndo();
    bool forceLowercase = m_Pak.ForceLowercase();
    int32_t maxUndoLevels = m_Pak.MaxUndoLevels();
    TSpaceHandle spaces = m_Pak.HandleSpaces();
    if (dialog.Execute(quakeDirectory, tempDirectory, protectStock, allowUndo, forceLowercase, maxUndoLevels, spaces)) {
      const bool wasOpen = !m_Pak.FileName().empty();
      m_Pak.SetQuakeDirectory(PathFromQ(quakeDirectory));
      m_Pak.SetTempDirectory(PathFromQ(tempDirectory));
      m_Pak.SetProtectID1Pak(protectStock);
      m_Pak.SetAllowUndo(allowUndo);
      m_Pak.SetMaxUndoLevels(maxUndoLevels);
      m_Pak.SetForceLowercase(forceLowercase);
      m_Pak.SetHandleSpaces(spaces);
      // Clearing the Quake directory closes the archive: its rows would
      // otherwise stay on show, and editable, for an archive no longer there.
      if (wasOpen && m_Pak.FileName().empty()) {
        FillList();
        SortList();
      }
    }
  }
  UpdateCommands();
}

void TMain::MenuHelpAboutClick() {
  TAboutBox box(this);
  box.exec();
}

// ---------------------------------------------------------------------------
// The entry list

void TMain::FillList() {
  m_FillRows.clear();
  m_FillRows.reserve(static_cast<size_t>(m_Pak.EntryCount()));
  for (int32_t i = 0; i < m_Pak.EntryCount(); ++i)
    AddListItem(i);
  m_ListModel.SetRows(std::move(m_FillRows));
  m_FillRows = {};
  if (!m_Pak.FileName().empty()) {
    SetStatusText(0, QString::number(m_Pak.EntryCount()) + QStringLiteral(" files"));
    SetStatusText(1, QString());
  }
}

void TMain::AddListItem(int32_t index) {
  const TDirEntry &entry = m_Pak.Directory()[static_cast<size_t>(index)];
  TEntryRow row = MakeEntryRow(entry.Name, entry.Size, entry.Position);
  row.IconIndex = AssociationIndex(EntryExtension(entry.Name, false));
  m_FillRows.push_back(std::move(row));
}

int TMain::AssociationIndex(const std::string &extension) {
  const std::string key = AsciiUpper(extension);
  const auto cached = m_AssociationLookup.find(key);
  if (cached != m_AssociationLookup.end())
    return cached->second;

  std::string directory;
  try {
    directory = m_Pak.PrivateDirectory();
  } catch (const std::exception &) {
    // No folder of our own: the icon is looked up by name alone.
  }
  QIcon icon;
  if (SafeProbeExtension(key)) {
    const std::string probe = directory + "X." + key;
    bool created = false;
    if (!directory.empty()) {
      const int handle = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
      if (handle >= 0) {
        ::close(handle);
        created = true;
      }
    }
    icon = m_Desktop.FileIcon(PathToQ(probe));
    // Only the probe made here goes: a file of that name that was there already stays.
    if (created)
      ::unlink(probe.c_str());
  } else {
    // An "extension" that holds a separator (a dot in a directory of the name)
    // gets the icon of a file without a type.
    icon = m_Desktop.FileIcon(PathToQ(directory + "X"));
  }

  const int index = static_cast<int>(m_Associations.size());
  m_AssocIcons.append(icon);
  m_Associations.push_back({key, index});
  m_AssociationLookup.emplace(key, index);
  return index;
}

void TMain::SortList() {
  m_ListModel.Sort(m_SortMode);
  // Show the order in the header; the type order has no column.
  static const int columnOfOrder[] = {TEntryListModel::colName, TEntryListModel::colPath, TEntryListModel::colSize,
                                      TEntryListModel::colPosition};
  QHeaderView *header = m_OneViewList->header();
  if (m_SortMode < 8)
    header->setSortIndicator(columnOfOrder[m_SortMode / 2],
                             m_SortMode % 2 == 0 ? Qt::AscendingOrder : Qt::DescendingOrder);
  else
    header->setSortIndicator(-1, Qt::AscendingOrder);
}

void TMain::SetSortMode(uint8_t first) {
  m_SortMode = m_SortMode == first ? static_cast<uint8_t>(first + 1) : first;
  SortList();
}

void TMain::MenuSortNameClick() { SetSortMode(0); }

void TMain::MenuSortDirClick() { SetSortMode(2); }

void TMain::MenuSortSizeClick() { SetSortMode(4); }

void TMain::MenuSortOffsetClick() { SetSortMode(6); }

void TMain::MenuSortTypeClick() { SetSortMode(8); }

void TMain::OneViewListColumnClick(int column) {
  switch (column) {
  case TEntryListModel::colName:
    MenuSortNameClick();
    break;
  case TEntryListModel::colSize:
    MenuSortSizeClick();
    break;
  case TEntryListModel::colPosition:
    MenuSortOffsetClick();
    break;
  case TEntryListModel::colPath:
    MenuSortDirClick();
    break;
  default:
    break;
  }
}

void TMain::OneViewListClick() {
  UpdateCommands();
  ShowSelectionText();
}

void TMain::ShowSelectionText() {
  const int count = SelectedCount();
  if (count == 0)
    SetStatusText(1, QString());
  else
    SetStatusText(1, QString::number(count) + (count == 1 ? QStringLiteral(" file") : QStringLiteral(" files")) +
                         QStringLiteral(" selected"));
}

bool TMain::OneViewListEdited(int row, const QString &caption) {
  if (row < 0 || row >= m_ListModel.RowCount())
    return false;
  const TEntryRow &item = m_ListModel.Row(row);
  const std::string newCaption = DisplayToEntry(caption);
  if (newCaption == item.Caption)
    return false; // an edit that changed nothing renames nothing
  // The row finds its entry by the exact bytes of its stored name; the
  // case-blind lookup would pick another entry that differs only in case.
  int32_t index = -1;
  const std::vector<TDirEntry> &entries = m_Pak.Directory();
  for (int32_t i = m_Pak.EntryCount() - 1; i >= 0 && index < 0; --i)
    if (entries[static_cast<size_t>(i)].Name == item.EntryName)
      index = i;
  bool renamed = false;
  if (index >= 0) {
    try {
      m_Pak.RenameEntry(index, item.Path + newCaption);
      renamed = true;
    } catch (const std::exception &) {
      // Refused (protected archive, name taken or too long): the row keeps its old caption.
    }
  }
  if (renamed)
    m_ListModel.RenameRow(row, newCaption, m_Pak.EntryName(index));
  SortList();
  UpdateCommands();
  return renamed;
}

void TMain::PopupMenuPopup() { UpdateCommands(); }

std::vector<int> TMain::SelectedRows() const {
  std::vector<int> rows;
  const QItemSelectionModel *selection = m_OneViewList->selectionModel();
  if (selection == nullptr)
    return rows;
  for (const QItemSelectionRange &range : selection->selection())
    if (range.left() == 0)
      for (int row = range.top(); row <= range.bottom(); ++row)
        rows.push_back(row);
  std::sort(rows.begin(), rows.end());
  rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
  return rows;
}

int TMain::SelectedCount() const { return static_cast<int>(SelectedRows().size()); }

TStringList TMain::SelectedNames() const {
  TStringList names;
  for (int row : SelectedRows())
    names.push_back(m_ListModel.Row(row).EntryName);
  return names;
}

TStringList TMain::AllNames() const {
  TStringList names;
  names.reserve(static_cast<size_t>(m_ListModel.RowCount()));
  for (int row = 0; row < m_ListModel.RowCount(); ++row)
    names.push_back(m_ListModel.Row(row).EntryName);
  return names;
}

void TMain::Refresh() {
  FillList();
  UpdateCommands();
  SortList();
}

bool TMain::eventFilter(QObject *watched, QEvent *event) {
  if (watched == m_OneViewList->viewport() && event->type() == QEvent::MouseButtonRelease &&
      static_cast<QMouseEvent *>(event)->button() == Qt::LeftButton)
    RunCommand([this] { OneViewListClick(); });
  return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------
// Drops from the desktop

void TMain::dragEnterEvent(QDragEnterEvent *event) {
  if (event->mimeData()->hasUrls())
    event->acceptProposedAction();
}

void TMain::dropEvent(QDropEvent *event) {
  QStringList paths;
  for (const QUrl &url : event->mimeData()->urls())
    if (url.isLocalFile())
      paths << url.toLocalFile();
  event->acceptProposedAction();
  // Handled once the drop has been answered: the desktop is not kept waiting
  // while the questions and dialogs of the drop are open.
  if (!paths.isEmpty())
    QTimer::singleShot(0, this, [this, paths] { RunCommand([this, &paths] { DropFiles(paths); }); });
}
