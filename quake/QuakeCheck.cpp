// SPDX-License-Identifier: GPL-3.0-or-later
#include "QuakeCheck.h"

#include "PakQuake.h"
#include "QuakePictures.h"
#include "QuakeWad.h"

#include <cerrno>
#include <fstream>

namespace {

TCheckFinding Warning(int32_t index, const std::string &entry, const std::string &message) {
  TCheckFinding finding;
  finding.Severity = csWarning;
  finding.Index = index;
  finding.Entry = entry;
  finding.Message = message;
  finding.Kind = ckDamage;
  return finding;
}

std::string PictureFault(const TBytes &bytes) {
  const TPictureLayout layout =
      ReadPictureLayout(reinterpret_cast<const unsigned char *>(bytes.data()), static_cast<int64_t>(bytes.size()));
  return layout.Fault == pfNone || layout.Fault == pfNoPixels ? std::string() : layout.Reason;
}

void CheckWad(int32_t index, const std::string &entry, const TBytes &bytes, TCheckFindings &findings) {
  QuakeWad::TWad wad;
  std::vector<std::string> found;
  QuakeWad::ReadWad(bytes, wad, found);
  for (const QuakeWad::TLump &lump : wad.Lumps) {
    const std::string name = "lump \"" + lump.Name + "\": ";
    if (lump.Compression != 0)
      continue;
    if (lump.Type == QuakeWad::ltPicture) {
      if (std::string fault = PictureFault(lump.Data); !fault.empty())
        found.push_back(name + fault);
    } else if (lump.Type == QuakeWad::ltMiptex && QuakeWad::KindOfLump(lump) != QuakeWad::lkConchars &&
               lump.Data.size() >= QuakePictures::MiptexHeaderSize) {
      QuakePictures::TMiptex texture;
      std::string reason;
      if (!QuakePictures::ReadMiptex(lump.Data, texture, reason))
        found.push_back(name + reason);
    }
  }
  for (const std::string &message : found)
    findings.push_back(Warning(index, entry, message));
}

} // namespace

TCheckFindings CheckEntryInside(int32_t index, const std::string &entry, const TBytes &bytes) {
  TCheckFindings findings;
  std::vector<std::string> found;
  switch (FileKindOf(entry)) {
  case fkWad:
    CheckWad(index, entry, bytes, findings);
    return findings;
  case fkLump:
    // gfx/pop.lmp is 256 raw indices, no picture.
    if (SameTextAscii(EntryFileName(entry), "pop.lmp"))
      break;
    if (std::string fault = PictureFault(bytes); !fault.empty() && !bytes.empty())
      found.push_back(fault);
    break;
  case fkMap:
    found = QuakePictures::ReadMapTextures(bytes).Findings;
    break;
  case fkModel:
    found = QuakePictures::ModelSkins(bytes).Findings;
    break;
  case fkSprite:
    found = QuakePictures::SpriteFrames(bytes).Findings;
    break;
  default:
    break;
  }
  for (const std::string &message : found)
    findings.push_back(Warning(index, entry, message));
  return findings;
}

void TInsideCheck::Visit(int64_t first, std::span<const TRecordView> records) {
  for (size_t i = 0; i < records.size(); ++i) {
    const TRecordView &record = records[i];
    if (record.Size <= 0)
      continue;
    const TFileKind kind = FileKindOf(record.Name);
    if (kind == fkWad || kind == fkLump || kind == fkMap || kind == fkModel || kind == fkSprite)
      m_Entries.push_back({static_cast<int32_t>(first + static_cast<int64_t>(i)), TEntryName(record.Name),
                           record.Position, record.Size});
  }
}

TCheckFindings TInsideCheck::Check(const std::string &path) const {
  TCheckFindings findings;
  if (m_Entries.empty())
    return findings;
  std::ifstream file(path, std::ios::binary);
  if (!file)
    throw EInOutError(path, errno);
  file.seekg(0, std::ios::end);
  const int64_t fileSize = file.tellg();
  for (const TInside &inside : m_Entries) {
    if (!EntryDataInFile({inside.Name, inside.Position, inside.Size}, fileSize))
      continue;
    TBytes bytes(static_cast<size_t>(inside.Size), '\0');
    file.seekg(inside.Position);
    if (!file.read(bytes.data(), inside.Size))
      throw EInOutError(path, EIO);
    TCheckFindings found = CheckEntryInside(inside.Index, inside.Name.Str(), bytes);
    findings.insert(findings.end(), found.begin(), found.end());
  }
  return findings;
}

TCheckFindings CheckArchiveInside(const std::string &path) {
  if (!TQuakePak::IsPakFile(path))
    return {};
  TDirectoryReader reader(path, true);
  TInsideCheck inside;
  for (std::span<const TRecordView> records = reader.Next(); !records.empty(); records = reader.Next())
    inside.Visit(reader.First(), records);
  return inside.Check(path);
}
