// SPDX-License-Identifier: GPL-3.0-or-later
// The archive component: defaults, opening, the Quake and temporary
// directories, the private working folder, entry queries and protection.
#include "PakQuake.h"
#include "TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
// A component beside a fresh Quake installation.
struct TArchiveFixture {
  TTempDir Folder;
  std::string Quake = MakeQuakeDirectory(Folder);
  TQuakePak Pak;
  TArchiveFixture() { Pak.SetQuakeDirectory(Quake); }
  std::string WritePak(const std::string &name, const std::vector<TFixtureEntry> &entries) {
    WriteFileBytes(Folder.File(name), BuildPak(entries));
    return Folder.File(name);
  }
};
} // namespace

TEST(Archive, DefaultsAfterConstruction) {
  TQuakePak pak;
  EXPECT_TRUE(pak.AllowUndo());
  EXPECT_TRUE(pak.ProtectID1Pak());
  EXPECT_TRUE(pak.ForceLowercase());
  EXPECT_EQ(pak.HandleSpaces(), shUnderscore);
  EXPECT_EQ(pak.MaxUndoLevels(), -1);
  EXPECT_FALSE(pak.Modified());
  EXPECT_TRUE(pak.FileName().empty());
  EXPECT_TRUE(pak.WorkingFileName().empty());
  EXPECT_TRUE(pak.QuakeDirectory().empty());
  EXPECT_FALSE(pak.CanModify());
  EXPECT_TRUE(pak.IsProtected());
  EXPECT_EQ(pak.EntryCount(), 0);
  EXPECT_EQ(pak.EntryName(0), "");
  EXPECT_EQ(pak.EntryPosition(0), -1);
  EXPECT_EQ(pak.EntrySize(0), -1);
  EXPECT_EQ(pak.UndoKind(), 0);
  // The temporary directory is the system's ($TMPDIR), ending in a slash.
  std::string expected = fs::temp_directory_path().string();
  if (expected.back() != '/')
    expected += '/';
  EXPECT_EQ(pak.TempDirectory(), expected);
}

TEST(Archive, SetQuakeDirectoryValidatesAndNormalises) {
  TTempDir folder;
  TQuakePak pak;
  std::string quake = MakeQuakeDirectory(folder);
  std::string withoutSlash = quake.substr(0, quake.size() - 1);
  pak.SetQuakeDirectory(withoutSlash);
  EXPECT_EQ(pak.QuakeDirectory(), quake);

  // No id1/pak0.pak, or one that is no PAK file: refused, nothing changes.
  fs::create_directories(folder.File("empty"));
  EXPECT_THROW(pak.SetQuakeDirectory(folder.File("empty")), EInvalidQuakeDir);
  fs::create_directories(folder.File("bad/id1"));
  WriteFileBytes(folder.File("bad/id1/pak0.pak"), "not a pak");
  try {
    pak.SetQuakeDirectory(folder.File("bad"));
    FAIL() << "a text file passed for pak0.pak";
  } catch (const EInvalidQuakeDir &error) {
    EXPECT_STREQ(error.what(), "Invalid Quake directory");
  }
  EXPECT_EQ(pak.QuakeDirectory(), quake);

  // Any letter case of the stock folder and file is found.
  TTempDir other;
  std::string upper = MakeQuakeDirectory(other, {}, "ID1", "PAK0.PAK");
  pak.SetQuakeDirectory(upper);
  EXPECT_EQ(pak.QuakeDirectory(), upper);

  // An empty directory closes the archive but leaves its working file.
  pak.NewPak();
  std::string working = pak.WorkingFileName();
  pak.SetQuakeDirectory("");
  EXPECT_TRUE(pak.QuakeDirectory().empty());
  EXPECT_TRUE(pak.FileName().empty());
  EXPECT_TRUE(pak.WorkingFileName().empty());
  EXPECT_TRUE(fs::exists(working));
}

TEST(Archive, OpenPakReadsEntriesAndStartsAFreshWorkingFile) {
  TArchiveFixture f;
  std::string path = f.WritePak("a.pak", {{"gfx/palette.lmp", std::string(768, 'p')}, {"maps/e1m1.bsp", "map"}});
  f.Pak.OpenPak("\"" + path + "\""); // quotes around the path are dropped
  EXPECT_EQ(f.Pak.FileName(), path);
  EXPECT_FALSE(f.Pak.IsUntitled());
  ASSERT_EQ(f.Pak.EntryCount(), 2);
  EXPECT_EQ(f.Pak.EntryName(1), "maps/e1m1.bsp");
  EXPECT_EQ(f.Pak.EntryPosition(1), 12 + 768);
  EXPECT_EQ(f.Pak.EntrySize(1), 3);
  EXPECT_TRUE(f.Pak.CanModify());
  // The working file is a bare header in the component's private folder.
  EXPECT_EQ(f.Pak.WorkingFileName(), f.Pak.PrivateDirectory() + "~TMPPAK.PAK");
  EXPECT_EQ(ReadFileBytes(f.Pak.WorkingFileName()), std::string("PACK") + std::string(8, '\xFF'));
}

TEST(Archive, FailedOpenLeavesThePreviousArchive) {
  TArchiveFixture f;
  std::string path = f.WritePak("a.pak", {{"a.wav", "1"}});
  f.Pak.OpenPak(path);
  f.Pak.AddUndoRecord("D:x,12,1:");
  std::string working = f.Pak.WorkingFileName();
  WriteFileBytes(f.Folder.File("text.txt"), "just some text");
  try {
    f.Pak.OpenPak(f.Folder.File("text.txt"));
    FAIL() << "a text file was opened";
  } catch (const EInvalidPakFile &error) {
    EXPECT_STREQ(error.what(), "Not a valid PAK file.");
  }
  EXPECT_THROW(f.Pak.OpenPak("\""), EInvalidPakFile); // a lone quote is emptied, then refused
  EXPECT_THROW(f.Pak.OpenPak(f.Folder.File("missing.pak")), EInvalidPakFile);
  EXPECT_THROW(f.Pak.OpenPak(f.Folder.Path()), EInvalidPakFile); // a folder
  EXPECT_EQ(f.Pak.FileName(), path);
  EXPECT_EQ(f.Pak.EntryCount(), 1);
  EXPECT_EQ(f.Pak.Journal().size(), 1u);
  EXPECT_TRUE(f.Pak.Modified());
  EXPECT_TRUE(fs::exists(working));
}

TEST(Archive, NewPakAndClosing) {
  TArchiveFixture f;
  f.Pak.OpenPak(f.WritePak("a.pak", {{"a.wav", "1"}}));
  std::string firstWorking = f.Pak.WorkingFileName();
  f.Pak.AddUndoRecord("D:");
  f.Pak.NewPak();
  EXPECT_TRUE(f.Pak.IsUntitled());
  EXPECT_EQ(f.Pak.FileName(), "(Untitled)");
  EXPECT_EQ(f.Pak.EntryCount(), 0);
  EXPECT_FALSE(f.Pak.Modified());
  EXPECT_TRUE(f.Pak.Journal().empty());
  EXPECT_TRUE(f.Pak.CanModify());
  EXPECT_TRUE(fs::exists(f.Pak.WorkingFileName()));

  // Closing with an empty name keeps the journal and Modified.
  f.Pak.AddUndoRecord("D:");
  f.Pak.OpenPak("");
  EXPECT_TRUE(f.Pak.FileName().empty());
  EXPECT_TRUE(f.Pak.WorkingFileName().empty());
  EXPECT_TRUE(f.Pak.Modified());
  EXPECT_EQ(f.Pak.Journal().size(), 1u);
  EXPECT_FALSE(f.Pak.CanUndo()); // nothing to undo with no archive open
  EXPECT_EQ(f.Pak.Undo(), prNothingToUndo);
}

TEST(Archive, PrivateFolderIsOursAndGoesWithTheComponent) {
  TTempDir folder;
  std::string quake = MakeQuakeDirectory(folder);
  std::string privateFolder;
  std::string temp = folder.File("tmp/");
  fs::create_directories(temp);
  {
    TQuakePak first;
    TQuakePak second;
    first.SetQuakeDirectory(quake);
    second.SetQuakeDirectory(quake);
    first.SetTempDirectory(temp);
    second.SetTempDirectory(temp.substr(0, temp.size() - 1));
    EXPECT_EQ(second.TempDirectory(), temp);
    first.NewPak();
    second.NewPak();
    // Two running components never share a working file.
    EXPECT_NE(first.WorkingFileName(), second.WorkingFileName());
    privateFolder = first.PrivateDirectory();
    EXPECT_EQ(privateFolder.rfind(temp, 0), 0u);
    struct stat info {};
    ASSERT_EQ(::stat(privateFolder.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0700u);
    WriteFileBytes(privateFolder + "X.WAV", ""); // a probe left behind
  }
  EXPECT_FALSE(fs::exists(privateFolder));
  EXPECT_TRUE(fs::is_empty(temp));
}

TEST(Archive, PrivateFolderTakenOverByALinkIsNeitherWrittenNorEmptied) {
  TTempDir folder;
  std::string quake = MakeQuakeDirectory(folder);
  const std::string temp = folder.File("tmp/");
  const std::string victim = folder.File("victim");
  fs::create_directories(temp);
  fs::create_directories(victim);
  WriteFileBytes(victim + "/precious.txt", "keep");
  WriteFileBytes(folder.File("a.txt"), "added");
  {
    TQuakePak pak;
    pak.SetQuakeDirectory(quake);
    pak.SetTempDirectory(temp);
    pak.NewPak();
    const std::string taken = pak.PrivateDirectory();
    // Something removes the folder and puts a link to another folder in its place.
    fs::remove_all(taken);
    fs::create_directory_symlink(victim, taken.substr(0, taken.size() - 1));

    TStringList paths{folder.File("a.txt")};
    ASSERT_EQ(pak.AddFiles(paths, "", "", false), prDone) << "the working file is held open";
    EXPECT_NE(pak.PrivateDirectory(), taken);
    ASSERT_EQ(pak.ExtractEntries({"a.txt"}, pak.PrivateDirectory() + "view/", false), prDone);
    EXPECT_EQ(ReadFileBytes(pak.PrivateDirectory() + "view/a.txt"), "added");
  }
  EXPECT_EQ(ReadFileBytes(victim + "/precious.txt"), "keep");
  EXPECT_EQ(std::distance(fs::directory_iterator(victim), fs::directory_iterator()), 1);
}

TEST(Archive, FoldersOfProcessesThatNoLongerRunAreSweptAtTheNextStart) {
  TTempDir folder;
  std::string quake = MakeQuakeDirectory(folder);
  const std::string temp = folder.File("tmp/");
  fs::create_directories(temp);
  auto folderMadeBy = [&](TQuakePak &pak) {
    pak.SetQuakeDirectory(quake);
    pak.SetTempDirectory(temp);
    pak.NewPak();
    return pak.PrivateDirectory();
  };
  // A process that dies without cleaning up leaves its folder and working file behind.
  int pipeEnds[2];
  ASSERT_EQ(::pipe(pipeEnds), 0);
  pid_t child = ::fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    auto *pak = new TQuakePak; // never destroyed: the process just ends
    std::string path = folderMadeBy(*pak);
    [[maybe_unused]] ssize_t written = ::write(pipeEnds[1], path.data(), path.size());
    ::_exit(0);
  }
  ::close(pipeEnds[1]);
  char buffer[4096];
  ssize_t length = ::read(pipeEnds[0], buffer, sizeof buffer);
  ::close(pipeEnds[0]);
  int status = 0;
  ::waitpid(child, &status, 0);
  ASSERT_GT(length, 0);
  const std::string abandoned(buffer, static_cast<size_t>(length));
  ASSERT_TRUE(fs::exists(abandoned + "~TMPPAK.PAK"));
  // Look-alikes that are not an abandoned folder of ours stay.
  fs::create_directory(temp + "varnel-nolock");
  fs::create_directory_symlink(folder.File("id1"), temp + "varnel-linked");

  TQuakePak running;
  const std::string live = folderMadeBy(running);
  TQuakePak next;
  const std::string mine = folderMadeBy(next);
  EXPECT_FALSE(fs::exists(abandoned));
  EXPECT_TRUE(fs::exists(live + "~TMPPAK.PAK")) << "a running process keeps its folder";
  EXPECT_TRUE(fs::exists(temp + "varnel-nolock"));
  EXPECT_TRUE(fs::is_symlink(temp + "varnel-linked"));
  EXPECT_NE(mine, live);
}

TEST(Archive, ReadsTheFileAsOpenedAndAsksBeforeSavingOverAChangedOne) {
  TArchiveFixture f;
  const std::string path = f.WritePak("a.pak", {{"a.txt", "original"}});
  f.Pak.OpenPak(path);
  EXPECT_FALSE(f.Pak.ArchiveChangedOnDisk());
  // Another program replaces the file under the open archive.
  const std::string replacement = BuildPak({{"a.txt", "REPLACED"}, {"b.txt", "more"}});
  WriteFileBytes(f.Folder.File("other.pak"), replacement);
  fs::rename(f.Folder.File("other.pak"), path);
  EXPECT_TRUE(f.Pak.ArchiveChangedOnDisk());

  ASSERT_EQ(f.Pak.ExtractEntries({"a.txt"}, f.Folder.File("out"), false), prDone);
  EXPECT_EQ(ReadFileBytes(f.Folder.File("out/a.txt")), "original");

  int asked = 0;
  f.Pak.OnArchiveChanged = [&](TQuakePak &, const std::string &name, bool &overwrite) {
    ++asked;
    EXPECT_EQ(name, path);
    EXPECT_FALSE(overwrite) << "preset to no";
  };
  EXPECT_EQ(f.Pak.SavePak(), prCancelled);
  EXPECT_EQ(asked, 1);
  EXPECT_EQ(ReadFileBytes(path), replacement);
  EXPECT_EQ(f.Pak.FileName(), path);

  // Changed in place (same file, other size) counts as well; "yes" overwrites
  // it with the entries as listed.
  WriteFileBytes(path, replacement + "x");
  f.Pak.OnArchiveChanged = [&](TQuakePak &, const std::string &, bool &overwrite) { overwrite = true; };
  EXPECT_EQ(f.Pak.SavePak(), prDone);
  EXPECT_EQ(ReadFileBytes(path), BuildPak({{"a.txt", "original"}}));
  EXPECT_FALSE(f.Pak.ArchiveChangedOnDisk());

  // Written into in place, the open file would hand out other bytes: reading it is refused.
  WriteFileBytes(path, replacement);
  EXPECT_THROW((void)f.Pak.ExtractEntries({"a.txt"}, f.Folder.File("again"), false), EInOutError);
  EXPECT_FALSE(fs::exists(f.Folder.File("again/a.txt")));
}

TEST(Archive, DamageIsReportedAndEntriesOutsideTheFileNeverReadOtherBytes) {
  TArchiveFixture f;
  f.Pak.OpenPak(f.WritePak("sound.pak", {{"a.txt", "aaaa"}}));
  EXPECT_TRUE(f.Pak.Damage().empty());

  // By hand: 5 bytes of data at 12, then the directory at 17 whose header
  // claims 5 records; the file holds 4: one sound, one partly and one wholly
  // past the end of the file, and one whose position would mean the working file.
  const std::string damaged = "PACK" + Int32LE(17) + Int32LE(5 * 64) + "hello" + Record("ok.txt", 12, 5) +
                              Record("part.txt", 14, 500) + Record("past.txt", 5000, 5) + Record("work.txt", -12, 5);
  WriteFileBytes(f.Folder.File("damaged.pak"), damaged);
  f.Pak.OpenPak(f.Folder.File("damaged.pak"));
  ASSERT_EQ(f.Pak.EntryCount(), 4);
  const TStringList &damage = f.Pak.Damage();
  ASSERT_EQ(damage.size(), 4u);
  EXPECT_NE(damage[0].find('5'), std::string::npos) << damage[0];
  EXPECT_EQ(damage[1].rfind("part.txt: ", 0), 0u) << damage[1];
  EXPECT_EQ(damage[2].rfind("past.txt: ", 0), 0u) << damage[2];
  EXPECT_EQ(damage[3].rfind("work.txt: ", 0), 0u) << damage[3];

  // Bytes added to the working file at -12 are never handed out as work.txt.
  WriteFileBytes(f.Folder.File("added.txt"), "added");
  TStringList paths{f.Folder.File("added.txt")};
  ASSERT_EQ(f.Pak.AddFiles(paths, "", "", false), prDone);
  EXPECT_THROW((void)f.Pak.ExtractEntries({"work.txt"}, f.Folder.File("out"), false), EInOutError);
  EXPECT_FALSE(fs::exists(f.Folder.File("out/work.txt")));

  f.Pak.NewPak();
  EXPECT_TRUE(f.Pak.Damage().empty());
}

TEST(Archive, SetTempDirectoryIgnoresMissingFolders) {
  TQuakePak pak;
  std::string before = pak.TempDirectory();
  pak.SetTempDirectory("/no/such/folder/anywhere");
  EXPECT_EQ(pak.TempDirectory(), before);
  pak.SetTempDirectory("");
  EXPECT_EQ(pak.TempDirectory(), before);
}

TEST(Archive, FindEntryPrefersTheExactNameThenIgnoresAsciiCase) {
  TArchiveFixture f;
  f.Pak.OpenPak(f.WritePak("a.pak", {{"a.wav", "1"}, {"A.WAV", "2"}, {"gfx/palette.lmp", "p"}}));
  EXPECT_EQ(f.Pak.FindEntry("a.wav"), 0);
  EXPECT_EQ(f.Pak.FindEntry("A.WAV"), 1);
  EXPECT_EQ(f.Pak.FindEntry("A.wav"), 1) << "no exact name: the last in other letter case";
  EXPECT_EQ(f.Pak.FindEntry("GFX/PALETTE.LMP"), 2);
  EXPECT_EQ(f.Pak.FindEntry("gfx\\palette.lmp"), -1);
  EXPECT_EQ(f.Pak.FindEntry("palette.lmp"), -1);
  EXPECT_EQ(f.Pak.FindEntry(""), -1);
}

TEST(Archive, StockArchivesAreProtectedByEverySpelling) {
  TTempDir folder;
  std::string quake = MakeQuakeDirectory(folder, {{"gfx/palette.lmp", std::string(768, '\0')}});
  TQuakePak pak;
  pak.SetQuakeDirectory(quake);
  const std::vector<std::string> spellings = {quake + "id1/pak0.pak",        quake + "id1/pak1.pak",
                                              quake + "ID1/PAK0.PAK",        quake + "id1//pak0.pak",
                                              quake + "id1/../id1/pak1.pak", quake + "./id1/pak0.pak"};
  fs::create_symlink(quake + "id1/pak0.pak", folder.File("link.pak"));
  fs::create_symlink(quake + "id1", folder.File("id1link"));
  for (const std::string &path : spellings) {
    EXPECT_TRUE(pak.IsStockArchive(path)) << path;
  }
  EXPECT_TRUE(pak.IsStockArchive(folder.File("link.pak")));
  EXPECT_TRUE(pak.IsStockArchive(folder.File("id1link/PAK1.PAK")));

  pak.OpenPak(folder.File("link.pak"));
  EXPECT_FALSE(pak.CanModify());
  pak.SetProtectID1Pak(false);
  EXPECT_TRUE(pak.CanModify());
  pak.SetProtectID1Pak(true);

  // pak2.pak is never a stock archive, nor is the untitled archive.
  WriteFileBytes(quake + "id1/pak2.pak", BuildPak({}));
  pak.OpenPak(quake + "id1/pak2.pak");
  EXPECT_TRUE(pak.CanModify());
  pak.NewPak();
  EXPECT_TRUE(pak.CanModify());
}
