// SPDX-License-Identifier: GPL-3.0-or-later
// The PAK format: recognition, reading directories (also hostile ones),
// bare headers, writing the directory, and what the result codes mean.
#include "PakQuake.h"
#include "TestSupport.h"

#include <gtest/gtest.h>
#include <set>
#include <sys/stat.h>

namespace {
std::string Header(int32_t offset, int32_t length) { return "PACK" + Int32LE(offset) + Int32LE(length); }
} // namespace

TEST(IsPakFile, AcceptsMagicInAnyCaseAndNothingElse) {
  TTempDir folder;
  WriteFileBytes(folder.File("upper.pak"), "PACK");
  WriteFileBytes(folder.File("lower.pak"), "pack and more");
  WriteFileBytes(folder.File("mixed.pak"), "Pack");
  WriteFileBytes(folder.File("short.pak"), "PAC");
  WriteFileBytes(folder.File("text.txt"), "hello world");
  EXPECT_TRUE(TQuakePak::IsPakFile(folder.File("upper.pak")));
  EXPECT_TRUE(TQuakePak::IsPakFile(folder.File("lower.pak")));
  EXPECT_TRUE(TQuakePak::IsPakFile(folder.File("mixed.pak")));
  EXPECT_FALSE(TQuakePak::IsPakFile(folder.File("short.pak")));
  EXPECT_FALSE(TQuakePak::IsPakFile(folder.File("text.txt")));
  EXPECT_FALSE(TQuakePak::IsPakFile(folder.File("missing.pak")));
  EXPECT_FALSE(TQuakePak::IsPakFile(""));
}

TEST(IsPakFile, RefusesFoldersFifosAndDevicesWithoutBlocking) {
  TTempDir folder;
  EXPECT_FALSE(TQuakePak::IsPakFile(folder.Path()));
  ASSERT_EQ(::mkfifo(folder.File("fifo").c_str(), 0600), 0);
  // Reading a FIFO with no writer would block forever.
  EXPECT_FALSE(TQuakePak::IsPakFile(folder.File("fifo")));
  EXPECT_FALSE(TQuakePak::IsPakFile("/dev/zero"));
}

TEST(CreateBareArchive, WritesMagicAndMinusOnes) {
  TTempDir folder;
  WriteFileBytes(folder.File("bare.pak"), std::string(100, 'x')); // truncated, not appended to
  ASSERT_TRUE(TQuakePak::CreateBareArchive(folder.File("bare.pak")));
  EXPECT_EQ(ReadFileBytes(folder.File("bare.pak")), std::string("PACK\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 12));
  EXPECT_FALSE(TQuakePak::CreateBareArchive(folder.File("no/such/folder/bare.pak")));
}

TEST(ReadDirectory, ReadsRecordsAsStored) {
  TTempDir folder;
  // Three records: a name padded with zeros, a 56-character name with no
  // terminator, and a name followed by a zero and then garbage.
  std::string longName(56, 'n');
  std::string garbageField = std::string("gfx/palette.lmp") + '\0' + "junk";
  std::string records = Record("Maps/E1M1.BSP", 12, 5) + Record(longName, -7, 0) + Record(garbageField, 17, 3);
  WriteFileBytes(folder.File("a.pak"), Header(20, static_cast<int32_t>(records.size())) + "12345678" + records);
  std::vector<TDirEntry> list{{"stale", 1, 1}};
  ASSERT_EQ(TQuakePak::ReadDirectory(folder.File("a.pak"), list), prDone);
  ASSERT_EQ(list.size(), 3u);
  EXPECT_EQ(list[0].Name, "Maps/E1M1.BSP"); // never case-folded
  EXPECT_EQ(list[0].Position, 12);
  EXPECT_EQ(list[0].Size, 5);
  EXPECT_EQ(list[1].Name, longName);
  EXPECT_EQ(list[1].Position, -7);
  EXPECT_EQ(list[2].Name, "gfx/palette.lmp");
}

TEST(ReadDirectory, NamesEndAtTheirFirstZeroAtEveryLength) {
  // A name of every length from 0 to 56, of bytes that trip word-wise zero
  // searches (0x01 after a zero borrows, high bytes), then a zero and 0x01s.
  TTempDir folder;
  std::string records;
  std::vector<std::string> names;
  for (size_t length = 0; length <= 56; ++length) {
    std::string name;
    for (size_t i = 0; i < length; ++i)
      name += std::string("\x80\x01" "a\xFF", 4)[i % 4];
    names.push_back(name);
    std::string field = name + '\0';
    field.resize(56, '\x01');
    records += field.substr(0, 56) + Int32LE(12) + Int32LE(0);
  }
  WriteFileBytes(folder.File("a.pak"), Header(12, static_cast<int32_t>(records.size())) + records);
  std::vector<TDirEntry> list;
  ASSERT_EQ(TQuakePak::ReadDirectory(folder.File("a.pak"), list), prDone);
  ASSERT_EQ(list.size(), names.size());
  for (size_t i = 0; i < names.size(); ++i)
    EXPECT_EQ(list[i].Name.View(), names[i]) << "length " << i;

  // Written back, each field holds the name and zeros: the bytes that
  // followed its end in the file are not carried over.
  std::string quake = MakeQuakeDirectory(folder);
  TQuakePak pak;
  pak.SetQuakeDirectory(quake);
  pak.OpenPak(folder.File("a.pak"));
  WriteFileBytes(folder.File("out.pak"), Header(-1, -1));
  ASSERT_TRUE(pak.WriteDirectory(folder.File("out.pak")));
  const std::string written = ReadFileBytes(folder.File("out.pak"));
  ASSERT_EQ(written.size(), 12 + 64 * names.size());
  for (size_t i = 0; i < names.size(); ++i)
    EXPECT_EQ(written.substr(12 + 64 * i, 56), names[i] + std::string(56 - names[i].size(), '\0')) << "length " << i;
}

TEST(ReadDirectory, EmptyPathUntitledAndEmptyDirectories) {
  TTempDir folder;
  std::vector<TDirEntry> list{{"keep", 1, 1}};
  EXPECT_EQ(TQuakePak::ReadDirectory("", list), prNoPath);
  EXPECT_EQ(list.size(), 1u); // left alone
  EXPECT_EQ(TQuakePak::ReadDirectory(UntitledName, list), prDone);
  EXPECT_TRUE(list.empty());

  ASSERT_TRUE(TQuakePak::CreateBareArchive(folder.File("bare.pak")));
  EXPECT_EQ(TQuakePak::ReadDirectory(folder.File("bare.pak"), list), prDone);
  EXPECT_TRUE(list.empty());
  WriteFileBytes(folder.File("zero.pak"), Header(12, 0));
  EXPECT_EQ(TQuakePak::ReadDirectory(folder.File("zero.pak"), list), prDone);
  EXPECT_TRUE(list.empty());
}

TEST(ReadDirectory, IgnoresBytesAfterLastWholeRecord) {
  TTempDir folder;
  // A directory length of 130 holds two whole records and two stray bytes.
  std::string records = Record("a", 12, 0) + Record("b", 12, 0) + "zz";
  WriteFileBytes(folder.File("a.pak"), Header(12, 130) + records);
  std::vector<TDirEntry> list;
  ASSERT_EQ(TQuakePak::ReadDirectory(folder.File("a.pak"), list), prDone);
  ASSERT_EQ(list.size(), 2u);
  EXPECT_EQ(list[1].Name, "b");
}

// Hostile headers: each must give only the whole records really in the file.
struct THostileCase {
  const char *Title;
  std::string Bytes;
  size_t Entries;
};

class ReadHostileDirectory : public ::testing::TestWithParam<THostileCase> {};

TEST_P(ReadHostileDirectory, ReadsOnlyWhatTheFileHolds) {
  TTempDir folder;
  WriteFileBytes(folder.File("hostile.pak"), GetParam().Bytes);
  std::vector<TDirEntry> list;
  EXPECT_EQ(TQuakePak::ReadDirectory(folder.File("hostile.pak"), list), prDone);
  EXPECT_EQ(list.size(), GetParam().Entries);
  // The record-by-record reader reads the same records.
  TDirectoryReader reader(folder.File("hostile.pak"));
  size_t read = 0;
  for (auto records = reader.Next(); !records.empty(); records = reader.Next())
    read += records.size();
  EXPECT_EQ(read, GetParam().Entries);
}

INSTANTIATE_TEST_SUITE_P(
    Fixtures, ReadHostileDirectory,
    ::testing::Values(
        // Only the magic: shorter than a header.
        THostileCase{"Truncated", "PACK", 0},
        // Magic and half a directory offset.
        THostileCase{"HalfHeader", "PACK\x0C\x00", 0},
        // Directory offset far past the end of the file.
        THostileCase{"OffsetPastEnd", Header(0x7FFFFF00, 64), 0},
        // A directory length of 2 GiB - 1 but one real record after the header.
        THostileCase{"HugeLength", Header(12, 0x7FFFFFFF) + Record("a", 12, 0), 1},
        // Negative offset and negative length.
        THostileCase{"NegativeOffset", Header(-64, 64) + Record("a", 12, 0), 0},
        THostileCase{"NegativeLength", Header(12, -64) + Record("a", 12, 0), 0},
        // The directory claims three records; the file ends inside the second.
        THostileCase{"DirectoryRunsPastEnd", Header(12, 192) + Record("a", 12, 0) + std::string(30, 'x'), 1}),
    [](const ::testing::TestParamInfo<THostileCase> &testInfo) { return std::string(testInfo.param.Title); });

// Over several batches of the reader's buffer, with damaged records among
// them: the same records, fixes and damage as opening the archive gives,
// each damage once however often the records are read, and any record's name
// on request.
TEST(DirectoryReader, ReadsInBatchesWhatOpeningReads) {
  constexpr int32_t Count = 2500;
  std::string records;
  for (int32_t i = 0; i < Count; ++i) {
    const std::string name = "d" + std::to_string(i % 7) + "/e" + std::to_string(i) + ".dat";
    // Every 500th past the end, every 700th of negative size, every 900th at position 0.
    const int32_t size = i % 700 == 1 ? -5 : 1;
    const int32_t position = i % 900 == 2 ? 0 : i % 500 == 3 ? 1 << 20 : 12 + i;
    records += Record(name, position, size);
  }
  const std::string bytes = Header(12 + Count, Count * 64) + std::string(Count, 'x') + records;
  TTempDir folder;
  WriteFileBytes(folder.File("big.pak"), bytes);
  TQuakePak pak;
  pak.OpenPakToRead(folder.File("big.pak"));

  TDirectoryReader reader(folder.File("big.pak"));
  EXPECT_TRUE(reader.HasMagic());
  EXPECT_EQ(reader.Count(), Count);
  for (int pass = 0; pass < 2; ++pass) {
    reader.Rewind();
    int64_t next = 0;
    for (auto batch = reader.Next(); !batch.empty(); batch = reader.Next()) {
      ASSERT_EQ(reader.First(), next);
      for (const TRecordView &record : batch) {
        const TDirEntry &entry = pak.Directory()[static_cast<size_t>(next++)];
        ASSERT_EQ(record.Name, entry.Name.View());
        ASSERT_EQ(record.Position, entry.Position) << entry.Name;
        ASSERT_EQ(record.Size, entry.Size) << entry.Name;
      }
      // One from the batch in the buffer, one read from the file.
      EXPECT_EQ(reader.NameAt(next - 1), pak.Directory()[static_cast<size_t>(next - 1)].Name);
      EXPECT_EQ(reader.NameAt(7).Str(), "d0/e7.dat");
    }
    EXPECT_EQ(next, Count);
    std::vector<std::string> damage;
    for (const TCheckFinding &finding : reader.Damage())
      damage.push_back(FindingText(finding));
    EXPECT_EQ(damage, pak.Damage()) << "pass " << pass;
  }
  EXPECT_EQ(reader.NameAt(Count).Str(), "");
  EXPECT_EQ(reader.DirectoryOffset(), 12 + Count);
  EXPECT_EQ(reader.DirectoryLength(), Count * 64);

  // The check shows its caller each record once, in order, as it reads them.
  int64_t shown = 0;
  const TCheckFindings findings = CheckArchiveFile(folder.File("big.pak"), [&](int64_t first, auto batch) {
    EXPECT_EQ(first, shown);
    shown += static_cast<int64_t>(batch.size());
  });
  EXPECT_EQ(shown, Count);
  ASSERT_GE(findings.size(), 2u);
  EXPECT_EQ(findings[0].Kind, ckTooMany);
  EXPECT_EQ(FindingText(findings[1]), "d1/e1.dat: Its size is negative (-5 bytes).");
}

TEST(WriteDirectory, PatchesHeaderAndAppendsRecords) {
  TTempDir folder;
  std::string quake = MakeQuakeDirectory(folder);
  // An archive with entries of sizes 10, 0 and 5, as a save leaves it before
  // the directory is written: header and data only.
  WriteFileBytes(folder.File("src.pak"), BuildPak({{"first", "0123456789"}, {"empty", ""}, {"third", "abcde"}}));
  TQuakePak pak;
  pak.SetQuakeDirectory(quake);
  pak.OpenPak(folder.File("src.pak"));
  WriteFileBytes(folder.File("out.pak"), "PACK" + std::string(8, '\xFF') + "0123456789abcde");
  ASSERT_TRUE(pak.WriteDirectory(folder.File("out.pak")));
  std::string expected =
      Header(27, 192) + "0123456789abcde" + Record("first", 12, 10) + Record("empty", 22, 0) + Record("third", 22, 5);
  EXPECT_EQ(ReadFileBytes(folder.File("out.pak")), expected);
  EXPECT_EQ(ReadFileBytes(folder.File("src.pak")), expected); // the fixture builder agrees
}

TEST(WriteDirectory, RecordBytesAndLongNames) {
  TTempDir folder;
  std::string quake = MakeQuakeDirectory(folder);
  std::string name57(57, 'q');
  WriteFileBytes(folder.File("src.pak"), Header(12, 128) + Record("gfx/palette.lmp", 12, 768) + Record(name57, 12, 0));
  TQuakePak pak;
  pak.SetQuakeDirectory(quake);
  pak.OpenPak(folder.File("src.pak"));
  WriteFileBytes(folder.File("out.pak"), Header(-1, -1));
  ASSERT_TRUE(pak.WriteDirectory(folder.File("out.pak")));
  std::string bytes = ReadFileBytes(folder.File("out.pak"));
  ASSERT_EQ(bytes.size(), 12u + 128u);
  // "gfx/palette.lmp": 15 characters, 41 zero bytes, then 0C 00 00 00 and 00 03 00 00.
  EXPECT_EQ(bytes.substr(12, 64), std::string("gfx/palette.lmp") + std::string(41, '\0') +
                                      std::string("\x0C\x00\x00\x00\x00\x03\x00\x00", 8));
  // A name longer than the field keeps its first 56 characters, with no terminator.
  EXPECT_EQ(bytes.substr(76, 56), std::string(56, 'q'));
}

TEST(WriteDirectory, EmptyArchiveIsTwelveBytes) {
  TTempDir folder;
  std::string quake = MakeQuakeDirectory(folder);
  TQuakePak pak;
  pak.SetQuakeDirectory(quake);
  pak.NewPak();
  ASSERT_TRUE(TQuakePak::CreateBareArchive(folder.File("out.pak")));
  ASSERT_TRUE(pak.WriteDirectory(folder.File("out.pak")));
  EXPECT_EQ(ReadFileBytes(folder.File("out.pak")), std::string("PACK\x0C\x00\x00\x00\x00\x00\x00\x00", 12));
  EXPECT_FALSE(pak.WriteDirectory(folder.File("missing.pak")));
}

TEST(ResultText, SaysEachCodeInItsOwnSentence) {
  const uint8_t named[] = {prDone,   prEmptyList,    prNoPath,      prBadSize,   prProtected,    prNoArchive,
                           prNoFile, prFileTooShort, prWriteFailed, prCancelled, prNothingToUndo};
  std::set<std::string> sentences;
  for (uint8_t code : named) {
    const std::string text = ResultText(code);
    EXPECT_EQ(text.back(), '.') << int(code);
    EXPECT_TRUE(sentences.insert(text).second) << int(code) << ": " << text;
  }
  // Numbers without a name share one sentence, which is none of the others.
  const std::string unknown = ResultText(2);
  EXPECT_EQ(unknown, ResultText(200));
  EXPECT_EQ(sentences.count(unknown), 0u);
  // The numbers are stored and compared by callers: they stay as they are.
  EXPECT_EQ(int(prWriteFailed), 14);
  EXPECT_EQ(int(prNothingToUndo), 16);
}
