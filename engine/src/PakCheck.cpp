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
#include <memory>
#include <new>
#include <string_view>

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

class TChecker {
public:
  explicit TChecker(const std::vector<TDirEntry> &directory) : m_Directory(directory) {}

  void Archive(TCheckKind kind, TCheckSeverity severity, const std::string &message) {
    m_Findings.push_back({severity, -1, {}, message, kind});
  }
  void Entry(TCheckKind kind, TCheckSeverity severity, size_t index, const std::string &message) {
    m_Findings.push_back({severity, static_cast<int32_t>(index), m_Directory[index].Name.Str(), message, kind});
  }
  void Add(const TCheckFindings &findings) { m_Findings.insert(m_Findings.end(), findings.begin(), findings.end()); }

  void CheckCount() {
    if (m_Directory.size() > static_cast<size_t>(MaxGameEntries))
      Archive(ckTooMany, csError,
              "It holds " + std::to_string(m_Directory.size()) +
                  " entries; the game loads no archive of more "
                  "than " +
                  std::to_string(MaxGameEntries) + ".");
  }

  // Entries whose data lies in [0, fileSize) of the file, with the header
  // and the directory, met in the order of where they start (at equal
  // starts: the header, the directory, then entries in directory order).
  // Each entry that starts inside a span met before it is reported once,
  // against the span reaching furthest; an entry that the header or the
  // directory starts inside is reported against that. Entries come in
  // directory order when their data does (as in any packed archive), else
  // through a sorted list of their indexes.
  void CheckOverlaps(int64_t fileSize, int64_t directoryOffset, int64_t directoryLength) {
    auto inFile = [&](const TDirEntry &entry) {
      return entry.Position > 0 && entry.Size > 0 && EntryDataInFile(entry, fileSize);
    };
    bool inOrder = true;
    int32_t lastStart = 0;
    for (const TDirEntry &entry : m_Directory)
      if (inFile(entry)) {
        inOrder = inOrder && entry.Position >= lastStart;
        lastStart = entry.Position;
      }
    std::vector<int32_t> byStart;
    if (!inOrder) {
      for (size_t i = 0; i < m_Directory.size(); ++i)
        if (inFile(m_Directory[i]))
          byStart.push_back(static_cast<int32_t>(i));
      std::stable_sort(byStart.begin(), byStart.end(), [this](int32_t a, int32_t b) {
        return m_Directory[static_cast<size_t>(a)].Position < m_Directory[static_cast<size_t>(b)].Position;
      });
    }

    TSpan furthest{0, HeaderSize, -1, "the header"};
    auto meet = [&](const TSpan &span) {
      if (span.Start < furthest.End) {
        if (span.Index >= 0)
          Entry(ckOverlap, csError, static_cast<size_t>(span.Index), "Its data overlaps " + Holder(furthest) + ".");
        else if (furthest.Index >= 0)
          Entry(ckOverlap, csError, static_cast<size_t>(furthest.Index), "Its data overlaps " + Holder(span) + ".");
      }
      if (span.End > furthest.End)
        furthest = span;
    };
    const TSpan directory{directoryOffset, directoryOffset + directoryLength, -1, "the directory"};
    bool directoryMet = directoryLength <= 0;
    auto meetEntry = [&](size_t index) {
      const TDirEntry &entry = m_Directory[index];
      if (!directoryMet && directory.Start <= entry.Position) {
        meet(directory);
        directoryMet = true;
      }
      meet({entry.Position, int64_t{entry.Position} + entry.Size, static_cast<int32_t>(index), nullptr});
    };
    if (inOrder) {
      for (size_t i = 0; i < m_Directory.size(); ++i)
        if (inFile(m_Directory[i]))
          meetEntry(i);
    } else {
      for (int32_t index : byStart)
        meetEntry(static_cast<size_t>(index));
    }
    if (!directoryMet)
      meet(directory);
  }

  void CheckSizes() {
    for (size_t i = 0; i < m_Directory.size(); ++i)
      if (m_Directory[i].Size == 0)
        Entry(ckEmpty, csWarning, i, "It holds no data (size 0).");
  }

  // The first entry of each name is the one the others are reported against.
  // One open-addressing table of entry indexes, keyed by a hash of the name
  // with ASCII capitals folded, lists the first entry of each exact name;
  // the names are compared where they lie, so that no name is copied. Names
  // equal but for letter case share a hash and so a probe chain, along which
  // they lie in directory order: the first one met that matches exactly, or
  // else ignoring case, is the first of the directory.
  void CheckDuplicates() {
    // At most half full, so probe chains stay short.
    size_t slotCount = 16;
    while (slotCount < 2 * m_Directory.size())
      slotCount *= 2;
    const size_t mask = slotCount - 1;
    // A slot holds an index plus one (0: empty) in its low bits and, in the
    // bits the indexes leave free, more bits of the hash, which turn away
    // most names of another chain without reading them.
    int indexBits = 1;
    while ((uint64_t{1} << indexBits) <= m_Directory.size())
      ++indexBits;
    const uint32_t indexMask = indexBits >= 32 ? UINT32_MAX : (uint32_t{1} << indexBits) - 1;
    // Fresh zeroed memory: the system hands it over cleared, nothing writes it twice.
    std::unique_ptr<uint32_t[], decltype(&std::free)> slots(
        static_cast<uint32_t *>(std::calloc(slotCount, sizeof(uint32_t))), &std::free);
    if (!slots)
      throw std::bad_alloc();
    // Hashes are made a few entries ahead, and their slots fetched into the
    // cache meanwhile: the table is too large to stay there.
    constexpr size_t Ahead = 8;
    uint64_t hashes[Ahead];
    auto hashOf = [&](size_t i) {
      const uint64_t hash = NameHash(m_Directory[i].Name.View());
      __builtin_prefetch(&slots[static_cast<size_t>(hash) & mask]);
      return hash;
    };
    for (size_t i = 0; i < std::min(Ahead, m_Directory.size()); ++i)
      hashes[i] = hashOf(i);
    for (size_t i = 0; i < m_Directory.size(); ++i) {
      const uint64_t hash = hashes[i % Ahead];
      if (i + Ahead < m_Directory.size())
        hashes[i % Ahead] = hashOf(i + Ahead);
      const std::string_view name = m_Directory[i].Name.View();
      const uint32_t tag = static_cast<uint32_t>(hash >> 32) & ~indexMask;
      size_t exact = SIZE_MAX;
      size_t similar = SIZE_MAX;
      size_t at = static_cast<size_t>(hash) & mask;
      for (; slots[at] != 0; at = (at + 1) & mask) {
        if ((slots[at] & ~indexMask) != tag)
          continue;
        const size_t other = (slots[at] & indexMask) - 1;
        const std::string_view otherName = m_Directory[other].Name.View();
        if (otherName == name) {
          exact = other;
          break;
        }
        if (similar == SIZE_MAX && SameTextAscii(otherName, name))
          similar = other;
      }
      if (exact != SIZE_MAX) {
        Entry(ckSameName, csError, i,
              "Entry " + std::to_string(exact) + " has the same name: only one of them is found by name.");
        continue;
      }
      slots[at] = static_cast<uint32_t>(i + 1) | tag;
      if (similar != SIZE_MAX)
        Entry(ckSameName, csError, i,
              "Entry " + std::to_string(similar) + " (" + m_Directory[similar].Name.Str() +
                  ") has the same name in other letter case: engines that ignore case find only one of them.");
    }
  }

  void CheckNames() {
    for (size_t i = 0; i < m_Directory.size(); ++i)
      CheckName(i, m_Directory[i].Name.View());
  }

  // Archive findings first, then each entry's in directory order; within
  // one entry, in the order the rules ran.
  TCheckFindings Take() {
    if (!std::is_sorted(m_Findings.begin(), m_Findings.end(),
                        [](const TCheckFinding &a, const TCheckFinding &b) { return a.Index < b.Index; }))
      std::stable_sort(m_Findings.begin(), m_Findings.end(),
                     [](const TCheckFinding &a, const TCheckFinding &b) { return a.Index < b.Index; });
    return std::move(m_Findings);
  }

private:
  std::string Holder(const TSpan &span) const {
    if (span.Index < 0)
      return span.What;
    return "that of entry " + std::to_string(span.Index) + " (" +
           m_Directory[static_cast<size_t>(span.Index)].Name.Str() + ")";
  }

  void CheckName(size_t index, std::string_view name) {
    if (name.size() == static_cast<size_t>(NameSize))
      Entry(ckName, csError, index,
            "Its name fills all 56 bytes of its field and has no terminating zero: the game does not find it.");
    // The byte rules in one pass over the name.
    bool upperCase = false;
    bool backslash = false;
    bool unprintable = false;
    for (const char c : name) {
      upperCase = upperCase || (c >= 'A' && c <= 'Z');
      backslash = backslash || c == '\\';
      unprintable = unprintable || c < 0x20 || c > 0x7E;
    }
    if (upperCase)
      Entry(ckName, csWarning, index,
            "Its name has upper-case letters: the game asks for lower-case names and compares them exactly.");
    if (backslash)
      Entry(ckName, csWarning, index, "Its name has a backslash: the game separates folders with \"/\" only.");
    const TNamePartFaults parts = NamePartFaults(name);
    if (parts.LeadingSlash)
      Entry(ckName, csWarning, index, "Its name begins with \"/\": the game never asks for such a name.");
    if (!parts.DotPart.empty())
      Entry(ckName, csWarning, index, "Its name has a \".\" or \"..\" part: the game never asks for such a name.");
    if (parts.EmptyPart)
      Entry(ckName, csWarning, index,
            name.empty() ? std::string("Its name is empty.")
                         : std::string("Its name has an empty part (\"//\", or \"/\" at its end)."));
    if (unprintable)
      Entry(ckName, csWarning, index, "Its name has bytes outside printable ASCII.");
  }

  const std::vector<TDirEntry> &m_Directory;
  TCheckFindings m_Findings;
};

void CheckEntries(TChecker &checker, int64_t fileSize, int64_t directoryOffset, int64_t directoryLength) {
  checker.CheckCount();
  checker.CheckOverlaps(fileSize, directoryOffset, directoryLength);
  checker.CheckSizes();
  checker.CheckDuplicates();
  checker.CheckNames();
}

} // namespace

std::string FindingText(const TCheckFinding &finding) {
  return finding.Index < 0 ? finding.Message : finding.Entry + ": " + finding.Message;
}

bool EntryDataInFile(const TDirEntry &entry, int64_t fileSize) {
  if (entry.Size <= 0)
    return entry.Size == 0;
  return entry.Position > 0 && int64_t{entry.Position} + entry.Size <= fileSize;
}

TCheckFindings CheckArchiveFile(const std::string &path) {
  TPakFile file(path, TPakFile::ReadOnly);
  if (!HasPakMagic(file))
    return {{csError, -1, {}, "It is not a PAK file: it does not start with \"PACK\".", ckNotPak}};
  std::vector<TDirEntry> directory;
  TDirectoryReport report;
  ReadDirectoryOf(file, directory, &report, false);
  TChecker checker(directory);
  checker.Add(report.Damage);
  CheckEntries(checker, report.FileSize, report.DirectoryOffset, report.DirectoryLength);
  return checker.Take();
}

TCheckFindings CheckArchive(const TQuakePak &pak) {
  TChecker checker(pak.Directory());
  for (const TCheckFinding &damage : pak.DamageFindings())
    checker.Archive(ckDamage, damage.Severity, FindingText(damage));
  // Without the file at hand, every entry that could lie in an archive is
  // looked at; those that cannot are among the damage already.
  CheckEntries(checker, MaxArchiveSize, 0, 0);
  return checker.Take();
}
