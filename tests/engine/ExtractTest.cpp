// SPDX-License-Identifier: GPL-3.0-or-later
// Extracting entries: where files land, which file the bytes come from, the
// replace question, names that try to leave the destination, and failures
// that must leave no half-written file.
#include "PakQuake.h"
#include "TestSupport.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
// Every path below root, relative, "/" after folders, sorted.
std::vector<std::string> Tree(const std::string &root) {
  std::vector<std::string> result;
  for (const auto &item : fs::recursive_directory_iterator(root)) {
    std::string relative = fs::relative(item.path(), root).string();
    result.push_back(item.is_directory() && !item.is_symlink() ? relative + "/" : relative);
  }
  std::sort(result.begin(), result.end());
  return result;
}

// Bytes that differ from block to block, so a misplaced offset shows.
std::string Pattern(size_t size, char seed) {
  std::string bytes(size, '\0');
  for (size_t i = 0; i < size; ++i)
    bytes[i] = static_cast<char>(seed + static_cast<char>(i % 251));
  return bytes;
}
} // namespace

class ExtractEntries : public TPakTest {
protected:
  ExtractEntries() : TPakTest({{"gfx/palette.lmp", std::string(768, 'p')}}) {}
};

TEST_F(ExtractEntries, PreconditionsComeBeforeAnyEvent) {
  std::string out = m_Folder.File("out");
  EXPECT_EQ(m_Pak.ExtractEntries({}, out, false), prNoArchive);
  EXPECT_EQ(m_Pak.ExtractEntries({"a.txt"}, out, false), prNoArchive);

  OpenArchive({{"a.txt", "a"}});
  EXPECT_EQ(m_Pak.ExtractEntries({}, out, false), prEmptyList);

  // An empty destination writes nothing, not even into the current directory.
  fs::create_directory(m_Folder.File("cwd"));
  std::string saved = fs::current_path().string();
  fs::current_path(m_Folder.File("cwd"));
  uint8_t result = m_Pak.ExtractEntries({"a.txt"}, "", false);
  fs::current_path(saved);
  EXPECT_EQ(result, prNoPath);
  EXPECT_TRUE(fs::is_empty(m_Folder.File("cwd")));
  EXPECT_FALSE(fs::exists(out));
  EXPECT_EQ(m_Starts + m_Ends, 0);
}

TEST_F(ExtractEntries, WritesByteExactFilesFromBothDataFiles) {
  // Data over one block long, behind a first entry, so offsets and block joins count.
  const std::string map = Pattern(PakFormat::BlockSize + 100, 'm');
  OpenArchive({{"first.txt", "first"}, {"maps/e1m1.bsp", map}, {"empty.txt", ""}});
  const std::string added = Pattern(70000, 'w');
  WriteFileBytes(m_Folder.File("added.bin"), added);
  TStringList paths{m_Folder.File("added.bin")};
  ASSERT_EQ(m_Pak.AddFiles(paths, "", "sound/", false), prDone);
  ASSERT_EQ(m_Pak.EntryPosition(3), -12);
  TStringList names{"MAPS/E1M1.BSP", "sound/added.bin", "empty.txt"};

  // Keeping paths: the destination and its directories are made as needed.
  m_Starts = m_Ends = 0;
  m_Percents.clear();
  ASSERT_EQ(m_Pak.ExtractEntries(names, m_Folder.File("out/deep"), true), prDone);
  EXPECT_EQ(Tree(m_Folder.File("out/deep")),
            (std::vector<std::string>{"MAPS/", "MAPS/E1M1.BSP", "empty.txt", "sound/", "sound/added.bin"}));
  EXPECT_EQ(ReadFileBytes(m_Folder.File("out/deep/MAPS/E1M1.BSP")), map);
  EXPECT_EQ(ReadFileBytes(m_Folder.File("out/deep/sound/added.bin")), added);
  EXPECT_EQ(fs::file_size(m_Folder.File("out/deep/empty.txt")), 0u);
  EXPECT_EQ(m_Starts, 1);
  EXPECT_EQ(m_Ends, 1);
  EXPECT_EQ(m_Pak.ProgressTotal(), static_cast<int64_t>(map.size() + added.size()));
  ASSERT_FALSE(m_Percents.empty());
  EXPECT_EQ(m_Percents.back(), 100);

  // Flat, destination given with its trailing slash.
  ASSERT_EQ(m_Pak.ExtractEntries(names, m_Folder.File("flat/"), false), prDone);
  EXPECT_EQ(Tree(m_Folder.File("flat")), (std::vector<std::string>{"E1M1.BSP", "added.bin", "empty.txt"}));
  EXPECT_EQ(ReadFileBytes(m_Folder.File("flat/added.bin")), added);

  // Extracting changes nothing of the archive.
  EXPECT_EQ(m_Pak.EntryCount(), 4);
  EXPECT_EQ(m_Pak.Journal().size(), 1u);

  // An untitled archive extracts from its working file alone.
  m_Pak.NewPak();
  paths = {m_Folder.File("added.bin")};
  ASSERT_EQ(m_Pak.AddFiles(paths, "", "", false), prDone);
  ASSERT_EQ(m_Pak.ExtractEntries({"added.bin"}, m_Folder.File("untitled"), false), prDone);
  EXPECT_EQ(ReadFileBytes(m_Folder.File("untitled/added.bin")), added);
}

TEST_F(ExtractEntries, AsksBeforeReplacingAnExistingFile) {
  OpenArchive({{"sound/a/hit.wav", "from-a"}, {"sound/b/hit.wav", "from-b"}, {"other.txt", "other"}});
  const TStringList names{"sound/a/hit.wav", "sound/b/hit.wav", "other.txt"};
  const std::string out = m_Folder.File("out");
  std::vector<std::string> asked;
  bool answer = false;
  m_Pak.OnExtractFileExists = [&](TQuakePak &, const std::string &path, bool &replace) {
    EXPECT_TRUE(replace); // preset: replace
    asked.push_back(path);
    replace = answer;
  };

  // Flat: the second hit.wav meets the first. Declined: the first stays, the rest go on.
  ASSERT_EQ(m_Pak.ExtractEntries(names, out, false), prDone);
  EXPECT_EQ(asked, std::vector<std::string>{out + "/hit.wav"});
  EXPECT_EQ(ReadFileBytes(out + "/hit.wav"), "from-a");
  EXPECT_EQ(ReadFileBytes(out + "/other.txt"), "other");

  // Accepted: every existing file is replaced.
  asked.clear();
  answer = true;
  ASSERT_EQ(m_Pak.ExtractEntries(names, out, false), prDone);
  EXPECT_EQ(asked.size(), 3u);
  EXPECT_EQ(ReadFileBytes(out + "/hit.wav"), "from-b");

  // No handler: replaced without a question.
  m_Pak.OnExtractFileExists = nullptr;
  WriteFileBytes(out + "/other.txt", "changed on disk");
  ASSERT_EQ(m_Pak.ExtractEntries({"other.txt"}, out, false), prDone);
  EXPECT_EQ(ReadFileBytes(out + "/other.txt"), "other");
}

TEST_F(ExtractEntries, PassesOverNamesNotInTheArchiveWithoutTouchingTheDisk) {
  OpenArchive({{"a.txt", "a"}});
  const std::string out = m_Folder.File("out");
  fs::create_directory(out);
  WriteFileBytes(out + "/missing.txt", "mine");
  int asked = 0;
  m_Pak.OnExtractFileExists = [&](TQuakePak &, const std::string &, bool &) { ++asked; };
  ASSERT_EQ(m_Pak.ExtractEntries({"missing.txt", "newdir/missing.txt"}, out, true), prDone);
  EXPECT_EQ(asked, 0);
  EXPECT_EQ(Tree(out), std::vector<std::string>{"missing.txt"});
  EXPECT_EQ(ReadFileBytes(out + "/missing.txt"), "mine");
}

TEST_F(ExtractEntries, KeepsEveryFileInsideTheDestination) {
  // Entry names as a hostile archive may carry them.
  OpenArchive({{"../../escape.txt", "1"},
               {"/abs/x.txt", "2"},
               {"a/../../y.txt", "3"},
               {"C:\\z.txt", "4"},
               {"./dot.txt", "5"},
               {"back\\slash.txt", "6"},
               {"..", "7"},
               {"dir/", "8"},
               {"dir/..", "9"}});
  TStringList names;
  for (const TDirEntry &entry : m_Pak.Directory())
    names.push_back(entry.Name);
  const std::string box = m_Folder.File("box");
  fs::create_directories(box + "/one/out");

  ASSERT_EQ(m_Pak.ExtractEntries(names, box + "/one/out", true), prDone);
  EXPECT_EQ(Tree(box), (std::vector<std::string>{"one/", "one/out/", "one/out/a/", "one/out/a/y.txt", "one/out/abs/",
                                                 "one/out/abs/x.txt", "one/out/back/", "one/out/back/slash.txt",
                                                 "one/out/dot.txt", "one/out/escape.txt", "one/out/z.txt"}));
  EXPECT_EQ(ReadFileBytes(box + "/one/out/a/y.txt"), "3");

  ASSERT_EQ(m_Pak.ExtractEntries(names, box + "/flat", false), prDone);
  EXPECT_EQ(Tree(box + "/flat"),
            (std::vector<std::string>{"dot.txt", "escape.txt", "slash.txt", "x.txt", "y.txt", "z.txt"}));
}

TEST_F(ExtractEntries, RemovesALinkInsteadOfWritingThroughIt) {
  OpenArchive({{"maps/e1m1.bsp", "map"}});
  const std::string out = m_Folder.File("out");
  const std::string outside = m_Folder.File("outside.bin");
  fs::create_directory(out);
  fs::create_symlink(outside, out + "/e1m1.bsp"); // dangling

  m_Pak.OnExtractFileExists = [](TQuakePak &, const std::string &, bool &replace) { replace = false; };
  ASSERT_EQ(m_Pak.ExtractEntries({"maps/e1m1.bsp"}, out, false), prDone);
  EXPECT_TRUE(fs::is_symlink(out + "/e1m1.bsp"));
  EXPECT_FALSE(fs::exists(outside));

  m_Pak.OnExtractFileExists = nullptr;
  ASSERT_EQ(m_Pak.ExtractEntries({"maps/e1m1.bsp"}, out, false), prDone);
  EXPECT_FALSE(fs::is_symlink(out + "/e1m1.bsp"));
  EXPECT_EQ(ReadFileBytes(out + "/e1m1.bsp"), "map");
  EXPECT_FALSE(fs::exists(outside));
}

TEST_F(ExtractEntries, NeverFollowsALinkOrFileInsideTheDestination) {
  OpenArchive({{"maps/e1m1.bsp", "map"}, {"sound/a.wav", "wav"}, {"dir.txt", "d"}, {"ok/fine.txt", "fine"}});
  const std::string out = m_Folder.File("out");
  const std::string elsewhere = m_Folder.File("elsewhere");
  fs::create_directories(out);
  fs::create_directories(elsewhere);
  // Planted before the extraction: a folder link, a file and a folder where
  // the entries need a folder or a file of their own.
  fs::create_directory_symlink(elsewhere, out + "/maps");
  WriteFileBytes(out + "/sound", "not a folder");
  fs::create_directory(out + "/dir.txt");

  ASSERT_EQ(m_Pak.ExtractEntries({"maps/e1m1.bsp", "sound/a.wav", "dir.txt", "ok/fine.txt"}, out, true), prWriteFailed);
  EXPECT_TRUE(fs::is_empty(elsewhere));
  EXPECT_EQ(ReadFileBytes(out + "/sound"), "not a folder");
  EXPECT_EQ(ReadFileBytes(out + "/ok/fine.txt"), "fine") << "the other entries go on";
  const TStringList &failures = m_Pak.Failures();
  ASSERT_EQ(failures.size(), 3u);
  EXPECT_EQ(failures[0].rfind("maps/e1m1.bsp: ", 0), 0u) << failures[0];
  EXPECT_EQ(failures[1].rfind("sound/a.wav: ", 0), 0u) << failures[1];
  EXPECT_EQ(failures[2].rfind("dir.txt: ", 0), 0u) << failures[2];

  // A link at the target's own name is refused by ExtractEntry, not written through.
  WriteFileBytes(elsewhere + "/victim.txt", "keep");
  fs::create_symlink(elsewhere + "/victim.txt", out + "/planted.txt");
  EXPECT_THROW(m_Pak.ExtractEntry(3, out + "/planted.txt"), EInOutError);
  EXPECT_EQ(ReadFileBytes(elsewhere + "/victim.txt"), "keep");

  ASSERT_EQ(m_Pak.ExtractEntries({"ok/fine.txt"}, out, true), prDone);
  EXPECT_TRUE(m_Pak.Failures().empty());
}

// A hundred names are copied on a second thread while the next files are
// made: what lands on disk, the progress and a failure must be as one at a time.
TEST_F(ExtractEntries, ManyEntriesAtOnceLeaveWhatOneAtATimeWould) {
  std::vector<TFixtureEntry> entries;
  TStringList names;
  for (int i = 0; i < 100; ++i) {
    entries.push_back({"dir" + std::to_string(i / 30) + "/f" + std::to_string(100 + i) + ".txt",
                       Pattern(static_cast<size_t>(i * 97), static_cast<char>(i))});
    names.push_back(entries.back().Name);
  }
  OpenArchive(entries);
  const std::string out = m_Folder.File("out");
  ASSERT_EQ(m_Pak.ExtractEntries(names, out, true), prDone);
  for (const TFixtureEntry &entry : entries)
    ASSERT_EQ(ReadFileBytes(out + "/" + entry.Name), entry.Data) << entry.Name;
  EXPECT_EQ(m_Pak.ProgressDone(), m_Pak.ProgressTotal());
  EXPECT_EQ(m_Percents.back(), 100);

  // Entry 70 claims more bytes than the file holds: the files before it stay,
  // it and every later one are gone, and the failure is raised.
  std::string bytes = BuildPak(entries);
  const size_t record70 = bytes.size() - (100 - 70) * PakFormat::RecordSize;
  bytes.replace(record70 + PakFormat::SizeOffset, 4, Int32LE(1 << 30));
  WriteFileBytes(m_Folder.File("test.pak"), bytes);
  m_Pak.OpenPak(m_Folder.File("test.pak"));
  m_Ends = 0;
  const std::string again = m_Folder.File("again");
  EXPECT_THROW((void)m_Pak.ExtractEntries(names, again, true), EInOutError);
  for (size_t i = 0; i < entries.size(); ++i)
    EXPECT_EQ(fs::exists(again + "/" + entries[i].Name), i < 70) << entries[i].Name;
  EXPECT_EQ(m_Ends, 1);
}

TEST_F(ExtractEntries, WorksOnAProtectedArchiveAndChangesNothing) {
  m_Pak.OpenPak(m_Quake + "id1/pak0.pak");
  ASSERT_TRUE(m_Pak.IsProtected());
  ASSERT_EQ(m_Pak.ExtractEntries({"gfx/palette.lmp"}, m_Folder.File("out"), true), prDone);
  EXPECT_EQ(ReadFileBytes(m_Folder.File("out/gfx/palette.lmp")), std::string(768, 'p'));
  EXPECT_FALSE(m_Pak.Modified());
  EXPECT_EQ(m_Pak.EntryCount(), 1);
  EXPECT_EQ(m_Pak.EntryPosition(0), 12);
}

TEST_F(ExtractEntries, FailurePartWayRemovesTheHalfWrittenFile) {
  // good.txt, then bad.bin whose recorded size is twice the 70000 bytes that
  // follow it: the first block copies, a later read runs out of file.
  std::string bytes = BuildPak({{"good.txt", "good"}, {"bad.bin", Pattern(70000, 'b')}});
  const size_t badSizeField = bytes.size() - PakFormat::RecordSize + PakFormat::SizeOffset;
  bytes.replace(badSizeField, 4, Int32LE(140000));
  WriteFileBytes(m_Folder.File("test.pak"), bytes);
  m_Pak.OpenPak(m_Folder.File("test.pak"));
  ASSERT_EQ(m_Pak.EntrySize(1), 140000);

  const std::string out = m_Folder.File("out");
  EXPECT_THROW((void)m_Pak.ExtractEntries({"good.txt", "bad.bin", "never.txt"}, out, false), EInOutError);
  EXPECT_EQ(Tree(out), std::vector<std::string>{"good.txt"});
  EXPECT_EQ(m_Ends, 1);
  EXPECT_FALSE(m_Pak.ProgressActive());
}

// The window's Cancel answers the replace question by throwing out of the
// handler. Whichever handler throws, and with the copy thread or without,
// the extraction ends there: the files made before are complete, none is
// half written, progress has ended and nothing is left running.
TEST_F(ExtractEntries, AHandlerThatThrowsEndsTheExtractionCleanly) {
  struct TCancelled {};
  for (const size_t count : {size_t{10}, size_t{100}}) {
    std::vector<TFixtureEntry> entries;
    TStringList names;
    for (size_t i = 0; i < count; ++i) {
      entries.push_back({"f" + std::to_string(100 + i) + ".bin", Pattern(i == 5 ? 300000 : i * 101, 'a')});
      names.push_back(entries.back().Name);
    }
    OpenArchive(entries);
    const std::string out = m_Folder.File("out" + std::to_string(count));
    fs::create_directories(out);
    const size_t existing = count - 3;
    WriteFileBytes(out + "/" + entries[existing].Name, "mine");
    enum { StartThrows, QuestionThrows, ProgressThrows } ways[] = {StartThrows, QuestionThrows, ProgressThrows};
    for (auto way : ways) {
      SCOPED_TRACE(std::to_string(count) + " entries, way " + std::to_string(way));
      m_Pak.OnStartCallback = [&](TQuakePak &) {
        ++m_Starts;
        if (way == StartThrows)
          throw TCancelled();
      };
      m_Pak.OnExtractFileExists = [&](TQuakePak &, const std::string &, bool &) { throw TCancelled(); };
      m_Pak.OnCallback = [&](TQuakePak &, uint8_t) {
        if (way == ProgressThrows)
          throw TCancelled();
      };
      m_Starts = m_Ends = 0;
      EXPECT_THROW((void)m_Pak.ExtractEntries(names, out, false), TCancelled);
      EXPECT_FALSE(m_Pak.ProgressActive());
      EXPECT_EQ(m_Starts, 1);
      EXPECT_EQ(m_Ends, 1);
      EXPECT_EQ(ReadFileBytes(out + "/" + entries[existing].Name), "mine");
      for (const std::string &name : Tree(out)) {
        const auto entry = std::find_if(entries.begin(), entries.end(), [&](auto &e) { return e.Name == name; });
        ASSERT_NE(entry, entries.end()) << name;
        if (entry - entries.begin() != static_cast<ptrdiff_t>(existing)) {
          EXPECT_EQ(ReadFileBytes(out + "/" + name), entry->Data) << name << " is whole";
        }
      }
      for (const std::string &name : Tree(out))
        if (name != entries[existing].Name)
          fs::remove(out + "/" + name);
    }
  }
}
