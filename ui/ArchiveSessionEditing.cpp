// Editing entries in other programs: a copy of the entry goes to the program
// the user chose for its extension, or else the desktop's program for it, and
// each save of the copy is offered back to the archive as an ordinary,
// undoable replacement of the entry's data.
#include "ArchiveSession.h"

#include "DesktopServices.h"
#include "EntryText.h"
#include "SessionDialogs.h"

#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QMimeDatabase>

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
} // namespace

void TArchiveSession::Edit(const std::string &entryName) { StartEditing(entryName, false); }

void TArchiveSession::EditWith(const std::string &entryName) { StartEditing(entryName, true); }

void TArchiveSession::StartEditing(const std::string &entryName, bool choose) {
  if (m_Pak.IsProtected()) {
    ShowError(tr("Files cannot be added to a protected PAK file."));
    return;
  }
  // Every copy gets a folder of its own: two entries of one file name can be out at once.
  const std::string copy = ExtractPrivateCopy(entryName, "edit/" + std::to_string(++m_EditCount) + "/",
                                              tr("The entry could not be extracted for editing."));
  if (copy.empty())
    return;
  const QString path = PathToQ(copy);
  const QString extension = EditorKey(entryName);
  QString program = m_Values.Editors.value(extension);
  if (choose) {
    TEditorChoice choice;
    const QString mimeType = QMimeDatabase().mimeTypeForFile(path).name();
    if (!m_Dialogs.ChooseEditor(QFileInfo(path).fileName(), extension, m_Desktop.ApplicationsFor(mimeType), choice)) {
      QFile::remove(path);
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
    command = ProgramCommand(application->Exec, path);
    programName = application->Name;
  } else if (const std::optional<TDesktopApplication> fallback = m_Desktop.DefaultApplication(path)) {
    programName = fallback->Name;
  }

  const QFileInfo info(path);
  m_Edits[path] = {entryName, programName, info.lastModified(), info.size(), false};
  m_EditWatcher->addPath(path);
  if (command.isEmpty()) {
    if (m_Desktop.OpenWithDefaultApplication(path) != TDesktopServices::orOpened)
      ShowError(tr("The program for this file type could not be started."), path);
  } else if (!m_Desktop.StartProgram(command)) {
    ShowError(tr("%1 could not be started.").arg(programName), command.join(QLatin1Char(' ')));
  }
}

void TArchiveSession::EditedCopyChanged(const QString &copy) {
  const auto found = m_Edits.find(copy);
  if (found == m_Edits.end())
    return;
  TEditedCopy &edited = found->second;
  const QFileInfo info(copy);
  // Programs that save by writing a new file and renaming it over the old one
  // end the watch on the old file: it is taken up again on the new one.
  if (info.exists() && !m_EditWatcher->files().contains(copy))
    m_EditWatcher->addPath(copy);
  if (!info.exists() || (info.lastModified() == edited.Modified && info.size() == edited.Size))
    return;
  edited.Modified = info.lastModified();
  edited.Size = info.size();
  edited.Pending = true;
  const std::string entryName = edited.EntryName;
  const QString name = EntryToDisplay(entryName);
  if (m_Desktop.Confirm(m_Window,
                        tr("%1 was changed by %2. Update it in the archive?")
                            .arg(name, edited.Program.isEmpty() ? tr("another program") : edited.Program),
                        QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
    return;
  const int32_t index = IndexOfStoredName(entryName);
  if (index < 0) {
    ShowError(tr("%1 is no longer in the archive.").arg(name));
    return;
  }
  uint8_t result = prWriteFailed;
  EditEntries([&] { result = m_Pak.ReplaceEntryData(index, PathFromQ(copy)); });
  if (result == prDone)
    m_Edits[copy].Pending = false;
  else
    ShowError(tr("The entry could not be updated."), m_Pak.Failures().empty()
                                                         ? QString::fromUtf8(ResultText(result))
                                                         : QString::fromStdString(m_Pak.Failures().front()));
}

void TArchiveSession::ForgetEdits() {
  if (!m_EditWatcher->files().isEmpty())
    m_EditWatcher->removePaths(m_EditWatcher->files());
  m_Edits.clear();
}
