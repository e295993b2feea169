// SPDX-License-Identifier: GPL-3.0-or-later
// The archive check: damage, overlapping data, empty entries, names the game
// cannot find, names twice, and too many entries for the game. It reads and
// judges; it never changes a file or an archive.
#include "PakFile.h"
#include "PakInternal.h"
#include "PakNameIndex.h"
#include "PakQuake.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <memory>
#include <new>
#include <span>
#include <string_view>
#include <sys/mman.h>
#include <unordered_map>

using namespace PakFormat;

namespace {

// A byte range of the archive file and who holds it: an entry, or (Index -1)
// the header or the directory, named by what.
struct TSpan {
  int64_t Start = 0;
  int64_t End = 0;
  int32_t Index = -1;
  const char *What = nullptr;
};

// Which of the byte rules a name breaks: upper-case letters, a backslash,
// bytes outside printable ASCII.
struct TByteFaults {
  bool UpperCase = false;
  bool Backslash = false;
  bool Unprintable = false;
  // A "/" followed by "/" or ".", or a name empty, beginning with "/" or ".",
  // or ending in "/": only then can NamePartFaults find anything.
  bool PartFaultPossible = false;
};

// What one look at a name tells: its byte faults and its NameHash.
struct TNameScan {
  TByteFaults Faults;
  uint64_t Hash = 0;
};

// Bit i of each: byte i of a name's field is of that sort.
struct TByteSorts {
  uint64_t Capitals = 0;
  uint64_t Backslashes = 0;
  uint64_t Unprintable = 0;
  uint64_t Slashes = 0;
  uint64_t Dots = 0;
};

// The sorts of the bytes of a name at the start of a record's name field
// (TRecordView), sixteen at a time: the whole field may be read. Bits past
// the name's end mean nothing.
TByteSorts SortBytes(std::string_view name) {
  TByteSorts sorts;
#if defined(__SSE2__)
  const auto bits = [](__m128i matches) {
    return static_cast<uint64_t>(static_cast<uint32_t>(_mm_movemask_epi8(matches)));
  };
  static_assert(NameSize == 56);
  for (size_t at = 0; at < name.size(); at += 16) {
    // The field's last eight bytes alone: the field ends there.
    const __m128i bytes = at + 16 <= NameSize ? _mm_loadu_si128(reinterpret_cast<const __m128i *>(name.data() + at))
                                              : _mm_loadl_epi64(reinterpret_cast<const __m128i *>(name.data() + at));
    const auto is = [&](char c) { return _mm_cmpeq_epi8(bytes, _mm_set1_epi8(c)); };
    // Signed: bytes of 0x80 and above are below zero, so neither capitals
    // nor printable.
    sorts.Capitals |= bits(_mm_and_si128(_mm_cmpgt_epi8(bytes, _mm_set1_epi8('A' - 1)),
                                         _mm_cmplt_epi8(bytes, _mm_set1_epi8('Z' + 1))))
                      << at;
    sorts.Backslashes |= bits(is('\\')) << at;
    sorts.Unprintable |= bits(_mm_or_si128(_mm_cmplt_epi8(bytes, _mm_set1_epi8(0x20)), is(0x7F))) << at;
    sorts.Slashes |= bits(is('/')) << at;
    sorts.Dots |= bits(is('.')) << at;
  }
#else
  for (size_t at = 0; at < name.size(); ++at) {
    const auto c = static_cast<unsigned char>(name[at]);
    sorts.Capitals |= uint64_t{c >= 'A' && c <= 'Z'} << at;
    sorts.Backslashes |= uint64_t{c == '\\'} << at;
    sorts.Unprintable |= uint64_t{c < 0x20 || c >= 0x7F} << at;
    sorts.Slashes |= uint64_t{c == '/'} << at;
    sorts.Dots |= uint64_t{c == '.'} << at;
  }
#endif
  return sorts;
}

TNameScan ScanName(std::string_view name) {
  const TByteSorts sorts = SortBytes(name);
  const uint64_t inName = (uint64_t{1} << name.size()) - 1;
  const bool partFault = name.empty() || name.front() == '/' || name.front() == '.' || name.back() == '/' ||
                         ((sorts.Slashes << 1) & (sorts.Slashes | sorts.Dots) & inName) != 0;
  return {
      {(sorts.Capitals & inName) != 0, (sorts.Backslashes & inName) != 0, (sorts.Unprintable & inName) != 0, partFault},
      FieldNameHash(name)};
}

// An array straight from the system, each 2 MiB of it asked to be one huge
// page: for the check's arrays of a few bytes per entry, a few faults where
// 4 KiB pages would take thousands. The system hands the pages over
// cleared (zero for the element types used here).
template <typename T> class TLargeArray {
public:
  explicit TLargeArray(size_t count) : m_Bytes(std::max<size_t>(count, 1) * sizeof(T)) {
    constexpr size_t HugePage = size_t{2} << 20;
    const bool huge = m_Bytes >= 2 * HugePage;
    m_Mapped = m_Bytes + (huge ? HugePage : 0);
    m_Start = ::mmap(nullptr, m_Mapped, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (m_Start == MAP_FAILED)
      throw std::bad_alloc();
    auto first = reinterpret_cast<uintptr_t>(m_Start);
    if (huge) {
      first = (first + HugePage - 1) & ~(HugePage - 1);
      ::madvise(reinterpret_cast<void *>(first), m_Bytes & ~(HugePage - 1), MADV_HUGEPAGE);
    }
    m_Items = reinterpret_cast<T *>(first);
  }
  ~TLargeArray() { ::munmap(m_Start, m_Mapped); }
  TLargeArray(const TLargeArray &) = delete;
  TLargeArray &operator=(const TLargeArray &) = delete;

  T &operator[](size_t index) { return m_Items[index]; }
  T *data() { return m_Items; }

private:
  size_t m_Bytes;
  size_t m_Mapped = 0;
  void *m_Start = nullptr;
  T *m_Items = nullptr;
};

// The records the check reads, batch by batch in directory order: a file's
// directory through a TDirectoryReader, or an open archive's directory.
class TRecordSource {
public:
  virtual ~TRecordSource() = default;
  // The records expected (the file may end early).
  virtual size_t Count() const = 0;
  // The next records, the first of them at index first; empty after the last.
  virtual std::span<const TRecordView> Next(int64_t &first) = 0;
  virtual void Rewind() = 0;
  // The name of any record, read or not.
  virtual TEntryName NameAt(size_t index) const = 0;
};

class TFileRecords : public TRecordSource {
public:
  explicit TFileRecords(TDirectoryReader &reader) : m_Reader(reader) {}
  size_t Count() const override { return static_cast<size_t>(m_Reader.Count()); }
  std::span<const TRecordView> Next(int64_t &first) override {
    const std::span<const TRecordView> records = m_Reader.Next();
    first = m_Reader.First();
    return records;
  }
  void Rewind() override { m_Reader.Rewind(); }
  TEntryName NameAt(size_t index) const override { return m_Reader.NameAt(static_cast<int64_t>(index)); }

private:
  TDirectoryReader &m_Reader;
};

class TListRecords : public TRecordSource {
public:
  explicit TListRecords(const std::vector<TDirEntry> &directory) : m_Directory(directory) {}
  size_t Count() const override { return m_Directory.size(); }
  std::span<const TRecordView> Next(int64_t &first) override {
    constexpr size_t Batch = 1024;
    first = static_cast<int64_t>(m_Next);
    m_Views.clear();
    for (; m_Next < m_Directory.size() && m_Views.size() < Batch; ++m_Next) {
      const TDirEntry &entry = m_Directory[m_Next];
      m_Views.push_back({entry.Name.View(), entry.Position, entry.Size});
    }
    return m_Views;
  }
  void Rewind() override { m_Next = 0; }
  TEntryName NameAt(size_t index) const override { return m_Directory[index].Name; }

private:
  const std::vector<TDirEntry> &m_Directory;
  size_t m_Next = 0;
  std::vector<TRecordView> m_Views;
};

// The rules, run over the records in one pass as they come. Only the
// duplicate-name table (a few bytes per entry) is kept of them; a name of an
// entry read before is read again where a finding needs it.
class TChecker {
public:
  TChecker(TRecordSource &source, int64_t fileSize, int64_t directoryOffset, int64_t directoryLength)
      : m_Source(source),
        m_FileSize(fileSize), m_Directory{directoryOffset, directoryOffset + directoryLength, -1, "the directory"},
        m_DirectoryMet(directoryLength <= 0) {}

  void Archive(TCheckKind kind, TCheckSeverity severity, const std::string &message) {
    m_Findings.push_back({severity, -1, {}, message, kind});
  }
  void Add(const TCheckFindings &findings) { m_Findings.insert(m_Findings.end(), findings.begin(), findings.end()); }

  void Run(const TRecordBatchVisitor &eachBatch) {
    StartDuplicates(m_Source.Count());
    int64_t first = 0;
    for (std::span<const TRecordView> records = m_Source.Next(first); !records.empty();
         records = m_Source.Next(first)) {
      if (eachBatch)
        eachBatch(first, records);
      for (size_t i = 0; i < records.size(); ++i) {
        const size_t index = static_cast<size_t>(first) + i;
        const TRecordView &record = records[i];
        const TNameScan scan = ScanName(record.Name);
        SweepInOrder(index, record);
        if (record.Size == 0)
          Entry(ckEmpty, csWarning, index, record.Name, "It holds no data (size 0).");
        NoteName(index, scan.Hash);
        CheckName(index, record.Name, scan.Faults);
      }
      m_Count = static_cast<size_t>(first) + records.size();
    }
    FinishDuplicates();
    FinishOverlaps();
    if (m_Count > static_cast<size_t>(MaxGameEntries))
      Archive(ckTooMany, csError,
              "It holds " + std::to_string(m_Count) +
                  " entries; the game loads no archive of more "
                  "than " +
                  std::to_string(MaxGameEntries) + ".");
  }

  // Archive findings first, then each entry's in directory order; within
  // one entry, in the order of the rules (the order of TCheckKind), each
  // rule's in the order it found them.
  TCheckFindings Take() {
    if (!std::is_sorted(m_Findings.begin(), m_Findings.end(), Before))
      std::stable_sort(m_Findings.begin(), m_Findings.end(), Before);
    return std::move(m_Findings);
  }

private:
  static bool Before(const TCheckFinding &a, const TCheckFinding &b) {
    return a.Index != b.Index ? a.Index < b.Index : a.Kind < b.Kind;
  }

  void Entry(TCheckKind kind, TCheckSeverity severity, size_t index, std::string_view name,
             const std::string &message) {
    m_Findings.push_back({severity, static_cast<int32_t>(index), std::string(name), message, kind});
  }

  // --- overlaps
  // Entries whose data lies in [0, fileSize) of the file, with the header
  // and the directory, met in the order of where they start (at equal
  // starts: the header, the directory, then entries in directory order).
  // Each entry that starts inside a span met before it is reported once,
  // against the span reaching furthest; an entry that the header or the
  // directory starts inside is reported against that. Entries are swept as
  // they come while their data lies in directory order (as in any packed
  // archive); else the sweep is made again over their starts sorted.
  bool InFile(const TRecordView &record) const {
    return record.Position > 0 && record.Size > 0 && int64_t{record.Position} + record.Size <= m_FileSize;
  }

  void SweepInOrder(size_t index, const TRecordView &record) {
    if (!m_InOrder || !InFile(record))
      return;
    if (record.Position < m_LastStart) {
      m_InOrder = false;
      return;
    }
    m_LastStart = record.Position;
    MeetEntry(index, record.Position, record.Size, m_Overlaps);
  }

  void MeetEntry(size_t index, int32_t position, int32_t size, TCheckFindings &found) {
    if (!m_DirectoryMet && m_Directory.Start <= position) {
      Meet(m_Directory, found);
      m_DirectoryMet = true;
    }
    if (position < m_Furthest.End)
      ReportOverlap(static_cast<int32_t>(index), m_Furthest, found);
    // Field by field: a span made whole on the stack and copied would be
    // read back before its stores settle, for every entry.
    if (int64_t{position} + size > m_Furthest.End) {
      m_Furthest.Start = position;
      m_Furthest.End = int64_t{position} + size;
      m_Furthest.Index = static_cast<int32_t>(index);
      m_Furthest.What = nullptr;
    }
  }

  // The header or the directory met.
  void Meet(const TSpan &span, TCheckFindings &found) {
    if (span.Start < m_Furthest.End && m_Furthest.Index >= 0)
      ReportOverlap(m_Furthest.Index, span, found);
    if (span.End > m_Furthest.End)
      m_Furthest = span;
  }

  void ReportOverlap(int32_t index, const TSpan &other, TCheckFindings &found) {
    found.push_back({csError, index, m_Source.NameAt(static_cast<size_t>(index)).Str(),
                     "Its data overlaps " + Holder(other) + ".", ckOverlap});
  }

  void FinishOverlaps() {
    if (!m_InOrder) {
      // Swept again over the entries sorted by where their data starts.
      m_Overlaps.clear();
      m_Furthest = {0, HeaderSize, -1, "the header"};
      m_DirectoryMet = m_Directory.End <= m_Directory.Start;
      struct TStart {
        int32_t Position;
        int32_t Size;
        int32_t Index;
      };
      std::vector<TStart> byStart;
      m_Source.Rewind();
      int64_t first = 0;
      for (std::span<const TRecordView> records = m_Source.Next(first); !records.empty();
           records = m_Source.Next(first))
        for (size_t i = 0; i < records.size(); ++i)
          if (InFile(records[i]))
            byStart.push_back({records[i].Position, records[i].Size, static_cast<int32_t>(first + i)});
      std::stable_sort(byStart.begin(), byStart.end(),
                       [](const TStart &a, const TStart &b) { return a.Position < b.Position; });
      for (const TStart &start : byStart)
        MeetEntry(static_cast<size_t>(start.Index), start.Position, start.Size, m_Overlaps);
    }
    if (!m_DirectoryMet)
      Meet(m_Directory, m_Overlaps);
    Add(m_Overlaps);
  }

  std::string Holder(const TSpan &span) const {
    if (span.Index < 0)
      return span.What;
    return "that of entry " + std::to_string(span.Index) + " (" +
           m_Source.NameAt(static_cast<size_t>(span.Index)).Str() + ")";
  }

  // --- names twice
  // The first entry of each name is the one the others are reported against.
  // The pass keeps 32 bits of each name's hash, its key (NameHash: names
  // equal but for letter case share it). After it, the entries are spread
  // by the keys' top bits into parts of a few thousand, each in directory
  // order, and each part is looked through on its own, with data small
  // enough to stay in the cache (one table of all the entries, probed at
  // random, missed the caches at nearly every probe). Names are read again
  // only where two keys agree, for a likely twin: the entry is compared with
  // the earlier entries of its key in directory order, and the first that
  // matches exactly, or else ignoring case, is the first of the directory.
  struct TKeyed {
    uint32_t Key = 0; // the hash's top 32 bits
    uint32_t Index = 0;
  };

  void StartDuplicates(size_t count) {
    // Parts of at most about 4,096 entries while there are at most 1,024
    // parts: a part's bits (256 KiB) and table (64 KiB) stay in the cache.
    m_PartBits = 0;
    while (m_PartBits < 10 && (count >> m_PartBits) > 4096)
      ++m_PartBits;
    m_KeyCount = std::min<size_t>(count, UINT32_MAX);
    m_Keys = std::make_unique<TLargeArray<uint32_t>>(m_KeyCount);
    m_PartSizes.assign(size_t{1} << m_PartBits, 0);
  }

  size_t PartOf(uint32_t key) const { return static_cast<size_t>(uint64_t{key} >> (32 - m_PartBits)); }

  void NoteName(size_t index, uint64_t hash) {
    // Beyond the count read in the header (the file grew while it was read): not looked at.
    if (index >= m_KeyCount)
      return;
    const auto key = static_cast<uint32_t>(hash >> 32);
    (*m_Keys)[index] = key;
    ++m_PartSizes[PartOf(key)];
  }

  void FinishDuplicates() {
    const size_t count = std::min(m_Count, m_KeyCount);
    // Each part's place, then the entries spread over the parts in directory order.
    std::vector<size_t> next(m_PartSizes.size());
    for (size_t part = 1; part < next.size(); ++part)
      next[part] = next[part - 1] + m_PartSizes[part - 1];
    TLargeArray<TKeyed> spread(count);
    for (size_t index = 0; index < count; ++index) {
      const uint32_t key = (*m_Keys)[index];
      spread[next[PartOf(key)]++] = {key, static_cast<uint32_t>(index)};
    }
    m_Keys.reset();
    TCheckFindings twins;
    // The names of a part's entries that a likely twin made the check read,
    // by entry: an entry of a name met many times is read once.
    TNameCache names;
    // One bit per key, of many more bits than a part has entries, so that
    // two keys rarely share one: most entries are told to have no twin by
    // their bit alone.
    size_t largest = 0;
    for (const size_t size : m_PartSizes)
      largest = std::max(largest, size);
    int bitCount = 12;
    while (bitCount < 21 && (size_t{1} << bitCount) < 512 * largest)
      ++bitCount;
    const uint32_t bitMask = (uint32_t{1} << bitCount) - 1;
    std::vector<uint64_t> seen(size_t{1} << (bitCount - 6));
    std::vector<TKeyed> table;
    const TKeyed *part = spread.data();
    for (const size_t size : m_PartSizes) {
      names.clear();
      // An entry whose bit is set is compared with the earlier entries of
      // its key, found by a scan of the part; once that has happened often
      // in a part (it holds many twins), the rest goes through a table.
      constexpr int Scans = 16;
      int scans = 0;
      size_t mask = 0;
      for (size_t at = 0; at < size; ++at) {
        const TKeyed entry = part[at];
        if (scans <= Scans) {
          uint64_t &word = seen[(entry.Key & bitMask) >> 6];
          const uint64_t bit = uint64_t{1} << (entry.Key & 63);
          if ((word & bit) == 0) {
            word |= bit;
            continue;
          }
          if (++scans <= Scans) {
            CheckTwins(
                entry,
                [&](auto &&visit) {
                  for (size_t before = 0; before < at; ++before)
                    if (part[before].Key == entry.Key && !visit(part[before].Index))
                      return;
                },
                names, twins);
            continue;
          }
          // The table of the entries before this one (the twins among them
          // too: each follows the first of its name, which is met first).
          size_t slots = 16;
          while (slots < 2 * size)
            slots *= 2;
          table.assign(slots, {});
          mask = slots - 1;
          for (size_t before = 0; before < at; ++before)
            Insert(table, mask, part[before]);
        }
        size_t slot = entry.Key & mask;
        while (table[slot].Index != 0 && table[slot].Key != entry.Key)
          slot = (slot + 1) & mask;
        if (table[slot].Index == 0) {
          table[slot] = {entry.Key, entry.Index + 1};
          continue;
        }
        const bool exact = CheckTwins(
            entry,
            [&](auto &&visit) {
              for (; table[slot].Index != 0; slot = (slot + 1) & mask)
                if (table[slot].Key == entry.Key && !visit(table[slot].Index - 1))
                  return;
            },
            names, twins);
        if (!exact)
          Insert(table, mask, entry);
      }
      for (size_t at = 0; at < size; ++at)
        seen[(part[at].Key & bitMask) >> 6] = 0;
      part += size;
    }
    // Merged in among the findings so far (in directory order, one of this
    // kind per entry), moved rather than copied: an archive may hold as
    // many twins as entries.
    std::vector<std::pair<int32_t, uint32_t>> order; // entry, place in twins
    order.reserve(twins.size());
    for (size_t at = 0; at < twins.size(); ++at)
      order.emplace_back(twins[at].Index, static_cast<uint32_t>(at));
    std::sort(order.begin(), order.end());
    TCheckFindings merged;
    merged.reserve(m_Findings.size() + twins.size());
    auto kept = m_Findings.begin();
    for (const auto &[index, at] : order) {
      for (; kept != m_Findings.end() && !Before(twins[at], *kept); ++kept)
        merged.push_back(std::move(*kept));
      merged.push_back(std::move(twins[at]));
    }
    std::move(kept, m_Findings.end(), std::back_inserter(merged));
    m_Findings = std::move(merged);
  }

  using TNameCache = std::unordered_map<uint32_t, TEntryName>;

  // Lists entry at the end of its key's probe chain.
  static void Insert(std::vector<TKeyed> &table, size_t mask, const TKeyed &entry) {
    size_t slot = entry.Key & mask;
    while (table[slot].Index != 0)
      slot = (slot + 1) & mask;
    table[slot] = {entry.Key, entry.Index + 1};
  }

  // An entry whose key some earlier entries' match: earlier(visit) calls
  // visit with each of their indexes in directory order until it returns
  // false. The first of the same name, or else the first of the same name
  // in other letter case, is the one reported. True when the name was met
  // before exactly.
  template <typename TEarlier>
  [[gnu::noinline]] bool CheckTwins(const TKeyed &entry, TEarlier &&earlier, TNameCache &names,
                                    TCheckFindings &twins) const {
    // Read at the first earlier entry of the key: a bit shared by chance
    // has none.
    TEntryName name;
    bool met = false;
    size_t exact = SIZE_MAX;
    size_t similar = SIZE_MAX;
    TEntryName similarName;
    earlier([&](uint32_t other) {
      if (!met) {
        name = m_Source.NameAt(entry.Index);
        met = true;
      }
      const auto [known, unread] = names.try_emplace(other);
      if (unread)
        known->second = m_Source.NameAt(other);
      const TEntryName &otherName = known->second;
      if (otherName == name) {
        exact = other;
        return false;
      }
      if (similar == SIZE_MAX && SameTextAscii(otherName, name)) {
        similar = other;
        similarName = otherName;
      }
      return true;
    });
    if (exact != SIZE_MAX) {
      twins.push_back({csError, static_cast<int32_t>(entry.Index), name.Str(),
                       "Entry " + std::to_string(exact) + " has the same name: only one of them is found by name.",
                       ckSameName});
      return true;
    }
    if (met)
      names.try_emplace(entry.Index, name);
    if (similar != SIZE_MAX)
      twins.push_back({csError, static_cast<int32_t>(entry.Index), name.Str(),
                       "Entry " + std::to_string(similar) + " (" + similarName.Str() +
                           ") has the same name in other letter case: engines that ignore case find only one of them.",
                       ckSameName});
    return false;
  }

  // --- names the game cannot find
  void CheckName(size_t index, std::string_view name, const TByteFaults &bytes) {
    if (name.size() == static_cast<size_t>(NameSize))
      Entry(ckName, csError, index, name,
            "Its name fills all 56 bytes of its field and has no terminating zero: the game does not find it.");
    if (bytes.UpperCase)
      Entry(ckName, csWarning, index, name,
            "Its name has upper-case letters: the game asks for lower-case names and compares them exactly.");
    if (bytes.Backslash)
      Entry(ckName, csWarning, index, name, "Its name has a backslash: the game separates folders with \"/\" only.");
    const TNamePartFaults parts = bytes.PartFaultPossible ? NamePartFaults(name) : TNamePartFaults();
    if (parts.LeadingSlash)
      Entry(ckName, csWarning, index, name, "Its name begins with \"/\": the game never asks for such a name.");
    if (!parts.DotPart.empty())
      Entry(ckName, csWarning, index, name,
            "Its name has a \".\" or \"..\" part: the game never asks for such a name.");
    if (parts.EmptyPart)
      Entry(ckName, csWarning, index, name,
            name.empty() ? std::string("Its name is empty.")
                         : std::string("Its name has an empty part (\"//\", or \"/\" at its end)."));
    if (bytes.Unprintable)
      Entry(ckName, csWarning, index, name, "Its name has bytes outside printable ASCII.");
  }

  TRecordSource &m_Source;
  const int64_t m_FileSize;
  TCheckFindings m_Findings;
  size_t m_Count = 0;
  // The overlap sweep.
  const TSpan m_Directory;
  bool m_DirectoryMet;
  TSpan m_Furthest{0, HeaderSize, -1, "the header"};
  bool m_InOrder = true;
  int32_t m_LastStart = 0;
  TCheckFindings m_Overlaps;
  // The names' hashes, and how many of them fall in each part.
  std::unique_ptr<TLargeArray<uint32_t>> m_Keys;
  size_t m_KeyCount = 0;
  int m_PartBits = 0;
  std::vector<size_t> m_PartSizes;
};

} // namespace

std::string FindingText(const TCheckFinding &finding) {
  return finding.Index < 0 ? finding.Message : finding.Entry + ": " + finding.Message;
}

bool EntryDataInFile(const TDirEntry &entry, int64_t fileSize) {
  if (entry.Size <= 0)
    return entry.Size == 0;
  return entry.Position > 0 && int64_t{entry.Position} + entry.Size <= fileSize;
}

TCheckFindings CheckArchiveFile(const std::string &path, const TRecordBatchVisitor &eachBatch) {
  TDirectoryReader reader(path, true);
  if (!reader.HasMagic())
    return {{csError, -1, {}, "It is not a PAK file: it does not start with \"PACK\".", ckNotPak}};
  TFileRecords records(reader);
  // The header's damage is known now; each record's as it is read.
  TChecker checker(records, reader.FileSize(), reader.DirectoryOffset(), reader.Count() * RecordSize);
  checker.Run(eachBatch);
  checker.Add(reader.TakeDamage());
  return checker.Take();
}

TCheckFindings CheckArchive(const TQuakePak &pak) {
  TListRecords records(pak.Directory());
  TChecker checker(records, MaxArchiveSize, 0, 0);
  for (const TCheckFinding &damage : pak.DamageFindings())
    checker.Archive(ckDamage, damage.Severity, FindingText(damage));
  // Without the file at hand, every entry that could lie in an archive is
  // looked at; those that cannot are among the damage already.
  checker.Run({});
  return checker.Take();
}
