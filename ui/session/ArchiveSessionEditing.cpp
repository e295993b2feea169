// SPDX-License-Identifier: GPL-3.0-or-later
// Copies handed to other programs: a viewed entry goes to the desktop's
// program for it, an edited one to the program the user chose for its
// extension, or else the desktop's. Every such copy is watched, and each save
// of it is offered back to the archive as an ordinary, undoable replacement of
// the entry's data. Before the archive goes, copies with changes not taken
// back, or still open in a program Varnel started, are asked about; copies
// that a program may still have open are left on disk, in a folder of the
// session's own that a later run sweeps up.
#include "ArchiveSession.h"

#include "DesktopServices.h"
#include "EntryText.h"
#include "SessionDialogs.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLockFile>
#include <QMimeDatabase>
#include <QTemporaryDir>

#include <algorithm>
#include <cerrno>
#include <unistd.h>

int TArchiveSession::PendingEdits() const {
  int pending = 0;
  for (const auto &[copy, edited] : m_Edits)
    if (edited.Pending)
      ++pending;
  return pending;
}

namespace {
// What an editor is kept for: the extension of the entry's file name, in lower case, without the dot.
QString EditorKey(const std::string &entryName) {
  return QFileInfo(EntryToDisplay(EntryFileName(entryName))).suffix().toLower();
}

// The session's folder in the temporary directory is named by this pattern
// (QTemporaryDir fills in the X's) and holds this lock for as long as it is in use.
constexpr const char *AreaPrefix = "varnel-copies-";
constexpr const char *AreaLockName = "varnel.lock";

// Where a started program's error output goes: beside the copy's folder, not in it.
QString ErrorFileOf(const QString &copy) { return QFileInfo(copy).path() + QStringLiteral(".errors"); }

// A folder that only this user can enter, and not a link: nothing inside it
// can be anyone else's, so it may be removed as a whole.
bool IsOwnPrivateFolder(const QFileInfo &folder) {
  constexpr QFile::Permissions Others =
      QFile::ReadGroup | QFile::WriteGroup | QFile::ExeGroup | QFile::ReadOther | QFile::WriteOther | QFile::ExeOther;
  return folder.isDir() && !folder.isSymLink() && folder.ownerId() == ::geteuid() && !(folder.permissions() & Others);
}

// Removes the folders of copies of earlier runs: those whose lock no running
// Varnel holds.
void SweepAbandonedAreas(const QString &temporary) {
  const QFileInfoList areas = QDir(temporary).entryInfoList({QLatin1String(AreaPrefix) + QLatin1Char('*')},
                                                            QDir::Dirs | QDir::Hidden | QDir::NoDotAndDotDot);
  for (const QFileInfo &area : areas) {
    if (!IsOwnPrivateFolder(area))
      continue;
    QLockFile lock(area.filePath() + QLatin1Char('/') + QLatin1String(AreaLockName));
    lock.setStaleLockTime(0); // only a holder that no longer runs makes a lock stale
    if (lock.tryLock(0)) {
      lock.unlock();
      QDir(area.filePath()).removeRecursively();
    }
  }
}
} // namespace

QString TArchiveSession::HandedCopyArea() {
  if (!m_HandedArea.isEmpty())
    return m_HandedArea;
  const QString temporary = PathToQ(m_Pak.TempDirectory());
  SweepAbandonedAreas(temporary);
  const QString pattern = temporary + QLatin1String(AreaPrefix) + QStringLiteral("XXXXXX");
  QTemporaryDir area(pattern); // mode 0700
  if (!area.isValid())
    throw EInOutError(PathFromQ(pattern), PathFromQ(area.errorString()));
  area.setAutoRemove(false);
  const QString lockName = area.path() + QLatin1Char('/') + QLatin1String(AreaLockName);
  auto lock = std::make_unique<QLockFile>(lockName);
  if (!lock->tryLock(0)) {
    area.remove();
    throw EInOutError(PathFromQ(lockName), EEXIST);
  }
  m_HandedAreaLock = std::move(lock);
  m_HandedArea = area.path() + QLatin1Char('/');
  return m_HandedArea;
}

QString TArchiveSession::WriteHandedCopy(const std::string &entryName, const QString &failure) {
  QString folder;
  try {
    folder = HandedCopyArea() + QString::number(++m_EditCount) + QLatin1Char('/');
  } catch (const EInOutError &error) {
    ShowError(failure, QString::fromLocal8Bit(error.what()));
    return {};
  }
  const std::string extracted = ExtractCopyInto(entryName, PathFromQ(folder), failure);
  if (extracted.empty()) {
    QDir(folder).removeRecursively();
    return {};
  }
  // The entry's own name stays with the session, for its questions and the
  // way back; the copy goes out under the safe one.
  const QString copy = folder + SafeCopyName(extracted.substr(extracted.rfind('/') + 1));
  if (copy != PathToQ(extracted) && !QFile::rename(PathToQ(extracted), copy)) {
    ShowError(failure, copy);
    QDir(folder).removeRecursively();
    return {};
  }
  return copy;
}

void TArchiveSession::Edit(const std::string &entryName) { StartEditing(entryName, false); }

void TArchiveSession::EditWith(const std::string &entryName) { StartEditing(entryName, true); }

void TArchiveSession::StartEditing(const std::string &entryName, bool choose) {
  if (m_Pak.IsProtected()) {
    ShowError(tr("Files cannot be added to a protected PAK file."));
    return;
  }
  const QString path = WriteHandedCopy(entryName, tr("The entry could not be extracted for editing."));
  if (path.isEmpty())
    return;
  const QString extension = EditorKey(entryName);
  QString program = m_Values.Editors.value(extension);
  if (choose) {
    TEditorChoice choice;
    const QString mimeType = QMimeDatabase().mimeTypeForFile(path).name();
    if (!m_Dialogs.ChooseEditor(EntryToDisplay(EntryFileName(entryName)), extension,
                                m_Desktop.ApplicationsFor(mimeType), choice)) {
      RemoveHandedCopy(path);
      return;
    }
    program = choice.Program;
    if (choice.Remember && !extension.isEmpty())
      m_Values.Editors[extension] = program;
  }

  // A program file, or an application by its desktop file id; neither (or
  // one no longer installed): the desktop's default program.
  QStringList command;
  QString programName;
  if (QFileInfo(program).isAbsolute()) {
    command = QStringList{program, path};
    programName = QFileInfo(program).fileName();
  } else if (const std::optional<TDesktopApplication> application =
                 program.isEmpty() ? std::nullopt : m_Desktop.FindApplication(program)) {
    command = ProgramCommand(*application, path);
    programName = application->Name;
    if (command.isEmpty()) {
      ShowError(tr("%1 could not be started.").arg(programName),
                application->Terminal ? tr("It runs in a terminal, and no terminal was found.") : application->Exec);
      RemoveHandedCopy(path);
      return;
    }
  }

  if (command.isEmpty()) {
    // The desktop's opener starts what it likes (not always the default
    // that xdg-mime names): the program is not named, and when it ends is unknown.
    if (m_Desktop.OpenWithDefaultApplication(path) != TDesktopServices::orOpened) {
      ShowError(tr("The program for this file type could not be started."), path);
      RemoveHandedCopy(path);
      return;
    }
    WatchCopy(path, entryName, QString(), nullptr);
    return;
  }
  TStartedProgram *started = m_Desktop.StartProgram(command, ErrorFileOf(path));
  if (started == nullptr) {
    ShowError(tr("%1 could not be started.").arg(programName), command.join(QLatin1Char(' ')));
    RemoveHandedCopy(path);
    return;
  }
  WatchCopy(path, entryName, programName, started);
}

void TArchiveSession::WatchCopy(const QString &copy, const std::string &entryName, const QString &program,
                                TStartedProgram *started) {
  const QFileInfo info(copy);
  TEditedCopy &edited = m_Edits[copy];
  edited = TEditedCopy{};
  edited.EntryName = entryName;
  edited.Program = program;
  edited.Modified = info.lastModified();
  edited.Size = info.size();
  edited.Started = started;
  m_EditWatcher->addPath(copy);
  if (started == nullptr)
    return;
  started->setParent(this); // a program still running when the session goes runs on
  connect(started, &TStartedProgram::Ended, this,
          [this, copy, program, started](int exitStatus, bool crashed, const QString &errors) {
            started->deleteLater();
            RunWhenIdle([=, this] { ProgramEnded(copy, program, exitStatus, crashed, errors); });
          });
}

void TArchiveSession::ProgramEnded(const QString &copy, const QString &program, int exitStatus, bool crashed,
                                   const QString &errors) {
  const auto found = m_Edits.find(copy);
  if (crashed || exitStatus != 0) {
    // Ended with an error: it has the copy open no longer.
    if (found != m_Edits.end())
      found->second.MaybeOpen = false;
    ShowError(crashed ? tr("%1 crashed.").arg(program)
                      : tr("%1 ended with exit status %2.").arg(program, QString::number(exitStatus)),
              errors);
  }
  // Its last save may not have reached the watcher yet.
  if (found != m_Edits.end())
    EditedCopyChanged(copy);
}

bool TArchiveSession::NoticeChange(const QString &copy, TEditedCopy &edited) {
  const QFileInfo info(copy);
  if (!info.exists() || (info.lastModified() == edited.Modified && info.size() == edited.Size))
    return false;
  edited.Modified = info.lastModified();
  edited.Size = info.size();
  edited.Pending = true;
  edited.Decided = false;
  return true;
}

void TArchiveSession::EditedCopyChanged(const QString &copy) {
  const auto found = m_Edits.find(copy);
  if (found == m_Edits.end())
    return;
  TEditedCopy &edited = found->second;
  // Programs that save by writing a new file and renaming it over the old one
  // end the watch on the old file: it is taken up again on the new one.
  if (QFileInfo::exists(copy) && !m_EditWatcher->files().contains(copy))
    m_EditWatcher->addPath(copy);
  if (!NoticeChange(copy, edited))
    return;
  const QString who = edited.Program.isEmpty() ? tr("another program") : edited.Program;
  if (m_Desktop.Confirm(
          m_Window, tr("%1 was changed by %2. Update it in the archive?").arg(EntryToDisplay(edited.EntryName), who),
          QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
    return;
  TakeBackCopy(copy);
}

bool TArchiveSession::TakeBackCopy(const QString &copy) {
  const auto found = m_Edits.find(copy);
  if (found == m_Edits.end())
    return false;
  const std::string entryName = found->second.EntryName;
  const int32_t index = IndexOfStoredName(entryName);
  if (index < 0) {
    ShowError(tr("%1 is no longer in the archive.").arg(EntryToDisplay(entryName)));
    return false;
  }
  TResultCode result = prWriteFailed;
  EditEntries([&] { result = m_Pak.ReplaceEntryData(index, PathFromQ(copy)); });
  if (result != prDone) {
    ShowError(tr("The entry could not be updated."), m_Pak.Failures().empty()
                                                         ? QString::fromUtf8(ResultText(result))
                                                         : QString::fromStdString(m_Pak.Failures().front()));
    return false;
  }
  // Looked up again: the update reported its change, and whatever heard it may have moved things.
  if (const auto again = m_Edits.find(copy); again != m_Edits.end())
    again->second.Pending = false;
  return true;
}

bool TArchiveSession::SettleHandedCopies() {
  QStringList asked;
  QStringList lines;
  for (auto &[copy, edited] : m_Edits) {
    // A save the watcher has not reported yet counts as well.
    NoticeChange(copy, edited);
    const QString name = EntryToDisplay(edited.EntryName);
    if (edited.Pending)
      lines << tr("%1 was changed by %2.").arg(name, edited.Program.isEmpty() ? tr("another program") : edited.Program);
    else if (edited.Started && edited.Started->IsRunning())
      lines << tr("%1 is still open in %2.").arg(name, edited.Program);
    else
      continue;
    asked << copy;
  }
  if (asked.isEmpty())
    return true;
  const QString detail = lines.join(QLatin1Char('\n')) + QStringLiteral("\n\n") +
                         tr("Take Back updates the archive with the changes, Discard drops them; either way their "
                            "copies are removed. Cancel keeps the archive open.");
  switch (m_Desktop.Confirm(m_Window,
                            tr("Entries handed to other programs were changed there and not updated in the archive, "
                               "or are still open there. Update the archive with their changes?"),
                            QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, detail, QMessageBox::Yes,
                            TButtonTexts{{QMessageBox::Yes, tr("&Take Back")}, {QMessageBox::No, tr("&Discard")}})) {
  case QMessageBox::Yes:
    for (const QString &copy : asked)
      if (const auto found = m_Edits.find(copy); found != m_Edits.end() && found->second.Pending && !TakeBackCopy(copy))
        return false; // said; the archive stays open, and so do the copies
    break;
  case QMessageBox::No:
    break;
  default:
    return false;
  }
  for (const QString &copy : asked)
    if (const auto found = m_Edits.find(copy); found != m_Edits.end()) {
      found->second.Pending = false;
      found->second.Decided = true;
    }
  return true;
}

void TArchiveSession::ReleaseHandedCopies() {
  if (!m_EditWatcher->files().isEmpty())
    m_EditWatcher->removePaths(m_EditWatcher->files());
  for (const auto &[copy, edited] : m_Edits) {
    const bool running = edited.Started && edited.Started->IsRunning();
    // Left where it is: a copy a program may still have open (its next save
    // must not fail), and changes nobody decided on.
    if (!edited.Decided && (edited.Pending || running || edited.MaybeOpen))
      m_KeptCopies << QFileInfo(copy).path();
    else
      RemoveHandedCopy(copy);
  }
  m_Edits.clear();
}

void TArchiveSession::RemoveHandedCopy(const QString &copy) {
  const QString folder = QFileInfo(copy).path();
  if (m_HandedArea.isEmpty() || !folder.startsWith(m_HandedArea))
    return;
  QDir(folder).removeRecursively();
  QFile::remove(ErrorFileOf(copy));
}

void TArchiveSession::CloseHandedCopyArea() {
  if (m_HandedArea.isEmpty())
    return;
  // Everything but the kept copies goes: copies that went to no program
  // (the lump viewer's, those whose program could not start) as well.
  const QDir area(m_HandedArea);
  for (const QFileInfo &item :
       area.entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot)) {
    const QString path = item.filePath();
    const bool kept = std::any_of(m_KeptCopies.begin(), m_KeptCopies.end(), [&](const QString &folder) {
      return path == folder || path == folder + QStringLiteral(".errors");
    });
    if (kept || item.fileName() == QLatin1String(AreaLockName))
      continue;
    if (item.isDir() && !item.isSymLink())
      QDir(path).removeRecursively();
    else
      QFile::remove(path);
  }
  // Let go: the next run's sweep takes the area with what is kept in it.
  m_HandedAreaLock.reset();
  QDir().rmdir(m_HandedArea);
}
