// SPDX-License-Identifier: GPL-3.0-or-later
// The index of entry names beside the directory; not part of the public
// interface.
#pragma once

#include "PakQuake.h"

#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

// Finds entries by name, exactly or else ignoring ASCII letter case, in
// constant time however long the directory is: an open-addressing table of directory indexes keyed
// by a hash of the lower-cased name, built by the first operation that makes
// many lookups and kept in step from then on. Equal names (a.wav and A.WAV read from a
// file) share one probe chain, so a lookup sees them all and answers as a
// scan from the end would.
class TNameIndex {
public:
  // Forgets the table. Lookups scan the directory until Prepare builds it
  // anew, or until enough of them have scanned that the table pays.
  void Invalidate() { m_Valid = false; }
  // Builds the table when it is missing and an operation is about to make
  // more lookups than a few scans of the directory would cost.
  void Prepare(const std::vector<TDirEntry> &directory, size_t lookups) const;
  // Builds the table when it is missing, whatever the lookups to come: an
  // entry taken out but not yet erased from the directory must not be found
  // by a scan.
  void Ensure(const std::vector<TDirEntry> &directory) const;
  // The highest index whose name is exactly name; else the highest whose name
  // equals it ignoring ASCII case; -1 when none.
  int32_t Find(const std::vector<TDirEntry> &directory, const std::string &name) const;
  // Lists entry index under its current name (after it was appended or renamed).
  void Insert(const std::vector<TDirEntry> &directory, int32_t index);
  // Unlists entry index under its current name (before it is renamed or taken out).
  void Erase(const std::vector<TDirEntry> &directory, int32_t index);
  // After the directory was compacted: newIndex[i] is the new index of old
  // entry i, or -1 for an entry that is gone (and was erased from the index).
  void Renumber(const std::vector<int32_t> &newIndex);
  // True while the table is built and in step with the directory.
  bool Valid() const { return m_Valid; }
  // True when Prepare would build the table for so many lookups.
  bool WouldBuild(size_t lookups) const { return !m_Valid && lookups > ScanLimit; }

  // What Find would answer for each of names, all at once: one pass over the
  // directory from its end, each name looked up in a small table of the
  // names, so that many lookups cost neither the table of the whole
  // directory nor a cache miss each. Empty when two of the names are equal
  // ignoring letter case: what one finds would then depend on what the
  // other took out.
  static std::vector<int32_t> FindAll(const std::vector<TDirEntry> &directory, const TStringList &names);

private:
  // Lookups an operation may make by scanning before the table pays.
  static constexpr size_t ScanLimit = 8;
  static constexpr int32_t Empty = -1;
  static constexpr int32_t Deleted = -2;
  void Build(const std::vector<TDirEntry> &directory) const;
  size_t SlotOf(uint64_t hash) const { return static_cast<size_t>(hash) & (m_Slots.size() - 1); }

  mutable std::vector<int32_t> m_Slots;
  mutable size_t m_Filled = 0; // live and deleted slots
  mutable bool m_Valid = false;
  mutable size_t m_Scans = 0; // lookups that scanned since the table was last built
};

// A hash of the name with ASCII capitals folded to lower case.
uint64_t NameHash(std::string_view name);

// NameHash in steps, for a caller that reads the name's words anyway (the
// archive check): Start, then each whole word of eight bytes through Word,
// then the last bytes of the name (zero above them), if any, through Last,
// and Finish. Every word folded to lower case first (FoldCapitals).
namespace NameHashing {
constexpr uint64_t Ones = 0x0101010101010101ull;
// 0x80 in each byte of word that is one of 'A'..'Z': a byte below 0x80
// whose low seven bits plus 0x3F reach 0x80 while plus 0x25 they do not
// (seven bits never carry into the next byte).
inline uint64_t Capitals(uint64_t word) {
  const uint64_t low = word & (Ones * 0x7F);
  return (low + Ones * 0x3F) & ~(low + Ones * 0x25) & ~word & (Ones * 0x80);
}
// The word with its capitals made small letters, given its Capitals.
inline uint64_t FoldCapitals(uint64_t word, uint64_t capitals) { return word | (capitals >> 2); }
inline uint64_t FoldCapitals(uint64_t word) { return FoldCapitals(word, Capitals(word)); }
inline uint64_t Start(size_t size) { return 0x9E3779B97F4A7C15ull ^ size; }
inline uint64_t Word(uint64_t hash, uint64_t folded) {
  hash = (hash ^ folded) * 0xFF51AFD7ED558CCDull;
  return hash ^ (hash >> 32);
}
inline uint64_t Last(uint64_t hash, uint64_t folded) { return (hash ^ folded) * 0xFF51AFD7ED558CCDull; }
// Start, then every whole word of name through Word; at: where the name's
// last bytes (fewer than eight) begin.
inline uint64_t WholeWords(std::string_view name, size_t &at) {
  uint64_t hash = Start(name.size());
  for (at = 0; at + 8 <= name.size(); at += 8) {
    uint64_t word;
    std::memcpy(&word, name.data() + at, 8);
    hash = Word(hash, FoldCapitals(word));
  }
  return hash;
}
inline uint64_t Finish(uint64_t hash) {
  hash ^= hash >> 29;
  return hash * 0xC4CEB9FE1A85EC53ull ^ (hash >> 32);
}
} // namespace NameHashing

// NameHash of a name at the start of a record's name field (TRecordView),
// whose whole words may be read: no copy of the last bytes.
inline uint64_t FieldNameHash(std::string_view name) {
  using namespace NameHashing;
  size_t at = 0;
  uint64_t hash = WholeWords(name, at);
  if (at < name.size()) {
    uint64_t word;
    std::memcpy(&word, name.data() + at, 8);
    word &= (uint64_t{1} << (8 * (name.size() - at))) - 1;
    hash = Last(hash, FoldCapitals(word));
  }
  return Finish(hash);
}
