// SPDX-License-Identifier: GPL-3.0-or-later
// WAD entries as folders of lumps, and the textures of maps: the folder read
// from its entry, and the commands on its lumps. A change writes the whole
// WAD back as the entry's new data, one undoable step of the archive.
#include "ArchiveSession.h"
#include "LumpFolder.h"

#include "DesktopServices.h"
#include "EntryText.h"
#include "LumpPicture.h"
#include "QuakePictures.h"
#include "SessionDialogs.h"
#include "WaitCursor.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>

namespace {
LumpPicture::TLumpFile LumpFileKind(const QuakeWad::TLump &lump) {
  return LumpPicture::LumpFileOfKind(QuakeWad::KindOfLump(lump));
}

// The lump's picture in the game's colours, or a null image and the reason.
QImage LumpImage(const QuakeWad::TLump &lump, const TQuakePalette &palette, QString *reason) {
  const LumpPicture::TLumpFile kind = LumpFileKind(lump);
  if (kind == LumpPicture::lfNone) {
    *reason = TArchiveSession::tr("The lump holds no picture.");
    return {};
  }
  return LumpPicture::LumpFileToImage(QByteArray::fromStdString(lump.Data), kind, palette, reason);
}

// The image as the engine's bitmap, for the lump viewer.
TBitmap ImageToBitmap(const QImage &image) {
  const QImage rgb = image.convertToFormat(QImage::Format_RGB32);
  TBitmap bitmap(rgb.width(), rgb.height());
  for (int y = 0; y < rgb.height(); ++y) {
    const auto *line = reinterpret_cast<const QRgb *>(rgb.constScanLine(y));
    for (int x = 0; x < rgb.width(); ++x)
      bitmap.SetPixel(x, y, static_cast<TColor>(qRed(line[x]) | (qGreen(line[x]) << 8) | (qBlue(line[x]) << 16)));
  }
  return bitmap;
}

QString LumpFailure(const std::string &reason) { return QString::fromStdString(reason); }
} // namespace

bool OpensAsLumpFolder(const std::string &entryName) {
  const TFileKind kind = FileKindOf(entryName);
  return kind == fkWad || kind == fkMap;
}

QString LumpTypeText(const QuakeWad::TLump &lump) {
  switch (lump.Type) {
  case QuakeWad::ltPalette:
    return TArchiveSession::tr("Palette");
  case QuakeWad::ltColormap:
    return TArchiveSession::tr("Colour map");
  case QuakeWad::ltPicture:
    return TArchiveSession::tr("Picture");
  case QuakeWad::ltSound:
    return TArchiveSession::tr("Sound");
  case QuakeWad::ltMiptex:
    return QuakeWad::KindOfLump(lump) == QuakeWad::lkConchars ? TArchiveSession::tr("Console font")
                                                              : TArchiveSession::tr("Mip texture");
  default:
    return TArchiveSession::tr("Type %1").arg(lump.Type, 2, 16, QLatin1Char('0'));
  }
}

bool IsPictureLump(const QuakeWad::TLump &lump) { return LumpFileKind(lump) != LumpPicture::lfNone; }

// ---------------------------------------------------------------------------
// The folder

bool TArchiveSession::OpenLumpFolder(const std::string &entryName, bool quiet) {
  m_LumpFolder.reset();
  const int32_t index = IndexOfStoredName(entryName);
  if (index < 0 || !OpensAsLumpFolder(entryName))
    return false;
  const QString shown = EntryToDisplay(entryName);
  if (m_Pak.EntrySize(index) > LumpFolderLimit) {
    if (!quiet)
      ShowError(tr("%1 is too large to be shown as a folder: it has more than %2 MiB.")
                    .arg(shown)
                    .arg(LumpFolderLimit >> 20));
    return false;
  }
  auto folder = std::make_unique<TLumpFolder>();
  folder->EntryName = entryName;
  TBytes bytes;
  {
    TWaitCursor wait;
    bytes = m_Pak.ReadEntryPart(index, 0, m_Pak.EntrySize(index));
  }
  if (FileKindOf(entryName) == fkMap) {
    folder->ReadOnly = true;
    QuakePictures::TMapTextures map = QuakePictures::ReadMapTextures(bytes);
    if (!map.IsMap) {
      if (!quiet)
        ShowError(tr("%1 is no map whose textures can be read.").arg(shown));
      return false;
    }
    for (QuakePictures::TMapTexture &texture : map.Textures) {
      QuakeWad::TLump lump;
      lump.Name = texture.Texture.Name;
      lump.Type = QuakeWad::ltMiptex;
      lump.Data = QuakePictures::WriteMiptex(texture.Texture);
      lump.Position = texture.Offset;
      folder->Wad.Lumps.push_back(std::move(lump));
    }
    folder->Findings = std::move(map.Findings);
  } else if (!QuakeWad::ReadWad(bytes, folder->Wad, folder->Findings)) {
    if (!quiet)
      ShowError(tr("%1 is no WAD file.").arg(shown),
                folder->Findings.empty() ? QString() : LumpFailure(folder->Findings.front()));
    return false;
  }
  // What the reader left out is said before anything is changed: a change writes the lumps shown, no others.
  if (!quiet && !folder->Findings.empty()) {
    QStringList findings;
    for (const std::string &finding : folder->Findings)
      findings << LumpFailure(finding);
    m_Desktop.ShowWarning(m_Window,
                          tr("%1 is damaged: the lumps listed below are left out, and a change writes it without them.")
                              .arg(shown),
                          findings.join(QLatin1Char('\n')));
  }
  m_LumpFolder = std::move(folder);
  return true;
}

void TArchiveSession::CloseLumpFolder() { m_LumpFolder.reset(); }

bool TArchiveSession::ReloadLumpFolder() {
  if (!m_LumpFolder)
    return false;
  const std::string entryName = m_LumpFolder->EntryName;
  return OpenLumpFolder(entryName, true);
}

const QuakeWad::TLump *TArchiveSession::LumpAt(int index) const {
  if (!m_LumpFolder || index < 0 || static_cast<size_t>(index) >= m_LumpFolder->Wad.Lumps.size())
    return nullptr;
  return &m_LumpFolder->Wad.Lumps[static_cast<size_t>(index)];
}

bool TArchiveSession::LumpsChangeable() const {
  return m_LumpFolder && !m_LumpFolder->ReadOnly && !m_Pak.IsProtected();
}

bool TArchiveSession::WriteLumpFolder(const QuakeWad::TWad &wad) {
  const int32_t index = m_LumpFolder ? IndexOfStoredName(m_LumpFolder->EntryName) : -1;
  if (index < 0 || !LumpsChangeable())
    return false;
  // The engine copies the file at once: it goes again right after.
  const QString folderOnDisk = PathToQ(m_Pak.PrivateDirectory()) + QStringLiteral("wad/");
  QDir().mkpath(folderOnDisk);
  const QString file = folderOnDisk + PathToQ(ExtractionPath(
                                          m_LumpFolder->EntryName.substr(m_LumpFolder->EntryName.rfind('/') + 1), false));
  {
    const TBytes bytes = QuakeWad::WriteWad(wad);
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        out.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()) ||
        !out.flush()) {
      ShowError(tr("The WAD file could not be written."), file + QStringLiteral(": ") + out.errorString());
      QFile::remove(file);
      return false;
    }
  }
  TResultCode result = prDone;
  EditEntries([&] {
    TWaitCursor wait;
    result = m_Pak.ReplaceEntryData(index, PathFromQ(file));
  });
  QFile::remove(file);
  if (result != prDone) {
    ShowError(tr("The WAD file could not be written."), FailureDetail(QString::fromUtf8(ResultText(result))));
    return false;
  }
  return true;
}

// ---------------------------------------------------------------------------
// The commands on lumps

void TArchiveSession::ViewLump(int index) {
  const QuakeWad::TLump *lump = LumpAt(index);
  if (lump == nullptr)
    return;
  QString reason;
  const QImage image = LumpImage(*lump, m_Pak.Palette(), &reason);
  const TBitmap bitmap = ImageToBitmap(image);
  std::function<void()> exportPicture;
  if (!image.isNull())
    exportPicture = [this, index] { Run([&] { ExportLump(index); }); };
  m_Dialogs.ShowPicture(image.isNull() ? nullptr : &bitmap, reason, m_LumpFolder->EntryName + "/" + lump->Name,
                        m_Pak.FileName(), exportPicture);
}

void TArchiveSession::ExportLump(int index) {
  const QuakeWad::TLump *lump = LumpAt(index);
  if (lump == nullptr || !IsPictureLump(*lump))
    return;
  TFileDialogRequest request;
  request.Title = tr("Export as PNG");
  request.Directory = m_Values.ExtractPath;
  request.FileName = PathToQ(QuakePictures::SafeFileName(lump->Name)) + QStringLiteral(".png");
  request.Filters = QStringList{tr("PNG Images (*.png)")};
  request.DefaultSuffix = QStringLiteral("png");
  const QString target = m_Desktop.ChooseSaveFile(m_Window, request);
  if (target.isEmpty())
    return;
  QString reason;
  {
    TWaitCursor wait;
    const QImage image = LumpImage(*lump, m_Pak.Palette(), &reason);
    if (!image.isNull())
      reason = LumpPicture::WriteImageFile(image, target);
  }
  if (!reason.isEmpty())
    ShowError(tr("The picture could not be exported.") + QLatin1Char('\n') + reason);
}

std::optional<std::string> TArchiveSession::ImportLumpPicture(const std::vector<int> &selected) {
  if (!LumpsChangeable())
    return std::nullopt;
  const QString source = ChoosePictureToImport();
  if (source.isEmpty())
    return std::nullopt;
  QuakeWad::TWad wad = m_LumpFolder->Wad;

  // One selected picture lump may be replaced; otherwise the picture comes in as a new lump.
  const QuakeWad::TLump *replaced = selected.size() == 1 ? LumpAt(selected.front()) : nullptr;
  if (replaced != nullptr && IsPictureLump(*replaced)) {
    const QMessageBox::StandardButton answer = m_Desktop.Confirm(
        m_Window,
        tr("Replace %1 with the picture? No adds it as a new lump.").arg(EntryToDisplay(replaced->Name)),
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
    if (answer == QMessageBox::Cancel)
      return std::nullopt;
    if (answer == QMessageBox::No)
      replaced = nullptr;
  } else {
    replaced = nullptr;
  }

  std::string name;
  LumpPicture::TLumpFile kind = LumpPicture::lfPicture;
  if (replaced != nullptr) {
    name = replaced->Name;
    kind = LumpFileKind(*replaced);
  } else {
    QString typed = QFileInfo(source).completeBaseName().left(static_cast<int>(QuakeWad::NameSize));
    if (!m_Dialogs.AskText(tr("Import Picture"), tr("Lump name:"), typed))
      return std::nullopt;
    name = DisplayToEntry(typed.trimmed());
    if (const std::string refusal = QuakeWad::LumpNameRefusal(name); !refusal.empty()) {
      ShowError(tr("The picture could not be imported."), LumpFailure(refusal));
      return std::nullopt;
    }
    if (QuakeWad::FindLump(wad, name) >= 0 &&
        m_Desktop.Confirm(m_Window, tr("A lump named %1 exists already. Replace it?").arg(EntryToDisplay(name)),
                          QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
      return std::nullopt;
    // A texture WAD takes textures, any other WAD pictures.
    const auto textures = std::count_if(wad.Lumps.begin(), wad.Lumps.end(), [](const QuakeWad::TLump &lump) {
      return QuakeWad::KindOfLump(lump) == QuakeWad::lkMiptex;
    });
    if (2 * static_cast<size_t>(textures) > wad.Lumps.size())
      kind = LumpPicture::lfMiptex;
  }

  QString reason;
  QByteArray data;
  {
    TWaitCursor wait;
    const QImage image = LumpPicture::ReadImageFile(source, &reason);
    if (!image.isNull())
      data = LumpPicture::ImageToLumpFile(image, kind, name, m_Pak.Palette(), &reason);
  }
  if (data.isEmpty()) {
    ShowError(tr("The picture could not be imported.") + QLatin1Char('\n') + reason);
    return std::nullopt;
  }
  const uint8_t type = kind == LumpPicture::lfPalette ? QuakeWad::ltPalette
                       : kind == LumpPicture::lfPicture ? QuakeWad::ltPicture
                                                        : QuakeWad::ltMiptex;
  if (replaced != nullptr) {
    QuakeWad::TLump &lump = wad.Lumps[static_cast<size_t>(selected.front())];
    lump.Data = data.toStdString();
    lump.Record.clear();
  } else {
    QuakeWad::PutLump(wad, name, type, data.toStdString());
  }
  if (!WriteLumpFolder(wad))
    return std::nullopt;
  return name;
}

void TArchiveSession::DeleteLumps(std::vector<int> indexes) {
  if (!LumpsChangeable() || indexes.empty())
    return;
  const QString question = indexes.size() == 1
                               ? tr("Are you sure you want to delete this lump?")
                               : tr("Are you sure you want to delete these %1 lumps?").arg(indexes.size());
  if (m_Desktop.Confirm(m_Window, question, QMessageBox::Yes | QMessageBox::No) != QMessageBox::Yes)
    return;
  QuakeWad::TWad wad = m_LumpFolder->Wad;
  std::ranges::sort(indexes, std::greater<>());
  indexes.erase(std::unique(indexes.begin(), indexes.end()), indexes.end());
  for (const int index : indexes)
    if (LumpAt(index) != nullptr)
      wad.Lumps.erase(wad.Lumps.begin() + index);
  WriteLumpFolder(wad);
}

bool TArchiveSession::RenameLump(int index, const std::string &newName) {
  const QuakeWad::TLump *lump = LumpAt(index);
  if (lump == nullptr || !LumpsChangeable())
    return false;
  if (newName == lump->Name)
    return true;
  QuakeWad::TWad wad = m_LumpFolder->Wad;
  // The game finds lumps by name in any letter case: another lump may not have it; this one may change its case.
  QString refusal = LumpFailure(QuakeWad::LumpNameRefusal(newName));
  if (const int32_t taken = QuakeWad::FindLump(wad, newName); refusal.isEmpty() && taken >= 0 && taken != index)
    refusal = tr("Another lump is named %1.").arg(EntryToDisplay(wad.Lumps[static_cast<size_t>(taken)].Name));
  if (!refusal.isEmpty()) {
    ShowError(tr("The lump could not be renamed."), refusal);
    return false;
  }
  QuakeWad::TLump &renamed = wad.Lumps[static_cast<size_t>(index)];
  renamed.Name = newName;
  renamed.Record.clear();
  return WriteLumpFolder(wad);
}

void TArchiveSession::ExtractLumps(const std::vector<int> &selected) {
  if (!m_LumpFolder)
    return;
  QString target = m_Values.ExtractPath.isEmpty() ? PathToQ(PathDirectory(m_Pak.FileName())) : m_Values.ExtractPath;
  bool maintain = m_Values.MaintainDirectory;
  bool allLumps = selected.empty();
  const TExtractScope scope{static_cast<int>(m_LumpFolder->Wad.Lumps.size()),
                            EntryToDisplay(m_LumpFolder->EntryName)};
  if (!m_Dialogs.ChooseExtraction(target, maintain, allLumps, scope) || !TakeTypedFolder(target))
    return;
  m_Values.ExtractPath = target;
  std::vector<int> indexes = selected;
  if (allLumps) {
    indexes.resize(m_LumpFolder->Wad.Lumps.size());
    for (size_t i = 0; i < indexes.size(); ++i)
      indexes[i] = static_cast<int>(i);
  }
  const QString folder = QDir(target).absolutePath() + QLatin1Char('/');
  QDir().mkpath(folder);
  int written = 0;
  // Replace All and Skip All answer the files met after them.
  std::optional<bool> replaceRest;
  for (const int index : indexes) {
    const QuakeWad::TLump *lump = LumpAt(index);
    if (lump == nullptr)
      continue;
    const QString path = folder + PathToQ(QuakeWad::LumpFileName(*lump));
    if (QFileInfo::exists(path)) {
      TFileReplace answer = replaceRest ? (*replaceRest ? frReplace : frSkip) : m_Dialogs.AskReplaceFile(path);
      if (answer == frCancel)
        break;
      if (answer == frReplaceAll || answer == frSkipAll)
        replaceRest = answer == frReplaceAll;
      if (answer == frSkip || answer == frSkipAll)
        continue;
    }
    QFile out(path);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
        out.write(lump->Data.data(), static_cast<qint64>(lump->Data.size())) !=
            static_cast<qint64>(lump->Data.size())) {
      ShowError(tr("The lumps could not be extracted."), path + QStringLiteral(": ") + out.errorString());
      return;
    }
    ++written;
  }
  if (written > 0)
    emit Extracted(QDir::toNativeSeparators(folder), written);
}

// ---------------------------------------------------------------------------
// A WAD file opened on its own

bool TArchiveSession::IsWadFile(const QString &fileName) {
  QFile file(fileName);
  return file.open(QIODevice::ReadOnly) && QuakeWad::IsWad(file.read(4).toStdString());
}

void TArchiveSession::OpenWadFile(const QString &fileName) {
  const QFileInfo info(fileName);
  const QString shown = QDir::toNativeSeparators(info.absoluteFilePath());
  if (info.size() > LumpFolderLimit) {
    ShowError(tr("%1 is too large to be shown as a folder: it has more than %2 MiB.").arg(shown).arg(LumpFolderLimit >> 20));
    return;
  }
  {
    QFile file(fileName);
    QuakeWad::TWad wad;
    std::vector<std::string> findings;
    if (!file.open(QIODevice::ReadOnly) || !QuakeWad::ReadWad(file.readAll().toStdString(), wad, findings)) {
      ShowError(tr("%1 is no WAD file.").arg(shown), findings.empty() ? file.errorString() : LumpFailure(findings.front()));
      return;
    }
  }
  // An untitled archive holds the file as its one entry.
  m_Pak.NewPak();
  OpenFile(PathToQ(m_Pak.FileName()));
  const std::string path = PathFromQ(info.absoluteFilePath());
  const std::string base = PathFromQ(info.absolutePath()) + "/";
  const std::string entry = m_Pak.AddedEntryName(path, base, {});
  TStringList paths{path};
  TResultCode result = prDone;
  EditEntries([&] { result = m_Pak.AddFiles(paths, base, {}, false); });
  const int32_t index = IndexOfStoredName(entry);
  if (result != prDone || index < 0) {
    ShowError(tr("%1 is no WAD file.").arg(shown), FailureDetail(QString::fromUtf8(ResultText(result))));
    return;
  }
  // The add is no step of its own: Undo stops at the file as read.
  const int32_t levels = m_Pak.MaxUndoLevels();
  m_Pak.SetMaxUndoLevels(0);
  m_Pak.SetMaxUndoLevels(levels);
  m_WadFile = info.absoluteFilePath();
  m_WadEntry = entry;
  m_WadSaved = m_Pak.ReadEntryPart(index, 0, m_Pak.EntrySize(index));
  m_WadModified = false;
  AddRecentFile(m_WadFile);
  m_Values.OpenPath = PathDirectory(m_WadFile);
  emit Changed(chArchive | chState | chRecentFiles);
}

TArchiveSession::TSaveOutcome TArchiveSession::SaveWadFile(const QString &fileName) {
  const QString failure = tr("The WAD file could not be saved.");
  const int32_t index = IndexOfStoredName(m_WadEntry);
  if (index < 0) {
    ShowError(failure);
    return soFailed;
  }
  const std::string bytes = m_Pak.ReadEntryPart(index, 0, m_Pak.EntrySize(index));
  // Written whole beside the file, then put in its place: a failure leaves the file as it was.
  QSaveFile out(fileName);
  if (!out.open(QIODevice::WriteOnly) ||
      out.write(bytes.data(), static_cast<qint64>(bytes.size())) != static_cast<qint64>(bytes.size()) || !out.commit()) {
    ShowError(failure, QDir::toNativeSeparators(fileName) + QStringLiteral(": ") + out.errorString());
    return soFailed;
  }
  m_WadFile = QFileInfo(fileName).absoluteFilePath();
  m_WadSaved = bytes;
  m_WadModified = false;
  AddRecentFile(m_WadFile);
  emit Changed(chEntries | chState | chRecentFiles);
  return soSaved;
}

void TArchiveSession::NoteWadChange() {
  if (!IsWadDocument())
    return;
  const int32_t index = IndexOfStoredName(m_WadEntry);
  m_WadModified = index < 0 || m_Pak.EntrySize(index) != static_cast<int32_t>(m_WadSaved.size()) ||
                  m_Pak.ReadEntryPart(index, 0, m_Pak.EntrySize(index)) != m_WadSaved;
}
