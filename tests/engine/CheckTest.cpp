// SPDX-License-Identifier: GPL-3.0-or-later
// The archive check: one small archive per rule, each made byte by byte, and
// the check of an open archive with unsaved changes.
#include "PakQuake.h"
#include "TestSupport.h"

#include <algorithm>
#include <cctype>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace {
// A header whose directory of records follows data at once, as most fixtures need.
std::string Archive(const std::string &data, const std::string &records) {
  return "PACK" + Int32LE(static_cast<int32_t>(12 + data.size())) + Int32LE(static_cast<int32_t>(records.size())) +
         data + records;
}

// The name in record index of an archive's directory, as the record holds it.
std::string EntryNameOf(const std::string &bytes, int32_t index) {
  uint32_t offset = 0;
  for (int i = 3; i >= 0; --i)
    offset = offset << 8 | static_cast<unsigned char>(bytes[4 + static_cast<size_t>(i)]);
  std::string name = bytes.substr(offset + static_cast<size_t>(index) * 64, 56);
  return name.substr(0, name.find('\0'));
}

std::vector<TFixtureEntry> Entries(int count) {
  std::vector<TFixtureEntry> entries;
  for (int i = 0; i < count; ++i)
    entries.push_back({"e" + std::to_string(i) + ".dat", "x"});
  return entries;
}

struct TRuleCase {
  const char *Rule;
  std::string Bytes;
  int32_t Index; // of the expected finding; -1: the archive as a whole
  TCheckSeverity Severity;
  const char *Fragment; // a part of its message
  TCheckKind Kind;
};

std::ostream &operator<<(std::ostream &out, const TRuleCase &c) { return out << c.Rule; }

std::string Describe(const TCheckFindings &findings) {
  std::string text;
  for (const TCheckFinding &finding : findings)
    text += "\n  [" + std::to_string(finding.Index) + (finding.Severity == csError ? " error] " : " warning] ") +
            FindingText(finding);
  return text;
}

class CheckRule : public ::testing::TestWithParam<TRuleCase> {};
} // namespace

TEST_P(CheckRule, FindsItsProblemWithItsSeverity) {
  const TRuleCase &rule = GetParam();
  TTempDir folder;
  WriteFileBytes(folder.File("a.pak"), rule.Bytes);
  const TCheckFindings findings = CheckArchiveFile(folder.File("a.pak"));
  bool found = false;
  for (const TCheckFinding &finding : findings)
    found = found || (finding.Index == rule.Index && finding.Severity == rule.Severity && finding.Kind == rule.Kind &&
                      finding.Message.find(rule.Fragment) != std::string::npos);
  EXPECT_TRUE(found) << "expected at " << rule.Index << ": " << rule.Fragment << Describe(findings);
  for (const TCheckFinding &finding : findings) {
    // Each message is a sentence of its own, shown after the entry's name.
    EXPECT_TRUE(!finding.Message.empty() && std::isupper(static_cast<unsigned char>(finding.Message.front())))
        << finding.Message;
    if (finding.Index >= 0) {
      EXPECT_EQ(finding.Entry, EntryNameOf(rule.Bytes, finding.Index));
    }
  }
}

INSTANTIATE_TEST_SUITE_P(
    Archives, CheckRule,
    ::testing::Values(
        TRuleCase{"NotAPakFile", "PAKC" + std::string(20, '\0'), -1, csError, "not a PAK file", ckNotPak},
        TRuleCase{"ShortHeader", "PACK" + Int32LE(12), -1, csError, "shorter than the 12 bytes", ckDamage},
        TRuleCase{"DirectoryOutsideTheFile", "PACK" + Int32LE(500) + Int32LE(64), -1, csError, "outside the file",
                  ckDamage},
        // The header claims three records; the file holds one and half of the next.
        TRuleCase{"FewerRecordsThanClaimed",
                  "PACK" + Int32LE(13) + Int32LE(3 * 64) + "a" + Record("a.txt", 12, 1) + std::string(32, 'r'), -1,
                  csError, "holds only 1 of their records", ckDamage},
        TRuleCase{"NegativeSize", Archive("a", Record("a.txt", 12, -5)), 0, csError, "negative", ckDamage},
        TRuleCase{"DataPastTheEnd", Archive("a", Record("a.txt", 12, 1) + Record("b.txt", 12, 4000)), 1, csError,
                  "past the end of the file", ckDamage},
        TRuleCase{"PositionOfTheWorkingFile", Archive("a", Record("a.txt", -12, 1)), 0, csError, "outside the file",
                  ckDamage},
        // b.txt starts two bytes into a.txt's four.
        TRuleCase{"DataOverlapsAnotherEntry", Archive("abcdef", Record("a.txt", 12, 4) + Record("b.txt", 14, 4)), 1,
                  csError, "overlaps that of entry 0 (a.txt)", ckOverlap},
        TRuleCase{"DataOverlapsTheHeader", Archive("abcd", Record("a.txt", 4, 8)), 0, csError, "overlaps the header",
                  ckOverlap},
        // a.txt's 4 bytes run 2 bytes into the directory at 14.
        TRuleCase{"DataOverlapsTheDirectory", Archive("ab", Record("a.txt", 12, 4)), 0, csError,
                  "overlaps the directory", ckOverlap},
        TRuleCase{"SizeZero", BuildPak({{"a.txt", "a"}, {"empty.txt", ""}}), 1, csWarning, "size 0", ckEmpty},
        TRuleCase{"SameNameTwice", BuildPak({{"a.txt", "1"}, {"b.txt", "2"}, {"a.txt", "3"}}), 2, csError,
                  "Entry 0 has the same name", ckSameName},
        TRuleCase{"SameNameInOtherCase", BuildPak({{"maps/a.bsp", "1"}, {"MAPS/A.bsp", "2"}}), 1, csError,
                  "other letter case", ckSameName},
        TRuleCase{"NameOf56Bytes", BuildPak({{std::string(52, 'n') + ".txt", "1"}}), 0, csError, "56 bytes", ckName},
        TRuleCase{"UpperCase", BuildPak({{"maps/E1M1.bsp", "1"}}), 0, csWarning, "upper-case", ckName},
        TRuleCase{"Backslash", BuildPak({{"maps\\e1m1.bsp", "1"}}), 0, csWarning, "backslash", ckName},
        TRuleCase{"LeadingSlash", BuildPak({{"/e1m1.bsp", "1"}}), 0, csWarning, "begins with \"/\"", ckName},
        TRuleCase{"DotDotPart", BuildPak({{"maps/../e1m1.bsp", "1"}}), 0, csWarning, "\"..\" part", ckName},
        TRuleCase{"DotPart", BuildPak({{"./e1m1.bsp", "1"}}), 0, csWarning, "\"..\" part", ckName},
        TRuleCase{"EmptyPart", BuildPak({{"maps//e1m1.bsp", "1"}}), 0, csWarning, "empty part", ckName},
        TRuleCase{"EndsInSlash", BuildPak({{"maps/", "1"}}), 0, csWarning, "empty part", ckName},
        TRuleCase{"EmptyName", BuildPak({{"", "1"}}), 0, csWarning, "is empty", ckName},
        TRuleCase{"ControlByte", BuildPak({{"a\tb.txt", "1"}}), 0, csWarning, "outside printable ASCII", ckName},
        TRuleCase{"HighByte", BuildPak({{"caf\xe9.txt", "1"}}), 0, csWarning, "outside printable ASCII", ckName},
        TRuleCase{"MoreEntriesThanTheGameLoads", BuildPak(Entries(2049)), -1, csError, "2049 entries", ckTooMany}),
    [](const ::testing::TestParamInfo<TRuleCase> &row) { return std::string(row.param.Rule); });

// The byte rules judge each byte of a name alone, wherever it stands: every
// byte value at every place of a name of up to 17 bytes; and the part rules
// find their parts at every place.
TEST(CheckArchiveFile, ByteRulesJudgeEveryByteValueAtEveryPlace) {
  using TWords = std::set<std::string>;
  std::string records;
  std::map<std::string, TWords> expected;
  auto add = [&](const std::string &name, const TWords &words) {
    records += Record(name, 0, 0);
    expected[name] = words;
  };
  for (int value = 1; value < 256; ++value)
    for (const size_t place : {0u, 3u, 7u, 8u, 15u, 16u}) {
      std::string name = std::to_string(value) + "-" + std::to_string(place) + "_xxxxxxxxxxxxxxxx";
      name.resize(place + 1);
      name[place] = static_cast<char>(value);
      TWords words;
      if (value >= 'A' && value <= 'Z')
        words.insert("upper-case");
      if (value == '\\')
        words.insert("backslash");
      if (value < 0x20 || value > 0x7E)
        words.insert("printable");
      // The byte ends the name: a "/" leaves an empty part, a "." alone is a "." part.
      if (value == '/')
        words.insert("empty part");
      if (value == '/' && place == 0)
        words.insert("begins");
      if (value == '.' && place == 0)
        words.insert("\"..\" part");
      add(name, words);
    }
  // And the part rules, their "/" and what follows it at every place.
  for (size_t place = 0; place < 18; ++place)
    for (const std::string part : {"//y", "/./y", "/../y", "/.y", "/", "/y/.", "/y/.."}) {
      TWords words;
      if (part == "//y" || part == "/")
        words.insert("empty part");
      if (part == "/./y" || part == "/../y" || part == "/y/." || part == "/y/..")
        words.insert("\"..\" part");
      if (place == 0)
        words.insert("begins");
      add(std::string(place, 'x') + part, words);
    }
  TTempDir folder;
  WriteFileBytes(folder.File("bytes.pak"), Archive("", records));
  std::map<std::string, TWords> found;
  for (const TCheckFinding &finding : CheckArchiveFile(folder.File("bytes.pak")))
    for (const char *word : {"upper-case", "backslash", "printable", "empty part", "\"..\" part", "begins"})
      if (finding.Kind == ckName && finding.Message.find(word) != std::string::npos)
        found[finding.Entry].insert(word);
  for (const auto &[name, words] : expected)
    EXPECT_EQ(found[name], words) << name;
}

TEST(CheckArchiveFile, SoundArchivesAtTheLimitsHaveNoFindings) {
  TTempDir folder;
  WriteFileBytes(folder.File("a.pak"), BuildPak(Entries(2048)));
  EXPECT_TRUE(CheckArchiveFile(folder.File("a.pak")).empty());
  // 55 bytes of name, entries back to back, and an archive of no entries at all.
  WriteFileBytes(folder.File("b.pak"), BuildPak({{std::string(51, 'n') + ".txt", "12"}, {"gfx/x.lmp", "3"}}));
  EXPECT_TRUE(CheckArchiveFile(folder.File("b.pak")).empty());
  WriteFileBytes(folder.File("c.pak"), BuildPak({}));
  EXPECT_TRUE(CheckArchiveFile(folder.File("c.pak")).empty());
  EXPECT_THROW(CheckArchiveFile(folder.File("missing.pak")), EInOutError);
}

TEST(CheckArchiveFile, ArchiveFindingsComeFirstThenEachEntryInOrder) {
  TTempDir folder;
  // Header claims two records, the file holds one; entry 0 breaks two name rules.
  WriteFileBytes(folder.File("a.pak"), "PACK" + Int32LE(13) + Int32LE(2 * 64) + "a" + Record("A\\b.txt", 12, 1));
  const TCheckFindings findings = CheckArchiveFile(folder.File("a.pak"));
  ASSERT_EQ(findings.size(), 3u) << Describe(findings);
  EXPECT_EQ(findings[0].Index, -1);
  EXPECT_NE(findings[1].Message.find("upper-case"), std::string::npos);
  EXPECT_NE(findings[2].Message.find("backslash"), std::string::npos);
  EXPECT_EQ(FindingText(findings[2]), "A\\b.txt: " + findings[2].Message);
}

class CheckOpenArchive : public TPakTest {};

TEST_F(CheckOpenArchive, ChecksUnsavedChangesAndTheDamageFoundOnOpening) {
  EXPECT_TRUE(CheckArchive(m_Pak).empty());
  // a.txt and b.txt share their data; c.txt claims bytes past the end.
  WriteFileBytes(m_Folder.File("t.pak"),
                 Archive("abcd", Record("a.txt", 12, 4) + Record("b.txt", 12, 4) + Record("c.txt", 12, 999)));
  m_Pak.OpenPak(m_Folder.File("t.pak"));
  m_Pak.SetForceLowercase(false);
  m_Pak.RenameEntry(0, "Z.txt");
  WriteFileBytes(m_Folder.File("new.txt"), "");
  TStringList paths{m_Folder.File("new.txt")};
  ASSERT_EQ(m_Pak.AddFiles(paths, "", "", false), prDone);

  const TCheckFindings findings = CheckArchive(m_Pak);
  ASSERT_EQ(findings.size(), 5u) << Describe(findings);
  EXPECT_EQ(findings[0].Index, -1);
  EXPECT_EQ(findings[0].Message, m_Pak.Damage().front());
  // Only the damage found on opening is of that kind: the window tells it apart so.
  for (size_t i = 0; i < findings.size(); ++i)
    EXPECT_EQ(findings[i].Kind == ckDamage, i == 0) << i;
  EXPECT_EQ(findings[1].Entry, "Z.txt");
  EXPECT_NE(findings[1].Message.find("upper-case"), std::string::npos);
  EXPECT_EQ(findings[2].Entry, "b.txt");
  EXPECT_NE(findings[2].Message.find("entry 0 (Z.txt)"), std::string::npos);
  EXPECT_EQ(findings[3].Entry, "c.txt");
  EXPECT_NE(findings[3].Message.find("overlaps"), std::string::npos);
  EXPECT_EQ(findings[4].Entry, "new.txt");
  EXPECT_EQ(findings[4].Severity, csWarning);
}

namespace {
// The overlap and name-twin rules as plain as they can be put: every span
// sorted by its start, and a map of names met. The check must find exactly
// what these find, in the same order, however it gets there.
TCheckFindings ReferenceTwinsAndOverlaps(const std::vector<TDirEntry> &directory, int64_t fileSize,
                                         int64_t directoryOffset, int64_t directoryLength) {
  struct TSpan {
    int64_t Start, End;
    int32_t Index;
    std::string What;
  };
  TCheckFindings findings;
  auto holder = [&](const TSpan &span) {
    return span.Index < 0 ? span.What
                          : "that of entry " + std::to_string(span.Index) + " (" +
                                directory[static_cast<size_t>(span.Index)].Name.Str() + ")";
  };
  auto add = [&](TCheckKind kind, int32_t index, const std::string &message) {
    findings.push_back({csError, index, directory[static_cast<size_t>(index)].Name.Str(), message, kind});
  };
  std::vector<TSpan> spans{{0, 12, -1, "the header"}};
  if (directoryLength > 0)
    spans.push_back({directoryOffset, directoryOffset + directoryLength, -1, "the directory"});
  for (size_t i = 0; i < directory.size(); ++i)
    if (directory[i].Position > 0 && directory[i].Size > 0 && EntryDataInFile(directory[i], fileSize))
      spans.push_back({directory[i].Position, int64_t{directory[i].Position} + directory[i].Size,
                       static_cast<int32_t>(i), {}});
  std::stable_sort(spans.begin(), spans.end(), [](const TSpan &a, const TSpan &b) { return a.Start < b.Start; });
  const TSpan *furthest = nullptr;
  for (const TSpan &span : spans) {
    if (furthest != nullptr && span.Start < furthest->End) {
      if (span.Index >= 0)
        add(ckOverlap, span.Index, "Its data overlaps " + holder(*furthest) + ".");
      else if (furthest->Index >= 0)
        add(ckOverlap, furthest->Index, "Its data overlaps " + holder(span) + ".");
    }
    if (furthest == nullptr || span.End > furthest->End)
      furthest = &span;
  }
  std::map<std::string, size_t> exact;
  std::map<std::string, size_t> folded;
  for (size_t i = 0; i < directory.size(); ++i) {
    auto same = exact.try_emplace(directory[i].Name.Str(), i);
    auto similar = folded.try_emplace(AsciiLower(directory[i].Name.Str()), i);
    if (!same.second)
      add(ckSameName, static_cast<int32_t>(i),
          "Entry " + std::to_string(same.first->second) + " has the same name: only one of them is found by name.");
    else if (!similar.second)
      add(ckSameName, static_cast<int32_t>(i),
          "Entry " + std::to_string(similar.first->second) + " (" + directory[similar.first->second].Name.Str() +
              ") has the same name in other letter case: engines that ignore case find only one of them.");
  }
  std::stable_sort(findings.begin(), findings.end(),
                   [](const TCheckFinding &a, const TCheckFinding &b) { return a.Index < b.Index; });
  return findings;
}
} // namespace

TEST(CheckArchiveFile, FindsTheSameTwinsAndOverlapsAsThePlainRulesOnRandomArchives) {
  // Names from a small pool, or in the large trials from thousands, in
  // random letter case, so that exact twins and case twins abound, near and
  // far apart; data anywhere, overlapping the header, the directory (which
  // may lie amid the data) and each other, in directory order or not.
  const std::vector<std::string> pool{"a",
                                      "b/c.wav",
                                      "maps/e1m1.bsp",
                                      "x",
                                      "progs/player.mdl",
                                      "textures",
                                      "gfx/conback.lmp",
                                      "sound/ambience/water1.wav",
                                      std::string(56, 'n')};
  TTempDir folder;
  uint64_t state = 12345;
  auto random = [&](uint64_t below) {
    state = state * 6364136223846793005ull + 1442695040888963407ull;
    return (state >> 33) % below;
  };
  for (int trial = 0; trial < 60; ++trial) {
    const bool large = trial >= 58;
    // The large ones are checked in several parts of the name-twin search.
    const auto count = static_cast<int32_t>(large ? 9000 + random(3000) : 1 + random(trial < 50 ? 40 : 3000));
    const auto dataBefore = static_cast<int32_t>(random(400));
    const auto dataAfter = static_cast<int32_t>(random(3) == 0 ? random(200) : 0);
    const int32_t directoryOffset = 12 + dataBefore;
    const int64_t fileSize = directoryOffset + int64_t{count} * 64 + dataAfter;
    std::vector<TDirEntry> directory(static_cast<size_t>(count));
    for (TDirEntry &entry : directory) {
      std::string name =
          large && random(2) == 0 ? "f/" + std::to_string(random(8000)) + ".dat" : pool[random(pool.size())];
      // In the large trials a name is all in capitals or in none (few
      // variants of each, so that twins lie far apart).
      const bool allCapitals = large && random(4) == 0;
      for (char &c : name)
        if (allCapitals || (!large && random(4) == 0))
          c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
      entry.Name = name;
      // Some start right where the directory does: which of the two is met first tells.
      entry.Position =
          random(8) == 0 ? directoryOffset : static_cast<int32_t>(random(static_cast<uint64_t>(fileSize) + 20));
      entry.Size = static_cast<int32_t>(random(5) == 0 ? 0 : random(60));
    }
    if (trial % 2 == 0)
      std::stable_sort(directory.begin(), directory.end(),
                       [](const TDirEntry &a, const TDirEntry &b) { return a.Position < b.Position; });
    std::string records;
    for (const TDirEntry &entry : directory)
      records += Record(entry.Name.Str(), entry.Position, entry.Size);
    const std::string bytes = "PACK" + Int32LE(directoryOffset) + Int32LE(count * 64) +
                              std::string(static_cast<size_t>(dataBefore), 'd') + records +
                              std::string(static_cast<size_t>(dataAfter), 'd');
    WriteFileBytes(folder.File("r.pak"), bytes);

    TCheckFindings found = CheckArchiveFile(folder.File("r.pak"));
    std::erase_if(found, [](const TCheckFinding &f) { return f.Kind != ckOverlap && f.Kind != ckSameName; });
    const TCheckFindings expected = ReferenceTwinsAndOverlaps(directory, fileSize, directoryOffset, count * 64);
    ASSERT_EQ(Describe(found), Describe(expected)) << "trial " << trial;
  }
}
