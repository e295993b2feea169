// SPDX-License-Identifier: GPL-3.0-or-later
// A WAD entry of the archive, or the textures of a map entry, seen as a folder
// of lumps: read once when the folder is chosen, kept while it is shown. A
// map's textures are read-only; a WAD's lumps are changed by writing the
// whole WAD back into its entry.
#pragma once

#include "QuakeWad.h"

#include <QString>
#include <string>
#include <vector>

struct TLumpFolder {
  std::string EntryName; // the stored name of the WAD or map entry
  bool ReadOnly = false; // a map's textures
  QuakeWad::TWad Wad;    // a map's textures as mip texture lumps
  std::vector<std::string> Findings;
};

// Entries larger than this are not opened as folders: the whole entry is read.
inline constexpr int64_t LumpFolderLimit = int64_t{64} << 20;

// Whether an entry of that name opens as a folder of lumps (a .wad or a .bsp).
bool OpensAsLumpFolder(const std::string &entryName);

// The lump's type as a user reads it: "Picture", "Mip texture", "Palette", ...
QString LumpTypeText(const QuakeWad::TLump &lump);

// Whether a lump holds a picture the picture commands convert.
bool IsPictureLump(const QuakeWad::TLump &lump);
