// Entry-name rules and the small name and path routines.
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
