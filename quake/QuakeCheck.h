// SPDX-License-Identifier: GPL-3.0-or-later
// The archive check's second pass: a look inside the entries whose format
// Varnel reads (WAD files, maps, models, sprites, picture lumps), after the
// engine's check of the archive itself (CheckArchiveFile).
#pragma once

#include "PakCheck.h"
#include "QuakeBytes.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

// What is wrong inside one entry's bytes, as warnings naming the entry and,
// inside a WAD, the lump: a damaged WAD directory, a lump outside the file, a
// picture whose header does not fit its bytes, a damaged mip texture, a
// map whose texture lump is damaged, a model skin or sprite frame outside
// the file. The entry's kind comes from its name.
TCheckFindings CheckEntryInside(int32_t index, const std::string &entry, const TBytes &bytes);

// The same for every entry of the archive file at path whose data lies in
// the file, in directory order. Raises EInOutError when the file cannot be
// read; a file that is no PAK file gives no findings here.
TCheckFindings CheckArchiveInside(const std::string &path);

// CheckArchiveInside in two steps, for a caller that reads the directory
// anyway (CheckArchiveFile's batches): Visit is shown every batch of records
// in directory order and keeps the entries whose kind is looked into; Check
// then reads each of those that lies in the file at path and looks inside.
class TInsideCheck {
public:
  void Visit(int64_t first, std::span<const TRecordView> records);
  TCheckFindings Check(const std::string &path) const;

private:
  struct TInside {
    int32_t Index;
    TEntryName Name;
    int32_t Position;
    int32_t Size;
  };
  std::vector<TInside> m_Entries;
};
