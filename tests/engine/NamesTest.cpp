// SPDX-License-Identifier: GPL-3.0-or-later
// Entry-name rules and the small name and path routines.
#include "PakNameIndex.h"
#include "PakQuake.h"
#include "TestSupport.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

TEST(EntryNames, MakeEntryNameAppliesSlashesCaseAndSpaces) {
  TQuakePak pak;
  EXPECT_EQ(pak.MakeEntryName("Maps\\My Level.BSP"), "maps/my_level.bsp");
  pak.SetHandleSpaces(shDelete);
  EXPECT_EQ(pak.MakeEntryName("Maps\\My Level.BSP"), "maps/mylevel.bsp");
  pak.SetHandleSpaces(shLeave);
  pak.SetForceLowercase(false);
  EXPECT_EQ(pak.MakeEntryName("Maps\\My Level.BSP"), "Maps/My Level.BSP");
  // Only ASCII capitals are lowered, only the space counts as a blank.
  pak.SetForceLowercase(true);
  pak.SetHandleSpaces(static_cast<TSpaceHandle>(7)); // unknown values underscore
  EXPECT_EQ(pak.MakeEntryName("\xC3\x89T\xC3\x89\tA B"), "\xC3\x89t\xC3\x89\ta_b");
  EXPECT_EQ(pak.MakeEntryName("//a//b/"), "//a//b/");
  EXPECT_EQ(pak.MakeEntryName(""), "");
}

TEST(EntryNames, FileDirectoryAndExtension) {
  EXPECT_EQ(EntryFileName("gfx/palette.lmp"), "palette.lmp");
  EXPECT_EQ(EntryFileName("palette.lmp"), "palette.lmp");
  EXPECT_EQ(EntryFileName("gfx\\sub/a.lmp"), "a.lmp");
  EXPECT_EQ(EntryFileName("gfx/"), "");
  EXPECT_EQ(EntryFileName(""), "");

  EXPECT_EQ(EntryDirectory("gfx/sub/a.lmp", false), "gfx/sub");
  EXPECT_EQ(EntryDirectory("gfx/sub/a.lmp", true), "gfx/sub/");
  EXPECT_EQ(EntryDirectory("a.lmp", true), "");
  EXPECT_EQ(EntryDirectory("/a.lmp", true), "");
  EXPECT_EQ(EntryDirectory("gfx\\a.lmp", true), "gfx/");
  EXPECT_EQ(EntryDirectory("", true), "");

  EXPECT_EQ(EntryExtension("sound/ambience/wind2.wav", false), "wav");
  EXPECT_EQ(EntryExtension("sound/ambience/wind2.wav", true), ".wav");
  EXPECT_EQ(EntryExtension("progs.dir/readme", false), "dir/readme");
  EXPECT_EQ(EntryExtension("readme", false), "readme");
  EXPECT_EQ(EntryExtension("readme", true), "readme");
  EXPECT_EQ(EntryExtension("a.", false), "");
  EXPECT_EQ(EntryExtension("a.", true), ".");
  EXPECT_EQ(EntryExtension("", true), "");
}

// The one hexadecimal reader of the program: undo records, the window's
// settings and the command line's reading of them all go through it.
TEST(EntryNames, ParseHexTakesDigitsOnlyAndAtMost32Bits) {
  const std::pair<const char *, std::optional<uint32_t>> cases[] = {
      {"0", 0u},  {"2C", 0x2Cu}, {"2c", 0x2Cu}, {"00000000019", 0x19u}, {"FFFFFFFF", ~0u}, {"100000000", {}},
      {"", {}},   {"-1", {}},    {"+1", {}},    {"0x10", {}},           {" 1", {}},        {"1 ", {}},
      {"1g", {}}, {"%2", {}},
  };
  for (const auto &[text, value] : cases)
    EXPECT_EQ(ParseHex(text), value) << '"' << text << '"';
}

TEST(EntryNames, SplitAtCutsTheHead) {
  std::string text = "12,34";
  EXPECT_EQ(SplitAt(text, ','), "12");
  EXPECT_EQ(text, "34");
  EXPECT_EQ(SplitAt(text, ','), "34");
  EXPECT_EQ(text, "");
  EXPECT_EQ(SplitAt(text, ','), "");
  text = ",x";
  EXPECT_EQ(SplitAt(text, ','), "");
  EXPECT_EQ(text, "x");
}

TEST(EntryNames, FileSizeOf) {
  TTempDir folder;
  WriteFileBytes(folder.File("empty"), "");
  WriteFileBytes(folder.File("five"), "12345");
  EXPECT_EQ(FileSizeOf(folder.File("missing")), 0);
  EXPECT_EQ(FileSizeOf(folder.File("empty")), 0);
  EXPECT_EQ(FileSizeOf(folder.File("five")), 5);
  EXPECT_EQ(FileSizeOf(folder.Path()), -1); // a folder is no file to add
  ASSERT_EQ(::mkfifo(folder.File("fifo").c_str(), 0600), 0);
  EXPECT_EQ(FileSizeOf(folder.File("fifo")), -1);
}

TEST(EntryNames, ForceDirectoriesCreatesTheWholeChain) {
  TTempDir folder;
  ForceDirectories(folder.File("a/b/c/"));
  EXPECT_TRUE(std::filesystem::is_directory(folder.File("a/b/c")));
  ForceDirectories(folder.File("a/b/c")); // already there: nothing to do
  ForceDirectories("");
  EXPECT_EQ(PathDirectory("/x/y/z.pak"), "/x/y/");
  EXPECT_EQ(PathDirectory("z.pak"), "");
}

// The name index folds letter case eight bytes at a time: names equal but for
// ASCII letter case must hash alike, whatever byte stands before the letter
// (a byte of 0x80 or more must not spill into its neighbour), and the other
// bytes must not be folded.
TEST(NameHash, AgreesWithTheAsciiCaseComparison) {
  int disagreements = 0;
  for (int before = 0; before < 256; ++before)
    for (int c = 0; c < 256; ++c) {
      const std::string prefix = "gfx/ab" + std::string(1, static_cast<char>(before));
      const std::string a = prefix + static_cast<char>(c) + ".lmp";
      const std::string b = prefix + static_cast<char>(c ^ 0x20) + ".lmp";
      if (SameTextAscii(a, b) != (NameHash(a) == NameHash(b)))
        ++disagreements;
    }
  EXPECT_EQ(disagreements, 0);
}
