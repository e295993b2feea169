// SPDX-License-Identifier: GPL-3.0-or-later
// The game palette, lump decoding and file kinds.
#include "PakQuake.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {
TColor Rgb(int red, int green, int blue) {
  return static_cast<TColor>(red) + 256u * static_cast<TColor>(green) + 65536u * static_cast<TColor>(blue);
}

// Palette bytes whose colour i is colour(i).
template <typename F> std::string MakePalette(F colour) {
  std::string bytes;
  for (int i = 0; i < 256; ++i) {
    TColor c = colour(i);
    bytes += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8 & 0xFF), static_cast<char>(c >> 16)};
  }
  return bytes;
}

// Colour i of the game palette used here: all colours differ and both ends of
// the channel range occur.
TColor RampColor(int i) { return Rgb(i, 255 - i, i / 2); }
const std::string RampPalette = MakePalette(RampColor);

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
void OpenWithRampPalette(TQuakePak &pak, const TTempDir &dir, const std::vector<TFixtureEntry> &entries) {
  pak.SetQuakeDirectory(MakeQuakeDirectory(dir, {{"gfx/palette.lmp", RampPalette}}));
  WriteFileBytes(dir.File("lumps.pak"), BuildPak(entries));
  pak.OpenPak(dir.File("lumps.pak"));
}
} // namespace

TEST(Lump, FileKindsFollowTheKindTable) {
  // One name per kind, in mixed letter case, then the names that only look
  // like one: whole words only, the file part decides before the extension.
  const std::pair<const char *, TFileKind> cases[] = {{"gfx/title.lmp", fkLump},
                                                      {"GFX/Palette.Lmp", fkPalette},
                                                      {"sub/COLORMAP.lmp", fkColormap},
                                                      {"gfx.wad", fkWad},
                                                      {"wav", fkWave},
                                                      {"progs/player.mdl", fkModel},
                                                      {"maps/e1.bsp", fkMap},
                                                      {"s_bubble.spr", fkSprite},
                                                      {"progs.dat", fkProgs},
                                                      {"setup.rc", fkScript},
                                                      {"default.cfg", fkConfig},
                                                      {"end1.bin", fkEndScreen},
                                                      {"Demo1.Dem", fkDemo},
                                                      {"src/defs.QC", fkQuakeC},
                                                      {"wad.txt", fkText},
                                                      {"maps/e1m1.Lit", fkLight},
                                                      {"music/track02.ogg", fkOgg},
                                                      {"gfx/env/sky_up.TGA", fkTarga},
                                                      {"maps/src/start.map", fkMapSource},
                                                      {"maps/e1m1.ent", fkMapSource},
                                                      {"scripts/base.Shader", fkShader},
                                                      {"models/head_default.skin", fkSkin},
                                                      {"models/head.md3", fkMd3Model},
                                                      {"readme", fkUnknown},
                                                      {"sub\\palette.lmp", fkPalette},
                                                      {"palette.lmp.bak", fkUnknown},
                                                      {"palette.lmp/x.lmp", fkLump},
                                                      {"a.lmp2", fkUnknown},
                                                      {"a.ma", fkUnknown},
                                                      {"a.map ent", fkUnknown},
                                                      {"a.", fkUnknown},
                                                      // A name without "." counts whole; a "." before the file part
                                                      // makes the rest the extension.
                                                      {"WAD", fkWad},
                                                      {"gfx/wad", fkUnknown},
                                                      {"a.bsp/readme", fkUnknown},
                                                      {"x.d\\Y.MDL", fkModel},
                                                      // Names of eight bytes and more: the extension at the
                                                      // edges of the last eight bytes, whole file names in
                                                      // mixed case or run into other letters.
                                                      {"abcdefg.shader", fkShader},
                                                      {"models/x.shaders", fkUnknown},
                                                      {"maps/E1M1.bSp", fkMap},
                                                      {"folder/.bsp", fkMap},
                                                      {"a.bsp/abcdefgh", fkUnknown},
                                                      {"12345678", fkUnknown},
                                                      {"1234567.", fkUnknown},
                                                      {"gfx/PALETTE.LMp", fkPalette},
                                                      {"gfx/xcolormap.lmp", fkLump}};
  std::set<TFileKind> named;
  for (const auto &[name, kind] : cases) {
    EXPECT_EQ(int{FileKindOf(name)}, int{kind}) << name;
    named.insert(kind);
  }
  EXPECT_EQ(named.size(), size_t{fkUnknown} + 1) << "a kind has no name above";
}

TEST(Lump, KindTableGivesEachNameOneKindAndEveryKindAnIcon) {
  std::map<std::string, TFileKind> owners;
  for (const TFileKindInfo &info : FileKinds) {
    const bool known = info.Kind != fkUnknown;
    EXPECT_EQ(info.Icon.empty(), !known) << int(info.Kind);
    EXPECT_EQ(info.LumpViewer, info.Kind <= fkColormap) << int(info.Kind);
    for (std::string_view extension : KindWords(info.Extensions)) {
      EXPECT_TRUE(owners.emplace(std::string(extension), info.Kind).second) << extension;
      EXPECT_EQ(FileKindOf("Dir.x/NAME." + AsciiUpper(std::string(extension))), info.Kind) << extension;
    }
    for (std::string_view file : KindWords(info.FileNames)) {
      EXPECT_TRUE(owners.emplace(std::string(file), info.Kind).second) << file;
      EXPECT_EQ(FileKindOf("dir/" + AsciiUpper(std::string(file))), info.Kind) << file;
    }
    EXPECT_EQ(known, !KindWords(info.Extensions).empty() || !KindWords(info.FileNames).empty()) << int(info.Kind);
  }
  EXPECT_EQ(KindWords(" map  ent "), (std::vector<std::string_view>{"map", "ent"}));
}

TEST(Lump, PaletteReadFromFileGivesItsResultCodes) {
  TTempDir dir;
  // 100 bytes of filler, the ramp palette at offset 100, then 10 bytes "y".
  std::string file = dir.File("palette.bin");
  WriteFileBytes(file, std::string(100, 'x') + RampPalette + std::string(10, 'y'));
  TQuakePalette palette;
  EXPECT_EQ(palette.ReadFromFile(dir.File("missing.bin"), 0, 768), 9);
  EXPECT_EQ(palette.ReadFromFile(file, 100, 767), 4);
  EXPECT_EQ(palette.ReadFromFile(file, 111, 768), 13) << "ends one byte early";
  EXPECT_EQ(palette.ReadFromFile(dir.Path(), 0, 768), 14) << "a folder cannot be read";
  EXPECT_EQ(palette.ColorOf(7), 0u) << "black until loaded, and failures change nothing";

  EXPECT_EQ(palette.ReadFromFile(file, 100, 768), 0);
  EXPECT_EQ(palette.ColorOf(200), Rgb(200, 55, 100));
  EXPECT_EQ(palette.ReadFromFile(file, 110, 768), 0) << "exactly to the end of the file";
  EXPECT_EQ(palette.ColorOf(255), Rgb('y', 'y', 'y'));
}

TEST(Lump, LoadPaletteTakesTheLastPaletteEntryAndKeepsItOnFailure) {
  TTempDir first, wrongSize, none;
  TQuakePak pak;
  // Two palette entries; the later one, in other letter case, is the palette.
  pak.SetQuakeDirectory(MakeQuakeDirectory(
      first, {{"gfx/palette.lmp", MakePalette([](int) { return Rgb(1, 2, 3); })}, {"GFX/PALETTE.LMP", RampPalette}},
      "ID1", "PAK0.PAK"));
  EXPECT_EQ(pak.Palette().ColorOf(40), RampColor(40));

  pak.SetQuakeDirectory(MakeQuakeDirectory(wrongSize, {{"gfx/palette.lmp", RampPalette + "z"}}));
  EXPECT_EQ(pak.Palette().ColorOf(40), RampColor(40)) << "769 bytes are no palette";
  pak.SetQuakeDirectory(MakeQuakeDirectory(none, {{"gfx/colormap.lmp", "abc"}}));
  EXPECT_FALSE(pak.LoadPalette());
  pak.SetQuakeDirectory("");
  EXPECT_FALSE(pak.LoadPalette());
  EXPECT_EQ(pak.Palette().ColorOf(40), RampColor(40));
}

TEST(Lump, PictureLumpIsDrawnThroughThePaletteWithTheOffsetColour) {
  TTempDir dir;
  TQuakePak pak;
  OpenWithRampPalette(pak, dir, {{"gfx/two.lmp", PictureLump(2, 1, std::string("\x00\xFF", 2))}});
  auto two = pak.LumpToBitmap("GFX/TWO.LMP", Rgb(50, 50, 50), true);
  ASSERT_NE(two, nullptr);
  ASSERT_EQ(two->Width(), 2);
  ASSERT_EQ(two->Height(), 1);
  // Colour 0 is (0, 255, 0), colour 255 is (255, 0, 127): channels saturate
  // instead of carrying into their neighbours.
  EXPECT_EQ(two->Pixel(0, 0), Rgb(50, 255, 50));
  EXPECT_EQ(two->Pixel(1, 0), Rgb(255, 50, 177));
  auto darker = pak.LumpToBitmap("gfx/two.lmp", Rgb(10, 20, 200), false);
  EXPECT_EQ(darker->Pixel(0, 0), Rgb(0, 235, 0));
  EXPECT_EQ(darker->Pixel(1, 0), Rgb(245, 0, 0));
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
  ASSERT_NE(pak.LumpToBitmap("big.lmp", 0, true), nullptr);
  EXPECT_EQ(log.Starts, 1);
  EXPECT_EQ(log.Ends, 1);
  EXPECT_EQ(pak.ProgressDone(), 200);
  ASSERT_EQ(log.Percents.size(), 100u) << "each whole percentage once";
  EXPECT_EQ(log.Percents.back(), 100);

  log = {};
  auto flat = pak.LumpToBitmap("flat.lmp", 0, true);
  ASSERT_NE(flat, nullptr);
  EXPECT_EQ(flat->Width(), 5);
  EXPECT_EQ(flat->Height(), 0);
  auto empty = pak.LumpToBitmap("empty.lmp", 0, true);
  ASSERT_NE(empty, nullptr);
  EXPECT_EQ(empty->Width() + empty->Height(), 0);
  EXPECT_TRUE(log.Percents.empty()) << "no pixel, no step";
}

TEST(Lump, PaletteLumpShowsItsOwnColoursAsSwatches) {
  TTempDir dir;
  TQuakePak pak;
  // The lump's colours differ from the game palette, which must not be used.
  auto swatch = [](int i) { return Rgb(255 - i, i, 0); };
  OpenWithRampPalette(pak, dir, {{"gfx/palette.lmp", MakePalette(swatch)}, {"palette.lmp", MakePalette(swatch)}});
  TProgressLog log;
  Watch(pak, log);
  for (const char *name : {"GFX/Palette.Lmp", "palette.lmp"}) {
    auto grid = pak.LumpToBitmap(name, Rgb(50, 50, 50), true);
    ASSERT_NE(grid, nullptr) << name;
    ASSERT_EQ(grid->Width(), 256);
    ASSERT_EQ(grid->Height(), 256);
    EXPECT_EQ(grid->Pixel(0, 0), swatch(0));
    EXPECT_EQ(grid->Pixel(15, 15), swatch(0));
    EXPECT_EQ(grid->Pixel(255, 0), swatch(15)) << "top right";
    EXPECT_EQ(grid->Pixel(0, 16), swatch(16));
    EXPECT_EQ(grid->Pixel(255, 255), swatch(255)) << "bottom right";
  }
  EXPECT_EQ(log.Ends, 2);
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
  EXPECT_EQ(log.Starts + log.Ends + static_cast<int>(log.Percents.size()), 0);
}

TEST(Lump, NoBitmapForMissingForeignOrHostileEntries) {
  TTempDir dir;
  TQuakePak pak;
  // Hostile headers claim more than their entry holds, or are malformed;
  // 65536 x 65536 overflows 32 bits to 0, so only a 64-bit product catches it.
  OpenWithRampPalette(pak, dir,
                      {{"title.txt", PictureLump(1, 1, "\x01")},
                       {"negwidth.lmp", PictureLump(-1, 4, "abcd")},
                       {"negheight.lmp", PictureLump(2, -2, "abcd")},
                       {"toomany.lmp", PictureLump(3, 3, "12345678")},
                       {"wrap.lmp", PictureLump(65536, 65536, "abcd")},
                       {"huge.lmp", PictureLump(0x7FFFFFFF, 0x7FFFFFFF, "abcd")},
                       {"short.lmp", std::string("\x01\x00\x00\x00\x01\x00\x00", 7)},
                       {"sub/palette.lmp", std::string(767, '\x10')}});
  for (const char *name : {"none.lmp", "title.txt", "negwidth.lmp", "negheight.lmp", "toomany.lmp", "wrap.lmp",
                           "huge.lmp", "short.lmp", "sub/palette.lmp"})
    EXPECT_EQ(pak.LumpToBitmap(name, 0, true), nullptr) << name;
}

// The one reader of picture headers, which the engine's bitmaps and the
// picture conversion both go by. Each case: the header's width and height,
// how many bytes the lump really has, and what the reader makes of them.
TEST(Lump, PictureLayoutChecksTheHeaderAgainstTheBytesThere) {
  struct TCase {
    int32_t Width;
    int32_t Height;
    int64_t Size;
    TPictureFault Fault;
  };
  constexpr int64_t Header = 8;
  const TCase cases[] = {
      {2, 1, Header + 2, pfNone},
      {2, 1, Header + 50, pfNone}, // bytes after the pixels are no fault
      {4096, 4096, Header + 4096 * 4096, pfNone},
      {2, 1, 7, pfShortHeader},
      {2, 1, 0, pfShortHeader},
      {-1, 4, 100, pfNegativeSize},
      {4, -2, 100, pfNegativeSize},
      {0, 5, Header, pfNoPixels},
      {5, 0, Header, pfNoPixels},
      {4097, 1, Header + 4097, pfTooLarge}, // every byte there, and still too wide
      {1, 4097, Header + 4097, pfTooLarge},
      {16777216, 1, Header + 16777216, pfTooLarge}, // one row of 16 million pixels
      {65536, 65536, 100, pfTooLarge},              // 2^32 pixels: 0 in 32 bits
      {0x7FFFFFFF, 0x7FFFFFFF, 100, pfTooLarge},
      {4, 2, Header + 7, pfShortData},
      {4096, 4096, Header + 4096 * 4096 - 1, pfShortData},
  };
  for (const TCase &c : cases) {
    SCOPED_TRACE(std::to_string(c.Width) + " x " + std::to_string(c.Height) + " in " + std::to_string(c.Size));
    // Only the header's bytes are handed over: the reader needs no more.
    const std::string head = Int32LE(c.Width) + Int32LE(c.Height);
    const TPictureLayout layout = ReadPictureLayout(reinterpret_cast<const unsigned char *>(head.data()), c.Size);
    EXPECT_EQ(layout.Fault, c.Fault);
    EXPECT_EQ(layout.Reason.empty(), c.Fault == pfNone) << layout.Reason;
    if (c.Fault != pfShortHeader) {
      EXPECT_EQ(layout.Width, c.Width);
      EXPECT_EQ(layout.Height, c.Height);
    }
    EXPECT_EQ(layout.IndexOffset, Header);
  }
  EXPECT_EQ(PaletteRefusal(768), "");
  EXPECT_EQ(PaletteRefusal(769), "");
  EXPECT_EQ(PaletteRefusal(767), "a palette needs 768 bytes, but the entry has only 767.");
}

TEST(Lump, EntriesOfTheWorkingFileAreDecodedToo) {
  TTempDir dir;
  TQuakePak pak;
  OpenWithRampPalette(pak, dir, {});
  // The working file is a bare 12-byte header; a 1 x 2 picture goes right
  // after it and is listed as an added entry at position -12.
  std::string working = ReadFileBytes(pak.WorkingFileName());
  ASSERT_EQ(working.size(), 12u);
  WriteFileBytes(pak.WorkingFileName(), working + PictureLump(1, 2, "\x03\x04"));
  pak.RestoreEntry("added.lmp", -12, 10);
  auto bitmap = pak.LumpToBitmap("added.lmp", 0, true);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->Pixel(0, 0), RampColor(3));
  EXPECT_EQ(bitmap->Pixel(0, 1), RampColor(4));
}

TEST(Lump, PictureIsBoundedByTheBytesTheFileReallyHolds) {
  TTempDir dir;
  TQuakePak pak;
  pak.SetQuakeDirectory(MakeQuakeDirectory(dir, {{"gfx/palette.lmp", RampPalette}}));
  // By hand: header, one record at 12 naming a picture at offset 76 whose
  // claimed size is `claimed`, then the picture's bytes, which may be fewer.
  auto writeArchive = [&](int32_t claimed, const std::string &lump) {
    std::string name = "cut.lmp";
    name.resize(56, '\0');
    WriteFileBytes(dir.File("cut.pak"),
                   "PACK" + Int32LE(12) + Int32LE(64) + name + Int32LE(76) + Int32LE(claimed) + lump);
    pak.OpenPak(dir.File("cut.pak"));
  };
  TProgressLog log;
  Watch(pak, log);
  // A 4 x 2 picture of which the file holds 5 pixels.
  writeArchive(16, PictureLump(4, 2, "\x01\x02\x03\x04\x05"));
  EXPECT_EQ(pak.LumpToBitmap("cut.lmp", 0, true), nullptr);
  ASSERT_EQ(pak.Failures().size(), 1u);
  EXPECT_EQ(pak.Failures()[0].rfind("cut.lmp: ", 0), 0u) << pak.Failures()[0];
  // The bomb: a directory claiming 1.1 GB for a picture of 1 x 1,000,000,000
  // pixels in a file of under 200 bytes must not allocate the picture.
  writeArchive(1100000000, PictureLump(1, 1000000000, std::string(40, '\x07')));
  EXPECT_EQ(pak.LumpToBitmap("cut.lmp", 0, true), nullptr);
  EXPECT_EQ(pak.Failures().size(), 1u);
  // All its bytes there, but far larger than any game picture: not drawn
  // either, however few its pixels.
  writeArchive(8 + 5000 * 5000, PictureLump(5000, 5000, std::string(5000 * 5000, '\x01')));
  EXPECT_EQ(pak.LumpToBitmap("cut.lmp", 0, true), nullptr);
  EXPECT_NE(pak.Failures().at(0).find("too large"), std::string::npos);
  writeArchive(8 + 4097, PictureLump(4097, 1, std::string(4097, '\x01')));
  EXPECT_EQ(pak.LumpToBitmap("cut.lmp", 0, true), nullptr);
  // Cut inside the picture header.
  writeArchive(16, Int32LE(4));
  EXPECT_EQ(pak.LumpToBitmap("cut.lmp", 0, true), nullptr);
  // Whole: the same entry decodes, and the reason of the last refusal is gone.
  writeArchive(16, PictureLump(2, 4, std::string("\x01\x02\x03\x04\x05\x06\x07\x08")));
  auto bitmap = pak.LumpToBitmap("cut.lmp", 0, true);
  ASSERT_NE(bitmap, nullptr);
  EXPECT_EQ(bitmap->Pixel(1, 3), RampColor(8));
  EXPECT_TRUE(pak.Failures().empty());
  EXPECT_EQ(log.Starts, log.Ends);
}
