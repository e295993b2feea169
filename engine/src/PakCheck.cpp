// SPDX-License-Identifier: GPL-3.0-or-later
// The archive check: damage, overlapping data, empty entries, names the game
// cannot find, names twice, and too many entries for the game. It reads and
// judges; it never changes a file or an archive.
#include "PakFile.h"
#include "PakInternal.h"
#include "PakQuake.h"

#include <algorithm>
#include <string_view>
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
  // and the directory. Each entry that starts inside a span met before it is
  // reported once, against the span reaching furthest; an entry that the
  // header or the directory starts inside is reported against that.
  void CheckOverlaps(int64_t fileSize, int64_t directoryOffset, int64_t directoryLength) {
    std::vector<TSpan> spans{{0, HeaderSize, -1, "the header"}};
    if (directoryLength > 0)
      spans.push_back({directoryOffset, directoryOffset + directoryLength, -1, "the directory"});
    for (size_t i = 0; i < m_Directory.size(); ++i) {
      const TDirEntry &entry = m_Directory[i];
      if (entry.Position > 0 && entry.Size > 0 && EntryDataInFile(entry, fileSize))
        spans.push_back({entry.Position, int64_t{entry.Position} + entry.Size, static_cast<int32_t>(i), nullptr});
    }
    std::stable_sort(spans.begin(), spans.end(), [](const TSpan &a, const TSpan &b) { return a.Start < b.Start; });
    const TSpan *furthest = nullptr;
    for (const TSpan &span : spans) {
      if (furthest != nullptr && span.Start < furthest->End) {
        if (span.Index >= 0)
          Entry(ckOverlap, csError, static_cast<size_t>(span.Index), "Its data overlaps " + Holder(*furthest) + ".");
        else if (furthest->Index >= 0)
          Entry(ckOverlap, csError, static_cast<size_t>(furthest->Index), "Its data overlaps " + Holder(span) + ".");
      }
      if (furthest == nullptr || span.End > furthest->End)
        furthest = &span;
    }
  }

  void CheckSizes() {
    for (size_t i = 0; i < m_Directory.size(); ++i)
      if (m_Directory[i].Size == 0)
        Entry(ckEmpty, csWarning, i, "It holds no data (size 0).");
  }

  // The first entry of each name is the one the others are reported against.
  void CheckDuplicates() {
    std::unordered_map<std::string_view, size_t> exact;
    std::unordered_map<std::string, size_t> folded;
    exact.reserve(m_Directory.size());
    folded.reserve(m_Directory.size());
    for (size_t i = 0; i < m_Directory.size(); ++i) {
      const std::string_view name = m_Directory[i].Name.View();
      auto same = exact.try_emplace(name, i);
      auto similar = folded.try_emplace(AsciiLower(std::string(name)), i);
      if (!same.second)
        Entry(ckSameName, csError, i,
              "Entry " + std::to_string(same.first->second) + " has the same name: only one of them is found by name.");
      else if (!similar.second)
        Entry(ckSameName, csError, i,
              "Entry " + std::to_string(similar.first->second) + " (" + m_Directory[similar.first->second].Name.Str() +
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
    if (std::any_of(name.begin(), name.end(), [](char c) { return c >= 'A' && c <= 'Z'; }))
      Entry(ckName, csWarning, index,
            "Its name has upper-case letters: the game asks for lower-case names and compares them exactly.");
    if (name.find('\\') != std::string_view::npos)
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
    if (std::any_of(name.begin(), name.end(), [](char c) { return c < 0x20 || c > 0x7E; }))
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
  ReadDirectoryOf(file, directory, &report);
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
