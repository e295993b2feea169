// SPDX-License-Identifier: GPL-3.0-or-later
// The session's editing commands: add, drop, delete, extract, move, view,
// undo and rename.
#include "ArchiveSession.h"

#include "DesktopServices.h"
#include "EntryText.h"
#include "LumpPicture.h"
#include "SessionDialogs.h"
#include "SetDirDialog.h"
#include "TypedFolder.h"
#include "WaitCursor.h"

#include <QFile>

namespace {
QString AddProtectedMessage() { return TArchiveSession::tr("Files cannot be added to a protected PAK file."); }
QString ExtractFailedMessage() { return TArchiveSession::tr("The files could not be extracted."); }
QString ViewExtractFailedMessage() { return TArchiveSession::tr("The entry could not be extracted for viewing."); }

// The failure's own text: the file and the system's reason.
QString Reason(const std::exception &error) { return QString::fromLocal8Bit(error.what()); }
} // namespace

void TArchiveSession::EditEntries(const std::function<void()> &edit) {
  const TBusyScope busy(*this);
  try {
    edit();
  } catch (...) {
    NoteWadChange();
    emit Changed(chEntries);
    throw;
  }
  NoteWadChange();
  emit Changed(chEntries);
}

void TArchiveSession::Add() { AddThroughDialog({}); }

void TArchiveSession::AddThroughDialog(const QStringList &files) {
  if (!m_Pak.FileName().empty() && m_Pak.IsProtected()) {
    // Drops reach here whatever the commands' states: say so before the user picks files.
    ShowError(AddProtectedMessage());
    return;
  }
  QStringList list = files;
  QString internalDirectory;
  QString baseDirectory;
  if (!m_Dialogs.ChooseFilesToAdd(m_Pak, list, internalDirectory, baseDirectory, m_Values.RecurseSubDirs))
    return;
  if (!TakeTypedFolder(baseDirectory))
    return;

  TStringList paths;
  paths.reserve(static_cast<size_t>(list.size()));
  for (const QString &path : list)
    paths.push_back(PathFromQ(path));
  TResultCode result = prDone;
  EditEntries([&] {
    TWaitCursor wait;
    result =
        m_Pak.AddFiles(paths, PathFromQ(baseDirectory), DisplayToEntry(internalDirectory), m_Values.RecurseSubDirs);
  });
  if (result == prWriteFailed)
    ShowError(tr("Some of the files could not be added to the PAK file."), FailureDetail());
  else if (result == prProtected)
    ShowError(AddProtectedMessage());
}

bool TArchiveSession::TakeTypedFolder(QString &folder) {
  const std::optional<QString> meant = TypedFolder(folder);
  if (!meant) {
    ShowError(RelativeFolderMessage(), folder);
    return false;
  }
  folder = *meant;
  return true;
}

void TArchiveSession::Drop(const QStringList &paths) {
  if (IsWadDocument()) {
    // Its one entry is the WAD: nothing else goes into it.
    ShowError(tr("Files cannot be added to a WAD file; Import Picture adds lumps."));
    return;
  }
  if (m_Pak.QuakeDirectory().empty()) {
    ShowError(tr("Invalid Quake Directory."), QuakeDirectoryDetail(PathToQ(m_Pak.QuakeDirectory())));
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
    } else if (m_Desktop.Confirm(
                   m_Window, tr("There is no PAK file open for you to add to.\r\nWould you like to create a new one?"),
                   QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes) {
      New();
      // A new archive that could not be started leaves nothing to add to.
      if (!m_Pak.FileName().empty())
        action = daAdd;
    }
  } else if (isPak) {
    switch (m_Dialogs.AskOpenOrAdd()) {
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
      OpenFile(paths.front());
  } else if (action == daAdd) {
    AddThroughDialog(paths);
  }
}

void TArchiveSession::Delete(const TStringList &names) {
  if (names.empty())
    return;
  const QString question = names.size() == 1 ? tr("Are you sure you want to delete this file?")
                                             : tr("Are you sure you want to delete these %1 files?").arg(names.size());
  if (m_Desktop.Confirm(m_Window, question, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
    return;
  TResultCode result = prDone;
  EditEntries([&] { result = m_Pak.DeleteEntries(names); });
  if (result != prDone)
    ShowError(tr("The entries could not be deleted."), FailureDetail(QString::fromUtf8(ResultText(result))));
}

void TArchiveSession::Extract(const TStringList &selected, const TStringList &all, const std::string &allFolder) {
  QString target = m_Values.ExtractPath.isEmpty() ? PathToQ(PathDirectory(m_Pak.FileName())) : m_Values.ExtractPath;
  bool maintain = m_Values.MaintainDirectory;
  bool allFiles = selected.empty();
  const TExtractScope scope{static_cast<int>(all.size()), EntryToDisplay(allFolder)};
  if (!m_Dialogs.ChooseExtraction(target, maintain, allFiles, scope) || !TakeTypedFolder(target))
    return;

  const TStringList &names = allFiles ? all : selected;
  m_Values.MaintainDirectory = maintain;
  m_Values.ExtractPath = target;
  TResultCode result = prDone;
  try {
    result = ExtractAsking(m_Pak, m_Dialogs, names, PathFromQ(target), maintain);
  } catch (const EInOutError &error) {
    ShowError(ExtractFailedMessage(), FailureDetail(Reason(error)));
    return;
  }
  if (result == prNoPath)
    ShowError(tr("No folder was given to extract the files to."));
  else if (result == prWriteFailed)
    ShowError(ExtractFailedMessage(), FailureDetail());
  else if (result == prDone)
    emit Extracted(target, static_cast<int>(names.size()));
}

void TArchiveSession::Move(const TStringList &names) {
  QString target;
  if (!m_Dialogs.ChooseMoveTarget(m_Pak, target))
    return;
  TResultCode result = prDone;
  EditEntries([&] { result = m_Pak.MoveEntries(names, DisplayToEntry(target)); });
  // Entries whose new name would be refused stay where they are; the engine says which and why.
  if (result != prDone || !m_Pak.Failures().empty())
    ShowError(tr("Some of the entries could not be moved."),
              FailureDetail(result == prDone ? QString() : QString::fromUtf8(ResultText(result))));
}

std::string TArchiveSession::ExtractPrivateCopy(const std::string &entryName, const std::string &subFolder,
                                                const QString &failure) {
  const std::string copy = ExtractCopyInto(entryName, m_Pak.PrivateDirectory() + subFolder, failure);
  if (!copy.empty())
    m_ViewedFiles.push_back(copy);
  return copy;
}

std::string TArchiveSession::ExtractCopyInto(const std::string &entryName, const std::string &folder,
                                             const QString &failure) {
  const std::string fileName = ExtractionPath(entryName, false);
  if (fileName.empty()) {
    ShowError(tr("This entry has no file name and cannot be viewed."));
    return {};
  }
  const std::string copy = folder + fileName;
  // A copy from an earlier command goes first, so this one is extracted afresh.
  QFile::remove(PathToQ(copy));
  TResultCode result = prDone;
  try {
    TWaitCursor wait;
    result = m_Pak.ExtractEntries({entryName}, folder, false);
  } catch (const EInOutError &error) {
    ShowError(failure, Reason(error));
    return {};
  }
  // Done means the copy was written as a regular file of its own; anything
  // else (a folder or a link in its place) leaves nothing to open.
  if (result != prDone) {
    ShowError(failure);
    return {};
  }
  return copy;
}

int32_t TArchiveSession::IndexOfStoredName(const std::string &entryName) const {
  // The row finds its entry by the exact bytes of its stored name; the
  // case-blind lookup would pick another entry that differs only in case.
  const std::vector<TDirEntry> &entries = m_Pak.Directory();
  for (int32_t i = m_Pak.EntryCount() - 1; i >= 0; --i)
    if (entries[static_cast<size_t>(i)].Name == entryName)
      return i;
  return -1;
}

void TArchiveSession::View(const std::string &entryName) {
  // Each view has a copy of its own: one still open from an earlier view,
  // maybe changed there, is never written over.
  const QString handed = WriteHandedCopy(entryName, ViewExtractFailedMessage());
  if (handed.isEmpty())
    return;
  const std::string copy = PathFromQ(handed);
  m_ViewedFiles.push_back(copy);

  switch (m_Desktop.OpenWithDefaultApplication(handed)) {
  case TDesktopServices::orOpened:
    // A viewer may write as well as any editor: its saves are offered back too.
    WatchCopy(handed, entryName, QString(), nullptr);
    break;
  case TDesktopServices::orNoApplication: {
    const TFileKind kind = FileKindOf(entryName);
    if (!KindInfo(kind).LumpViewer) {
      OfferExtractInstead(tr("There is no application associated with this file type."), entryName, copy);
      break;
    }
    std::unique_ptr<TBitmap> bitmap;
    {
      TWaitCursor wait;
      bitmap = m_Pak.LumpToBitmap(entryName, LumpViewerOffset, true);
    }
    // The viewer's export is the Export as PNG command, for pictures it converts.
    std::function<void()> exportPicture;
    if (bitmap != nullptr && LumpPicture::Converts(kind))
      exportPicture = [this, entryName] { Run([&] { ExportPicture(entryName); }); };
    m_Dialogs.ShowPicture(bitmap.get(),
                          m_Pak.Failures().empty() ? QString() : QString::fromStdString(m_Pak.Failures().front()),
                          entryName, m_Pak.FileName(), exportPicture);
    break;
  }
  case TDesktopServices::orFailed:
    OfferExtractInstead(tr("The program for this file type could not be started."), entryName, copy);
    break;
  }
}

void TArchiveSession::OfferExtractInstead(const QString &message, const std::string &entryName,
                                          const std::string &copy) {
  const QString detail = PathToQ(copy) + QStringLiteral("\n\n") + tr("Extract the entry to a folder instead?");
  if (m_Desktop.Confirm(m_Window, message, QMessageBox::Yes | QMessageBox::No, detail) == QMessageBox::Yes)
    Extract({entryName}, {entryName});
}

void TArchiveSession::Undo() {
  TResultCode result = prDone;
  EditEntries([&] { result = m_Pak.Undo(); });
  // Nothing left to take back is no failure: the command is then no longer offered.
  if (result != prDone && result != prNothingToUndo)
    ShowError(tr("The last change could not be undone."), FailureDetail(QString::fromUtf8(ResultText(result))));
}

std::optional<std::string> TArchiveSession::Rename(const std::string &entryName, const std::string &newName) {
  const int32_t index = IndexOfStoredName(entryName);
  std::optional<std::string> stored;
  if (index >= 0) {
    try {
      m_Pak.RenameEntry(index, newName);
      stored = m_Pak.EntryName(index);
    } catch (const std::exception &error) {
      // Refused (protected archive, name taken or too long): the row goes
      // back, and the engine's reason says why.
      emit Changed(chState);
      ShowError(Reason(error), EntryToDisplay(entryName) + QStringLiteral(" -> ") + EntryToDisplay(newName));
      return stored;
    }
  }
  emit Changed(chState);
  return stored;
}
