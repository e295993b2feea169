// SPDX-License-Identifier: GPL-3.0-or-later
// WAD2 files, as the game's gfx.wad and the texture WADs of map editors are:
//   header    "WAD2", the lump count, the directory's offset (32-bit little-endian)
//   lumps     the data of each lump
//   directory one 32-byte record per lump: offset, size on disk, size in
//             memory, type, compression, two pad bytes, a 16-byte name
// (id Software's wad.h; the Unofficial Quake Specs, section 7). The reader
// trusts no field: each lump's data is checked against the bytes really
// there before it is copied, and what does not fit is a finding, not a lump.
// The window and the command line work through the small functions below:
// ReadWad, FindLump, PutLump, DeleteLump, RenameLump, WriteWad.
#pragma once

#include "QuakeBytes.h"
#include "QuakePictures.h"

#include <cstdint>
#include <string>
#include <vector>

namespace QuakeWad {

inline constexpr size_t HeaderSize = 12;
inline constexpr size_t RecordSize = 32;
inline constexpr size_t NameSize = 16;
// Lumps start at multiples of this many bytes, the gaps zero.
inline constexpr size_t Alignment = 4;

// The types of lump the game's tools write (wad.h; 0x44 also holds the raw
// console font in gfx.wad).
enum TLumpType : uint8_t {
  ltPalette = 0x40,
  ltColormap = 0x41,
  ltPicture = 0x42, // a status-bar or menu picture (qpic)
  ltSound = 0x43,
  ltMiptex = 0x44, // a mip texture, or raw indices such as conchars
};

struct TLump {
  // Up to 16 bytes, as the record holds it up to its first zero byte.
  std::string Name;
  uint8_t Type = ltPicture;
  // 0 for none; the game's tools never compressed (1 would be LZSS).
  uint8_t Compression = 0;
  // The bytes on disk.
  TBytes Data;
  // Where the data was in the file read; -1 for a lump added since.
  int64_t Position = -1;
  // The record as read, kept while the lump is unchanged so that it is
  // written back as it was (its size in memory and pad bytes included);
  // empty for a new or changed lump.
  TBytes Record;
};

struct TWad {
  std::vector<TLump> Lumps;
};

// True when bytes start with "WAD2".
bool IsWad(const TBytes &bytes);

// Reads a WAD2 file. False, with the reason in findings, when bytes are no
// WAD2 file at all; else true, with the lumps that lie wholly inside the
// file, and one finding (a sentence naming the lump) for each that does not,
// and for a directory that is cut short or lies outside the file. Lumps
// whose data would make the lumps held larger than the file (they share
// bytes) are left out too, so that memory stays within the file's size.
bool ReadWad(const TBytes &bytes, TWad &wad, std::vector<std::string> &findings);

// The file: header, each lump's data in directory order from offset 12,
// each starting at a multiple of Alignment, then the directory.
TBytes WriteWad(const TWad &wad);

// The last lump of exactly that name, else the last that differs only in
// ASCII letter case (the game looks names up so); -1 when none.
int32_t FindLump(const TWad &wad, const std::string &name);

// Why a name cannot be a lump's: empty, longer than 16 bytes, or holding a
// zero byte; empty when it can.
std::string LumpNameRefusal(const std::string &name);

// Replaces the data and type of the lump of that name (FindLump), or adds
// one at the end. The name must pass LumpNameRefusal.
void PutLump(TWad &wad, const std::string &name, uint8_t type, const TBytes &data);
// False when no lump has that name.
bool DeleteLump(TWad &wad, const std::string &name);
// Empty when renamed; else why not (no such lump, a bad or taken name).
std::string RenameLump(TWad &wad, const std::string &oldName, const std::string &newName);

// What a lump holds, by its type, name and bytes.
enum TLumpKind : uint8_t {
  lkPalette, // 768 colours of 3 bytes
  lkPicture, // width, height, indices
  lkMiptex,  // a mip texture
  lkConchars, // 128 x 128 raw indices
  lkOther,   // kept as bytes
};
TLumpKind KindOfLump(const TLump &lump);
// The same, keeping the mip texture read to tell it (when it is one) in *texture.
TLumpKind KindOfLump(const TLump &lump, QuakePictures::TMiptex *texture);

// The file name a lump is extracted to, and the name and type a file makes
// when added: the lump's name in its file-name-safe spelling (see
// QuakePictures::SafeFileName) with an extension for its type: ".pal"
// palette, ".lmp" picture, ".mip" mip texture, ".raw" other lumps of type
// 0x44 (conchars), ".tXX" any other type XX (two hexadecimal digits).
std::string LumpFileName(const TLump &lump);
// False when the file name has none of those extensions.
bool LumpOfFileName(const std::string &fileName, std::string &name, uint8_t &type);

} // namespace QuakeWad
