// SPDX-License-Identifier: GPL-3.0-or-later
// Adding files and directory trees: names, expansion, the clash protocol, the
// add record and its undo, progress, and the failures that must leave no
// entry behind.
#include "PakQuake.h"
#include "TestSupport.h"

#include <csignal>
#include <filesystem>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
// One entry as a comparable text: name, position and size.
std::string Describe(const TDirEntry &entry) {
  return entry.Name + "@" + std::to_string(entry.Position) + "#" + std::to_string(entry.Size);
}

std::vector<std::string> Describe(const std::vector<TDirEntry> &directory) {
  std::vector<std::string> result;
  for (const TDirEntry &entry : directory)
    result.push_back(Describe(entry));
  return result;
}
} // namespace

class AddFiles : public TPakTest {
protected:
  // Writes a disk file below src/, making its folders; returns its path.
  std::string Source(const std::string &relative, const std::string &bytes) {
    std::string path = m_Folder.File("src/" + relative);
    fs::create_directories(fs::path(path).parent_path());
    WriteFileBytes(path, bytes);
    return path;
  }

  int64_t WorkingSize() const { return static_cast<int64_t>(fs::file_size(m_Pak.WorkingFileName())); }
};

TEST_F(AddFiles, PreconditionsLastFailingTestDecides) {
  std::string file = Source("a.txt", "abc");
  TStringList paths{file};

  // No Quake directory and nothing open: "not modifiable" overrides "no archive".
  TQuakePak bare;
  EXPECT_EQ(bare.AddFiles(paths, "", "", false), prProtected);
  TStringList empty;
  EXPECT_EQ(bare.AddFiles(empty, "", "", false), prEmptyList);

  EXPECT_EQ(m_Pak.AddFiles(paths, "", "", false), prNoArchive);
  EXPECT_EQ(m_Pak.AddFiles(empty, "", "", false), prEmptyList);

  // The stock archive is protected: nothing changes, no event fires.
  m_Pak.OpenPak(m_Quake + "id1/pak0.pak");
  EXPECT_EQ(m_Pak.AddFiles(paths, "", "", false), prProtected);
  EXPECT_EQ(paths, TStringList{file});
  EXPECT_EQ(m_Pak.EntryCount(), 0);
  EXPECT_EQ(m_Starts, 0);

  m_Pak.NewPak();
  EXPECT_EQ(m_Pak.AddFiles(empty, "", "", false), prEmptyList);
  EXPECT_EQ(m_Starts, 0);
  EXPECT_FALSE(m_Pak.Modified());
}

TEST_F(AddFiles, DerivesEntryNamesFromBaseAndTargetDirectories) {
  std::string map = Source("game/Maps/E1M1.BSP", "map-bytes");
  struct TCase {
    std::string Base, Target, Expected;
  };
  const std::vector<TCase> cases = {
      {m_Folder.File("src/GAME"), "", "maps/e1m1.bsp"}, // the base matches ignoring case
      {m_Folder.File("src/game/"), "x/", "x/maps/e1m1.bsp"},
      {m_Folder.File("src/OTHER"), "", "e1m1.bsp"}, // outside the base: bare file name
      {"", "\\progs", "progs/e1m1.bsp"},
      {"", "/", "e1m1.bsp"}, // slashes only: the top level
      {"", "//a\\b", "a/b/e1m1.bsp"},
  };
  for (const TCase &test : cases) {
    SCOPED_TRACE(test.Base + " | " + test.Target);
    m_Pak.NewPak();
    TStringList paths{map};
    ASSERT_EQ(m_Pak.AddFiles(paths, test.Base, test.Target, false), prDone);
    EXPECT_EQ(Describe(m_Pak.Directory()), std::vector<std::string>{test.Expected + "@-12#9"});
    EXPECT_EQ(m_Pak.Journal(), TStringList{"A:" + test.Expected + ":"});
  }

  // Space rule and letter case; the data lands back to back in the working file.
  std::string spaced = Source("My Level.BSP", "level");
  m_Pak.NewPak();
  TStringList paths{spaced, map};
  ASSERT_EQ(m_Pak.AddFiles(paths, "", "", false), prDone);
  EXPECT_EQ(Describe(m_Pak.Directory()), (std::vector<std::string>{"my_level.bsp@-12#5", "e1m1.bsp@-17#9"}));
  EXPECT_EQ(ReadFileBytes(m_Pak.WorkingFileName()).substr(12), "levelmap-bytes");

  m_Pak.NewPak();
  m_Pak.SetForceLowercase(false);
  m_Pak.SetHandleSpaces(shLeave);
  paths = {spaced};
  ASSERT_EQ(m_Pak.AddFiles(paths, "", "Sub Dir", false), prDone);
  EXPECT_EQ(m_Pak.EntryName(0), "Sub Dir/My Level.BSP");
}

TEST_F(AddFiles, ExpandsDirectoriesInListOrderLeavingHiddenNamesOut) {
  std::string one = Source("one.txt", "1");
  Source("dir/b.txt", "b");
  Source("dir/a.txt", "a");
  std::string hidden = Source("dir/.hidden", "h");
  Source("dir/.hdir/d.txt", "d");
  Source("dir/sub/c.txt", "c");
  std::string base = m_Folder.File("src");

  m_Pak.NewPak();
  TStringList paths{m_Folder.File("src/dir"), one, m_Folder.File("src/missing.txt"), hidden};
  ASSERT_EQ(m_Pak.AddFiles(paths, base, "", false), prDone);
  // Files first in their order, then the directory's files in byte order; its
  // sub-directory is not entered, its hidden names are left out, but a hidden
  // file named directly is added.
  EXPECT_EQ(paths, (TStringList{one, hidden, m_Folder.File("src/dir/a.txt"), m_Folder.File("src/dir/b.txt")}));
  EXPECT_EQ(Describe(m_Pak.Directory()),
            (std::vector<std::string>{"one.txt@-12#1", "dir/.hidden@-13#1", "dir/a.txt@-14#1", "dir/b.txt@-15#1"}));

  m_Pak.NewPak();
  paths = {m_Folder.File("src/dir/")};
  ASSERT_EQ(m_Pak.AddFiles(paths, base, "pre", true), prDone);
  EXPECT_EQ(paths, (TStringList{m_Folder.File("src/dir/a.txt"), m_Folder.File("src/dir/b.txt"),
                                m_Folder.File("src/dir/sub/c.txt")}));
  EXPECT_EQ(m_Pak.EntryName(2), "pre/dir/sub/c.txt");
}

TEST_F(AddFiles, ClashProtocolAnswerByAnswer) {
  // -1 in an answer list: the handler leaves the preset answer alone.
  struct TCase {
    std::string Title;
    bool Handler;
    std::vector<int> Answers;
    int Asked;
    uint8_t Result;
    std::vector<std::string> Directory; // "name:old" or "name:new"
  };
  const std::vector<TCase> cases = {
      {"no handler", false, {}, 0, prDone, {"a.txt:old", "b.txt:old", "c.txt:old", "d.txt:new"}},
      {"replace each",
       true,
       {frReplace, frReplace, frReplace},
       3,
       prDone,
       {"a.txt:new", "b.txt:new", "c.txt:new", "d.txt:new"}},
      {"replace all", true, {frReplaceAll}, 1, prDone, {"a.txt:new", "b.txt:new", "c.txt:new", "d.txt:new"}},
      {"skip each", true, {frSkip, frSkip, frSkip}, 3, prDone, {"a.txt:old", "b.txt:old", "c.txt:old", "d.txt:new"}},
      {"skip all", true, {frSkipAll}, 1, prDone, {"a.txt:old", "b.txt:old", "c.txt:old", "d.txt:new"}},
      {"skip then replace all",
       true,
       {frSkip, frReplaceAll},
       2,
       prDone,
       {"a.txt:old", "b.txt:new", "c.txt:new", "d.txt:new"}},
      {"odd value, replace, unset",
       true,
       {9, frReplace, -1},
       3,
       prDone,
       {"a.txt:old", "c.txt:old", "b.txt:new", "d.txt:new"}},
      {"cancel at the third",
       true,
       {frReplace, frReplace, frCancel},
       3,
       prCancelled,
       {"c.txt:old", "a.txt:old", "b.txt:old"}},
  };
  const std::vector<TFixtureEntry> archive = {{"a.txt", "old-a"}, {"b.txt", "old-b"}, {"c.txt", "old-c"}};
  TStringList sources;
  for (const char *name : {"a.txt", "b.txt", "c.txt", "d.txt"})
    sources.push_back(Source(name, std::string("new-") + name[0] + "!"));

  for (const TCase &test : cases) {
    SCOPED_TRACE(test.Title);
    OpenArchive(archive);
    m_Starts = m_Ends = 0;
    m_Percents.clear();
    size_t asked = 0;
    bool presetSeen = true;
    m_Pak.OnAddFileExists = nullptr;
    if (test.Handler)
      m_Pak.OnAddFileExists = [&](TQuakePak &, const std::string &, TFileReplace &replace) {
        presetSeen = presetSeen && replace == frSkip;
        if (asked < test.Answers.size() && test.Answers[asked] >= 0)
          replace = static_cast<TFileReplace>(test.Answers[asked]);
        ++asked;
      };
    TStringList paths = sources;
    ASSERT_EQ(m_Pak.AddFiles(paths, "", "", false), test.Result);
    EXPECT_EQ(asked, static_cast<size_t>(test.Asked));
    EXPECT_TRUE(presetSeen);

    std::vector<std::string> seen;
    for (const TDirEntry &entry : m_Pak.Directory()) {
      bool old = entry.Position > 0;
      seen.push_back(entry.Name + (old ? ":old" : ":new"));
      // Old entries keep their place in the archive file, new ones hold the new bytes.
      if (old) {
        EXPECT_EQ(entry.Position, 12 + 5 * (entry.Name[0] - 'a'));
      }
    }
    EXPECT_EQ(seen, test.Directory);

    if (test.Result == prCancelled) {
      EXPECT_TRUE(m_Pak.Journal().empty());
      EXPECT_FALSE(m_Pak.Modified());
      EXPECT_EQ(m_Starts + m_Ends, 0);
      EXPECT_EQ(WorkingSize(), 12);
    } else {
      EXPECT_EQ(m_Starts, 1);
      EXPECT_EQ(m_Ends, 1);
      EXPECT_TRUE(m_Pak.Modified());
    }
  }
}

TEST_F(AddFiles, AsksWithTheNameBeforeTheNameRules) {
  OpenArchive({{"sub_dir/a_b.txt", "old"}});
  std::string file = Source("A B.TXT", "new");
  std::vector<std::string> asked;
  m_Pak.OnAddFileExists = [&](TQuakePak &, const std::string &name, TFileReplace &) { asked.push_back(name); };
  TStringList paths{file};
  ASSERT_EQ(m_Pak.AddFiles(paths, "", "Sub Dir\\", false), prDone);
  EXPECT_EQ(asked, std::vector<std::string>{"Sub Dir/A B.TXT"});
  EXPECT_TRUE(paths.empty());
  // Every file skipped: progress still starts and ends, nothing else changes.
  EXPECT_EQ(m_Starts, 1);
  EXPECT_EQ(m_Ends, 1);
  EXPECT_TRUE(m_Pak.Journal().empty());
  EXPECT_FALSE(m_Pak.Modified());
  EXPECT_EQ(Describe(m_Pak.Directory()), std::vector<std::string>{"sub_dir/a_b.txt@12#3"});
}

TEST_F(AddFiles, WritesOneRecordThatUndoReverses) {
  // b.wav of 5 bytes at offset 12 in the archive file, as in the record below.
  OpenArchive({{"keep.txt", ""}, {"b.wav", "bbbbb"}});
  m_Pak.OnAddFileExists = [](TQuakePak &, const std::string &, TFileReplace &replace) { replace = frReplace; };
  TStringList paths{Source("a.wav", "aaa"), Source("b.wav", "BBBB")};
  ASSERT_EQ(m_Pak.AddFiles(paths, "", "", false), prDone);
  EXPECT_EQ(m_Pak.Journal(), TStringList{"A:b.wav:A:a.wav:D:b.wav,12,5:"});
  EXPECT_EQ(Describe(m_Pak.Directory()), (std::vector<std::string>{"keep.txt@12#0", "a.wav@-12#3", "b.wav@-15#4"}));
  EXPECT_EQ(m_Pak.UndoKind(), 1);

  ASSERT_EQ(m_Pak.Undo(), prDone);
  EXPECT_EQ(Describe(m_Pak.Directory()), (std::vector<std::string>{"keep.txt@12#0", "b.wav@12#5"}));
  EXPECT_TRUE(m_Pak.Journal().empty());
  EXPECT_FALSE(m_Pak.Modified());
  EXPECT_EQ(WorkingSize(), 12 + 3 + 4); // the working file only grows

  // Names that look like separators or markers are escaped, and undo still finds them.
  m_Pak.NewPak();
  paths = {Source("x:y,z.txt", "1"), Source("q", "2")};
  ASSERT_EQ(m_Pak.AddFiles(paths, "", "", false), prDone);
  EXPECT_EQ(m_Pak.Journal(), TStringList{"A:%71:A:x%3Ay%2Cz.txt:"});
  ASSERT_EQ(m_Pak.Undo(), prDone);
  EXPECT_EQ(m_Pak.EntryCount(), 0);

  // Without undo the entries still arrive and the archive is modified.
  m_Pak.NewPak();
  m_Pak.SetAllowUndo(false);
  paths = {Source("a.wav", "aaa")};
  ASSERT_EQ(m_Pak.AddFiles(paths, "", "", false), prDone);
  EXPECT_EQ(m_Pak.EntryCount(), 1);
  EXPECT_TRUE(m_Pak.Journal().empty());
  EXPECT_TRUE(m_Pak.Modified());
}

TEST_F(AddFiles, FirstOfTwoFilesWithOneNameWins) {
  OpenArchive({{"other.txt", "zz"}});
  TStringList paths{Source("one/x.txt", "first"), Source("two/X.TXT", "second")};
  ASSERT_EQ(m_Pak.AddFiles(paths, "", "", false), prDone);
  EXPECT_EQ(Describe(m_Pak.Directory()), (std::vector<std::string>{"other.txt@12#2", "x.txt@-12#5"}));
  EXPECT_EQ(m_Pak.Journal(), TStringList{"A:x.txt:A:x.txt:"});
  ASSERT_EQ(m_Pak.Undo(), prDone);
  EXPECT_EQ(Describe(m_Pak.Directory()), std::vector<std::string>{"other.txt@12#2"});
}

TEST_F(AddFiles, ReportsProgressOverTheBytesToCopy) {
  m_Pak.NewPak();
  TStringList paths{Source("e1", ""), Source("e2", "")};
  ASSERT_EQ(m_Pak.AddFiles(paths, "", "", false), prDone);
  EXPECT_EQ(m_Pak.ProgressTotal(), 0);
  EXPECT_TRUE(m_Percents.empty());
  EXPECT_EQ(Describe(m_Pak.Directory()), (std::vector<std::string>{"e1@-12#0", "e2@-12#0"}));

  // Three blocks and one byte: percentages rise to 100 and end the operation.
  paths = {Source("big.bin", std::string(3 * PakFormat::BlockSize, 'x')), Source("one", "1")};
  ASSERT_EQ(m_Pak.AddFiles(paths, "", "", false), prDone);
  EXPECT_EQ(m_Pak.ProgressTotal(), 3 * PakFormat::BlockSize + 1);
  EXPECT_EQ(m_Percents, (std::vector<uint8_t>{33, 67, 100}));
  EXPECT_FALSE(m_Pak.ProgressActive());
}

TEST_F(AddFiles, FileGoneBeforeCopyCountsAsFailureAndKeepsReplacementUndoable) {
  OpenArchive({{"b.txt", "old-b"}});
  std::string gone = Source("b.txt", "new-b");
  m_Pak.OnAddFileExists = [](TQuakePak &, const std::string &, TFileReplace &replace) { replace = frReplaceAll; };
  m_Pak.OnStartCallback = [&](TQuakePak &) { fs::remove(gone); };
  TStringList paths{Source("a.txt", "a"), gone};
  ASSERT_EQ(m_Pak.AddFiles(paths, "", "", false), prWriteFailed);
  EXPECT_EQ(Describe(m_Pak.Directory()), std::vector<std::string>{"a.txt@-12#1"});
  EXPECT_EQ(m_Pak.Journal(), TStringList{"A:a.txt:D:b.txt,12,5:"});
  ASSERT_EQ(m_Pak.Undo(), prDone);
  EXPECT_EQ(Describe(m_Pak.Directory()), std::vector<std::string>{"b.txt@12#5"});
}

TEST_F(AddFiles, FailurePartWayLeavesNoEntryForMissingBytes) {
  m_Pak.NewPak();
  std::string big = Source("big.bin", std::string(3 * PakFormat::BlockSize, 'x'));
  // The source shrinks under the copy after its first block: the read comes up short.
  m_Pak.OnCallback = [&](TQuakePak &, uint8_t) { ASSERT_EQ(::truncate(big.c_str(), 0), 0); };
  TStringList paths{big, Source("small.txt", "small")};
  ASSERT_EQ(m_Pak.AddFiles(paths, "", "", false), prWriteFailed);
  // The later file lands where the failed one began: its stray bytes were cut off.
  EXPECT_EQ(Describe(m_Pak.Directory()), std::vector<std::string>{"small.txt@-12#5"});
  EXPECT_EQ(ReadFileBytes(m_Pak.WorkingFileName()).substr(12), "small");
  EXPECT_EQ(m_Pak.Journal(), TStringList{"A:small.txt:"});
  EXPECT_EQ(m_Ends, 1);
  EXPECT_FALSE(m_Pak.ProgressActive());
}

TEST_F(AddFiles, LeavesOutNamesThatDoNotFitTheNameField) {
  m_Pak.NewPak();
  // 56 bytes fit the record's name field exactly; 60 would be cut at the save.
  const std::string fits = std::string(40, 'd') + "/" + std::string(11, 'f') + ".wav";
  const std::string tooLong = std::string(44, 'd') + "/" + std::string(11, 'f') + ".wav";
  ASSERT_EQ(fits.size(), 56u);
  ASSERT_EQ(tooLong.size(), 60u);
  TStringList paths{Source(fits, "fits"), Source(tooLong, "long")};
  ASSERT_EQ(m_Pak.AddFiles(paths, m_Folder.File("src/"), "", false), prWriteFailed);
  EXPECT_EQ(Describe(m_Pak.Directory()), std::vector<std::string>{fits + "@-12#4"});
  ASSERT_EQ(m_Pak.Failures().size(), 1u);
  EXPECT_EQ(m_Pak.Failures()[0], m_Folder.File("src/" + tooLong) + ": name too long: an entry name holds at most 56 bytes");
  EXPECT_EQ(WorkingSize(), 12 + 4);
}

// A tree of many files is opened ahead of the copy on a second thread: the
// entries, their data and a file that cannot be added must come out as one
// at a time. The files are enough, and some large enough, for the thread to
// run as far ahead as it may and to wait for its read-ahead buffers; some
// are too large to be read ahead at all.
TEST_F(AddFiles, ManyFilesAtOnceAddAsOneAtATimeWould) {
  m_Pak.NewPak();
  std::vector<std::string> expected;
  std::string working = ReadFileBytes(m_Pak.WorkingFileName());
  for (int i = 0; i < 240; ++i) {
    const std::string name = "d" + std::to_string(i / 20 + 10) + "/f" + std::to_string(100 + i) + ".bin";
    const int size = i % 7 == 3 ? 300000 + i : i % 3 == 1 ? 120000 + i : i * 31;
    const std::string data(static_cast<size_t>(size), static_cast<char>('a' + i % 26));
    Source(name, data);
    if (i == 50)
      continue; // removed once the tree was read
    expected.push_back(name + "@-" + std::to_string(working.size()) + "#" + std::to_string(data.size()));
    working += data;
  }
  m_Pak.OnStartCallback = [&](TQuakePak &) { fs::remove(m_Folder.File("src/d12/f150.bin")); };
  TStringList paths{m_Folder.File("src")};
  ASSERT_EQ(m_Pak.AddFiles(paths, m_Folder.File("src/"), "", true), prWriteFailed);
  EXPECT_EQ(Describe(m_Pak.Directory()), expected);
  EXPECT_EQ(ReadFileBytes(m_Pak.WorkingFileName()), working);
  ASSERT_EQ(m_Pak.Failures().size(), 1u);
  EXPECT_EQ(m_Pak.Failures()[0], m_Folder.File("src/d12/f150.bin") + ": no such file");
}

// Small files read ahead are written together; when such a write fails part
// way (here at a file size limit, in a child process with SIGXFSZ ignored),
// the files that fit stay and each later one fails on its own, as when
// they were written one at a time. The child's exit code says what broke.
TEST_F(AddFiles, WriteFailingInReadAheadDataKeepsTheFilesWrittenWhole) {
  m_Pak.NewPak();
  std::vector<std::string> kept;
  for (int i = 0; i < 100; ++i) {
    const std::string name = "f" + std::to_string(100 + i) + ".bin";
    Source(name, std::string(1000, static_cast<char>('a' + i % 26)));
    if (i < 50)
      kept.push_back(name + "@-" + std::to_string(12 + 1000 * i) + "#1000");
  }
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    std::signal(SIGXFSZ, SIG_IGN);
    rlimit size{12 + 50 * 1000 + 500, 12 + 50 * 1000 + 500};
    if (::setrlimit(RLIMIT_FSIZE, &size) != 0)
      ::_exit(10);
    TStringList paths{m_Folder.File("src")};
    if (m_Pak.AddFiles(paths, m_Folder.File("src/"), "", true) != prWriteFailed)
      ::_exit(1);
    if (Describe(m_Pak.Directory()) != kept)
      ::_exit(2);
    if (m_Pak.Failures().size() != 50 || WorkingSize() != 12 + 50 * 1000)
      ::_exit(3);
    if (m_Pak.Journal().size() != 1 || m_Pak.Journal()[0].find("f149.bin") == std::string::npos ||
        m_Pak.Journal()[0].find("f150.bin") != std::string::npos)
      ::_exit(4);
    ::_exit(m_Pak.ProgressActive() ? 5 : 0);
  }
  int status = 0;
  ASSERT_EQ(::waitpid(child, &status, 0), child);
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 0);
}

TEST_F(AddFiles, RefusesDataBeyondTheTwoGigabyteLimit) {
  m_Pak.NewPak();
  // Sparse files: truncate() sets the size without writing a byte.
  std::string huge = Source("huge.bin", "");
  ASSERT_EQ(::truncate(huge.c_str(), int64_t{1} << 31), 0);
  TStringList paths{huge};
  ASSERT_EQ(m_Pak.AddFiles(paths, "", "", false), prWriteFailed);
  EXPECT_EQ(m_Pak.ProgressTotal(), int64_t{1} << 31);
  EXPECT_EQ(m_Pak.EntryCount(), 0);
  EXPECT_EQ(WorkingSize(), 12);

  // A working file 15 bytes short of the limit takes 15 bytes, not 16.
  const int64_t nearly = PakFormat::MaxArchiveSize - 15;
  ASSERT_EQ(::truncate(m_Pak.WorkingFileName().c_str(), nearly), 0);
  paths = {Source("sixteen.bin", std::string(16, 's'))};
  EXPECT_EQ(m_Pak.AddFiles(paths, "", "", false), prWriteFailed);
  EXPECT_EQ(m_Pak.EntryCount(), 0);
  paths = {Source("fifteen.bin", std::string(15, 'f'))};
  ASSERT_EQ(m_Pak.AddFiles(paths, "", "", false), prDone);
  EXPECT_EQ(Describe(m_Pak.Directory()), std::vector<std::string>{"fifteen.bin@" + std::to_string(-nearly) + "#15"});
  EXPECT_EQ(WorkingSize(), PakFormat::MaxArchiveSize);
}

TEST_F(AddFiles, AddsOnlyRegularFilesAndEndsOnLinkLoops) {
  OpenArchive({{"pipe", "old"}});
  Source("dir/a.txt", "a");
  ASSERT_EQ(::mkfifo(m_Folder.File("src/dir/fifo").c_str(), 0600), 0);
  ASSERT_EQ(::mkfifo(m_Folder.File("src/pipe").c_str(), 0600), 0);
  int asked = 0;
  m_Pak.OnAddFileExists = [&](TQuakePak &, const std::string &, TFileReplace &replace) {
    ++asked;
    replace = frReplace;
  };
  TStringList paths{m_Folder.File("src/pipe"), m_Folder.File("src/dir")};
  ASSERT_EQ(m_Pak.AddFiles(paths, "", "", false), prDone);
  EXPECT_EQ(paths, TStringList{m_Folder.File("src/dir/a.txt")});
  EXPECT_EQ(asked, 0); // never a question about a FIFO, never its entry removed
  EXPECT_EQ(Describe(m_Pak.Directory()), (std::vector<std::string>{"pipe@12#3", "a.txt@-12#1"}));

  // tree/sub/loop leads back to tree: each directory is entered once.
  Source("tree/f.txt", "f");
  Source("tree/sub/g.txt", "g");
  fs::create_directory_symlink("..", m_Folder.File("src/tree/sub/loop"));
  m_Pak.NewPak();
  paths = {m_Folder.File("src/tree")};
  ASSERT_EQ(m_Pak.AddFiles(paths, m_Folder.File("src"), "", true), prDone);
  EXPECT_EQ(Describe(m_Pak.Directory()), (std::vector<std::string>{"tree/f.txt@-12#1", "tree/sub/g.txt@-13#1"}));
}

TEST_F(AddFiles, AppendFileDataNormalisesTheNameAndPositionsByTarget) {
  m_Pak.NewPak();
  std::string other = m_Folder.File("other.pak");
  ASSERT_TRUE(TQuakePak::CreateBareArchive(other));
  std::string name = "Dir/Some File.TXT";
  ASSERT_TRUE(m_Pak.AppendFileData(other, Source("f.txt", "data"), name));
  EXPECT_EQ(name, "dir/some_file.txt");
  // Not the working file: the position counts in the target, unnegated.
  EXPECT_EQ(Describe(m_Pak.Directory()), std::vector<std::string>{"dir/some_file.txt@12#4"});
  // A name already present: true, and nothing appended.
  name = "DIR/SOME FILE.txt";
  EXPECT_TRUE(m_Pak.AppendFileData(other, Source("g.txt", "more"), name));
  EXPECT_EQ(m_Pak.EntryCount(), 1);
  EXPECT_EQ(fs::file_size(other), 16u);
  name = "missing.txt";
  EXPECT_FALSE(m_Pak.AppendFileData(other, m_Folder.File("src/missing.txt"), name));
}
