// SPDX-License-Identifier: GPL-3.0-or-later
#include "QuakeWad.h"

#include "PakLumps.h"
#include "PakNames.h"
#include "QuakePictures.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

namespace QuakeWad {
namespace {

using QuakeBytes::Fits;
using QuakeBytes::Int32At;

constexpr char Magic[] = "WAD2";

std::string Quoted(const std::string &name) { return "\"" + name + "\""; }

} // namespace

bool IsWad(const TBytes &bytes) { return bytes.size() >= 4 && bytes.compare(0, 4, Magic) == 0; }

bool ReadWad(const TBytes &bytes, TWad &wad, std::vector<std::string> &findings) {
  wad.Lumps.clear();
  if (!IsWad(bytes)) {
    findings.push_back("not a WAD2 file (it does not start with \"WAD2\").");
    return false;
  }
  if (bytes.size() < HeaderSize) {
    findings.push_back("the WAD header is cut short.");
    return true;
  }
  const int32_t count = Int32At(bytes, 4);
  const int32_t directory = Int32At(bytes, 8);
  if (count < 0 || directory < 0 || !Fits(bytes, directory, 0)) {
    findings.push_back("the WAD directory lies outside the file.");
    return true;
  }
  // Only the whole records that are really there are read.
  const int64_t present = (static_cast<int64_t>(bytes.size()) - directory) / static_cast<int64_t>(RecordSize);
  if (present < count)
    findings.push_back("the WAD directory is cut short: " + std::to_string(present) + " of " +
                       std::to_string(count) + " records are there.");
  const int64_t records = std::min<int64_t>(present, count);
  wad.Lumps.reserve(static_cast<size_t>(records));
  int64_t held = 0;
  for (int64_t i = 0; i < records; ++i) {
    const size_t at = static_cast<size_t>(directory) + static_cast<size_t>(i) * RecordSize;
    TLump lump;
    lump.Name = QuakeBytes::NameAt(bytes, at + 16, NameSize);
    const int32_t position = Int32At(bytes, at);
    const int32_t diskSize = Int32At(bytes, at + 4);
    lump.Type = static_cast<uint8_t>(bytes[at + 12]);
    lump.Compression = static_cast<uint8_t>(bytes[at + 13]);
    if (!Fits(bytes, position, diskSize)) {
      findings.push_back("lump " + Quoted(lump.Name) + ": its data lies outside the file.");
      continue;
    }
    // Lumps that share bytes would each take a copy: what is held never
    // passes the file's own size.
    if (diskSize > static_cast<int64_t>(bytes.size()) - held) {
      findings.push_back("lump " + Quoted(lump.Name) + ": its data overlaps other lumps'; left out.");
      continue;
    }
    held += diskSize;
    if (lump.Compression != 0)
      findings.push_back("lump " + Quoted(lump.Name) + ": compressed, kept as it is.");
    lump.Data = bytes.substr(static_cast<size_t>(position), static_cast<size_t>(diskSize));
    lump.Record = bytes.substr(at, RecordSize);
    lump.Position = position;
    wad.Lumps.push_back(std::move(lump));
  }
  return true;
}

TBytes WriteWad(const TWad &wad) {
  TBytes out(HeaderSize, '\0');
  TBytes directory;
  for (const TLump &lump : wad.Lumps) {
    out.append((Alignment - out.size() % Alignment) % Alignment, '\0');
    TBytes record = lump.Record;
    if (record.size() != RecordSize) {
      record.assign(RecordSize, '\0');
      QuakeBytes::PutInt32(record, 8, static_cast<int32_t>(lump.Data.size()));
      record[12] = static_cast<char>(lump.Type);
      record[13] = static_cast<char>(lump.Compression);
      QuakeBytes::PutName(record, 16, NameSize, lump.Name);
    }
    QuakeBytes::PutInt32(record, 0, static_cast<int32_t>(out.size()));
    QuakeBytes::PutInt32(record, 4, static_cast<int32_t>(lump.Data.size()));
    directory += record;
    out += lump.Data;
  }
  out.append((Alignment - out.size() % Alignment) % Alignment, '\0');
  out.replace(0, 4, Magic);
  QuakeBytes::PutInt32(out, 4, static_cast<int32_t>(wad.Lumps.size()));
  QuakeBytes::PutInt32(out, 8, static_cast<int32_t>(out.size()));
  return out + directory;
}

int32_t FindLump(const TWad &wad, const std::string &name) {
  int32_t caseless = -1;
  for (auto i = static_cast<int32_t>(wad.Lumps.size()) - 1; i >= 0; --i) {
    const std::string &candidate = wad.Lumps[static_cast<size_t>(i)].Name;
    if (candidate == name)
      return i;
    if (caseless < 0 && SameTextAscii(candidate, name))
      caseless = i;
  }
  return caseless;
}

std::string LumpNameRefusal(const std::string &name) {
  if (name.empty())
    return "a lump needs a name.";
  if (name.size() > NameSize)
    return "the name " + Quoted(name) + " is longer than a lump name may be (16 bytes).";
  if (name.find('\0') != std::string::npos)
    return "a lump name holds no zero byte.";
  return {};
}

void PutLump(TWad &wad, const std::string &name, uint8_t type, const TBytes &data) {
  const int32_t index = FindLump(wad, name);
  TLump &lump = index >= 0 ? wad.Lumps[static_cast<size_t>(index)] : wad.Lumps.emplace_back();
  if (index < 0)
    lump.Name = name;
  lump.Type = type;
  lump.Compression = 0;
  lump.Data = data;
  lump.Position = -1;
  lump.Record.clear();
}

bool DeleteLump(TWad &wad, const std::string &name) {
  const int32_t index = FindLump(wad, name);
  if (index < 0)
    return false;
  wad.Lumps.erase(wad.Lumps.begin() + index);
  return true;
}

std::string RenameLump(TWad &wad, const std::string &oldName, const std::string &newName) {
  const int32_t index = FindLump(wad, oldName);
  if (index < 0)
    return Quoted(oldName) + ": no such lump.";
  if (std::string refusal = LumpNameRefusal(newName); !refusal.empty())
    return refusal;
  const int32_t taken = FindLump(wad, newName);
  if (taken >= 0 && taken != index)
    return "the name " + Quoted(newName) + " is taken.";
  TLump &lump = wad.Lumps[static_cast<size_t>(index)];
  lump.Name = newName;
  lump.Record.clear();
  return {};
}

TLumpKind KindOfLump(const TLump &lump) { return KindOfLump(lump, nullptr); }

TLumpKind KindOfLump(const TLump &lump, QuakePictures::TMiptex *texture) {
  if (lump.Compression != 0)
    return lkOther;
  switch (lump.Type) {
  case ltPalette:
    return lump.Data.size() >= static_cast<size_t>(PakFormat::PaletteSize) ? lkPalette : lkOther;
  case ltPicture:
    return lkPicture;
  case ltMiptex: {
    if (SameTextAscii(lump.Name, "conchars") && lump.Data.size() == QuakePictures::ConcharsSize)
      return lkConchars;
    QuakePictures::TMiptex read;
    std::string reason;
    return QuakePictures::ReadMiptex(lump.Data, texture != nullptr ? *texture : read, reason) ? lkMiptex : lkOther;
  }
  default:
    return lkOther;
  }
}

std::string LumpFileName(const TLump &lump) {
  const std::string base = QuakePictures::SafeFileName(lump.Name);
  switch (lump.Type) {
  case ltPalette:
    return base + ".pal";
  case ltPicture:
    return base + ".lmp";
  case ltMiptex:
    return base + (KindOfLump(lump) == lkMiptex ? ".mip" : ".raw");
  default: {
    char extension[8];
    std::snprintf(extension, sizeof extension, ".t%02x", lump.Type);
    return base + extension;
  }
  }
}

bool LumpOfFileName(const std::string &fileName, std::string &name, uint8_t &type) {
  const size_t dot = fileName.rfind('.');
  if (dot == std::string::npos || dot == 0)
    return false;
  const std::string extension = AsciiLower(fileName.substr(dot + 1));
  if (extension == "pal")
    type = ltPalette;
  else if (extension == "lmp")
    type = ltPicture;
  else if (extension == "mip" || extension == "raw")
    type = ltMiptex;
  else if (extension.size() == 3 && extension[0] == 't' && std::isxdigit(static_cast<unsigned char>(extension[1])) &&
           std::isxdigit(static_cast<unsigned char>(extension[2])))
    type = static_cast<uint8_t>(std::stoi(extension.substr(1), nullptr, 16));
  else
    return false;
  name = QuakePictures::NameOfSafeFileName(fileName.substr(0, dot));
  return true;
}

} // namespace QuakeWad
