// SPDX-License-Identifier: GPL-3.0-or-later
// Deleting, renaming and moving entries: result codes and the order of their
// tests, the undo records they write, and edit-then-undo round trips.
#include "PakQuake.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {
// The archive every case starts from, as BuildPak lays it out: data back to
// back from offset 12 in this order, so the positions are 12, 15, 19, 21, 22.
const std::vector<TFixtureEntry> SampleEntries = {
    {"maps/e1m1.bsp", "AAA"}, {"maps/e1m2.bsp", "BBBB"}, {"sound/a/hit.wav", "CC"},
    {"sound/b/hit.wav", "D"}, {"gfx/pal.lmp", "EEEEE"},
};

// The directory as one line per entry, name@position+size, for exact comparison.
std::vector<std::string> Listing(const TQuakePak &pak) {
  std::vector<std::string> lines;
  for (const TDirEntry &entry : pak.Directory())
    lines.push_back(entry.Name + "@" + std::to_string(entry.Position) + "+" + std::to_string(entry.Size));
  return lines;
}

// A component beside a fresh Quake installation whose id1/pak0.pak holds the
// sample entries too, with a temporary directory of its own.
class TEditFixture : public ::testing::Test {
protected:
  TTempDir Folder;
  std::string Quake = MakeQuakeDirectory(Folder, SampleEntries);
  TQuakePak Pak;

  TEditFixture() {
    Pak.SetQuakeDirectory(Quake);
    Pak.SetTempDirectory(Folder.Path());
  }
  void OpenSample(const std::vector<TFixtureEntry> &entries = SampleEntries) {
    WriteFileBytes(Folder.File("edit.pak"), BuildPak(entries));
    Pak.OpenPak(Folder.File("edit.pak"));
  }
  void OpenStock() { Pak.OpenPak(Quake + "id1/pak0.pak"); }
};

using DeleteEntries = TEditFixture;
using RenameEntry = TEditFixture;
using MoveEntries = TEditFixture;
using ReplaceEntryData = TEditFixture;

// Everything a refused call must leave as it was.
struct TState {
  std::vector<std::string> Lines;
  TStringList Journal;
  bool Modified;
};
TState StateOf(const TQuakePak &pak) { return {Listing(pak), pak.Journal(), pak.Modified()}; }
void ExpectUnchanged(const TQuakePak &pak, const TState &before) {
  EXPECT_EQ(Listing(pak), before.Lines);
  EXPECT_EQ(pak.Journal(), before.Journal);
  EXPECT_EQ(pak.Modified(), before.Modified);
}
} // namespace

TEST_F(DeleteEntries, RefusalsAreDecidedByTheLastFailingTest) {
  const TStringList some = {"maps/e1m1.bsp"};
  // Nothing open (a Quake directory set): 7, unless the list is also empty.
  EXPECT_EQ(Pak.DeleteEntries({}), prEmptyList);
  EXPECT_EQ(Pak.DeleteEntries(some), prNoArchive);
  // Nothing open and no Quake directory: CanModify fails after FileName.
  {
    TQuakePak bare;
    EXPECT_EQ(bare.DeleteEntries(some), prProtected);
    EXPECT_EQ(bare.DeleteEntries({}), prEmptyList);
    EXPECT_FALSE(bare.Modified());
  }
  // A stock archive.
  OpenStock();
  TState before = StateOf(Pak);
  EXPECT_EQ(Pak.DeleteEntries(some), prProtected);
  EXPECT_EQ(Pak.DeleteEntries({}), prEmptyList);
  ExpectUnchanged(Pak, before);
  // An archive that may be changed, with an empty list.
  OpenSample();
  before = StateOf(Pak);
  EXPECT_EQ(Pak.DeleteEntries({}), prEmptyList);
  ExpectUnchanged(Pak, before);
}

TEST_F(DeleteEntries, RemovesInListOrderAndUndoAppendsThemBack) {
  OpenSample();
  // Lookups ignore letter case; a name not found is passed over.
  ASSERT_EQ(Pak.DeleteEntries({"MAPS/E1M2.BSP", "no/such.wav", "sound/a/hit.wav", "gfx/pal.lmp"}), prDone);
  EXPECT_EQ(Listing(Pak), (std::vector<std::string>{"maps/e1m1.bsp@12+3", "sound/b/hit.wav@21+1"}));
  // One step for the whole call, the entries in the order of deletion.
  ASSERT_EQ(Pak.Journal(), TStringList{"D:maps/e1m2.bsp,15,4:sound/a/hit.wav,19,2:gfx/pal.lmp,22,5:"});
  EXPECT_TRUE(Pak.Modified());
  EXPECT_EQ(Pak.UndoKind(), 2);

  ASSERT_EQ(Pak.Undo(), prDone);
  // Back at the end of the directory, in deletion order, with their old data.
  EXPECT_EQ(Listing(Pak), (std::vector<std::string>{"maps/e1m1.bsp@12+3", "sound/b/hit.wav@21+1", "maps/e1m2.bsp@15+4",
                                                    "sound/a/hit.wav@19+2", "gfx/pal.lmp@22+5"}));
  EXPECT_TRUE(Pak.Journal().empty());
  EXPECT_FALSE(Pak.Modified());
}

TEST_F(DeleteEntries, NothingFoundStillMakesOneStep) {
  OpenSample();
  ASSERT_EQ(Pak.DeleteEntries({"none.wav", "other.wav"}), prDone);
  EXPECT_EQ(Pak.Journal(), TStringList{"D:"});
  EXPECT_TRUE(Pak.Modified());
  ASSERT_EQ(Pak.Undo(), prDone);
  EXPECT_EQ(Listing(Pak).size(), SampleEntries.size());
  EXPECT_FALSE(Pak.Modified());
}

TEST_F(DeleteEntries, NamesHoldingRecordSeparatorsComeBackExactly) {
  // Names that an archive may hold but a record cannot carry plainly; a name
  // of one character needs nothing in a delete record.
  OpenSample({{"a:b,c", "xyz"}, {"100%.wav", "pq"}, {"x", "r"}, {"keep.wav", "s"}});
  ASSERT_EQ(Pak.DeleteEntries({"a:b,c", "100%.wav", "x"}), prDone);
  EXPECT_EQ(Listing(Pak), (std::vector<std::string>{"keep.wav@18+1"}));
  EXPECT_EQ(Pak.Journal().front(), "D:a%3Ab%2Cc,12,3:100%25.wav,15,2:x,17,1:");
  ASSERT_EQ(Pak.Undo(), prDone);
  EXPECT_EQ(Listing(Pak), (std::vector<std::string>{"keep.wav@18+1", "a:b,c@12+3", "100%.wav@15+2", "x@17+1"}));
}

TEST_F(RenameEntry, NormalisesTheNameAndKeepsThePlace) {
  OpenSample();
  Pak.RenameEntry(0, "maps\\Start Map.bsp");
  EXPECT_EQ(Listing(Pak)[0], "maps/start_map.bsp@12+3");
  EXPECT_EQ(Pak.EntryCount(), 5);
  EXPECT_EQ(Pak.Journal(), TStringList{"R:maps/start_map.bsp:maps/e1m1.bsp"});
  EXPECT_TRUE(Pak.Modified());
  EXPECT_EQ(Pak.UndoKind(), 3);

  ASSERT_EQ(Pak.Undo(), prDone);
  EXPECT_EQ(Listing(Pak)[0], "maps/e1m1.bsp@12+3");
  EXPECT_FALSE(Pak.Modified());

  // A name of exactly the name field's width is accepted.
  std::string longest = "maps/" + std::string(47, 'n') + ".bsp";
  ASSERT_EQ(longest.size(), 56u);
  Pak.RenameEntry(1, longest);
  EXPECT_EQ(Pak.EntryName(1), longest);
}

TEST_F(RenameEntry, RefusesInTheOrderProtectionEmptyExistingLength) {
  struct TCase {
    bool Stock;
    int32_t Index;
    std::string NewName;
    std::string Message;
  };
  const std::string protectedText = "Cannot rename file in protected PAK file.";
  const std::string tooLong = "maps/" + std::string(48, 'n') + ".bsp"; // 57
  const std::vector<TCase> cases = {
      {true, 0, "maps/e1m2.bsp", protectedText}, // protection before the existing name
      {true, 0, "", protectedText},              // and before the empty name
      {true, 0, tooLong, protectedText},
      {false, 0, "maps/e1m1.bsp", NameExistsMessage}, // its own name counts
      {false, 0, "MAPS\\E1M2.BSP", NameExistsMessage},
      {false, 1, "", NameEmptyMessage},
      {false, 1, "maps/", NameEmptyMessage},
      {false, 1, "maps\\", NameEmptyMessage},
      {false, 1, "dir/", NameEmptyMessage}, // an entry of that name exists: empty is tested first
      {false, 1, tooLong, NameTooLongMessage},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(c.NewName);
    if (c.Stock)
      OpenStock();
    else
      OpenSample({{"maps/e1m1.bsp", "AAA"}, {"maps/e1m2.bsp", "BBBB"}, {"dir/", ""}});
    TState before = StateOf(Pak);
    try {
      Pak.RenameEntry(c.Index, c.NewName);
      ADD_FAILURE() << "no refusal";
    } catch (const EPakFileProtected &error) {
      EXPECT_TRUE(c.Stock);
      EXPECT_EQ(error.what(), c.Message);
    } catch (const EInvalidFileName &error) {
      EXPECT_FALSE(c.Stock);
      EXPECT_EQ(error.what(), c.Message);
    }
    ExpectUnchanged(Pak, before);
  }
}

TEST_F(RenameEntry, LetterCaseAloneIsRefusedWithoutForcedLowerCase) {
  OpenSample();
  Pak.SetForceLowercase(false);
  EXPECT_THROW(Pak.RenameEntry(0, "Maps/E1M1.bsp"), EInvalidFileName);
  // A space rule that leaves nothing names no file.
  Pak.SetHandleSpaces(shDelete);
  EXPECT_THROW(Pak.RenameEntry(0, "   "), EInvalidFileName);
  EXPECT_EQ(Pak.EntryName(0), "maps/e1m1.bsp");
  EXPECT_FALSE(Pak.Modified());
}

TEST_F(RenameEntry, IndexOutOfRangeIsIgnoredEvenWhenProtected) {
  OpenStock();
  TState before = StateOf(Pak);
  EXPECT_NO_THROW(Pak.RenameEntry(-1, "new.wav"));
  EXPECT_NO_THROW(Pak.RenameEntry(Pak.EntryCount(), "new.wav"));
  ExpectUnchanged(Pak, before);
}

TEST_F(RenameEntry, NamesHoldingRecordSeparatorsUndoExactly) {
  OpenSample({{"old,1.wav", "AB"}, {"other.wav", "C"}});
  Pak.RenameEntry(0, "a:b,c");
  EXPECT_EQ(Pak.EntryName(0), "a:b,c");
  EXPECT_EQ(Pak.Journal().front(), "R:a%3Ab%2Cc:old%2C1.wav");
  Pak.RenameEntry(1, "x");
  // One character needs nothing outside add records.
  EXPECT_EQ(Pak.Journal().front(), "R:x:other.wav");
  EXPECT_EQ(Pak.UndoKind(), 3);
  ASSERT_EQ(Pak.Undo(), prDone);
  ASSERT_EQ(Pak.Undo(), prDone);
  EXPECT_EQ(Listing(Pak), (std::vector<std::string>{"old,1.wav@12+2", "other.wav@14+1"}));
  EXPECT_FALSE(Pak.Modified());
}

TEST_F(MoveEntries, RefusalsAreDecidedByTheFirstFailingTest) {
  const TStringList some = {"maps/e1m1.bsp"};
  {
    // Nothing open and nothing may be changed at the same time: 7.
    TQuakePak bare;
    EXPECT_EQ(bare.MoveEntries(some, "x"), prNoArchive);
    EXPECT_EQ(bare.MoveEntries({}, "x"), prNoArchive);
  }
  OpenStock();
  TState before = StateOf(Pak);
  EXPECT_EQ(Pak.MoveEntries({}, "x"), prProtected);
  EXPECT_EQ(Pak.MoveEntries(some, "x"), prProtected);
  ExpectUnchanged(Pak, before);
  OpenSample();
  before = StateOf(Pak);
  EXPECT_EQ(Pak.MoveEntries({}, "x"), prEmptyList);
  ExpectUnchanged(Pak, before);
}

TEST_F(MoveEntries, MovesInListOrderAndUndoRestoresNames) {
  OpenSample();
  // A typed directory with backslashes and capitals; the space rule applies.
  ASSERT_EQ(Pak.MoveEntries({"gfx/pal.lmp", "MAPS/E1M1.BSP"}, "New Dir\\Sub\\"), prDone);
  EXPECT_EQ(Listing(Pak),
            (std::vector<std::string>{"new_dir/sub/e1m1.bsp@12+3", "maps/e1m2.bsp@15+4", "sound/a/hit.wav@19+2",
                                      "sound/b/hit.wav@21+1", "new_dir/sub/pal.lmp@22+5"}));
  EXPECT_EQ(Pak.Journal(), TStringList{"M:new_dir/sub/pal.lmp:gfx/pal.lmp:new_dir/sub/e1m1.bsp:maps/e1m1.bsp:"});
  EXPECT_TRUE(Pak.Modified());
  EXPECT_EQ(Pak.UndoKind(), 4);
  ASSERT_EQ(Pak.Undo(), prDone);
  EXPECT_EQ(Listing(Pak)[0], "maps/e1m1.bsp@12+3");
  EXPECT_EQ(Listing(Pak)[4], "gfx/pal.lmp@22+5");
  EXPECT_FALSE(Pak.Modified());
}

TEST_F(MoveEntries, ATakenNameLeavesTheEntryWhereItIs) {
  OpenSample();
  ASSERT_EQ(Pak.MoveEntries({"sound/a/hit.wav", "sound/b/hit.wav"}, "sound"), prDone);
  EXPECT_EQ(Pak.EntryName(2), "sound/hit.wav");
  EXPECT_EQ(Pak.EntryName(3), "sound/b/hit.wav");
  EXPECT_EQ(Pak.Journal(), TStringList{"M:sound/hit.wav:sound/a/hit.wav:"});
}

TEST_F(MoveEntries, OwnDirectoryChangesNothingAndEmptyIsTheTopLevel) {
  OpenSample();
  ASSERT_EQ(Pak.MoveEntries({"maps/e1m1.bsp", "maps/e1m2.bsp"}, "maps/"), prDone);
  EXPECT_EQ(Pak.EntryName(0), "maps/e1m1.bsp");
  EXPECT_TRUE(Pak.Journal().empty());
  EXPECT_FALSE(Pak.Modified());

  ASSERT_EQ(Pak.MoveEntries({"maps/e1m2.bsp"}, ""), prDone);
  EXPECT_EQ(Pak.EntryName(1), "e1m2.bsp");
  EXPECT_EQ(Pak.Journal(), TStringList{"M:e1m2.bsp:maps/e1m2.bsp:"});
}

TEST_F(MoveEntries, ANameBeyondTheNameFieldIsNotMade) {
  OpenSample();
  // "<50 d>/e1m1.bsp" is 59 characters; below a directory of 48, e1m1.bsp
  // makes 57 and pal.lmp exactly the 56 that fit.
  ASSERT_EQ(Pak.MoveEntries({"maps/e1m1.bsp"}, std::string(50, 'd')), prDone);
  EXPECT_EQ(Pak.EntryName(0), "maps/e1m1.bsp");
  EXPECT_FALSE(Pak.Modified());
  std::string directory(48, 'd');
  ASSERT_EQ(Pak.MoveEntries({"maps/e1m1.bsp", "gfx/pal.lmp"}, directory), prDone);
  EXPECT_EQ(Pak.EntryName(0), "maps/e1m1.bsp");
  EXPECT_EQ(Pak.EntryName(4), directory + "/pal.lmp");
  EXPECT_EQ(Pak.Journal().size(), 1u);
}

// Operations on many names look them up through the name index, and the index
// follows every later change; both roads must find the entry a scan from the
// end finds: the last of the exact name, else the last in other letter case.
TEST_F(DeleteEntries, ManyNamesAtOnceFindWhatSingleLookupsFind) {
  auto expectLookupsAgreeWithAScan = [&](const char *when) {
    const std::vector<TDirEntry> &directory = Pak.Directory();
    for (size_t i = 0; i < directory.size(); ++i)
      for (const std::string &query : {directory[i].Name.Str(), AsciiUpper(directory[i].Name)}) {
        int32_t exact = -1;
        int32_t folded = -1;
        for (size_t j = 0; j < directory.size(); ++j) {
          if (directory[j].Name == query)
            exact = static_cast<int32_t>(j);
          else if (SameTextAscii(directory[j].Name, query))
            folded = static_cast<int32_t>(j);
        }
        EXPECT_EQ(Pak.FindEntry(query), exact >= 0 ? exact : folded) << when << ": " << query;
      }
  };
  // a.wav and A.WAV as a file may hold them, among twenty others.
  std::vector<TFixtureEntry> entries = {{"a.wav", "1"}, {"A.WAV", "2"}};
  for (int i = 0; i < 20; ++i)
    entries.push_back({"f" + std::to_string(i) + ".txt", std::string(1, static_cast<char>('a' + i))});
  OpenSample(entries);
  TStringList names = {"a.wav", "F3.TXT", "f5.txt", "a.wav", "missing", "f7.txt", "f9.txt", "f11.txt", "f13.txt"};
  ASSERT_EQ(Pak.DeleteEntries(names), prDone);
  EXPECT_EQ(Pak.EntryCount(), 22 - 8);
  EXPECT_EQ(Pak.Journal().front().substr(0, 48), "D:a.wav,12,1:f3.txt,17,1:f5.txt,19,1:A.WAV,13,1:");
  EXPECT_EQ(Pak.FindEntry("a.wav"), -1) << "both equal names went";
  expectLookupsAgreeWithAScan("after deleting");

  Pak.RenameEntry(0, "zero.txt");
  TStringList moved = {"f1.txt", "f2.txt", "f4.txt", "f6.txt", "f8.txt", "f10.txt", "f12.txt", "f14.txt", "f15.txt"};
  ASSERT_EQ(Pak.MoveEntries(moved, "sub"), prDone);
  EXPECT_EQ(Pak.FindEntry("f15.txt"), -1);
  expectLookupsAgreeWithAScan("after renaming and moving");
  while (Pak.CanUndo())
    ASSERT_EQ(Pak.Undo(), prDone);
  expectLookupsAgreeWithAScan("after undoing");
  EXPECT_EQ(Pak.FindEntry("sub/f15.txt"), -1);
}

// Many names looked up in one pass give what deleting them one at a time
// gives: the same entries gone (the last of an exact name, else the last in
// other letter case), and one record of them in the order named.
TEST_F(DeleteEntries, ManyNamesInOnePassTakeWhatOneAtATimeTakes) {
  std::vector<TFixtureEntry> entries = {{"a.wav", "1"}, {"A.WAV", "2"}, {"c.txt", "3"}, {"B.wav", "4"}, {"c.txt", "5"}};
  for (int i = 0; i < 20; ++i)
    entries.push_back({"f" + std::to_string(i) + ".txt", "f"});
  const std::vector<TStringList> lists = {
      // No two names alike in letter case: one pass.
      {"A.wav", "b.WAV", "c.txt", "F3.TXT", "f5.txt", "missing", "f7.txt", "f9.txt", "f19.txt"},
      {"f1.txt", "f2.txt", "A.WAV", "f4.txt", "f6.txt", "f8.txt", "f10.txt", "C.TXT", "f11.txt"},
      // Two names alike: the second finds what the first left.
      {"c.txt", "f1.txt", "f2.txt", "f4.txt", "f6.txt", "f8.txt", "f10.txt", "f12.txt", "C.txt"},
      // Every name there exactly: the pass may stop early, the later c.txt goes.
      {"f0.txt", "c.txt", "f13.txt", "a.wav", "f14.txt", "B.wav", "f16.txt", "f17.txt", "f18.txt"},
  };
  for (const TStringList &names : lists) {
    OpenSample(entries);
    TStringList records;
    for (const std::string &name : names) {
      ASSERT_EQ(Pak.DeleteEntries({name}), prDone);
      records.push_back(Pak.Journal().front().substr(2));
    }
    const std::vector<std::string> oneAtATime = Listing(Pak);
    OpenSample(entries);
    ASSERT_EQ(Pak.DeleteEntries(names), prDone);
    EXPECT_EQ(Listing(Pak), oneAtATime) << names.front();
    std::string record = "D:";
    for (const std::string &piece : records)
      record += piece;
    EXPECT_EQ(Pak.Journal().front(), record);
    // The names left are found where they now stand.
    const std::vector<TDirEntry> &directory = Pak.Directory();
    for (size_t i = 0; i < directory.size(); ++i)
      if (directory[i].Name != "c.txt") {
        EXPECT_EQ(Pak.FindEntry(directory[i].Name), static_cast<int32_t>(i)) << directory[i].Name;
      }
  }
}

TEST_F(ReplaceEntryData, TakesTheFilesBytesUnderTheSameNameAndUndoesAsOneStep) {
  // Upper case and a space: neither name rule may touch a name that is kept.
  OpenSample({{"maps/e1m1.bsp", "AAA"}, {"Gfx/My Pic.lmp", "old"}, {"sound/x.wav", "XY"}});
  WriteFileBytes(Folder.File("edited"), "new bytes");
  const TState before = StateOf(Pak);
  ASSERT_EQ(Pak.ReplaceEntryData(1, Folder.File("edited")), prDone);
  WriteFileBytes(Folder.File("edited"), "changed after"); // the data was copied
  EXPECT_TRUE(Pak.Modified());
  ASSERT_EQ(Pak.EntryCount(), 3);
  EXPECT_EQ(Pak.EntryName(2), "Gfx/My Pic.lmp");
  EXPECT_EQ(Pak.EntryName(1), "sound/x.wav");
  ASSERT_EQ(Pak.ExtractEntries({"Gfx/My Pic.lmp"}, Folder.File("out"), true), prDone);
  EXPECT_EQ(ReadFileBytes(Folder.File("out/Gfx/My Pic.lmp")), "new bytes");
  // Undo names what it takes back: the update of that entry.
  EXPECT_EQ(Pak.UndoKind(), 5);
  EXPECT_EQ(Pak.UndoEntryName(), "Gfx/My Pic.lmp");
  ASSERT_EQ(Pak.Undo(), prDone);
  EXPECT_EQ(Pak.UndoEntryName(), "");
  EXPECT_EQ(Pak.FindEntry("gfx/my pic.lmp"), Pak.EntryCount() - 1);
  EXPECT_EQ(Pak.EntrySize(Pak.EntryCount() - 1), 3);
  EXPECT_EQ(Pak.EntryCount(), static_cast<int32_t>(before.Lines.size()));
}

TEST_F(ReplaceEntryData, RefusalsAndAFailedCopyLeaveTheArchiveAsItWas) {
  OpenSample();
  const TState before = StateOf(Pak);
  EXPECT_EQ(Pak.ReplaceEntryData(5, Folder.File("edit.pak")), prEmptyList);
  EXPECT_EQ(Pak.ReplaceEntryData(2, Folder.File("missing")), prWriteFailed);
  EXPECT_EQ(Pak.Failures().size(), 1u);
  ExpectUnchanged(Pak, before);
  OpenStock();
  EXPECT_EQ(Pak.ReplaceEntryData(0, Folder.File("edit.pak")), prProtected);
}

// Names that differ in letter case only are two entries: every operation given
// a stored name acts on the entry stored under exactly that name, and falls
// back to letter case only when no entry has it.
TEST_F(MoveEntries, CaseTwinsAreTwoEntriesForEveryOperation) {
  const std::string upper(100, 'A');
  const std::string lower(10, 'B');
  OpenSample({{"maps/E1M1.bsp", upper}, {"maps/e1m1.bsp", lower}});
  ASSERT_EQ(Pak.ExtractEntries({"maps/E1M1.bsp", "maps/e1m1.bsp"}, Folder.File("out"), true), prDone);
  EXPECT_EQ(ReadFileBytes(Folder.File("out/maps/E1M1.bsp")), upper);
  EXPECT_EQ(ReadFileBytes(Folder.File("out/maps/e1m1.bsp")), lower);
  ASSERT_EQ(Pak.ExtractEntries({"MAPS/E1m1.BSP"}, Folder.File("folded"), false), prDone);
  EXPECT_EQ(ReadFileBytes(Folder.File("folded/MAPS/E1m1.BSP").substr(0, 0) + Folder.File("folded/E1m1.BSP")), lower)
      << "no exact name: the last in other letter case";

  ASSERT_EQ(Pak.MoveEntries({"maps/E1M1.bsp"}, "old"), prDone);
  EXPECT_EQ(Listing(Pak), (std::vector<std::string>{"old/e1m1.bsp@12+100", "maps/e1m1.bsp@112+10"}));
  ASSERT_EQ(Pak.Undo(), prDone);
  ASSERT_EQ(Pak.DeleteEntries({"maps/E1M1.bsp"}), prDone);
  EXPECT_EQ(Listing(Pak), (std::vector<std::string>{"maps/e1m1.bsp@112+10"}));
  ASSERT_EQ(Pak.Undo(), prDone);
  ASSERT_EQ(Pak.DeleteEntries({"maps/e1m1.bsp"}), prDone);
  EXPECT_EQ(Listing(Pak), (std::vector<std::string>{"maps/E1M1.bsp@12+100"}));
  ASSERT_EQ(Pak.Undo(), prDone);
  EXPECT_EQ(Listing(Pak), (std::vector<std::string>{"maps/E1M1.bsp@12+100", "maps/e1m1.bsp@112+10"}));
}

// Rename, move and add make no name that leaves the archive's tree; the
// refusal names the part.
TEST_F(MoveEntries, NamesWithPartsLeavingTheTreeAreRefused) {
  // Each name, and a target folder that gives names the same part.
  const struct {
    const char *Name;
    const char *Part;
    const char *Directory;
  } cases[] = {{"a/../b.wav", "has a \"..\" part", "a/.."},
               {"./b.wav", "has a \".\" part", "."},
               {"a//b.wav", "has an empty part", "a//c"},
               {"/b.wav", "begins with \"/\"", ""},
               {"a\\..\\b.wav", "has a \"..\" part", "a\\.."}};
  for (const auto &test : cases) {
    SCOPED_TRACE(test.Name);
    OpenSample();
    const TState before = StateOf(Pak);
    try {
      Pak.RenameEntry(0, test.Name);
      ADD_FAILURE() << "renamed";
    } catch (const EInvalidFileName &refusal) {
      EXPECT_NE(std::string(refusal.what()).find(test.Part), std::string::npos) << refusal.what();
      EXPECT_NE(std::string(refusal.what()).find('"' + TQuakePak::ToEntrySlashes(test.Name) + '"'), std::string::npos)
          << refusal.what();
    }
    ExpectUnchanged(Pak, before);

    const std::string directory = test.Directory;
    if (directory.empty())
      continue;
    // The entry stays and is listed; the others move.
    ASSERT_EQ(Pak.MoveEntries({"maps/e1m2.bsp", "gfx/pal.lmp"}, directory), prDone);
    ExpectUnchanged(Pak, before);
    ASSERT_EQ(Pak.Failures().size(), 2u);
    EXPECT_EQ(Pak.Failures()[0].rfind("maps/e1m2.bsp: not moved: The name \"", 0), 0u) << Pak.Failures()[0];
    EXPECT_NE(Pak.Failures()[0].find(test.Part), std::string::npos) << Pak.Failures()[0];

    WriteFileBytes(Folder.File("new.wav"), "n");
    TStringList paths = {Folder.File("new.wav")};
    EXPECT_EQ(Pak.AddFiles(paths, Folder.Path(), directory, false), prWriteFailed);
    ExpectUnchanged(Pak, before);
    EXPECT_TRUE(paths.empty());
    ASSERT_EQ(Pak.Failures().size(), 1u);
    EXPECT_NE(Pak.Failures()[0].find(test.Part), std::string::npos) << Pak.Failures()[0];
  }
  // Moves that leave entries out list them; the rest moves, and a move to
  // where an entry is already is no failure.
  OpenSample();
  ASSERT_EQ(Pak.MoveEntries({"sound/a/hit.wav", "sound/b/hit.wav", "maps/e1m1.bsp"}, "maps"), prDone);
  EXPECT_EQ(Pak.Failures(), TStringList{"sound/b/hit.wav: not moved: maps/hit.wav is taken"});
  ASSERT_EQ(Pak.MoveEntries({"maps/e1m1.bsp"}, "maps"), prDone);
  EXPECT_TRUE(Pak.Failures().empty());
}
