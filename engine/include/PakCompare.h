// SPDX-License-Identifier: GPL-3.0-or-later
// Two archives compared entry by entry: what only one holds, what both hold
// with other contents, and what both hold alike. Reads, never changes a file.
// Included through PakQuake.h.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum TEntryDifference : uint8_t {
  edOnlyInFirst,
  edOnlyInSecond,
  edDiffering, // both hold the name, with other sizes or other bytes
  edIdentical
};

struct TEntryComparison {
  TEntryDifference Kind = edIdentical;
  std::string Name;
  // The entry's place in each archive's directory, and its size; -1 where
  // that archive does not hold it.
  int32_t FirstIndex = -1;
  int32_t SecondIndex = -1;
  int64_t FirstSize = -1;
  int64_t SecondSize = -1;
};

// Compares the archives at first and second. Entries pair by exact name, the
// n-th entry of a name in one with the n-th of that name in the other. A pair
// of equal sizes is told apart by a 64-bit hash (FNV-1a) of each entry's
// bytes, streamed through one buffer of PakFormat::BlockSize bytes: no entry
// is ever held in memory whole; data that lies beyond the end of its file
// counts as missing bytes. The result lists the first archive's entries in
// its directory order, then those only in the second in its order. Raises
// EInvalidPakFile for a file that is not a PAK file and EInOutError for one
// that cannot be read.
std::vector<TEntryComparison> CompareArchives(const std::string &first, const std::string &second);
