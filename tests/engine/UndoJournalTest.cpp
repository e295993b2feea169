// SPDX-License-Identifier: GPL-3.0-or-later
// The undo journal: record texts, the level limit and JournalTruncated, the
// AllowUndo switch, undoing each kind of record, and when Modified clears.
#include "PakQuake.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {
// Made with BuildPak: the data lies back to back from offset 12, so the
// entries stand at 12 (3 bytes), 15 (4 bytes) and 19 (2 bytes).
const std::vector<TFixtureEntry> SampleEntries = {{"maps/e1m1.bsp", "AAA"}, {"a.wav", "BBBB"}, {"b.wav", "CC"}};

std::vector<std::string> Listing(const TQuakePak &pak) {
  std::vector<std::string> lines;
  for (const TDirEntry &entry : pak.Directory())
    lines.push_back(entry.Name + "@" + std::to_string(entry.Position) + "+" + std::to_string(entry.Size));
  return lines;
}

// A component beside a fresh Quake installation (whose id1/pak0.pak holds the
// sample entries too), with a temporary directory of its own.
class TJournalFixture : public ::testing::Test {
protected:
  TTempDir Folder;
  std::string Quake = MakeQuakeDirectory(Folder, SampleEntries);
  TQuakePak Pak;

  TJournalFixture() {
    Pak.SetQuakeDirectory(Quake);
    Pak.SetTempDirectory(Folder.Path());
  }
  void OpenSample(const std::vector<TFixtureEntry> &entries = SampleEntries) {
    WriteFileBytes(Folder.File("undo.pak"), BuildPak(entries));
    Pak.OpenPak(Folder.File("undo.pak"));
  }
  // n renames of the first entry: n records, the newest "R:n<n>.wav:...".
  void Renames(int n) {
    for (int i = 1; i <= n; ++i)
      Pak.RenameEntry(0, "n" + std::to_string(i) + ".wav");
  }
};

using UndoJournal = TJournalFixture;
using Undo = TJournalFixture;
} // namespace

TEST_F(UndoJournal, RecordsGoInNewestFirstAndSetModified) {
  OpenSample();
  Pak.AddUndoRecord("D:");
  Pak.AddUndoRecord("R:x.wav:a.wav");
  EXPECT_EQ(Pak.Journal(), (TStringList{"R:x.wav:a.wav", "D:"}));
  EXPECT_TRUE(Pak.Modified());
  EXPECT_FALSE(Pak.JournalTruncated());

  // Entry records: name, position, size, each ended as the records need.
  EXPECT_EQ(Pak.EntryRecord(0), "maps/e1m1.bsp,12,3:");
  Pak.AddUndoRecord("D:w.wav,-12,70000:");
  ASSERT_EQ(Pak.Undo(), prDone);
  EXPECT_EQ(Pak.EntryRecord(3), "w.wav,-12,70000:");
}

TEST_F(UndoJournal, ALimitKeepsTheNewestRecords) {
  OpenSample();
  Pak.SetMaxUndoLevels(2);
  Renames(3);
  EXPECT_EQ(Pak.Journal(), (TStringList{"R:n3.wav:n2.wav", "R:n2.wav:n1.wav"}));
  EXPECT_TRUE(Pak.JournalTruncated());
  ASSERT_EQ(Pak.Undo(), prDone);
  ASSERT_EQ(Pak.Undo(), prDone);
  EXPECT_EQ(Pak.EntryName(0), "n1.wav");
  // Emptied, but the first rename is still in the directory.
  EXPECT_TRUE(Pak.Journal().empty());
  EXPECT_TRUE(Pak.Modified());
  EXPECT_EQ(Pak.Undo(), prNothingToUndo);

  // A limit of 0: every edit is dropped at once and counts as truncation.
  OpenSample();
  Pak.SetMaxUndoLevels(0);
  Renames(1);
  EXPECT_TRUE(Pak.Journal().empty());
  EXPECT_TRUE(Pak.JournalTruncated());
  EXPECT_TRUE(Pak.Modified());
  EXPECT_FALSE(Pak.CanUndo());
}

TEST_F(UndoJournal, SettingTheLimitTrimsTheOldest) {
  OpenSample();
  Renames(3);
  Pak.SetMaxUndoLevels(3); // nothing beyond it
  EXPECT_EQ(Pak.Journal().size(), 3u);
  EXPECT_FALSE(Pak.JournalTruncated());
  Pak.SetMaxUndoLevels(1);
  EXPECT_EQ(Pak.Journal(), TStringList{"R:n3.wav:n2.wav"});
  EXPECT_TRUE(Pak.JournalTruncated());
  Pak.SetMaxUndoLevels(-1);
  EXPECT_EQ(Pak.Journal().size(), 1u);
  EXPECT_EQ(Pak.MaxUndoLevels(), -1);

  // 0 clears the journal without counting as truncation.
  OpenSample();
  Renames(2);
  Pak.SetMaxUndoLevels(0);
  EXPECT_TRUE(Pak.Journal().empty());
  EXPECT_FALSE(Pak.JournalTruncated());
  EXPECT_EQ(Pak.MaxUndoLevels(), 0);
}

TEST_F(UndoJournal, SwitchingAllowUndoClearsTheJournal) {
  OpenSample();
  Renames(2);
  Pak.SetAllowUndo(true); // the same value: nothing happens
  EXPECT_EQ(Pak.Journal().size(), 2u);
  Pak.SetAllowUndo(false);
  EXPECT_TRUE(Pak.Journal().empty());
  Pak.RenameEntry(1, "c.wav");
  EXPECT_TRUE(Pak.Journal().empty());
  Pak.SetAllowUndo(true);
  EXPECT_TRUE(Pak.Journal().empty());
  EXPECT_FALSE(Pak.JournalTruncated());
  EXPECT_TRUE(Pak.Modified());

  // JournalTruncated survives the switch.
  OpenSample();
  Pak.SetMaxUndoLevels(1);
  Renames(2);
  Pak.SetAllowUndo(false);
  EXPECT_TRUE(Pak.JournalTruncated());
}

TEST_F(UndoJournal, AnEmptiedJournalDoesNotHideUnrecordedChanges) {
  // A change whose record was cleared away, or that was made while undo was
  // off, stays unsaved after the later records are undone.
  OpenSample();
  Renames(1);
  Pak.SetAllowUndo(false);
  Pak.SetAllowUndo(true);
  Pak.RenameEntry(1, "c.wav");
  ASSERT_EQ(Pak.Undo(), prDone);
  EXPECT_TRUE(Pak.Journal().empty());
  EXPECT_EQ(Pak.EntryName(0), "n1.wav");
  EXPECT_TRUE(Pak.Modified());

  OpenSample();
  Pak.SetAllowUndo(false);
  Renames(1);
  Pak.SetAllowUndo(true);
  Pak.RenameEntry(1, "c.wav");
  ASSERT_EQ(Pak.Undo(), prDone);
  EXPECT_TRUE(Pak.Modified());

  OpenSample();
  Renames(1);
  Pak.SetMaxUndoLevels(0);
  Pak.SetMaxUndoLevels(-1);
  Pak.RenameEntry(1, "c.wav");
  ASSERT_EQ(Pak.Undo(), prDone);
  EXPECT_TRUE(Pak.Modified());

  // Reopening starts afresh: nothing of the above lingers.
  OpenSample();
  Renames(1);
  ASSERT_EQ(Pak.Undo(), prDone);
  EXPECT_FALSE(Pak.Modified());
}

TEST_F(UndoJournal, UndoKindNamesTheNewestRecord) {
  OpenSample();
  EXPECT_EQ(Pak.UndoKind(), 0);
  Pak.AddUndoRecord("A:new.wav:");
  EXPECT_EQ(Pak.UndoKind(), 1);
  ASSERT_EQ(Pak.DeleteEntries({"b.wav"}), prDone);
  EXPECT_EQ(Pak.UndoKind(), 2);
  Pak.RenameEntry(0, "r.bsp");
  EXPECT_EQ(Pak.UndoKind(), 3);
  ASSERT_EQ(Pak.MoveEntries({"a.wav"}, "snd"), prDone);
  EXPECT_EQ(Pak.UndoKind(), 4);
  Pak.AddUndoRecord("X:whatever");
  EXPECT_EQ(Pak.UndoKind(), 0);
  EXPECT_TRUE(Pak.CanUndo());
}

TEST_F(Undo, RefusedWhenNothingMayBeUndone) {
  OpenSample();
  EXPECT_EQ(Pak.Undo(), prNothingToUndo);

  // Undo off: records cannot even be kept.
  Pak.SetAllowUndo(false);
  Pak.AddUndoRecord("D:a.wav,1,1:");
  EXPECT_FALSE(Pak.CanUndo());
  Pak.SetAllowUndo(true);

  // The journal survives closing, but there is no archive to undo in.
  ASSERT_EQ(Pak.DeleteEntries({"a.wav"}), prDone);
  Pak.OpenPak("");
  EXPECT_FALSE(Pak.CanUndo());
  EXPECT_EQ(Pak.UndoKind(), 0);
  EXPECT_EQ(Pak.Undo(), prNothingToUndo);
  EXPECT_EQ(Pak.Journal().size(), 1u);
  EXPECT_TRUE(Pak.Directory().empty());

  // A stock archive with a record in its journal.
  Pak.OpenPak(Quake + "id1/pak0.pak");
  Pak.AddUndoRecord("D:a.wav,1,1:");
  EXPECT_FALSE(Pak.CanUndo());
  EXPECT_EQ(Pak.Undo(), prNothingToUndo);
  EXPECT_EQ(Pak.Journal().size(), 1u);
  EXPECT_EQ(Pak.EntryCount(), 3);
}

TEST_F(Undo, AnAddRemovesTheAddedAndRestoresTheReplaced) {
  // As an add of a.wav, then of b.wav replacing a b.wav of 77 bytes at 1204,
  // would leave the archive and its record.
  OpenSample();
  Pak.AddUndoRecord("A:b.wav:A:a.wav:D:b.wav,1204,77:");
  ASSERT_EQ(Pak.Undo(), prDone);
  EXPECT_EQ(Listing(Pak), (std::vector<std::string>{"maps/e1m1.bsp@12+3", "b.wav@1204+77"}));
  EXPECT_TRUE(Pak.Journal().empty());
  EXPECT_FALSE(Pak.Modified());

  // An add that appended nothing but replaced two entries.
  OpenSample({{"maps/e1m1.bsp", "AAA"}});
  Pak.AddUndoRecord("A:D:a.wav,-12,5:D:b.wav,30,6:");
  ASSERT_EQ(Pak.Undo(), prDone);
  EXPECT_EQ(Listing(Pak), (std::vector<std::string>{"maps/e1m1.bsp@12+3", "a.wav@-12+5", "b.wav@30+6"}));

  // Added names of one character are written escaped, so that their pieces
  // do not read as markers; names holding separators are escaped too.
  OpenSample({{"x", "1"}, {"D", "2"}, {"a:b,c", "3"}, {"keep", "4"}});
  Pak.AddUndoRecord("A:%78:A:%44:A:a%3Ab%2Cc:");
  ASSERT_EQ(Pak.Undo(), prDone);
  EXPECT_EQ(Listing(Pak), (std::vector<std::string>{"keep@15+1"}));

  // An added entry that is gone already is passed over.
  OpenSample();
  Pak.AddUndoRecord("A:gone.wav:A:a.wav:");
  ASSERT_EQ(Pak.Undo(), prDone);
  EXPECT_EQ(Listing(Pak), (std::vector<std::string>{"maps/e1m1.bsp@12+3", "b.wav@19+2"}));
}

TEST_F(Undo, ADeleteRestoresEachRecordedEntryExactly) {
  OpenSample();
  // The second piece has no numbers: it takes those of the piece before. A.WAV
  // beside a.wav is an entry of its own.
  Pak.AddUndoRecord("D:c.wav,40,7:d.wav:A.WAV,50,1:");
  ASSERT_EQ(Pak.Undo(), prDone);
  EXPECT_EQ(Listing(Pak), (std::vector<std::string>{"maps/e1m1.bsp@12+3", "a.wav@15+4", "b.wav@19+2", "c.wav@40+7",
                                                    "d.wav@40+7", "A.WAV@50+1"}));

  // Deleting an entry by two spellings deletes it once; undoing a deletion
  // of one of two case twins brings exactly it back.
  for (bool manyLookups : {false, true}) {
    SCOPED_TRACE(manyLookups ? "through the name table" : "by scans");
    OpenSample({{"A.WAV", "1"}, {"a.wav", "22"}, {"b.wav", "333"}});
    TStringList names = {"B.WAV", "b.wav"};
    if (manyLookups)
      names.insert(names.end(), 10, "missing");
    ASSERT_EQ(Pak.DeleteEntries(names), prDone);
    EXPECT_EQ(Pak.Journal().front(), "D:b.wav,15,3:");
    ASSERT_EQ(Pak.DeleteEntries({"A.WAV"}), prDone);
    EXPECT_EQ(Listing(Pak), (std::vector<std::string>{"a.wav@13+2"}));
    ASSERT_EQ(Pak.Undo(), prDone);
    EXPECT_EQ(Listing(Pak), (std::vector<std::string>{"a.wav@13+2", "A.WAV@12+1"}));
    ASSERT_EQ(Pak.Undo(), prDone);
    EXPECT_EQ(Listing(Pak), (std::vector<std::string>{"a.wav@13+2", "A.WAV@12+1", "b.wav@15+3"}));
    EXPECT_FALSE(Pak.Modified());
  }
}

TEST_F(Undo, ARenameOrMoveGoesBackByTheRecord) {
  OpenSample();
  // Names come back as written, without the name rules.
  Pak.AddUndoRecord("M:a.wav:Sound/A Hit.WAV:b.wav:Q.WAV:gone.wav:x.wav:");
  ASSERT_EQ(Pak.Undo(), prDone);
  EXPECT_EQ(Listing(Pak), (std::vector<std::string>{"maps/e1m1.bsp@12+3", "Sound/A Hit.WAV@15+4", "Q.WAV@19+2"}));
  Pak.AddUndoRecord("R:Q.WAV:begin.bsp");
  ASSERT_EQ(Pak.Undo(), prDone);
  EXPECT_EQ(Pak.EntryName(2), "begin.bsp");
}

TEST_F(Undo, UnknownKindsAndBadNumbersStillConsumeTheRecord) {
  OpenSample();
  Pak.AddUndoRecord("X:a.wav");
  ASSERT_EQ(Pak.Undo(), prDone);
  EXPECT_EQ(Pak.EntryCount(), 3);
  EXPECT_TRUE(Pak.Journal().empty());
  EXPECT_FALSE(Pak.Modified());

  // The pieces before the bad number keep their effect.
  Pak.AddUndoRecord("R:x.wav:y.wav");
  Pak.AddUndoRecord("D:c.wav,40,7:d.wav,4x,1:e.wav,1,1:");
  EXPECT_THROW((void)Pak.Undo(), EConvertError);
  EXPECT_EQ(Pak.FindEntry("c.wav"), 3);
  EXPECT_EQ(Pak.FindEntry("d.wav"), -1);
  EXPECT_EQ(Pak.FindEntry("e.wav"), -1);
  // The bad record is gone: the next undo takes back the step before it, the last one.
  ASSERT_EQ(Pak.Undo(), prDone);
  EXPECT_FALSE(Pak.CanUndo());
}

TEST(ParseEntryRecordText, SplitsFieldsAndRefusesBadNumbers) {
  std::string name;
  int32_t position = 0;
  int32_t size = 0;
  TQuakePak::ParseEntryRecord("maps/e1m1.bsp,-3012,4000", name, position, size);
  EXPECT_EQ(name, "maps/e1m1.bsp");
  EXPECT_EQ(position, -3012);
  EXPECT_EQ(size, 4000);
  // Every ":" goes first; escaped names come back whole.
  TQuakePak::ParseEntryRecord("a%3Ab%2Cc%25,1:2,3:", name, position, size);
  EXPECT_EQ(name, "a:b,c%");
  EXPECT_EQ(position, 12);
  EXPECT_EQ(size, 3);
  // Empty fields leave the caller's values.
  TQuakePak::ParseEntryRecord("n.wav,,9", name, position, size);
  EXPECT_EQ(name, "n.wav");
  EXPECT_EQ(position, 12);
  EXPECT_EQ(size, 9);
  TQuakePak::ParseEntryRecord("only", name, position, size);
  EXPECT_EQ(name, "only");
  EXPECT_EQ(position, 12);
  EXPECT_EQ(size, 9);
  TQuakePak::ParseEntryRecord("m,-2147483648,2147483647", name, position, size);
  EXPECT_EQ(position, INT32_MIN);
  EXPECT_EQ(size, INT32_MAX);

  for (const char *bad : {"n,x1,2", "n,1,2,3", "n,2147483648,1", "n,1, 2", "n,-,1", "n,1,0x10"}) {
    SCOPED_TRACE(bad);
    EXPECT_THROW(TQuakePak::ParseEntryRecord(bad, name, position, size), EConvertError);
  }
}
