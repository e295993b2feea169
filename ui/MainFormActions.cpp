// The editing actions of the main window: add, drop, delete, extract, move,
// view, undo, the replace question while adding, and the progress display.
#include "MainForm.h"

#include "AddDlg.h"
#include "DesktopServices.h"
#include "EntryText.h"
#include "ExtractDlg.h"
#include "LumpViewDlg.h"
#include "MoveDlg.h"
#include "OpenQueryDlg.h"
#include "PromptReplaceDlg.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QCursor>
#include <QDropEvent>
#include <QProgressBar>

#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
const QString InvalidQuakeDirectoryMessage = QStringLiteral("Invalid Quake Directory.");
const QString NoPakOpenQuestion =
    QStringLiteral("There is no PAK file open for you to add to.\r\nWould you like to create a new one?");
const QString NoApplicationMessage = QStringLiteral("There is no application associated with this file type.");
const QString AddFailedMessage = QStringLiteral("Some of the files could not be added to the PAK file.");
const QString AddProtectedMessage = QStringLiteral("Files cannot be added to a protected PAK file.");
const QString ExtractFailedMessage = QStringLiteral("The files could not be extracted.");
const QString NoExtractFolderMessage = QStringLiteral("No folder was given to extract the files to.");
const QString ViewNoFileMessage = QStringLiteral("This entry has no file name and cannot be viewed.");
const QString ViewExtractFailedMessage = QStringLiteral("The entry could not be extracted for viewing.");
const QString ViewOpenFailedMessage = QStringLiteral("The program for this file type could not be started.");

// A message followed by the failure's own text (the file and the system's reason).
QString WithReason(const QString &message, const std::exception &error) {
  return message + QLatin1Char('\n') + QString::fromLocal8Bit(error.what());
}

// A message followed by what the engine could not do, one line each; a long
// list is cut short so that the box still fits the screen.
QString WithFailures(const QString &message, const TStringList &failures) {
  constexpr size_t MaxShown = 10;
  QString text = message;
  for (size_t i = 0; i < failures.size() && i < MaxShown; ++i)
    text += QLatin1Char('\n') + QString::fromStdString(failures[i]);
  if (failures.size() > MaxShown)
    text += QStringLiteral("\n... and %1 more.").arg(failures.size() - MaxShown);
  return text;
}

// The lump viewer draws pictures over this grey: red, green and blue 50.
constexpr TColor LumpOffsetColour = 50 + 256 * 50 + 65536 * 50;

bool SomethingAt(const std::string &path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

bool IsRegularFile(const std::string &path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Viewed copies get a folder of their own inside the component's private
// folder, so that no entry name can land on the working or save file there.
std::string ViewFolder(TQuakePak &pak) { return pak.PrivateDirectory() + "view/"; }

// Takes away every override cursor for as long as it lives, so the user sees
// the normal pointer, and puts the same ones back afterwards, also when a
// failure unwinds: the pushes and pops stay balanced whoever made them.
class TNormalCursor {
public:
  TNormalCursor() {
    while (const QCursor *cursor = QApplication::overrideCursor()) {
      m_Taken.push_back(*cursor);
      QApplication::restoreOverrideCursor();
    }
  }
  ~TNormalCursor() {
    for (auto cursor = m_Taken.rbegin(); cursor != m_Taken.rend(); ++cursor)
      QApplication::setOverrideCursor(*cursor);
  }
  TNormalCursor(const TNormalCursor &) = delete;
  TNormalCursor &operator=(const TNormalCursor &) = delete;

private:
  std::vector<QCursor> m_Taken;
};

// Installed on the main window while an operation reports progress. The bar
// is repainted by letting the event loop run (without user input), and some
// events reach the window all the same: a request to close it, or a drop,
// would otherwise start a second command in the middle of the first.
class TBusyFilter : public QObject {
public:
  explicit TBusyFilter(QObject *parent) : QObject(parent) { setObjectName(QStringLiteral("BusyFilter")); }

protected:
  bool eventFilter(QObject *watched, QEvent *event) override {
    switch (event->type()) {
    case QEvent::Close:
    case QEvent::DragEnter:
    case QEvent::DragMove:
    case QEvent::Drop:
      event->ignore();
      return true;
    default:
      return QObject::eventFilter(watched, event);
    }
  }
};

// Runs an edit of the archive, then the refresh. The refresh also runs when
// the edit fails part-way, so the list never shows entries the archive no
// longer has (or hides ones it gained); the failure goes on to the error report.
template <class TEdit> void EditThenRefresh(TMain &main, TEdit edit) {
  try {
    edit();
  } catch (...) {
    main.Refresh();
    throw;
  }
  main.Refresh();
}

// The add dialog on files (empty for the Add command, the dropped paths for a
// drop), then AddFiles with what it returns and the refresh. recurse follows
// the dialog's check box even when it is cancelled.
void AddThroughDialog(TMain &main, TDesktopServices &desktop, const QStringList &files, bool &recurse) {
  TQuakePak &pak = main.Pak();
  if (!pak.FileName().empty() && pak.IsProtected()) {
    // Drops reach here whatever the commands' states: say so before the user picks files.
    desktop.ShowError(&main, AddProtectedMessage);
    return;
  }
  TAddDialog dialog(pak, desktop, &main);
  QStringList list = files;
  QString internalDirectory;
  QString baseDirectory;
  if (!dialog.Execute(list, internalDirectory, baseDirectory, recurse))
    return;

  TStringList paths;
  paths.reserve(static_cast<size_t>(list.size()));
  for (const QString &path : list)
    paths.push_back(PathFromQ(path));
  uint8_t result = prDone;
  EditThenRefresh(main, [&] {
    TWaitCursor wait;
    result = pak.AddFiles(paths, PathFromQ(baseDirectory), DisplayToEntry(internalDirectory), recurse);
  });
  if (result == prWriteFailed)
    desktop.ShowError(&main, WithFailures(AddFailedMessage, pak.Failures()));
  else if (result == prProtected)
    desktop.ShowError(&main, AddProtectedMessage);
}
} // namespace

void TMain::MenuActionsAddClick() { AddThroughDialog(*this, m_Desktop, {}, m_RecurseSubDirs); }

void TMain::DropFiles(const QStringList &paths) {
  raise();
  activateWindow();
  if (m_Pak.QuakeDirectory().empty()) {
    m_Desktop.ShowError(this, InvalidQuakeDirectoryMessage);
    return;
  }
  if (paths.isEmpty())
    return;

  // Paths are taken whole: a limit on their length would name other files.
  const bool isPak = paths.size() == 1 && paths.front().endsWith(QStringLiteral(".pak"), Qt::CaseInsensitive) &&
                     TQuakePak::IsPakFile(PathFromQ(paths.front()));
  enum { daNothing, daOpen, daAdd } action = daNothing;
  if (m_Pak.FileName().empty()) {
    if (isPak) {
      action = daOpen;
    } else if (m_Desktop.Confirm(this, NoPakOpenQuestion, QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes) {
      MenuFileNewClick();
      // A new archive that could not be started leaves nothing to add to.
      if (!m_Pak.FileName().empty())
        action = daAdd;
    }
  } else if (isPak) {
    TOpenOrAddDialog dialog(this);
    switch (dialog.Execute()) {
    case oaOpen:
      action = daOpen;
      break;
    case oaAdd:
      action = daAdd;
      break;
    default:
      break;
    }
  } else {
    action = daAdd;
  }

  if (action == daOpen) {
    // Opening replaces the archive: its unsaved changes are offered for saving first.
    if (QuerySaveChanges())
      OpenArchiveFile(paths.front());
  } else if (action == daAdd) {
    AddThroughDialog(*this, m_Desktop, paths, m_RecurseSubDirs);
  }
}

void TMain::MenuActionsDelClick() {
  const int count = SelectedCount();
  if (count == 0)
    return;
  const QString question =
      QStringLiteral("Are you sure you want to delete these ") + QString::number(count) + QStringLiteral(" files?");
  if (m_Desktop.Confirm(this, question, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
    return;
  const TStringList names = SelectedNames();
  EditThenRefresh(*this, [&] { m_Pak.DeleteEntries(names); });
}

void TMain::MenuActionsExtractClick() {
  TExtractDialog dialog(m_Desktop, this);
  QString target = m_ExtractPath.isEmpty() ? PathToQ(PathDirectory(m_Pak.FileName())) : m_ExtractPath;
  bool maintain = m_MaintainDirectory;
  bool allFiles = SelectedCount() == 0;
  if (!dialog.Execute(target, maintain, allFiles))
    return;

  const TStringList names = allFiles ? AllNames() : SelectedNames();
  m_MaintainDirectory = maintain;
  m_ExtractPath = target;
  uint8_t result = prDone;
  try {
    TWaitCursor wait;
    result = m_Pak.ExtractEntries(names, PathFromQ(target), maintain);
  } catch (const EInOutError &error) {
    m_Desktop.ShowError(this, WithReason(ExtractFailedMessage, error));
    return;
  }
  if (result == prNoPath)
    m_Desktop.ShowError(this, NoExtractFolderMessage);
  else if (result == prWriteFailed)
    m_Desktop.ShowError(this, WithFailures(ExtractFailedMessage, m_Pak.Failures()));
}

void TMain::MenuActionsMoveClick() {
  TMoveDialog dialog(m_Pak, this);
  QString target;
  if (!dialog.Execute(target))
    return;
  const TStringList names = SelectedNames();
  EditThenRefresh(*this, [&] { m_Pak.MoveEntries(names, DisplayToEntry(target)); });
}

void TMain::OneViewListDblClick() {
  if (SelectedCount() == 1)
    ViewSelectedEntry();
}

void TMain::ViewSelectedEntry() {
  const std::vector<int> rows = SelectedRows();
  if (rows.empty())
    return;
  const std::string entryName = m_ListModel.Row(rows.front()).EntryName;
  const std::string fileName = ExtractionPath(entryName, false);
  if (fileName.empty()) {
    m_Desktop.ShowError(this, ViewNoFileMessage);
    return;
  }
  const std::string folder = ViewFolder(m_Pak);
  const std::string copy = folder + fileName;
  // A copy from an earlier view goes first, so this one is extracted afresh.
  if (SomethingAt(copy))
    ::unlink(copy.c_str());
  try {
    TWaitCursor wait;
    m_Pak.ExtractEntries({entryName}, folder, false);
  } catch (const EInOutError &error) {
    m_Desktop.ShowError(this, WithReason(ViewExtractFailedMessage, error));
    return;
  }
  if (!IsRegularFile(copy)) {
    m_Desktop.ShowError(this, ViewExtractFailedMessage);
    return;
  }
  m_ViewedFiles.push_back(copy);

  switch (m_Desktop.OpenWithDefaultApplication(PathToQ(copy))) {
  case TDesktopServices::orOpened:
    break;
  case TDesktopServices::orNoApplication: {
    const TFileKind kind = FileKindOf(entryName);
    if (kind != fkLump && kind != fkPalette && kind != fkColormap) {
      m_Desktop.ShowError(this, NoApplicationMessage);
      break;
    }
    TLumpViewForm viewer(m_Desktop, this);
    {
      TWaitCursor wait;
      const std::unique_ptr<TBitmap> bitmap = m_Pak.LumpToBitmap(entryName, LumpOffsetColour, true);
      viewer.SetPicture(bitmap.get(),
                        m_Pak.Failures().empty() ? QString() : QString::fromStdString(m_Pak.Failures().front()));
      viewer.SetEntryName(entryName);
      viewer.SetArchiveFileName(m_Pak.FileName());
    }
    viewer.exec();
    break;
  }
  case TDesktopServices::orFailed:
    m_Desktop.ShowError(this, ViewOpenFailedMessage);
    break;
  }
}

void TMain::MenuActionsUndoClick() {
  EditThenRefresh(*this, [this] {
    if (m_Pak.CanUndo())
      m_Pak.Undo();
  });
}

void TMain::PakAddFileExists(TQuakePak &, const std::string &fileName, TFileReplace &replace) {
  TConfirmReplaceDialog dialog(this);
  TNormalCursor normal;
  replace = dialog.Execute(EntryToDisplay(fileName));
}

void TMain::PakStartCallback(TQuakePak &) {
  if (m_ProgressBar == nullptr)
    return;
  QObject *busy = findChild<QObject *>(QStringLiteral("BusyFilter"), Qt::FindDirectChildrenOnly);
  if (busy == nullptr)
    busy = new TBusyFilter(this);
  installEventFilter(busy);
  m_ProgressBar->setValue(0);
  m_ProgressBar->show();
  // The operation runs on this thread: let the bar and the window paint, but
  // take no input meanwhile.
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TMain::PakCallback(TQuakePak &, uint8_t percent) {
  if (m_ProgressBar == nullptr)
    return;
  m_ProgressBar->setValue(percent);
  QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TMain::PakEndCallback(TQuakePak &) {
  if (QObject *busy = findChild<QObject *>(QStringLiteral("BusyFilter"), Qt::FindDirectChildrenOnly))
    removeEventFilter(busy);
  if (m_ProgressBar != nullptr)
    m_ProgressBar->hide();
}
