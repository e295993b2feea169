// SPDX-License-Identifier: GPL-3.0-or-later
// The session's picture commands: a picture lump or the palette saved as an
// image file, and an image file made into a lump with the game palette.
#include "ArchiveSession.h"

#include "DesktopServices.h"
#include "EntryText.h"
#include "LumpPicture.h"
#include "SessionDialogs.h"
#include "WaitCursor.h"

#include <QDir>
#include <QFileInfo>

namespace {
// Copies for the picture commands get a folder of their own in the private folder.
constexpr const char *PictureSubFolder = "picture/";

QString ExportFailedMessage() { return TArchiveSession::tr("The picture could not be exported."); }
QString ImportFailedMessage() { return TArchiveSession::tr("The picture could not be imported."); }
} // namespace

void TArchiveSession::ExportPicture(const std::string &entryName) {
  if (!LumpPicture::Converts(FileKindOf(entryName)))
    return;
  TFileDialogRequest request;
  request.Title = tr("Export as PNG");
  request.Directory = m_Values.ExtractPath;
  request.FileName =
      QFileInfo(EntryToDisplay(ExtractionPath(entryName, false))).completeBaseName() + QStringLiteral(".png");
  request.Filters = QStringList{tr("PNG Images (*.png)")};
  request.DefaultSuffix = QStringLiteral("png");
  const QString target = m_Desktop.ChooseSaveFile(m_Window, request);
  if (target.isEmpty())
    return;
  const std::string copy = ExtractPrivateCopy(entryName, PictureSubFolder, ExportFailedMessage());
  if (copy.empty())
    return;
  QString reason;
  {
    TWaitCursor wait;
    reason = LumpPicture::ConvertFile(PathToQ(copy), target, m_Pak.Palette());
  }
  if (!reason.isEmpty())
    ShowError(ExportFailedMessage() + QLatin1Char('\n') + reason);
}

QString TArchiveSession::ChoosePictureToImport() {
  TFileDialogRequest request;
  request.Title = tr("Import Picture");
  request.Directory = m_Values.OpenPath;
  request.Filters = QStringList{tr("Pictures (*.png *.bmp *.tga)"), tr("All Files (*)")};
  const QStringList sources = m_Desktop.ChooseOpenFiles(m_Window, request);
  return sources.isEmpty() ? QString() : sources.first();
}

std::optional<std::string> TArchiveSession::ImportPicture(const TStringList &selected, const std::string &folder) {
  const QString source = ChoosePictureToImport();
  if (source.isEmpty())
    return std::nullopt;

  // One selected picture lump may be replaced; otherwise the picture comes in as a new entry.
  std::string replaced;
  if (selected.size() == 1 && LumpPicture::Converts(FileKindOf(selected.front()))) {
    const QMessageBox::StandardButton answer = m_Desktop.Confirm(
        m_Window, tr("Replace %1 with the picture? No adds it as a new entry.").arg(EntryToDisplay(selected.front())),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel)
      return std::nullopt;
    if (answer == QMessageBox::Yes)
      replaced = selected.front();
  }

  // A new entry goes where the user is: the selected lump's folder, else the folder shown.
  std::string entryName;
  if (replaced.empty()) {
    const std::string near = selected.size() == 1 ? selected.front().substr(0, selected.front().rfind('/') + 1) : folder;
    QString name = EntryToDisplay(near) + QFileInfo(source).completeBaseName() + QStringLiteral(".lmp");
    if (!m_Dialogs.AskText(tr("Import Picture"), tr("Entry name:"), name))
      return std::nullopt;
    entryName = m_Pak.MakeEntryName(DisplayToEntry(name.trimmed()));
    if (entryName.empty() || entryName.back() == '/')
      return std::nullopt;
  }

  // The lump is written under its entry's file name, so that a palette stays a palette.
  const std::string &target = replaced.empty() ? entryName : replaced;
  const QString lumpName = PathToQ(ExtractionPath(target.substr(target.rfind('/') + 1), false));
  const QString folderOnDisk = PathToQ(m_Pak.PrivateDirectory() + PictureSubFolder);
  const QString lump = folderOnDisk + lumpName;
  QString reason;
  {
    TWaitCursor wait;
    QDir().mkpath(folderOnDisk);
    reason = LumpPicture::ConvertFile(source, lump, m_Pak.Palette());
  }
  if (!reason.isEmpty()) {
    ShowError(ImportFailedMessage() + QLatin1Char('\n') + reason);
    return std::nullopt;
  }
  m_ViewedFiles.push_back(PathFromQ(lump));

  TResultCode result = prDone;
  std::string stored = replaced;
  EditEntries([&] {
    TWaitCursor wait;
    if (!replaced.empty()) {
      result = m_Pak.ReplaceEntryData(IndexOfStoredName(replaced), PathFromQ(lump));
    } else {
      const std::string directory = entryName.substr(0, entryName.rfind('/') + 1);
      stored = m_Pak.AddedEntryName(PathFromQ(lump), PathFromQ(folderOnDisk), directory);
      TStringList paths{PathFromQ(lump)};
      result = m_Pak.AddFiles(paths, PathFromQ(folderOnDisk), directory, false);
    }
  });
  if (result == prProtected)
    ShowError(tr("Files cannot be added to a protected PAK file."));
  else if (result != prDone)
    ShowError(ImportFailedMessage() + QLatin1Char('\n') +
              QString::fromStdString(m_Pak.Failures().empty() ? "" : m_Pak.Failures().front()));
  if (result != prDone)
    return std::nullopt;
  return stored;
}
