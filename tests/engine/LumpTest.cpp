// The game palette, lump decoding and file kinds.
#include "PakQuake.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {
// A palette whose colour i is (i, 255 - i, i / 2): every colour differs and
// both ends of the channel range occur.
std::string RampPalette() {
  std::string bytes;
  for (int i = 0; i < 256; ++i) {
    bytes += static_cast<char>(i);
    bytes += static_cast<char>(255 - i);
    bytes += static_cast<char>(i / 2);
  }
  return bytes;
}

// A palette of one colour everywhere.
std::string FlatPalette(uint8_t red, uint8_t green, uint8_t blue) {
  std::string bytes;
  for (int i = 0; i < 256; ++i) {
    bytes += static_cast<char>(red);
    bytes += static_cast<char>(green);
    bytes += static_cast<char>(blue);
  }
  return bytes;
}

TColor Rgb(int red, int green, int blue) {
  return static_cast<TColor>(red) + 256u * static_cast<TColor>(green) + 65536u * static_cast<TColor>(blue);
}

TColor RampColor(int i) { return Rgb(i, 255 - i, i / 2); }

// A picture lump: width, height, then one index per pixel.
std::string PictureLump(int32_t width, int32_t height, const std::string &pixels) {
  return Int32LE(width) + Int32LE(height) + pixels;
}

struct TProgressLog {
  int Starts = 0;
  int Ends = 0;
  std::vector<int> Percents;
};

void Watch(TQuakePak &pak, TProgressLog &log) {
  pak.OnStartCallback = [&log](TQuakePak &) { ++log.Starts; };
  pak.OnEndCallback = [&log](TQuakePak &) { ++log.Ends; };
  pak.OnCallback = [&log](TQuakePak &, uint8_t percent) { log.Percents.push_back(percent); };
}

// An installation whose pak0.pak holds the ramp palette, and an archive
// beside it holding the given entries, opened in pak.
std::string OpenWithRampPalette(TQuakePak &pak, const TTempDir &dir, const std::vector<TFixtureEntry> &entries) {
  pak.SetQuakeDirectory(MakeQuakeDirectory(dir, {{"gfx/palette.lmp", RampPalette()}}));
  std::string archive = dir.File("lumps.pak");
  WriteFileBytes(archive, BuildPak(entries));
  pak.OpenPak(archive);
  return archive;
}
} // namespace

TEST(Lump, FileKindsFollowTheExtensionTable) {
  const std::pair<const char *, TFileKind> cases[] = {
      {"gfx/title.lmp", fkLump},      {"gfx/palette.lmp", fkPalette},
      {"GFX/Palette.Lmp", fkPalette}, {"sub/COLORMAP.lmp", fkColormap},
      {"palette.lmp.bak", fkUnknown}, {"a.lmp2", fkUnknown},
      {"wad.txt", fkUnknown},         {"gfx.wad", fkWad},
      {"sound/hit.WAV", fkWave},      {"wav", fkWave},
      {"progs/player.mdl", fkModel},  {"maps/e1.bsp", fkMap},
      {"s_bubble.spr", fkSprite},     {"progs.dat", fkProgs},
      {"setup.rc", fkScript},         {"default.cfg", fkConfig},
      {"end1.bin", fkEndScreen},      {"Demo1.Dem", fkDemo},
      {"maps/e1.bspx", fkUnknown},    {"readme", fkUnknown},
      {"x.palette.lmp", fkLump},      {"sub\\palette.lmp", fkPalette},
  };
  for (const auto &[name, kind] : cases)
    EXPECT_EQ(FileKindOf(name), kind) << name;
  // The lump viewer relies on the first three kinds being the lumps.
  EXPECT_EQ(fkLump, 0);
  EXPECT_EQ(fkPalette, 1);
  EXPECT_EQ(fkColormap, 2);
  EXPECT_EQ(fkDemo, 12);
  EXPECT_EQ(fkUnknown, 13);
}

TEST(Lump, PaletteReadFromFileGivesItsResultCodes) {
  TTempDir dir;
  // 100 bytes of filler, the ramp palette at offset 100, then 10 more bytes.
  std::string file = dir.File("palette.bin");
  WriteFileBytes(file, std::string(100, 'x') + RampPalette() + std::string(10, 'y'));

  TQuakePalette palette;
  EXPECT_EQ(palette.ColorOf(7), 0u) << "a new palette is black";
  EXPECT_EQ(palette.ReadFromFile(dir.File("missing.bin"), 0, 768), 9);
  EXPECT_EQ(palette.ReadFromFile(file, 100, 767), 4);
  EXPECT_EQ(palette.ReadFromFile(file, 111, 768), 13) << "ends one byte early";
  EXPECT_EQ(palette.ReadFromFile(dir.Path(), 0, 768), 14) << "a folder cannot be read";
  EXPECT_EQ(palette.ReadFromFile(file, -1, 768), 14) << "no such offset";
  EXPECT_EQ(palette.ColorOf(7), 0u) << "failures leave the palette unchanged";

  EXPECT_EQ(palette.ReadFromFile(file, 100, 768), 0);
  EXPECT_EQ(palette.ColorOf(0), Rgb(0, 255, 0));
  EXPECT_EQ(palette.ColorOf(200), Rgb(200, 55, 100));
  EXPECT_EQ(palette.ColorOf(255), Rgb(255, 0, 127));

  EXPECT_EQ(palette.ReadFromFile(file, 110, 768), 0) << "exactly to the end of the file";
  EXPECT_EQ(palette.ColorOf(255), Rgb('y', 'y', 'y'));
}

TEST(Lump, LoadPaletteTakesTheLastPaletteEntryOfTheStockArchive) {
  TTempDir dir;
  TQuakePak pak;
  EXPECT_FALSE(pak.LoadPalette()) << "no Quake directory";

  // Two palette entries, the second (later in the directory) in other letter case.
  std::string quake = MakeQuakeDirectory(
      dir, {{"gfx/palette.lmp", FlatPalette(1, 2, 3)}, {"gfx/x.lmp", "abc"}, {"GFX/PALETTE.LMP", RampPalette()}}, "ID1",
      "PAK0.PAK");
  pak.SetQuakeDirectory(quake);
  EXPECT_EQ(pak.Palette().ColorOf(9), RampColor(9));
  EXPECT_TRUE(pak.LoadPalette());
}

TEST(Lump, PaletteSurvivesInstallationsWithoutAUsablePalette) {
  TTempDir first, wrongSize, none;
  TQuakePak pak;
  pak.SetQuakeDirectory(MakeQuakeDirectory(first, {{"gfx/palette.lmp", RampPalette()}}));
  ASSERT_EQ(pak.Palette().ColorOf(40), RampColor(40));

  pak.SetQuakeDirectory(MakeQuakeDirectory(wrongSize, {{"gfx/palette.lmp", FlatPalette(9, 9, 9) + "z"}}));
  EXPECT_EQ(pak.Palette().ColorOf(40), RampColor(40)) << "769 bytes are no palette";

  pak.SetQuakeDirectory(MakeQuakeDirectory(none, {{"gfx/colormap.lmp", "abc"}}));
  EXPECT_FALSE(pak.LoadPalette());
  EXPECT_EQ(pak.Palette().ColorOf(40), RampColor(40));

  pak.SetQuakeDirectory("");
  EXPECT_EQ(pak.Palette().ColorOf(40), RampColor(40));
}

TEST(Lump, PictureLumpIsDrawnThroughThePaletteWithTheOffsetColour) {
  TTempDir dir;
  TQuakePak pak;
  // A 2 x 1 picture with indices 0 and 255, and a 3 x 2 one of indices 0..5
  // followed by two stray bytes that belong to no pixel.
  OpenWithRampPalette(pak, dir,
                      {{"gfx/two.lmp", PictureLump(2, 1, std::string("\x00\xFF", 2))},
                       {"gfx/six.LMP", PictureLump(3, 2, std::string("\x00\x01\x02\x03\x04\x05\x07\x07", 8))}});

  auto two = pak.LumpToBitmap("GFX/TWO.LMP", Rgb(50, 50, 50), true);
  ASSERT_NE(two, nullptr);
  ASSERT_EQ(two->Width(), 2);
  ASSERT_EQ(two->Height(), 1);
  EXPECT_TRUE(two->Notice().empty());
  // Colour 0 is (0, 255, 0) and colour 255 is (255, 0, 127): the channels at
  // 255 saturate instead of carrying into the next one.
  EXPECT_EQ(two->Pixel(0, 0), Rgb(50, 255, 50));
  EXPECT_EQ(two->Pixel(1, 0), Rgb(255, 50, 177));

  auto darker = pak.LumpToBitmap("gfx/two.lmp", Rgb(10, 20, 200), false);
  ASSERT_NE(darker, nullptr);
  EXPECT_EQ(darker->Pixel(0, 0), Rgb(0, 235, 0)) << "channels stop at 0";
  EXPECT_EQ(darker->Pixel(1, 0), Rgb(245, 0, 0));

  auto six = pak.LumpToBitmap("gfx/six.lmp", 0, true);
  ASSERT_NE(six, nullptr);
  ASSERT_EQ(six->Width(), 3);
  ASSERT_EQ(six->Height(), 2);
  for (int y = 0; y < 2; ++y)
    for (int x = 0; x < 3; ++x)
      EXPECT_EQ(six->Pixel(x, y), RampColor(3 * y + x)) << x << "," << y;
}

TEST(Lump, PictureProgressCountsPixels) {
  TTempDir dir;
  TQuakePak pak;
  OpenWithRampPalette(pak, dir,
                      {{"big.lmp", PictureLump(20, 10, std::string(200, '\x05'))},
                       {"empty.lmp", PictureLump(0, 0, "")},
                       {"flat.lmp", PictureLump(5, 0, "")}});
  TProgressLog log;
  Watch(pak, log);
  auto big = pak.LumpToBitmap("big.lmp", 0, true);
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(log.Starts, 1);
  EXPECT_EQ(log.Ends, 1);
  EXPECT_EQ(pak.ProgressTotal(), 200);
  EXPECT_EQ(pak.ProgressDone(), 200);
  ASSERT_FALSE(log.Percents.empty());
  EXPECT_EQ(log.Percents.front(), 1);
  EXPECT_EQ(log.Percents.back(), 100);
  EXPECT_EQ(log.Percents.size(), 100u) << "each whole percentage once";

  log = {};
  auto empty = pak.LumpToBitmap("empty.lmp", 0, true);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->Width(), 0);
  EXPECT_EQ(empty->Height(), 0);
  auto flat = pak.LumpToBitmap("flat.lmp", 0, true);
  ASSERT_NE(flat, nullptr);
  EXPECT_EQ(flat->Width(), 5);
  EXPECT_EQ(flat->Height(), 0);
  EXPECT_TRUE(log.Percents.empty()) << "no pixel, no step";
}

TEST(Lump, PaletteLumpShowsItsOwnColoursAsSwatches) {
  TTempDir dir;
  TQuakePak pak;
  // The lump's colours (the ramp reversed: colour i is (255 - i, i, 0)) differ
  // from the game palette, which the swatches must not use.
  std::string reversed;
  for (int i = 0; i < 256; ++i)
    reversed += std::string{static_cast<char>(255 - i), static_cast<char>(i), '\0'};
  OpenWithRampPalette(pak, dir, {{"gfx/palette.lmp", reversed}, {"palette.lmp", reversed}});
  TProgressLog log;
  Watch(pak, log);

  for (const char *name : {"gfx/palette.lmp", "GFX/Palette.Lmp", "palette.lmp"}) {
    auto grid = pak.LumpToBitmap(name, Rgb(50, 50, 50), true);
    ASSERT_NE(grid, nullptr) << name;
    ASSERT_EQ(grid->Width(), 256);
    ASSERT_EQ(grid->Height(), 256);
    auto swatch = [](int i) { return Rgb(255 - i, i, 0); };
    EXPECT_EQ(grid->Pixel(0, 0), swatch(0));
    EXPECT_EQ(grid->Pixel(15, 15), swatch(0));
    EXPECT_EQ(grid->Pixel(16, 0), swatch(1));
    EXPECT_EQ(grid->Pixel(255, 0), swatch(15)) << "top right";
    EXPECT_EQ(grid->Pixel(0, 16), swatch(16));
    EXPECT_EQ(grid->Pixel(240, 240), swatch(255));
    EXPECT_EQ(grid->Pixel(255, 255), swatch(255)) << "bottom right";
    EXPECT_EQ(grid->Pixel(40, 100), swatch(16 * 6 + 2));
  }
  EXPECT_EQ(log.Starts, 3);
  EXPECT_EQ(log.Ends, 3);
  EXPECT_EQ(pak.ProgressDone(), 256);
}

TEST(Lump, ColormapBecomesANoticeWithoutProgress) {
  TTempDir dir;
  TQuakePak pak;
  OpenWithRampPalette(pak, dir, {{"gfx/colormap.lmp", std::string(16385, '\x01')}});
  TProgressLog log;
  Watch(pak, log);
  auto map = pak.LumpToBitmap("gfx/colormap.lmp", Rgb(50, 50, 50), true);
  ASSERT_NE(map, nullptr);
  EXPECT_EQ(map->Width(), 256);
  EXPECT_EQ(map->Height(), 256);
  EXPECT_EQ(map->Notice(), "Can't Display Colormap");
  EXPECT_EQ(map->Pixel(128, 128), TBitmap::DefaultBackground);
  EXPECT_EQ(log.Starts + log.Ends, 0);
  EXPECT_TRUE(log.Percents.empty());
}

TEST(Lump, NoBitmapForMissingForeignOrHostileEntries) {
  TTempDir dir;
  TQuakePak pak;
  // Each hostile header claims more than its entry holds, or is malformed:
  // 65536 x 65536 pixels overflow 32 bits to 0, so only a 64-bit product
  // catches them.
  OpenWithRampPalette(pak, dir,
                      {{"gfx/title.txt", PictureLump(1, 1, "\x01")},
                       {"negwidth.lmp", PictureLump(-1, 4, "abcd")},
                       {"negheight.lmp", PictureLump(2, -2, "abcd")},
                       {"bothneg.lmp", PictureLump(-2, -2, "abcd")},
                       {"toomany.lmp", PictureLump(3, 3, "12345678")},
                       {"wrap.lmp", PictureLump(65536, 65536, "abcd")},
                       {"huge.lmp", PictureLump(0x7FFFFFFF, 0x7FFFFFFF, "abcd")},
                       {"short.lmp", std::string("\x01\x00\x00\x00\x01\x00\x00", 7)},
                       {"nothing.lmp", ""},
                       {"sub/palette.lmp", std::string(767, '\x10')}});
  EXPECT_EQ(pak.LumpToBitmap("gfx/none.lmp", 0, true), nullptr);
  EXPECT_EQ(pak.LumpToBitmap("gfx/title.txt", 0, true), nullptr);
  for (const char *name : {"negwidth.lmp", "negheight.lmp", "bothneg.lmp", "toomany.lmp", "wrap.lmp", "huge.lmp",
                           "short.lmp", "nothing.lmp", "sub/palette.lmp"})
    EXPECT_EQ(pak.LumpToBitmap(name, 0, true), nullptr) << name;

  TQuakePak closed;
  EXPECT_EQ(closed.LumpToBitmap("gfx/palette.lmp", 0, true), nullptr);
}

TEST(Lump, EntriesOfTheWorkingFileAreDecodedToo) {
  TTempDir dir;
  TQuakePak pak;
  OpenWithRampPalette(pak, dir, {});
  // The working file starts as a bare 12-byte header; a 1 x 2 picture is put
  // right after it and listed as an added entry at position -12.
  std::string working = ReadFileBytes(pak.WorkingFileName());
  ASSERT_EQ(working.size(), 12u);
  WriteFileBytes(pak.WorkingFileName(), working + PictureLump(1, 2, "\x03\x04"));
  pak.RestoreEntry("added.lmp", -12, 10);
  auto bitmap = pak.LumpToBitmap("added.lmp", 0, true);
  ASSERT_NE(bitmap, nullptr);
  ASSERT_EQ(bitmap->Height(), 2);
  EXPECT_EQ(bitmap->Pixel(0, 0), RampColor(3));
  EXPECT_EQ(bitmap->Pixel(0, 1), RampColor(4));
}

TEST(Lump, FileThatEndsInsideAPictureKeepsWhatWasDrawn) {
  TTempDir dir;
  TQuakePak pak;
  pak.SetQuakeDirectory(MakeQuakeDirectory(dir, {{"gfx/palette.lmp", RampPalette()}}));
  // Hand-made archive: header, one record at 12 naming a 4 x 2 picture of
  // 16 bytes at offset 76, but the file ends after the header and 5 pixels.
  std::string name = "cut.lmp";
  name.resize(56, '\0');
  std::string archive = "PACK" + Int32LE(12) + Int32LE(64) + name + Int32LE(76) + Int32LE(16) +
                        PictureLump(4, 2, std::string("\x01\x02\x03\x04\x05", 5));
  WriteFileBytes(dir.File("cut.pak"), archive);
  pak.OpenPak(dir.File("cut.pak"));
  TProgressLog log;
  Watch(pak, log);
  auto bitmap = pak.LumpToBitmap("cut.lmp", 0, true);
  ASSERT_NE(bitmap, nullptr);
  ASSERT_EQ(bitmap->Width(), 4);
  ASSERT_EQ(bitmap->Height(), 2);
  EXPECT_EQ(bitmap->Pixel(3, 0), RampColor(4));
  EXPECT_EQ(bitmap->Pixel(0, 1), RampColor(5));
  EXPECT_EQ(bitmap->Pixel(1, 1), TBitmap::DefaultBackground) << "no data: left blank";
  EXPECT_EQ(log.Ends, log.Starts) << "progress is ended on the early exit too";

  // The header itself cut off: no bitmap.
  std::string header = "PACK" + Int32LE(12) + Int32LE(64) + name + Int32LE(76) + Int32LE(16) + Int32LE(4);
  WriteFileBytes(dir.File("cut.pak"), header);
  pak.OpenPak(dir.File("cut.pak"));
  EXPECT_EQ(pak.LumpToBitmap("cut.lmp", 0, true), nullptr);
}

TEST(Lump, BitmapDrawingStaysInsideTheBitmap) {
  TBitmap bitmap(4, 3);
  EXPECT_EQ(bitmap.Pixel(3, 2), TBitmap::DefaultBackground);
  bitmap.FillRect(-5, 1, 2, 10, 0x123456);
  EXPECT_EQ(bitmap.Pixel(0, 0), TBitmap::DefaultBackground);
  EXPECT_EQ(bitmap.Pixel(0, 1), 0x123456u);
  EXPECT_EQ(bitmap.Pixel(1, 2), 0x123456u);
  EXPECT_EQ(bitmap.Pixel(2, 1), TBitmap::DefaultBackground) << "right edge excluded";
  bitmap.SetPixel(4, 0, 1);
  bitmap.SetPixel(-1, 0, 1);
  EXPECT_EQ(bitmap.Pixel(3, 0), TBitmap::DefaultBackground);
  bitmap.SetSize(-3, 2);
  EXPECT_EQ(bitmap.Width(), 0);
  EXPECT_TRUE(bitmap.Pixels().empty());
}
