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
#include <memory>
#include <new>
#include <span>
#include <string_view>
#include <sys/mman.h>

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
// bytes outside printable ASCII. Eight bytes at a time, each rule a few
// operations on the whole word (no byte carries into the next). The name
// lies at the start of a record's name field (TRecordView), so whole words
// of the field are read, and the bytes past the name's end masked.
struct TByteFaults {
  bool UpperCase = false;
  bool Backslash = false;
  bool Unprintable = false;
  // A "/" followed by "/" or ".", or a name empty, beginning with "/" or ".",
  // or ending in "/": only then can NamePartFaults find anything.
  bool PartFaultPossible = false;
};

// What one reading of a name's words tells: its byte faults and its
// NameHash, made from the same words.
struct TNameScan {
  TByteFaults Faults;
  uint64_t Hash = 0;
};

TNameScan ScanName(std::string_view name) {
  using namespace NameHashing;
  constexpr uint64_t High = Ones * 0x80;
  // Some byte of v is zero.
  auto anyZero = [](uint64_t v) { return (v - Ones) & ~v & High; };
  uint64_t upper = 0;
  uint64_t backslash = 0;
  uint64_t unprintable = 0;
  uint64_t slashThenSlashOrDot = 0;
  uint64_t slashBefore = 0; // the last byte of the word before was "/"
  uint64_t hash = Start(name.size());
  static_assert(NameSize % 8 == 0);
  for (size_t at = 0; at < name.size(); at += 8) {
    uint64_t word;
    std::memcpy(&word, name.data() + at, 8);
    // Past the name's end: zero for the hash, "a" (a byte that breaks no
    // rule) for the rules; neither is a capital.
    uint64_t kept = ~uint64_t{0};
    if (const size_t left = name.size() - at; left < 8) {
      kept = (uint64_t{1} << (8 * left)) - 1;
      word &= kept;
    }
    const uint64_t capitals = Capitals(word);
    const uint64_t folded = FoldCapitals(word, capitals);
    hash = ~kept == 0 ? Word(hash, folded) : Last(hash, folded);
    word |= Ones * 'a' & ~kept;
    upper |= capitals;
    backslash |= anyZero(word ^ (Ones * '\\'));
    // Printable: below 0x80, low + 0x60 reaches 0x80 (0x20 or above), low + 1 does not (not 0x7F).
    const uint64_t low = word & (Ones * 0x7F);
    unprintable |= (word | ~((low + Ones * 0x60) & ~(low + Ones))) & High;
    // A flag may also stand on a byte above one truly found, never missing
    // one: this only decides whether the exact rule runs.
    const uint64_t slashes = anyZero(word ^ (Ones * '/'));
    const uint64_t slashesOrDots = slashes | anyZero(word ^ (Ones * '.'));
    slashThenSlashOrDot |= ((slashes << 8) | slashBefore) & slashesOrDots;
    slashBefore = (word >> 56) == '/' ? 0x80 : 0;
  }
  const bool partFault =
      name.empty() || name.front() == '/' || name.front() == '.' || name.back() == '/' || slashThenSlashOrDot != 0;
  return {{upper != 0, backslash != 0, unprintable != 0, partFault}, Finish(hash)};
}

// A table of zeroed words straight from the system, each 2 MiB of it asked
// to be one huge page: the duplicate-name table is probed at random, and
// with 4 KiB pages nearly every probe of a large one would also miss the
// address cache. The system hands the pages over cleared: nothing writes
// them twice.
class TZeroedTable {
public:
  explicit TZeroedTable(size_t count) : m_Bytes(count * sizeof(uint32_t)) {
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
    m_Words = reinterpret_cast<uint32_t *>(first);
  }
  ~TZeroedTable() { ::munmap(m_Start, m_Mapped); }
  TZeroedTable(const TZeroedTable &) = delete;
  TZeroedTable &operator=(const TZeroedTable &) = delete;

  uint32_t &operator[](size_t index) { return m_Words[index]; }

private:
  size_t m_Bytes;
  size_t m_Mapped = 0;
  void *m_Start = nullptr;
  uint32_t *m_Words = nullptr;
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
      // The batch's names read first, and the slot of each in the name-twin
      // table fetched into the cache meanwhile: the table is too large to
      // stay there, and it is probed at random.
      m_Scans.resize(records.size());
      for (size_t i = 0; i < records.size(); ++i) {
        m_Scans[i] = ScanName(records[i].Name);
        __builtin_prefetch(&(*m_Slots)[static_cast<size_t>(m_Scans[i].Hash) & m_Mask]);
      }
      for (size_t i = 0; i < records.size(); ++i) {
        const size_t index = static_cast<size_t>(first) + i;
        const TRecordView &record = records[i];
        SweepInOrder(index, record);
        if (record.Size == 0)
          Entry(ckEmpty, csWarning, index, record.Name, "It holds no data (size 0).");
        CheckDuplicate(index, record.Name, m_Scans[i].Hash);
        CheckName(index, record.Name, m_Scans[i].Faults);
      }
      m_Count = static_cast<size_t>(first) + records.size();
    }
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
    auto before = [](const TCheckFinding &a, const TCheckFinding &b) {
      return a.Index != b.Index ? a.Index < b.Index : a.Kind < b.Kind;
    };
    if (!std::is_sorted(m_Findings.begin(), m_Findings.end(), before))
      std::stable_sort(m_Findings.begin(), m_Findings.end(), before);
    return std::move(m_Findings);
  }

private:
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
  // One open-addressing table of entry indexes, keyed by a hash of the name
  // with ASCII capitals folded, lists the first entry of each exact name;
  // names are compared only where the hashes agree, and so an earlier name
  // is read again only for a likely twin. Names equal but for letter case
  // share a hash and so a probe chain, along which they lie in directory
  // order: the first one met that matches exactly, or else ignoring case, is
  // the first of the directory.
  void StartDuplicates(size_t count) {
    // At most half full, so probe chains stay short.
    size_t slotCount = 16;
    while (slotCount < 2 * count)
      slotCount *= 2;
    m_Mask = slotCount - 1;
    // A slot holds an index plus one (0: empty) in its low bits and, in the
    // bits the indexes leave free, more bits of the hash, which turn away
    // most names of another chain without reading them.
    int indexBits = 1;
    while ((uint64_t{1} << indexBits) <= count)
      ++indexBits;
    m_IndexMask = indexBits >= 32 ? UINT32_MAX : (uint32_t{1} << indexBits) - 1;
    m_Slots = std::make_unique<TZeroedTable>(slotCount);
  }

  // Most names have no twin, and their probe meets no slot of the same
  // tag; a likely twin is looked at by CheckTwins.
  void CheckDuplicate(size_t index, std::string_view name, uint64_t hash) {
    // Beyond the table's size (the file grew while it was read): not looked at.
    if (index >= m_IndexMask)
      return;
    const uint32_t tag = static_cast<uint32_t>(hash >> 32) & ~m_IndexMask;
    const size_t start = static_cast<size_t>(hash) & m_Mask;
    size_t slot = start;
    for (uint32_t held; (held = (*m_Slots)[slot]) != 0; slot = (slot + 1) & m_Mask)
      if ((held & ~m_IndexMask) == tag) {
        CheckTwins(index, name, start, tag);
        return;
      }
    (*m_Slots)[slot] = static_cast<uint32_t>(index + 1) | tag;
  }

  [[gnu::noinline]] void CheckTwins(size_t index, std::string_view name, size_t slot, uint32_t tag) {
    size_t exact = SIZE_MAX;
    size_t similar = SIZE_MAX;
    TEntryName similarName;
    for (; (*m_Slots)[slot] != 0; slot = (slot + 1) & m_Mask) {
      if (((*m_Slots)[slot] & ~m_IndexMask) != tag)
        continue;
      const size_t other = ((*m_Slots)[slot] & m_IndexMask) - 1;
      const TEntryName otherName = m_Source.NameAt(other);
      if (otherName == name) {
        exact = other;
        break;
      }
      if (similar == SIZE_MAX && SameTextAscii(otherName, name)) {
        similar = other;
        similarName = otherName;
      }
    }
    if (exact != SIZE_MAX) {
      Entry(ckSameName, csError, index, name,
            "Entry " + std::to_string(exact) + " has the same name: only one of them is found by name.");
      return;
    }
    (*m_Slots)[slot] = static_cast<uint32_t>(index + 1) | tag;
    if (similar != SIZE_MAX)
      Entry(ckSameName, csError, index, name,
            "Entry " + std::to_string(similar) + " (" + similarName.Str() +
                ") has the same name in other letter case: engines that ignore case find only one of them.");
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
  // The duplicate-name table.
  std::unique_ptr<TZeroedTable> m_Slots;
  size_t m_Mask = 0;
  uint32_t m_IndexMask = 0;
  std::vector<TNameScan> m_Scans; // of the batch at hand
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
