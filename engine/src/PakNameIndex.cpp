// SPDX-License-Identifier: GPL-3.0-or-later
// The name index: hashing, building, lookups and upkeep as the directory changes.
#include "PakNameIndex.h"

#include <algorithm>
#include <cstring>

namespace {
constexpr size_t MinSlots = 16;

// A key made cheaply from a name's length and its first and last eight
// bytes (four, or three bytes, of a shorter name), blind to ASCII letter
// case like NameHash: names that differ only in between share it. It only
// turns away names that cannot be among those looked for.
uint64_t QuickKey(std::string_view name) {
  const size_t size = name.size();
  uint64_t first = 0;
  uint64_t last = 0;
  if (size >= 8) {
    std::memcpy(&first, name.data(), 8);
    std::memcpy(&last, name.data() + size - 8, 8);
  } else if (size >= 4) {
    uint32_t head = 0;
    uint32_t tail = 0;
    std::memcpy(&head, name.data(), 4);
    std::memcpy(&tail, name.data() + size - 4, 4);
    first = head;
    last = tail;
  } else if (size > 0) {
    first = uint64_t{static_cast<unsigned char>(name[0])} | uint64_t{static_cast<unsigned char>(name[size / 2])} << 8 |
            uint64_t{static_cast<unsigned char>(name[size - 1])} << 16;
  }
  using NameHashing::FoldCapitals;
  return ((FoldCapitals(first) ^ size) * 0x9E3779B97F4A7C15ull + FoldCapitals(last)) * 0xFF51AFD7ED558CCDull;
}
} // namespace

uint64_t NameHash(std::string_view name) {
  // Eight bytes at a time, ASCII capitals folded to lower case in each word
  // at once.
  using namespace NameHashing;
  size_t at = 0;
  uint64_t hash = WholeWords(name, at);
  if (const size_t left = name.size() - at; left > 0) {
    // The last bytes as one word, zero above them, without a copy of
    // variable length: the word ending at the name's end, shifted, or for a
    // short name two loads that overlap where they agree.
    uint64_t word = 0;
    const auto byte = [&](size_t i) { return uint64_t{static_cast<unsigned char>(name[i])} << (8 * i); };
    if (at > 0) {
      std::memcpy(&word, name.data() + name.size() - 8, 8);
      word >>= 8 * (8 - left);
    } else if (left >= 4) {
      uint32_t first = 0;
      uint32_t last = 0;
      std::memcpy(&first, name.data(), 4);
      std::memcpy(&last, name.data() + left - 4, 4);
      word = uint64_t{first} | uint64_t{last} << (8 * (left - 4));
    } else {
      word = byte(0) | byte(left / 2) | byte(left - 1);
    }
    hash = Last(hash, FoldCapitals(word));
  }
  return Finish(hash);
}

void TNameIndex::Build(const std::vector<TDirEntry> &directory) const {
  // At most half full, so probe chains stay short.
  size_t slots = MinSlots;
  while (slots < 2 * directory.size() + 2)
    slots *= 2;
  m_Slots.assign(slots, Empty);
  const size_t mask = slots - 1;
  for (size_t i = 0; i < directory.size(); ++i) {
    size_t at = SlotOf(NameHash(directory[i].Name));
    while (m_Slots[at] != Empty)
      at = (at + 1) & mask;
    m_Slots[at] = static_cast<int32_t>(i);
  }
  m_Filled = directory.size();
  m_Valid = true;
  m_Scans = 0;
}

void TNameIndex::Prepare(const std::vector<TDirEntry> &directory, size_t lookups) const {
  if (!m_Valid && lookups > ScanLimit)
    Build(directory);
}

void TNameIndex::Ensure(const std::vector<TDirEntry> &directory) const {
  if (!m_Valid)
    Build(directory);
}

int32_t TNameIndex::Find(const std::vector<TDirEntry> &directory, const std::string &name) const {
  int32_t exact = -1;
  int32_t folded = -1;
  auto consider = [&](int32_t index) {
    const std::string_view candidate = directory[static_cast<size_t>(index)].Name.View();
    if (index > exact && candidate == name)
      exact = index;
    else if (index > folded && SameTextAscii(candidate, name))
      folded = index;
  };
  // A few lookups cost less as scans than building the table would; many
  // lookups one at a time (a caller that checks name after name) build it.
  if (!m_Valid && ++m_Scans > ScanLimit)
    Build(directory);
  if (!m_Valid) {
    for (size_t i = directory.size(); i-- > 0 && exact < 0;)
      if (directory[i].Name.size() == name.size())
        consider(static_cast<int32_t>(i));
  } else {
    const size_t mask = m_Slots.size() - 1;
    for (size_t at = SlotOf(NameHash(name)); m_Slots[at] != Empty; at = (at + 1) & mask)
      if (m_Slots[at] >= 0)
        consider(m_Slots[at]);
  }
  return exact >= 0 ? exact : folded;
}

void TNameIndex::Insert(const std::vector<TDirEntry> &directory, int32_t index) {
  if (!m_Valid)
    return; // built whole on the next lookup
  if (2 * (m_Filled + 1) > m_Slots.size()) {
    Build(directory);
    return;
  }
  const size_t mask = m_Slots.size() - 1;
  size_t at = SlotOf(NameHash(directory[static_cast<size_t>(index)].Name));
  while (m_Slots[at] >= 0)
    at = (at + 1) & mask;
  if (m_Slots[at] == Empty)
    ++m_Filled;
  m_Slots[at] = index;
}

void TNameIndex::Erase(const std::vector<TDirEntry> &directory, int32_t index) {
  if (!m_Valid)
    return;
  const size_t mask = m_Slots.size() - 1;
  for (size_t at = SlotOf(NameHash(directory[static_cast<size_t>(index)].Name)); m_Slots[at] != Empty;
       at = (at + 1) & mask)
    if (m_Slots[at] == index) {
      m_Slots[at] = Deleted;
      return;
    }
}

void TNameIndex::Renumber(const std::vector<int32_t> &newIndex) {
  if (!m_Valid)
    return;
  for (int32_t &slot : m_Slots)
    if (slot >= 0)
      slot = newIndex[static_cast<size_t>(slot)] >= 0 ? newIndex[static_cast<size_t>(slot)] : Deleted;
}

std::vector<int32_t> TNameIndex::FindAll(const std::vector<TDirEntry> &directory, const TStringList &names) {
  size_t slots = MinSlots;
  while (slots < 2 * names.size() + 2)
    slots *= 2;
  const size_t mask = slots - 1;
  std::vector<int32_t> table(slots, Empty);
  std::vector<uint64_t> hashes(names.size());
  // Eight bits for each slot, one set per name by its quick key: most names
  // of the directory are not asked for, and a clear bit turns one away
  // before its hash is made and without a probe of the table, which
  // outgrows the first-level cache long before this does.
  int filterShift = 64 - 3;
  for (size_t n = slots; n > 1; n /= 2)
    --filterShift;
  std::vector<uint64_t> filter((slots * 8 + 63) / 64);
  const auto filterBit = [&](std::string_view name) { return static_cast<size_t>(QuickKey(name) >> filterShift); };
  for (size_t n = 0; n < names.size(); ++n) {
    hashes[n] = NameHash(names[n]);
    size_t at = static_cast<size_t>(hashes[n]) & mask;
    for (; table[at] != Empty; at = (at + 1) & mask) {
      const auto other = static_cast<size_t>(table[at]);
      if (hashes[other] == hashes[n] && SameTextAscii(names[other], names[n]))
        return {};
    }
    table[at] = static_cast<int32_t>(n);
    const size_t bit = filterBit(names[n]);
    filter[bit / 64] |= uint64_t{1} << (bit % 64);
  }
  std::vector<int32_t> exact(names.size(), -1);
  std::vector<int32_t> folded(names.size(), -1);
  // Once every name has its exact match, nothing before it can change an answer.
  size_t unmatched = names.size();
  for (size_t i = directory.size(); i-- > 0 && unmatched > 0;) {
    const std::string_view name = directory[i].Name.View();
    const size_t bit = filterBit(name);
    if ((filter[bit / 64] >> (bit % 64) & 1) == 0)
      continue;
    const uint64_t hash = NameHash(name);
    for (size_t at = static_cast<size_t>(hash) & mask; table[at] != Empty; at = (at + 1) & mask) {
      const auto n = static_cast<size_t>(table[at]);
      if (hashes[n] != hash || exact[n] >= 0)
        continue;
      if (name == names[n]) {
        exact[n] = static_cast<int32_t>(i);
        --unmatched;
      } else if (folded[n] < 0 && SameTextAscii(name, names[n])) {
        folded[n] = static_cast<int32_t>(i);
      }
    }
  }
  for (size_t n = 0; n < names.size(); ++n)
    if (exact[n] < 0)
      exact[n] = folded[n];
  return exact;
}
