// SPDX-License-Identifier: GPL-3.0-or-later
// The session's life, its error report and the file commands: new, open,
// save, save as, the recent files and the options.
#include "ArchiveSession.h"

#include "CheckArchiveDlg.h"
#include "LumpFolder.h"
#include "DesktopServices.h"
#include "EntryText.h"
#include "SessionDialogs.h"
#include "SetDirDialog.h"
#include "Translations.h"
#include "WaitCursor.h"

#include <QFile>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QLockFile>
#include <QScopedValueRollback>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

TFileDialogRequest PakFileRequest(const QString &title, const QString &directory) {
  TFileDialogRequest request;
  request.Title = title;
  request.Directory = directory;
  request.Filters = QStringList{TArchiveSession::tr("Quake PAK Files (*.pak)"), TArchiveSession::tr("All Files (*)")};
  request.DefaultSuffix = QStringLiteral("pak");
  return request;
}

namespace {
QString SaveFailedMessage() { return TArchiveSession::tr("The PAK file could not be saved."); }

QString SystemReason(int errorCode) { return QString::fromLocal8Bit(std::strerror(errorCode)); }

// The file and why it is not an archive that can be opened.
QString WhyNotOpened(const QString &fileName) {
  const QFileInfo info(fileName);
  QString reason;
  if (!info.exists())
    reason = SystemReason(ENOENT);
  else if (info.isDir())
    reason = SystemReason(EISDIR);
  else if (!info.isReadable())
    reason = SystemReason(EACCES);
  else
    reason = TArchiveSession::tr("The file does not begin like a PAK file.");
  return fileName + QStringLiteral(": ") + reason;
}
} // namespace

TArchiveSession::TArchiveSession(TDesktopServices &desktop, TSessionDialogs &dialogs, QWidget *window)
    : m_Desktop(desktop), m_Dialogs(dialogs), m_Window(window), m_EditWatcher(new QFileSystemWatcher(this)) {
  connect(m_EditWatcher, &QFileSystemWatcher::fileChanged, this,
          [this](const QString &copy) { RunWhenIdle([this, copy] { EditedCopyChanged(copy); }); });
  // Copies out for editing belong to the archive they came from; a save as keeps them.
  connect(this, &TArchiveSession::Changed, this, [this](TChanges changes) {
    if ((changes & chArchive) && !m_Reopening)
      ReleaseHandedCopies();
  });
  m_Pak.OnAddFileExists = [this](TQuakePak &, const std::string &fileName, TFileReplace &replace) {
    replace = m_Dialogs.AskReplace(EntryToDisplay(fileName));
  };
  m_Pak.OnArchiveChanged = [this](TQuakePak &, const std::string &, bool &overwrite) {
    // Enter and Esc keep the other program's work; Save As keeps both.
    const QMessageBox::StandardButton answer = m_Desktop.Confirm(
        m_Window, tr("The archive was changed by another program since it was opened. Overwrite it?"),
        QMessageBox::Yes | QMessageBox::Save | QMessageBox::Cancel,
        tr("Overwrite replaces the other program's file with this archive. Save As saves this archive under another "
           "name and leaves that file as it is."),
        QMessageBox::Cancel, {{QMessageBox::Yes, tr("&Overwrite")}, {QMessageBox::Save, tr("Save &As...")}});
    overwrite = answer == QMessageBox::Yes;
    m_SaveAsInstead = answer == QMessageBox::Save;
  };
  m_Pak.OnStartCallback = [this](TQuakePak &) { emit ProgressStarted(); };
  m_Pak.OnCallback = [this](TQuakePak &, uint8_t percent) { emit ProgressMoved(percent); };
  m_Pak.OnEndCallback = [this](TQuakePak &) { emit ProgressEnded(); };
}

TArchiveSession::~TArchiveSession() {
  // The component reports to no one once the session goes.
  m_Pak.OnStartCallback = nullptr;
  m_Pak.OnCallback = nullptr;
  m_Pak.OnEndCallback = nullptr;
  m_Deferred.clear();
  ReleaseHandedCopies();
  CloseHandedCopyArea();
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
      QFile::remove(PathToQ(file)); // a file that cannot be deleted is left behind
}

void TArchiveSession::SetValues(const TSessionValues &values) {
  m_Values = values;
  CloseRecentGaps();
  emit Changed(chRecentFiles);
}

void TArchiveSession::Run(const std::function<void()> &command) {
  const TBusyScope busy(*this);
  try {
    command();
  } catch (const std::exception &error) {
    ShowError(QString::fromUtf8(error.what()));
  } catch (...) {
    ShowError(tr("An unexpected error occurred."));
  }
}

TArchiveSession::TBusyScope::TBusyScope(TArchiveSession &session) : m_Session(session) { ++m_Session.m_BusyDepth; }

TArchiveSession::TBusyScope::~TBusyScope() {
  if (--m_Session.m_BusyDepth == 0 && !m_Session.m_RunningDeferred)
    m_Session.RunDeferred();
}

void TArchiveSession::RunWhenIdle(const std::function<void()> &work) {
  m_Deferred.push_back(work);
  if (m_BusyDepth == 0 && !m_RunningDeferred)
    RunDeferred();
}

void TArchiveSession::RunDeferred() {
  const QScopedValueRollback running(m_RunningDeferred, true);
  while (m_BusyDepth == 0 && !m_Deferred.empty()) {
    const std::function<void()> work = std::move(m_Deferred.front());
    m_Deferred.pop_front();
    Run(work);
  }
}

void TArchiveSession::ShowError(const QString &text, const QString &detail) {
  m_Desktop.ShowError(m_Window, text, detail);
}

bool TArchiveSession::QuerySaveChanges() {
  if (!SettleHandedCopies())
    return false;
  if (IsWadDocument() ? !m_WadModified : m_Pak.FileName().empty() || !m_Pak.Modified())
    return true;
  const QMessageBox::StandardButton answer =
      m_Desktop.Confirm(m_Window, tr("Save changes to %1?").arg(IsWadDocument() ? m_WadFile : PathToQ(m_Pak.FileName())),
                        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
  if (answer == QMessageBox::Yes)
    // Only a save that went through lets the command go on: a failed one, or
    // a file chooser the user cancelled, keeps the archive and its changes.
    return SaveArchive() == soSaved;
  return answer == QMessageBox::No;
}

void TArchiveSession::New() {
  if (!QuerySaveChanges())
    return;
  m_Pak.NewPak();
  OpenFile(PathToQ(m_Pak.FileName()));
}

void TArchiveSession::Open() {
  if (!QuerySaveChanges())
    return;
  if (m_Values.OpenPath.isEmpty())
    m_Values.OpenPath = PathToQ(m_Pak.QuakeDirectory());
  TFileDialogRequest request = PakFileRequest(tr("Open PAK File"), m_Values.OpenPath);
  request.Filters.insert(1, tr("WAD2 Files (*.wad)"));
  const QStringList files = m_Desktop.ChooseOpenFiles(m_Window, request);
  if (!files.isEmpty())
    OpenFile(files.first());
}

void TArchiveSession::OpenFile(const QString &fileName) {
  if (IsWadFile(fileName)) {
    OpenWadFile(fileName);
    return;
  }
  m_WadFile.clear();
  const int open = ++m_Opens;
  QString message;
  QString detail;
  try {
    m_Pak.OpenPak(PathFromQ(fileName));
  } catch (const EInvalidQuakeDir &) {
    message = tr("Invalid Quake Directory.");
    detail = QuakeDirectoryDetail(PathToQ(m_Pak.QuakeDirectory()));
  } catch (const EInvalidPakFile &) {
    message = tr("This is not a valid PAK file.");
    detail = WhyNotOpened(fileName);
  } catch (...) {
    // A read that failed half-way leaves the component on the new file with
    // part of its directory: the list must show that, not the old archive,
    // before the failure goes on to the error report.
    emit Changed(chArchive);
    throw;
  }
  TChanges changes = chArchive;
  if (!message.isEmpty()) {
    ShowError(message, detail);
  } else if (!m_Pak.IsUntitled()) {
    AddRecentFile(fileName);
    changes |= chRecentFiles;
  }
  if (!m_Pak.IsUntitled())
    m_Values.OpenPath = PathDirectory(fileName);
  emit Changed(changes);
  if (message.isEmpty() && !m_Pak.DamageFindings().empty()) {
    // Said over the window: one still being set up (an archive named on the
    // command line) says it once it is shown.
    if (m_Window == nullptr || m_Window->isVisible())
      ShowDamage(fileName);
    else
      QTimer::singleShot(0, this, [this, fileName] { RunWhenIdle([this, fileName] { ShowDamage(fileName); }); });
  }
  // The check of a large archive takes a while: it comes after the list is on screen.
  if (message.isEmpty() && !m_Reopening)
    QTimer::singleShot(0, this, [this, open] {
      RunWhenIdle([this, open] {
        if (open == m_Opens)
          emit CheckDue();
      });
    });
}

void TArchiveSession::OpenRecent(int index) {
  if (index < 0 || index >= static_cast<int>(m_Values.OldFiles.size()))
    return;
  const QString fileName = m_Values.OldFiles[static_cast<size_t>(index)];
  if (!QFileInfo::exists(fileName) && OfferToForgetRecent(fileName))
    return;
  if (QuerySaveChanges())
    OpenFile(fileName);
}

bool TArchiveSession::OfferToForgetRecent(const QString &fileName) {
  const QString detail =
      WhyNotOpened(fileName) + QStringLiteral("\n\n") + tr("Remove it from the list of recent files?");
  if (m_Desktop.Confirm(m_Window, tr("The file %1 no longer exists.").arg(QFileInfo(fileName).fileName()),
                        QMessageBox::Yes | QMessageBox::No, detail) !=
      QMessageBox::Yes)
    return false;
  for (QString &file : m_Values.OldFiles)
    if (file == fileName)
      file.clear();
  CloseRecentGaps();
  emit Changed(chRecentFiles);
  return true;
}

void TArchiveSession::AddRecentFile(const QString &fileName) {
  std::array<QString, 4> &files = m_Values.OldFiles;
  // File names on this system tell letter case apart: only the same spelling is the same file.
  size_t found = files.size();
  for (size_t k = 0; k < files.size(); ++k)
    if (files[k] == fileName)
      found = k;
  if (found == files.size()) {
    for (size_t k = files.size() - 1; k > 0; --k)
      files[k] = files[k - 1];
    files[0] = fileName;
  } else if (found > 0) {
    const QString kept = files[found];
    for (size_t k = found; k > 0; --k)
      files[k] = files[k - 1];
    files[0] = kept;
  }
  CloseRecentGaps();
}

void TArchiveSession::CloseRecentGaps() {
  std::array<QString, 4> &files = m_Values.OldFiles;
  for (size_t i = 0; i + 1 < files.size(); ++i)
    for (size_t j = i + 1; j < files.size(); ++j)
      if (files[i].isEmpty())
        std::swap(files[i], files[j]);
}

void TArchiveSession::Save() { SaveArchive(); }

void TArchiveSession::SaveAs() { SaveArchiveAs(); }

TArchiveSession::TSaveOutcome TArchiveSession::ReportSaveResult(TResultCode result, const QString &reason,
                                                                const QString &fileName) {
  switch (result) {
  case prDone:
    return soSaved;
  case prNoArchive:
  case prCancelled:
    return soNotSaved;
  case prProtected:
    ShowError(tr("Can't overwrite protected ID1 PAK File."));
    return soFailed;
  default:
    // The engine says what failed and why; only when it cannot is the file named alone.
    const QString detail = FailureDetail(reason);
    ShowError(SaveFailedMessage(), detail.isEmpty() ? fileName : detail);
    return soFailed;
  }
}

QString TArchiveSession::FailureDetail(const QString &reason) const {
  constexpr size_t MaxShown = 10;
  const TStringList &failures = m_Pak.Failures();
  QStringList lines;
  for (size_t i = 0; i < failures.size() && i < MaxShown; ++i)
    lines << QString::fromStdString(failures[i]);
  if (failures.size() > MaxShown)
    lines << tr("... and %1 more.").arg(failures.size() - MaxShown);
  if (!reason.isEmpty() && !lines.contains(reason))
    lines << reason;
  return lines.join(QLatin1Char('\n'));
}

bool TArchiveSession::ConfirmSaveWithErrors() {
  // The errors the saved file would still have: what the damage of the open
  // file says of that file (asked about on its own) does not go with it.
  int errors = 0;
  for (const TCheckFinding &finding : CheckArchive(m_Pak))
    if (finding.Severity == csError && finding.Kind != ckDamage)
      ++errors;
  if (errors == 0)
    return true;
  return m_Desktop.Confirm(m_Window,
                           EnglishPlural(tr("The archive check finds %n error(s) in this archive. Save anyway?", "", errors), errors),
                           QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

TArchiveSession::TSaveOutcome TArchiveSession::SaveArchive() {
  if (IsWadDocument())
    return SaveWadFile(m_WadFile);
  if (m_Pak.IsUntitled())
    return SaveArchiveAs();
  switch (AskReplaceDamaged()) {
  case dfCancel:
    return soNotSaved;
  case dfSaveElsewhere:
    return SaveArchiveAs();
  case dfReplace:
    break;
  }
  if (!ConfirmSaveWithErrors())
    return soNotSaved;
  TResultCode result = prWriteFailed;
  QString reason;
  {
    TWaitCursor wait;
    try {
      result = m_Pak.SavePak();
    } catch (const std::exception &error) {
      reason = QString::fromUtf8(error.what());
    }
    emit Changed(chEntries);
  }
  if (result == prCancelled && std::exchange(m_SaveAsInstead, false))
    return SaveArchiveAs();
  return ReportSaveResult(result, reason, PathToQ(m_Pak.FileName()));
}

void TArchiveSession::ShowDamage(const QString &fileName) {
  QStringList findings;
  for (const std::string &finding : m_Pak.Damage())
    findings << QString::fromStdString(finding);
  m_Desktop.ShowWarning(m_Window, tr("The PAK file %1 is damaged.").arg(fileName), findings.join(QLatin1Char('\n')));
}

TArchiveSession::TDamagedFileAnswer TArchiveSession::AskReplaceDamaged() {
  if (m_Pak.DamageFindings().empty())
    return dfReplace;
  const int count = m_Pak.EntryCount();
  const QString file = PathToQ(m_Pak.FileName());
  const QString question =
      count == 1
          ? tr("The PAK file %1 is damaged. Replace it with the 1 entry listed?").arg(file)
          : tr("The PAK file %1 is damaged. Replace it with the %2 entries listed?").arg(file, QString::number(count));
  const QString detail = tr("Yes replaces the damaged file. No saves the archive under another name and keeps the "
                            "damaged file as it is.");
  switch (m_Desktop.Confirm(m_Window, question, QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, detail,
                            QMessageBox::No)) {
  case QMessageBox::Yes:
    return dfReplace;
  case QMessageBox::No:
    return dfSaveElsewhere;
  default:
    return dfCancel;
  }
}

TArchiveSession::TSaveOutcome TArchiveSession::SaveArchiveAs() {
  if (IsWadDocument()) {
    TFileDialogRequest request;
    request.Title = tr("Save WAD As...");
    request.Directory = PathDirectory(m_WadFile);
    request.FileName = QFileInfo(m_WadFile).fileName();
    request.Filters = QStringList{tr("WAD2 Files (*.wad)"), tr("All Files (*)")};
    request.DefaultSuffix = QStringLiteral("wad");
    const QString target = m_Desktop.ChooseSaveFile(m_Window, request);
    return target.isEmpty() ? soNotSaved : SaveWadFile(target);
  }
  if (!ConfirmSaveWithErrors())
    return soNotSaved;
  const QString target = m_Desktop.ChooseSaveFile(m_Window, PakFileRequest(tr("Save PAK As..."), m_Values.OpenPath));
  if (target.isEmpty())
    return soNotSaved;
  TResultCode result = prWriteFailed;
  QString reason;
  {
    TWaitCursor wait;
    try {
      result = m_Pak.SavePakAs(PathFromQ(target));
    } catch (const std::exception &error) {
      reason = QString::fromUtf8(error.what());
    }
  }
  if (result == prDone) {
    const QScopedValueRollback reopening(m_Reopening, true);
    OpenFile(target);
  }
  // Saving as the archive's own file, changed by another program meanwhile: another name after all.
  if (result == prCancelled && std::exchange(m_SaveAsInstead, false))
    return SaveArchiveAs();
  return ReportSaveResult(result, reason, target);
}

void TArchiveSession::OfferQuakeDirectory(const QString &found) {
  if (found.isEmpty()) {
    Options(tr("Varnel opens the PAK files of a Quake installation: please choose the Quake directory, the folder "
               "that holds id1/pak0.pak."));
    return;
  }
  if (m_Desktop.Confirm(m_Window, tr("A Quake installation was found in %1. Use it as the Quake directory?").arg(found),
                        QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
    return;
  try {
    m_Pak.SetQuakeDirectory(PathFromQ(found));
  } catch (const EInvalidQuakeDir &error) {
    ShowError(QString::fromUtf8(error.what()), QuakeDirectoryDetail(found));
  }
  emit Changed(chState);
}

void TArchiveSession::Options(const QString &reason) {
  TOptionValues values;
  values.Reason = reason;
  values.QuakeDirectory = PathToQ(m_Pak.QuakeDirectory());
  values.TempDirectory = PathToQ(m_Pak.TempDirectory());
  values.ProtectStock = m_Pak.ProtectID1Pak();
  values.AllowUndo = m_Pak.AllowUndo();
  values.ForceLowercase = m_Pak.ForceLowercase();
  values.MaxUndoLevels = m_Pak.MaxUndoLevels();
  values.Spaces = m_Pak.HandleSpaces();
  TChanges changes = chState;
  if (m_Dialogs.EditOptions(values) && TakeTypedFolder(values.QuakeDirectory) &&
      TakeTypedFolder(values.TempDirectory)) {
    const bool wasOpen = !m_Pak.FileName().empty();
    // A refused Quake directory ends the command here: what follows it is not applied.
    try {
      m_Pak.SetQuakeDirectory(PathFromQ(values.QuakeDirectory));
    } catch (const EInvalidQuakeDir &error) {
      ShowError(QString::fromUtf8(error.what()), QuakeDirectoryDetail(values.QuakeDirectory));
      emit Changed(changes);
      return;
    }
    m_Pak.SetTempDirectory(PathFromQ(values.TempDirectory));
    m_Pak.SetProtectID1Pak(values.ProtectStock);
    m_Pak.SetAllowUndo(values.AllowUndo);
    m_Pak.SetMaxUndoLevels(values.MaxUndoLevels);
    m_Pak.SetForceLowercase(values.ForceLowercase);
    m_Pak.SetHandleSpaces(values.Spaces);
    // Clearing the Quake directory closes the archive: its rows would
    // otherwise stay on show, and editable, for an archive no longer there.
    if (wasOpen && m_Pak.FileName().empty())
      changes |= chEntries;
  }
  emit Changed(changes);
}
