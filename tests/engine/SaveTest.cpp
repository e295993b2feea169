// SPDX-License-Identifier: GPL-3.0-or-later
// Saving: the bytes of the written archive, the state after a save, the
// questions asked, and that no failure costs the old target or the open archive.
#include "PakQuake.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <csignal>
#include <filesystem>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <tuple>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
// The names in a folder, hidden ones included, sorted.
std::vector<std::string> FilesIn(const std::string &folder) {
  std::vector<std::string> names;
  for (const auto &item : fs::directory_iterator(folder))
    names.push_back(item.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

using TEntryView = std::vector<std::tuple<std::string, int32_t, int32_t>>;

TEntryView EntriesOf(const TQuakePak &pak) {
  TEntryView view;
  for (const TDirEntry &entry : pak.Directory())
    view.emplace_back(entry.Name, entry.Position, entry.Size);
  return view;
}

// Everything a failed save must leave as it was.
struct TArchiveState {
  std::string FileName;
  TEntryView Entries;
  bool Modified = false;
  TStringList Journal;
  bool operator==(const TArchiveState &) const = default;
};

TArchiveState StateOf(const TQuakePak &pak) { return {pak.FileName(), EntriesOf(pak), pak.Modified(), pak.Journal()}; }

unsigned ModeOf(const std::string &path) {
  struct stat info {};
  EXPECT_EQ(::stat(path.c_str(), &info), 0) << path;
  return info.st_mode & 0777;
}

const std::string Bare = std::string("PACK\xFF\xFF\xFF\xFF\xFF\xFF\xFF\xFF", 12);
const std::string EmptyArchive = std::string("PACK\x0C\0\0\0\0\0\0\0", 12);
} // namespace

class SaveTest : public ::testing::Test {
protected:
  void SetUp() override {
    m_Quake = MakeQuakeDirectory(m_Folder);
    fs::create_directories(m_Folder.File("tmp"));
    fs::create_directories(m_Folder.File("work"));
    m_Pak.SetQuakeDirectory(m_Quake);
    m_Pak.SetTempDirectory(m_Folder.File("tmp"));
  }

  // Writes bytes to work/<title> and opens it.
  std::string OpenArchive(const std::string &title, const std::string &bytes) {
    std::string path = Work(title);
    WriteFileBytes(path, bytes);
    m_Pak.OpenPak(path);
    return path;
  }

  // Adds disk files holding the given data, named by their entry names, at the top level.
  void AddDiskFiles(const std::vector<TFixtureEntry> &files) {
    fs::create_directories(m_Folder.File("disk"));
    TStringList paths;
    for (const TFixtureEntry &file : files) {
      WriteFileBytes(m_Folder.File("disk/" + file.Name), file.Data);
      paths.push_back(m_Folder.File("disk/" + file.Name));
    }
    ASSERT_EQ(m_Pak.AddFiles(paths, m_Folder.File("disk/"), "", false), prDone);
  }

  std::string Work(const std::string &title) const { return m_Folder.File("work/" + title); }

  TTempDir m_Folder;
  std::string m_Quake;
  TQuakePak m_Pak;
};

using SavePak = SaveTest;
using SavePakAs = SaveTest;
using SaveFailure = SaveTest;

// Header; 4 unused bytes at 12; the data of b.txt at 16 and of a.txt at 19;
// the directory at 23 lists a.txt first. A save must pack the data back to
// back in directory order and drop the unused bytes.
const std::string ScatteredArchive =
    "PACK" + Int32LE(23) + Int32LE(128) + "junk" + "bbb" + "aaaa" + Record("a.txt", 19, 4) + Record("b.txt", 16, 3);

TEST_F(SavePak, PacksEntriesBackToBackOverItsOwnFileAndReopens) {
  std::string path = OpenArchive("scattered.pak", ScatteredArchive);
  m_Pak.AddUndoRecord("R:a.txt:c.txt"); // a pending undo step and Modified
  ASSERT_TRUE(m_Pak.Modified());

  ASSERT_EQ(m_Pak.SavePak(), prDone);

  EXPECT_EQ(ReadFileBytes(path), BuildPak({{"a.txt", "aaaa"}, {"b.txt", "bbb"}}));
  EXPECT_EQ(m_Pak.FileName(), path);
  EXPECT_FALSE(m_Pak.Modified());
  EXPECT_TRUE(m_Pak.Journal().empty());
  EXPECT_FALSE(m_Pak.CanUndo());
  EXPECT_EQ(EntriesOf(m_Pak), (TEntryView{{"a.txt", 12, 4}, {"b.txt", 16, 3}}));
  EXPECT_EQ(ReadFileBytes(m_Pak.WorkingFileName()), Bare);
  EXPECT_EQ(FilesIn(m_Folder.File("work")), std::vector<std::string>{"scattered.pak"});
}

TEST_F(SavePak, MixesArchiveAndWorkingFileDataAndReclaimsDeletedSpace) {
  OpenArchive("mixed.pak", BuildPak({{"a.txt", "archive-a"}, {"b.txt", "archive-bb"}, {"c.txt", "archive-ccc"}}));
  AddDiskFiles({{"d.txt", "working-d"}, {"e.txt", "working-eeeee"}});
  ASSERT_LT(m_Pak.EntryPosition(4), 0);
  ASSERT_EQ(m_Pak.DeleteEntries({"b.txt", "d.txt"}), prDone);

  std::string target = Work("saved.pak");
  ASSERT_EQ(m_Pak.SavePakAs(target), prDone);

  std::string expected = BuildPak({{"a.txt", "archive-a"}, {"c.txt", "archive-ccc"}, {"e.txt", "working-eeeee"}});
  EXPECT_EQ(ReadFileBytes(target), expected);
  EXPECT_EQ(m_Pak.FileName(), target);
  for (int32_t i = 0; i < m_Pak.EntryCount(); ++i)
    EXPECT_GT(m_Pak.EntryPosition(i), 0) << m_Pak.EntryName(i);
  EXPECT_EQ(ReadFileBytes(m_Pak.WorkingFileName()), Bare); // the added data is in the archive now
  // The file it was opened from is not touched by a save under another name.
  EXPECT_EQ(ReadFileBytes(Work("mixed.pak")),
            BuildPak({{"a.txt", "archive-a"}, {"b.txt", "archive-bb"}, {"c.txt", "archive-ccc"}}));
}

TEST_F(SavePak, ManyEntriesKeepTheirOrderAfterADelete) {
  // 1500 entries: the directory is written in several batches.
  std::vector<TFixtureEntry> entries;
  for (int i = 0; i < 1500; ++i)
    entries.push_back({"dir/f" + std::to_string(i) + ".txt", std::string(static_cast<size_t>(i % 7), 'a' + i % 26)});
  std::string path = OpenArchive("many.pak", BuildPak(entries));
  ASSERT_EQ(m_Pak.DeleteEntries({"dir/f3.txt"}), prDone);
  entries.erase(entries.begin() + 3);

  ASSERT_EQ(m_Pak.SavePak(), prDone);
  EXPECT_EQ(ReadFileBytes(path), BuildPak(entries));
  EXPECT_EQ(m_Pak.EntryCount(), 1499);
}

TEST_F(SavePak, ShortAndLongRunsFromBothFilesGiveThePackedBytes) {
  // Sizes on both sides of the block size. The data of the first thirty
  // entries lies in directory order, so that deletes leave runs of several
  // entries; that of the last thirty back to front, so that every run is one
  // entry and the next one lies before it. Every tenth is deleted, and files
  // added in between come from the working file.
  const std::vector<size_t> sizes{16, 0, 144, 65527, 16, 65528, 3, 70000, 16, 200000, 1, 16};
  const std::string pattern = PatternBytes(300000);
  std::vector<TFixtureEntry> entries;
  for (size_t i = 0; i < 60; ++i)
    entries.push_back({"d/e" + std::to_string(i) + ".dat", pattern.substr(i * 7919 % 90000, sizes[i % sizes.size()])});
  std::string data;
  std::vector<int32_t> positions(entries.size());
  auto place = [&](size_t i) {
    positions[i] = static_cast<int32_t>(12 + data.size());
    data += entries[i].Data;
  };
  for (size_t i = 0; i < 30; ++i)
    place(i);
  for (size_t i = 60; i-- > 30;)
    place(i);
  std::string records;
  for (size_t i = 0; i < entries.size(); ++i)
    records += Record(entries[i].Name, positions[i], static_cast<int32_t>(entries[i].Data.size()));
  const std::string path = OpenArchive("runs.pak", "PACK" + Int32LE(static_cast<int32_t>(12 + data.size())) +
                                                       Int32LE(static_cast<int32_t>(records.size())) + data + records);
  const std::vector<TFixtureEntry> added{{"w1.dat", pattern.substr(5, 100)}, {"w2.dat", pattern.substr(9, 70000)}};
  AddDiskFiles(added);
  TStringList deleted;
  for (size_t i = 9; i < entries.size(); i += 10)
    deleted.push_back(entries[i].Name);
  ASSERT_EQ(m_Pak.DeleteEntries(deleted), prDone);
  std::vector<TFixtureEntry> kept;
  for (size_t i = 0; i < entries.size(); ++i)
    if (i % 10 != 9)
      kept.push_back(entries[i]);
  kept.insert(kept.end(), added.begin(), added.end());

  ASSERT_EQ(m_Pak.SavePak(), prDone);
  EXPECT_EQ(ReadFileBytes(path), BuildPak(kept));
}

TEST_F(SavePak, EmptyArchiveIsTwelveBytes) {
  m_Pak.NewPak();
  ASSERT_EQ(m_Pak.SavePakAs(Work("new.pak")), prDone);
  EXPECT_EQ(ReadFileBytes(Work("new.pak")), EmptyArchive);
  EXPECT_FALSE(m_Pak.IsUntitled());
  EXPECT_EQ(m_Pak.FileName(), Work("new.pak"));
  EXPECT_EQ(m_Pak.EntryCount(), 0);

  // A bare header read back has no entries and saves as the same 12 bytes.
  OpenArchive("bare.pak", Bare);
  ASSERT_EQ(m_Pak.SavePak(), prDone);
  EXPECT_EQ(ReadFileBytes(Work("bare.pak")), EmptyArchive);
}

TEST_F(SavePak, EmptyEntriesSaveWhereverTheirRecordsPoint) {
  // Three records of size 0: at the lowest 32-bit position (working file, an
  // offset that does not fit in 32 bits when negated), at 0 and far past the end.
  std::string bytes = "PACK" + Int32LE(12) + Int32LE(192) + Record("low", INT32_MIN, 0) + Record("zero", 0, 0) +
                      Record("far", 999999, 0);
  std::string path = OpenArchive("empty-entries.pak", bytes);
  ASSERT_EQ(m_Pak.SavePak(), prDone);
  EXPECT_EQ(ReadFileBytes(path), BuildPak({{"low", ""}, {"zero", ""}, {"far", ""}}));
}

TEST_F(SavePak, UntitledArchiveNeedsANameFromItsHandler) {
  TQuakePak closed;
  EXPECT_EQ(closed.SavePak(), prNoArchive);
  EXPECT_EQ(closed.SavePakAs(Work("never.pak")), prNoArchive);

  m_Pak.NewPak();
  AddDiskFiles({{"new.txt", "fresh data"}});
  EXPECT_EQ(m_Pak.SavePak(), prCancelled); // no handler

  int asked = 0;
  std::string answer;
  bool cancel = false;
  m_Pak.OnNoSaveFileName = [&](TQuakePak &, std::string &fileName, bool &cancelled) {
    ++asked;
    EXPECT_EQ(fileName, UntitledName);
    if (!answer.empty())
      fileName = answer;
    cancelled = cancel;
  };
  cancel = true;
  EXPECT_EQ(m_Pak.SavePak(), prCancelled);
  // Neither cancelled nor named: saving to a file called "(Untitled)" would
  // re-open as an empty new archive.
  cancel = false;
  EXPECT_EQ(m_Pak.SavePak(), prCancelled);
  EXPECT_EQ(asked, 2);
  EXPECT_TRUE(FilesIn(m_Folder.File("work")).empty());
  EXPECT_TRUE(m_Pak.IsUntitled());
  EXPECT_TRUE(m_Pak.Modified());

  // Save does not ask before replacing: only Save As does.
  WriteFileBytes(Work("named.pak"), "old contents");
  m_Pak.OnSaveFileExists = [](TQuakePak &, const std::string &, bool &replace) { replace = false; };
  answer = Work("named.pak");
  ASSERT_EQ(m_Pak.SavePak(), prDone);
  EXPECT_EQ(ReadFileBytes(Work("named.pak")), BuildPak({{"new.txt", "fresh data"}}));
  EXPECT_EQ(m_Pak.FileName(), Work("named.pak"));
  EXPECT_FALSE(m_Pak.IsUntitled());
  EXPECT_FALSE(m_Pak.Modified());
  EXPECT_FALSE(m_Pak.CanUndo());
  EXPECT_EQ(m_Pak.EntryPosition(0), 12);
}

TEST_F(SavePakAs, RefusesStockArchivesWhileProtected) {
  OpenArchive("mine.pak", BuildPak({{"x.txt", "mine"}}));
  std::string pak0 = m_Quake + "id1/pak0.pak";
  std::string stockBytes = ReadFileBytes(pak0);
  fs::create_symlink(pak0, Work("alias.pak"));

  EXPECT_EQ(m_Pak.SavePakAs(m_Quake + "ID1/PAK0.PAK"), prProtected);
  EXPECT_EQ(m_Pak.SavePakAs(m_Quake + "id1/../id1/pak1.pak"), prProtected);
  EXPECT_EQ(m_Pak.SavePakAs(Work("alias.pak")), prProtected);
  EXPECT_EQ(ReadFileBytes(pak0), stockBytes);
  EXPECT_EQ(m_Pak.FileName(), Work("mine.pak"));

  m_Pak.SetProtectID1Pak(false);
  ASSERT_EQ(m_Pak.SavePakAs(pak0), prDone);
  EXPECT_EQ(ReadFileBytes(pak0), BuildPak({{"x.txt", "mine"}}));
}

TEST_F(SavePakAs, AsksBeforeReplacingAndKeepsARefusedFile) {
  std::string source = OpenArchive("source.pak", BuildPak({{"x.txt", "content"}}));
  std::string expected = ReadFileBytes(source);
  WriteFileBytes(Work("existing.pak"), "precious");
  TStringList asked;
  bool replace = false;
  m_Pak.OnSaveFileExists = [&](TQuakePak &, const std::string &fileName, bool &replaceIt) {
    asked.push_back(fileName);
    EXPECT_TRUE(replaceIt); // preset
    replaceIt = replace;
  };

  EXPECT_EQ(m_Pak.SavePakAs(Work("existing.pak")), prCancelled);
  EXPECT_EQ(ReadFileBytes(Work("existing.pak")), "precious");
  EXPECT_EQ(m_Pak.FileName(), source);

  ASSERT_EQ(m_Pak.SavePakAs(Work("fresh.pak")), prDone); // nothing there: no question
  EXPECT_EQ(asked, TStringList{Work("existing.pak")});

  replace = true;
  ASSERT_EQ(m_Pak.SavePakAs(Work("existing.pak")), prDone);
  EXPECT_EQ(ReadFileBytes(Work("existing.pak")), expected);
  EXPECT_EQ(asked.size(), 2u);

  m_Pak.OnSaveFileExists = nullptr; // no handler: replaced
  m_Pak.OpenPak(source);
  WriteFileBytes(Work("existing.pak"), "precious");
  ASSERT_EQ(m_Pak.SavePakAs(Work("existing.pak")), prDone);
  EXPECT_EQ(ReadFileBytes(Work("existing.pak")), expected);
}

TEST_F(SavePakAs, CreatesMissingDirectories) {
  OpenArchive("source.pak", BuildPak({{"x.txt", "content"}}));
  std::string target = m_Folder.File("made/deeper/still/out.pak");
  ASSERT_EQ(m_Pak.SavePakAs(target), prDone);
  EXPECT_EQ(ReadFileBytes(target), BuildPak({{"x.txt", "content"}}));
  EXPECT_EQ(m_Pak.FileName(), target);
}

TEST_F(SavePakAs, OntoTheOpenArchiveKeepsTheDataItReadsFrom) {
  std::string path = OpenArchive("scattered.pak", ScatteredArchive);
  AddDiskFiles({{"c.txt", "cc"}});
  int asked = 0;
  m_Pak.OnSaveFileExists = [&](TQuakePak &, const std::string &, bool &) { ++asked; };

  ASSERT_EQ(m_Pak.SavePakAs(path), prDone);

  EXPECT_EQ(asked, 1);
  EXPECT_EQ(ReadFileBytes(path), BuildPak({{"a.txt", "aaaa"}, {"b.txt", "bbb"}, {"c.txt", "cc"}}));
  EXPECT_EQ(EntriesOf(m_Pak), (TEntryView{{"a.txt", 12, 4}, {"b.txt", 16, 3}, {"c.txt", 19, 2}}));
}

TEST_F(SavePakAs, ReplacesTheFileBehindALinkAndKeepsItsPermissions) {
  OpenArchive("source.pak", BuildPak({{"x.txt", "content"}}));
  std::string expected = BuildPak({{"x.txt", "content"}});
  fs::create_directories(m_Folder.File("real"));
  std::string real = m_Folder.File("real/real.pak");
  WriteFileBytes(real, "old");
  ASSERT_EQ(::chmod(real.c_str(), 0640), 0);
  fs::create_symlink("../real/real.pak", Work("link.pak"));

  ASSERT_EQ(m_Pak.SavePakAs(Work("link.pak")), prDone);
  EXPECT_TRUE(fs::is_symlink(Work("link.pak")));
  EXPECT_EQ(ReadFileBytes(real), expected);
  EXPECT_EQ(ModeOf(real), 0640u);
  EXPECT_EQ(m_Pak.FileName(), Work("link.pak"));
  EXPECT_EQ(FilesIn(m_Folder.File("real")), std::vector<std::string>{"real.pak"});

  // A new file gets the mode any new file gets.
  mode_t previous = ::umask(027);
  uint8_t result = m_Pak.SavePakAs(Work("masked.pak"));
  ::umask(022);
  uint8_t second = m_Pak.SavePakAs(Work("open.pak"));
  ::umask(previous);
  ASSERT_EQ(result, prDone);
  ASSERT_EQ(second, prDone);
  EXPECT_EQ(ModeOf(Work("masked.pak")), 0640u);
  EXPECT_EQ(ModeOf(Work("open.pak")), 0644u);
}

TEST_F(SavePak, AssemblesInAPrivateFileThatSaysWhatItIs) {
  const std::string path = OpenArchive("mine.pak", BuildPak({{"a.txt", std::string(200000, 'a')}}));
  ::chmod(path.c_str(), 0644);
  std::vector<std::string> seen;
  m_Pak.OnCallback = [&](TQuakePak &, uint8_t) {
    for (const std::string &name : FilesIn(Work("")))
      if (name != "mine.pak")
        seen.push_back(name + " " + std::to_string(ModeOf(Work(name))));
  };
  ASSERT_EQ(m_Pak.SavePak(), prDone);
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.front().rfind(".mine.pak.varnel-save-", 0), 0u) << seen.front();
  EXPECT_EQ(seen.front().size(), std::string(".mine.pak.varnel-save-XXXXXX 384").size()) << seen.front();
  EXPECT_EQ(seen.front().substr(seen.front().size() - 4), " 384") << "0600 while it is written";
  EXPECT_EQ(ModeOf(path), 0644u);
  EXPECT_EQ(FilesIn(Work("")), std::vector<std::string>{"mine.pak"});
}

TEST_F(SavePak, NewArchiveOfAddedFilesIsCompletedInPlaceOfItsWorkingFile) {
  m_Pak.NewPak();
  AddDiskFiles({{"a.txt", "aaaa"}, {"b.txt", ""}, {"c.txt", "cc"}});
  struct stat working {};
  ASSERT_EQ(::stat(m_Pak.WorkingFileName().c_str(), &working), 0);
  const std::string target = Work("new.pak");
  ASSERT_EQ(m_Pak.SavePakAs(target), prDone);
  EXPECT_EQ(ReadFileBytes(target), BuildPak({{"a.txt", "aaaa"}, {"b.txt", ""}, {"c.txt", "cc"}}));
  struct stat saved {};
  ASSERT_EQ(::stat(target.c_str(), &saved), 0);
  EXPECT_EQ(saved.st_ino, working.st_ino) << "the data was not written a second time";
  EXPECT_EQ(EntriesOf(m_Pak), (TEntryView{{"a.txt", 12, 4}, {"b.txt", 16, 0}, {"c.txt", 16, 2}}));

  // A fresh working file takes its place; the next save, with data in both
  // files, copies as before and reads the saved archive through the open file.
  EXPECT_EQ(ReadFileBytes(m_Pak.WorkingFileName()), Bare);
  AddDiskFiles({{"d.txt", "d"}});
  ASSERT_EQ(m_Pak.SavePak(), prDone);
  EXPECT_EQ(ReadFileBytes(target), BuildPak({{"a.txt", "aaaa"}, {"b.txt", ""}, {"c.txt", "cc"}, {"d.txt", "d"}}));
  EXPECT_FALSE(m_Pak.Modified());
}

TEST_F(SavePak, ProgressCountsEveryByteOnceAndReachesHundred) {
  // 200000 bytes of data in three entries: many blocks, so many percentages.
  OpenArchive(
      "big.pak",
      BuildPak({{"one.bin", std::string(120000, '1')}, {"two.bin", ""}, {"three.bin", std::string(80000, '3')}}));
  int starts = 0;
  int ends = 0;
  std::vector<int> percents;
  m_Pak.OnStartCallback = [&](TQuakePak &) { ++starts; };
  m_Pak.OnEndCallback = [&](TQuakePak &) { ++ends; };
  m_Pak.OnCallback = [&](TQuakePak &, uint8_t percent) { percents.push_back(percent); };

  ASSERT_EQ(m_Pak.SavePak(), prDone);

  EXPECT_EQ(starts, 1);
  EXPECT_EQ(ends, 1);
  EXPECT_EQ(m_Pak.ProgressTotal(), 200000 + 3 * 64 + 12);
  EXPECT_EQ(m_Pak.ProgressDone(), m_Pak.ProgressTotal()); // header and directory counted too
  ASSERT_GE(percents.size(), 3u);
  EXPECT_TRUE(std::is_sorted(percents.begin(), percents.end()));
  EXPECT_LT(percents.front(), 50);
  EXPECT_EQ(percents.back(), 100);
  EXPECT_FALSE(m_Pak.ProgressActive());
}

// Archives whose records promise more than a PAK file can hold: refused before
// anything is written.
TEST_F(SaveFailure, RefusesArchivesThatCannotBeWritten) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      // Two records of 1 GiB each (no data behind them): 2 GiB of data.
      {"two gigabytes",
       "PACK" + Int32LE(12) + Int32LE(128) + Record("a.bin", 12, 0x40000000) + Record("b.bin", 12, 0x40000000)},
      // Exactly one byte over the limit with header and directory.
      {"one byte over", "PACK" + Int32LE(12) + Int32LE(64) + Record("a.bin", 12, 0x7FFFFFFF - 12 - 64 + 1)},
      {"negative size", "PACK" + Int32LE(12) + Int32LE(64) + Record("a.bin", 12, -5)},
  };
  int starts = 0;
  m_Pak.OnStartCallback = [&](TQuakePak &) { ++starts; };
  for (const auto &[label, bytes] : cases) {
    SCOPED_TRACE(label);
    std::string path = OpenArchive("hostile.pak", bytes);
    m_Pak.AddUndoRecord("R:a.bin:z.bin");
    TArchiveState before = StateOf(m_Pak);
    EXPECT_EQ(m_Pak.SavePak(), prWriteFailed);
    EXPECT_EQ(m_Pak.SavePakAs(Work("other.pak")), prWriteFailed);
    EXPECT_EQ(ReadFileBytes(path), bytes);
    EXPECT_TRUE(StateOf(m_Pak) == before);
    EXPECT_EQ(FilesIn(m_Folder.File("work")), std::vector<std::string>{"hostile.pak"});
  }
  EXPECT_EQ(starts, 0);
}

TEST_F(SaveFailure, UnreadableEntryLeavesTargetAndArchiveAsTheyWere) {
  // The second record claims 1000 bytes at 17, but the data ends at 22.
  std::string bytes = "PACK" + Int32LE(22) + Int32LE(128) + "good!" + "short" + Record("good.txt", 12, 5) +
                      Record("short.txt", 17, 1000);
  std::string path = OpenArchive("broken.pak", bytes);
  AddDiskFiles({{"added.txt", "added"}});
  WriteFileBytes(Work("target.pak"), "the old target");
  TArchiveState before = StateOf(m_Pak);
  int ends = 0;
  m_Pak.OnEndCallback = [&](TQuakePak &) { ++ends; };

  EXPECT_THROW((void)m_Pak.SavePakAs(Work("target.pak")), EInOutError);
  EXPECT_THROW((void)m_Pak.SavePak(), EInOutError);

  EXPECT_EQ(ends, 2);
  EXPECT_FALSE(m_Pak.ProgressActive());
  EXPECT_EQ(ReadFileBytes(Work("target.pak")), "the old target");
  EXPECT_EQ(ReadFileBytes(path), bytes);
  EXPECT_TRUE(StateOf(m_Pak) == before);
  EXPECT_EQ(FilesIn(m_Folder.File("work")), (std::vector<std::string>{"broken.pak", "target.pak"}));
  // The archive still works: without the broken entry it saves.
  ASSERT_EQ(m_Pak.DeleteEntries({"short.txt"}), prDone);
  ASSERT_EQ(m_Pak.SavePakAs(Work("target.pak")), prDone);
  EXPECT_EQ(ReadFileBytes(Work("target.pak")), BuildPak({{"good.txt", "good!"}, {"added.txt", "added"}}));
}

// A child process runs the save with a file size limit and SIGXFSZ ignored, so
// that a write past the limit fails with EFBIG wherever it happens. Its exit
// code reports the save's result (100: an input/output error was raised) or a
// broken guarantee in the child (101 state changed, 102 progress not ended).
TEST_F(SaveFailure, WriteFailingPartWayKeepsTheOldTargetAndTheArchive) {
  std::string source = OpenArchive(
      "source.pak", BuildPak({{"one.bin", std::string(150000, '1')}, {"two.bin", std::string(50000, '2')}}));
  AddDiskFiles({{"added.bin", std::string(30000, 'a')}});
  m_Pak.AddUndoRecord("R:one.bin:uno.bin");
  const std::string sourceBytes = ReadFileBytes(source);
  const std::string oldTarget(10000, 'T');
  const int64_t dataEnd = 12 + 150000 + 50000 + 30000;

  struct TLimitCase {
    const char *Label;
    rlim_t Limit;
    bool OverOwnFile;
    int ExpectedExit;
  };
  const TLimitCase cases[] = {
      {"in the header", 6, false, prWriteFailed},
      {"in the data", 100000, false, 100},
      {"in the directory", static_cast<rlim_t>(dataEnd + 100), false, prWriteFailed},
      {"in the data, over the open archive", 160000, true, 100},
  };
  for (const TLimitCase &limit : cases) {
    SCOPED_TRACE(limit.Label);
    std::string target = limit.OverOwnFile ? source : Work("target.pak");
    if (!limit.OverOwnFile)
      WriteFileBytes(target, oldTarget);
    std::vector<std::string> filesBefore = FilesIn(m_Folder.File("work"));

    pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      std::signal(SIGXFSZ, SIG_IGN);
      rlimit size{limit.Limit, limit.Limit};
      if (::setrlimit(RLIMIT_FSIZE, &size) != 0)
        ::_exit(103);
      int ends = 0;
      m_Pak.OnEndCallback = [&](TQuakePak &) { ++ends; };
      TArchiveState before = StateOf(m_Pak);
      int code = 0;
      try {
        code = limit.OverOwnFile ? m_Pak.SavePak() : m_Pak.SavePakAs(target);
      } catch (const EInOutError &) {
        code = 100;
      }
      if (!(StateOf(m_Pak) == before))
        code = 101;
      else if (ends != 1)
        code = 102;
      else if (code == prWriteFailed && (m_Pak.Failures().size() != 1 ||
                                         m_Pak.Failures()[0].find(".varnel-save-") == std::string::npos ||
                                         m_Pak.Failures()[0].find(": File too large") == std::string::npos))
        code = 104; // the failure does not say which file and why
      ::_exit(code);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), limit.ExpectedExit);
    EXPECT_EQ(ReadFileBytes(source), sourceBytes);
    if (!limit.OverOwnFile) {
      EXPECT_EQ(ReadFileBytes(target), oldTarget);
    }
    EXPECT_EQ(FilesIn(m_Folder.File("work")), filesBefore);
  }

  // Without a limit the same save goes through.
  ASSERT_EQ(m_Pak.SavePakAs(Work("target.pak")), prDone);
  EXPECT_EQ(static_cast<int64_t>(ReadFileBytes(Work("target.pak")).size()), dataEnd + 3 * 64);
}

TEST_F(SaveFailure, RefusesTargetsItMustNotReplace) {
  OpenArchive("source.pak", BuildPak({{"x.txt", "content"}}));
  TArchiveState before = StateOf(m_Pak);

  fs::create_directories(Work("folder.pak"));
  EXPECT_EQ(m_Pak.SavePakAs(Work("folder.pak")), prWriteFailed);
  EXPECT_TRUE(fs::is_directory(Work("folder.pak")));

  // Re-opening after a save recreates the working file: it can never be the target.
  std::string working = m_Pak.WorkingFileName();
  EXPECT_EQ(m_Pak.SavePakAs(working), prWriteFailed);
  EXPECT_EQ(ReadFileBytes(working), Bare);
  EXPECT_TRUE(StateOf(m_Pak) == before);

  // A folder that cannot be made (a file stands in its way): nothing to save beside.
  WriteFileBytes(Work("plain.txt"), "plain");
  EXPECT_EQ(m_Pak.SavePakAs(Work("plain.txt/sub/target.pak")), prWriteFailed);
  EXPECT_EQ(ReadFileBytes(Work("plain.txt")), "plain");
  EXPECT_TRUE(StateOf(m_Pak) == before);

  if (::geteuid() == 0) {
    GTEST_SKIP() << "permission bits do not stop the superuser";
  }
  WriteFileBytes(Work("readonly.pak"), "read only");
  ASSERT_EQ(::chmod(Work("readonly.pak").c_str(), 0444), 0);
  EXPECT_EQ(m_Pak.SavePakAs(Work("readonly.pak")), prWriteFailed);
  EXPECT_EQ(ReadFileBytes(Work("readonly.pak")), "read only");

  // No file can be made beside a target in a folder we may not write.
  fs::create_directories(m_Folder.File("locked"));
  WriteFileBytes(m_Folder.File("locked/target.pak"), "locked in");
  ASSERT_EQ(::chmod(m_Folder.File("locked").c_str(), 0555), 0);
  EXPECT_EQ(m_Pak.SavePakAs(m_Folder.File("locked/target.pak")), prWriteFailed);
  EXPECT_EQ(ReadFileBytes(m_Folder.File("locked/target.pak")), "locked in");
  EXPECT_EQ(FilesIn(m_Folder.File("locked")), std::vector<std::string>{"target.pak"});
  EXPECT_TRUE(StateOf(m_Pak) == before);
}

// Every refusal leaves one line in Failures() naming the file and the reason.
TEST_F(SaveFailure, EveryRefusalSaysWhichFileAndWhy) {
  OpenArchive("source.pak", BuildPak({{"x.txt", "content"}}));
  fs::create_directories(Work("folder.pak"));
  WriteFileBytes(Work("plain.txt"), "plain");
  const struct {
    std::string Target;
    std::string Start;
    std::string Reason;
  } cases[] = {
      {Work("folder.pak"), Work("folder.pak"), ": Is a directory"},
      {Work("plain.txt/sub/target.pak"), Work("plain.txt/sub/: "), "Not a directory"},
      {m_Pak.WorkingFileName(), m_Pak.WorkingFileName(), ": the working file"},
  };
  for (const auto &test : cases) {
    SCOPED_TRACE(test.Target);
    EXPECT_EQ(m_Pak.SavePakAs(test.Target), prWriteFailed);
    ASSERT_EQ(m_Pak.Failures().size(), 1u);
    EXPECT_EQ(m_Pak.Failures()[0].rfind(test.Start, 0), 0u) << m_Pak.Failures()[0];
    EXPECT_NE(m_Pak.Failures()[0].find(test.Reason), std::string::npos) << m_Pak.Failures()[0];
  }
  // Cleared by the next save; the result codes without a file say what they mean.
  ASSERT_EQ(m_Pak.SavePakAs(Work("fine.pak")), prDone);
  EXPECT_TRUE(m_Pak.Failures().empty());
  TQuakePak closed;
  EXPECT_EQ(closed.SavePak(), prNoArchive);
  EXPECT_EQ(closed.Failures(), TStringList{ResultText(prNoArchive)});
}

// In a folder that everyone may write to (sticky, as /tmp), a link of another
// user is never followed, whether it stood there before the save or took the
// target's name while the save ran; the user's own links still are.
TEST_F(SaveFailure, LinksOfOtherUsersInSharedFoldersAreNotFollowed) {
  const std::string shared = MakeSharedFolder(m_Folder, "shared");
  const std::string victim = m_Folder.File("victim.pak");
  WriteFileBytes(victim, "precious");
  if (!LinkAsOtherUser(shared, "planted.pak", victim))
    GTEST_SKIP() << "this process cannot act as another user";
  OpenArchive("source.pak", BuildPak({{"a.bin", std::string(300000, 'a')}}));
  const TArchiveState before = StateOf(m_Pak);

  EXPECT_EQ(m_Pak.SavePakAs(shared + "planted.pak"), prWriteFailed);
  ASSERT_EQ(m_Pak.Failures().size(), 1u);
  EXPECT_EQ(m_Pak.Failures()[0].rfind(shared + "planted.pak: ", 0), 0u) << m_Pak.Failures()[0];
  EXPECT_EQ(ReadFileBytes(victim), "precious");
  EXPECT_TRUE(StateOf(m_Pak) == before);

  bool planted = false;
  m_Pak.OnCallback = [&](TQuakePak &, uint8_t) {
    if (!planted)
      planted = LinkAsOtherUser(shared, "late.pak", victim);
  };
  EXPECT_EQ(m_Pak.SavePakAs(shared + "late.pak"), prWriteFailed);
  ASSERT_TRUE(planted);
  EXPECT_TRUE(fs::is_symlink(shared + "late.pak"));
  EXPECT_EQ(ReadFileBytes(victim), "precious");
  EXPECT_EQ(m_Pak.Failures().size(), 1u);
  EXPECT_TRUE(StateOf(m_Pak) == before);
  EXPECT_EQ(FilesIn(shared), (std::vector<std::string>{"late.pak", "planted.pak"}));

  m_Pak.OnCallback = nullptr;
  fs::create_symlink(victim, shared + "mine.pak");
  ASSERT_EQ(m_Pak.SavePakAs(shared + "mine.pak"), prDone);
  EXPECT_EQ(ReadFileBytes(victim), BuildPak({{"a.bin", std::string(300000, 'a')}}));
}

// Another process swaps the save file for a link between its making and the
// rename: the target is not replaced by the link, and the save says so.
TEST_F(SaveFailure, ASaveFileSwappedWhileWrittenReplacesNothing) {
  const std::string path = OpenArchive("mine.pak", BuildPak({{"a.bin", std::string(300000, 'a')}}));
  const std::string bytes = ReadFileBytes(path);
  m_Pak.AddUndoRecord("R:a.bin:b.bin");
  std::string swapped;
  m_Pak.OnCallback = [&](TQuakePak &, uint8_t) {
    for (const std::string &name : FilesIn(Work("")))
      if (swapped.empty() && name.rfind(".mine.pak.varnel-save-", 0) == 0) {
        swapped = name;
        fs::rename(Work(name), Work("stolen"));
        fs::create_symlink("/etc/hostname", Work(name));
      }
  };
  EXPECT_EQ(m_Pak.SavePak(), prWriteFailed);
  ASSERT_FALSE(swapped.empty());
  EXPECT_FALSE(fs::is_symlink(path));
  EXPECT_EQ(ReadFileBytes(path), bytes);
  ASSERT_EQ(m_Pak.Failures().size(), 1u);
  EXPECT_EQ(m_Pak.Failures()[0].rfind(Work(swapped) + ": ", 0), 0u) << m_Pak.Failures()[0];
  EXPECT_TRUE(m_Pak.Modified());
}

// A save killed part-way leaves its save file; the next save to that folder
// removes it, but never one whose lock a running save holds.
TEST_F(SavePak, RemovesSaveFilesThatAKilledSaveLeft) {
  const std::string path = OpenArchive("mine.pak", BuildPak({{"a.bin", std::string(300000, 'a')}}));
  const pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    m_Pak.OnCallback = [](TQuakePak &, uint8_t) { ::_exit(0); };
    (void)m_Pak.SavePak(); // ends in the progress event
    ::_exit(1);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  std::vector<std::string> left = FilesIn(Work(""));
  ASSERT_EQ(left.size(), 2u);
  EXPECT_EQ(left[0].rfind(".mine.pak.varnel-save-", 0), 0u);

  // One that a save now running holds, and files that only look alike.
  const std::string held = Work(".other.pak.varnel-save-Held01");
  WriteFileBytes(held, "held");
  const int lock = ::open(held.c_str(), O_RDONLY | O_CLOEXEC);
  ASSERT_EQ(::flock(lock, LOCK_EX | LOCK_NB), 0);
  WriteFileBytes(Work(".x.varnel-save-toolong"), "not ours");
  WriteFileBytes(Work("x.varnel-save-Abc123"), "not hidden");

  ASSERT_EQ(m_Pak.SavePakAs(Work("other.pak")), prDone);
  EXPECT_EQ(FilesIn(Work("")), (std::vector<std::string>{".other.pak.varnel-save-Held01", ".x.varnel-save-toolong",
                                                         "mine.pak", "other.pak", "x.varnel-save-Abc123"}));
  ::close(lock);
  EXPECT_EQ(ReadFileBytes(path), BuildPak({{"a.bin", std::string(300000, 'a')}}));
}

// After a new archive is saved, it is read through the descriptor that wrote
// it; a read error then names the archive, not the working file it was.
TEST_F(SavePak, ReadErrorsAfterSavingANewArchiveNameTheArchive) {
  m_Pak.NewPak();
  AddDiskFiles({{"a.bin", std::string(1000, 'a')}});
  // Empty entries enough for the directory to be written in several parts.
  for (int i = 0; i < 10000; ++i)
    m_Pak.RestoreEntry("e" + std::to_string(i), 0, 0);
  const std::string working = m_Pak.WorkingFileName();
  // Once all is written, the data is cut short behind the save's back.
  m_Pak.OnCallback = [&](TQuakePak &, uint8_t percent) {
    if (percent == 100) {
      ASSERT_EQ(::truncate(working.c_str(), 20), 0);
    }
  };
  const std::string target = Work("new.pak");
  ASSERT_EQ(m_Pak.SavePakAs(target), prDone);
  ASSERT_EQ(fs::file_size(target), 20u);
  try {
    (void)m_Pak.ExtractEntries({"a.bin"}, m_Folder.File("out"), false);
    ADD_FAILURE() << "read past the end";
  } catch (const EInOutError &error) {
    EXPECT_EQ(error.FileName(), target);
  }
}
