// SPDX-License-Identifier: GPL-3.0-or-later
#include "QuakeCheck.h"
#include "QuakePictures.h"
#include "QuakeTestSupport.h"
#include "QuakeWad.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

using namespace QuakeWad;
using namespace QuakePictures;

namespace {

uint8_t Diagonal(int32_t x, int32_t y) { return static_cast<uint8_t>((x + 3 * y) % 200); }

// gfx.wad in small: the palette, a status-bar picture, the console font (raw,
// type 0x44), a mip texture of a liquid, and a lump of a type no tool reads.
std::vector<TWadFixtureLump> GfxLumps() {
  return {{"palette", ltPalette, TestPalette()},
          {"sb_ammo", ltPicture, BuildQpic(3, 2, "\x01\x02\x03\x04\x05\xff")},
          {"conchars", ltMiptex, std::string(ConcharsSize, '\x07')},
          {"*water1", ltMiptex, BuildMiptex("*water1", 16, 16, Pixels(16, 16, Diagonal), 9)},
          {"noise", 0x43, "abcde"}};
}

std::string Findings(const std::vector<std::string> &findings) {
  std::string text;
  for (const std::string &finding : findings)
    text += finding + "\n";
  return text;
}

} // namespace

TEST(QuakeWad, ReadsEveryLumpTypeAndWritesTheFileBackByteForByte) {
  const std::string file = BuildWad(GfxLumps());
  TWad wad;
  std::vector<std::string> findings;
  ASSERT_TRUE(ReadWad(file, wad, findings));
  EXPECT_EQ(Findings(findings), "");
  ASSERT_EQ(wad.Lumps.size(), 5u);
  const std::vector<std::pair<TLumpKind, std::string>> expected = {{lkPalette, "palette.pal"},
                                                                   {lkPicture, "sb_ammo.lmp"},
                                                                   {lkConchars, "conchars.raw"},
                                                                   {lkMiptex, "#water1.mip"},
                                                                   {lkOther, "noise.t43"}};
  for (size_t i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(wad.Lumps[i].Data, GfxLumps()[i].Data) << i;
    EXPECT_EQ(KindOfLump(wad.Lumps[i]), expected[i].first) << i;
    EXPECT_EQ(LumpFileName(wad.Lumps[i]), expected[i].second) << i;
    // The file name gives the lump's name and type back.
    std::string name;
    uint8_t type = 0;
    ASSERT_TRUE(LumpOfFileName(expected[i].second, name, type));
    EXPECT_EQ(name, wad.Lumps[i].Name);
    EXPECT_EQ(type, wad.Lumps[i].Type);
  }
  EXPECT_EQ(WriteWad(wad), file);

  // A record's own bytes (its size in memory, its pad bytes, what follows
  // the name's zero) stay while the lump is unchanged.
  std::string odd = file;
  const size_t firstRecord = static_cast<size_t>(QuakeBytes::Int32At(odd, 8));
  odd[firstRecord + 8] = 'M';
  odd[firstRecord + 14] = 'P';
  odd[firstRecord + 16 + 10] = 'Z';
  ASSERT_TRUE(ReadWad(odd, wad, findings));
  EXPECT_EQ(WriteWad(wad), odd);
}

TEST(QuakeWad, PutDeleteAndRenameChangeOnlyTheirLumps) {
  TWad wad;
  std::vector<std::string> findings;
  ASSERT_TRUE(ReadWad(BuildWad(GfxLumps()), wad, findings));
  PutLump(wad, "SB_AMMO", ltPicture, BuildQpic(1, 1, "\x05"));
  PutLump(wad, "new", ltPicture, BuildQpic(1, 1, "\x06"));
  EXPECT_TRUE(DeleteLump(wad, "noise"));
  EXPECT_FALSE(DeleteLump(wad, "noise"));
  EXPECT_EQ(RenameLump(wad, "new", "palette"), "the name \"palette\" is taken.");
  EXPECT_EQ(RenameLump(wad, "new", "seventeen-bytes-x"),
            "the name \"seventeen-bytes-x\" is longer than a lump name may be (16 bytes).");
  EXPECT_EQ(RenameLump(wad, "gone", "x"), "\"gone\": no such lump.");
  EXPECT_EQ(RenameLump(wad, "new", "sb_new"), "");

  std::vector<TWadFixtureLump> lumps = GfxLumps();
  lumps[1].Data = BuildQpic(1, 1, "\x05");
  lumps.pop_back();
  lumps.push_back({"sb_new", ltPicture, BuildQpic(1, 1, "\x06")});
  EXPECT_EQ(WriteWad(wad), BuildWad(lumps));
}

TEST(QuakeWad, DamagedFilesGiveFindingsAndTheLumpsThatFit) {
  const std::string sound = BuildWad(GfxLumps());
  const size_t directory = static_cast<size_t>(QuakeBytes::Int32At(sound, 8));
  struct TCase {
    const char *What;
    std::string Bytes;
    size_t Lumps;
    std::string Findings;
  };
  std::string lumpOutside = sound;
  QuakeBytes::PutInt32(lumpOutside, directory + 32 + 4, 1 << 30); // sb_ammo's size
  std::string negative = sound;
  QuakeBytes::PutInt32(negative, directory + 0, -4);
  std::string manyRecords = sound;
  QuakeBytes::PutInt32(manyRecords, 4, 0x7fffffff);
  std::string directoryOutside = sound;
  QuakeBytes::PutInt32(directoryOutside, 8, static_cast<int32_t>(sound.size() + 1));
  // Every record pointing at the first lump's kilobyte: one copy is held, the others left out.
  std::string shared = BuildWad({{"big", ltPicture, std::string(1000, 'x')}, {"b", ltPicture, "y"}, {"c", 0, "z"}});
  const size_t sharedDirectory = static_cast<size_t>(QuakeBytes::Int32At(shared, 8));
  for (size_t record = 1; record < 3; ++record)
    for (size_t field = 0; field < 8; ++field)
      shared[sharedDirectory + record * 32 + field] = shared[sharedDirectory + field];
  const std::vector<TCase> cases = {
      {"lumps sharing bytes", shared, 1,
       "lump \"b\": its data overlaps other lumps'; left out.\n"
       "lump \"c\": its data overlaps other lumps'; left out.\n"},
      {"a lump outside", lumpOutside, 4, "lump \"sb_ammo\": its data lies outside the file.\n"},
      {"a negative offset", negative, 4, "lump \"palette\": its data lies outside the file.\n"},
      {"more records claimed", manyRecords, 5,
       "the WAD directory is cut short: 5 of 2147483647 records are there.\n"},
      {"directory outside", directoryOutside, 0, "the WAD directory lies outside the file.\n"},
      {"cut in the directory", sound.substr(0, sound.size() - 40), 3,
       "the WAD directory is cut short: 3 of 5 records are there.\n"},
      {"cut in the header", "WAD2\x05", 0, "the WAD header is cut short.\n"},
  };
  for (const TCase &test : cases) {
    TWad wad;
    std::vector<std::string> findings;
    EXPECT_TRUE(ReadWad(test.Bytes, wad, findings)) << test.What;
    EXPECT_EQ(wad.Lumps.size(), test.Lumps) << test.What;
    EXPECT_EQ(Findings(findings), test.Findings) << test.What;
  }
  TWad wad;
  std::vector<std::string> findings;
  EXPECT_FALSE(ReadWad("PACK", wad, findings));
  EXPECT_EQ(Findings(findings), "not a WAD2 file (it does not start with \"WAD2\").\n");
}

TEST(QuakePictures, MipTexturesAreReadOnlyWhereEveryLevelFits) {
  const std::string sound = BuildMiptex("+0button", 32, 16, Pixels(32, 16, Diagonal), 4);
  TMiptex texture;
  std::string reason;
  ASSERT_TRUE(ReadMiptex(sound, texture, reason)) << reason;
  EXPECT_EQ(texture.Name, "+0button");
  EXPECT_EQ(texture.Level(0).Indices, Pixels(32, 16, Diagonal));
  EXPECT_EQ(texture.Level(3).Width, 4);
  EXPECT_EQ(texture.Level(3).Indices, std::string(4 * 2, '\x04'));
  EXPECT_EQ(WriteMiptex(texture), sound);

  std::string outside = sound;
  QuakeBytes::PutInt32(outside, 36, static_cast<int32_t>(sound.size() - 2)); // level 3
  std::string elsewhere = sound;
  QuakeBytes::PutInt32(elsewhere, 24, 0);
  std::string huge = sound;
  QuakeBytes::PutInt32(huge, 16, 5000);
  std::string empty = sound;
  QuakeBytes::PutInt32(empty, 20, 0);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {sound.substr(0, 39), "the texture's header is cut short."},
      {outside, "mip level 3 lies outside the texture's bytes."},
      {elsewhere, "its pixels are not there (kept elsewhere, as in a WAD)."},
      {huge, "its size 5000 x 16 is larger than a picture may be (4096 x 4096)."},
      {empty, "its size 32 x 0 has no pixels."},
  };
  for (const auto &[bytes, expected] : cases) {
    EXPECT_FALSE(ReadMiptex(bytes, texture, reason));
    EXPECT_EQ(reason, expected);
  }
  EXPECT_EQ(MiptexSizeRefusal(24, 16), "its size 24 x 16 is no texture's: the game needs sides in multiples of 16.");
  EXPECT_EQ(MiptexSizeRefusal(32, 16), "");
}

TEST(QuakePictures, FileNamesOfTextureNamesMapBack) {
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"*water1", "#water1"}, {"+0button", "+0button"}, {"{grate", "{grate"},
      {"a/b#c%d", "a%2Fb%23c%25d"}, {".hidden", "%2Ehidden"}, {std::string("x\x01\xe9"), "x%01%E9"},
      {"CAPS~x", "CAPS~x"}, {"", "%"}, {"%", "%25"}};
  for (const auto &[name, file] : cases) {
    EXPECT_EQ(SafeFileName(name), file);
    EXPECT_EQ(NameOfSafeFileName(file), name);
  }
}

TEST(QuakePictures, MapTexturesOfEveryVersionAreListedAndReplacedInPlace) {
  const std::string lava = BuildMiptex("*lava1", 16, 16, 3);
  const std::string button = BuildMiptex("+0button", 32, 16, Pixels(32, 16, Diagonal), 5);
  for (const std::string mark : {"", "BSP2", "2PSB"}) {
    std::string map = BuildMap({lava, "", button}, mark);
    TMapTextures read = ReadMapTextures(map);
    ASSERT_TRUE(read.IsMap) << mark;
    EXPECT_EQ(Findings(read.Findings), "") << mark;
    ASSERT_EQ(read.Textures.size(), 2u) << mark;
    EXPECT_EQ(read.Textures[0].Texture.Name, "*lava1");
    EXPECT_EQ(read.Textures[1].Slot, 2);
    EXPECT_EQ(WriteMiptex(read.Textures[1].Texture), button);

    TMiptex other = read.Textures[1].Texture;
    for (TBytes &level : other.Levels)
      level.assign(level.size(), '\x0b');
    const std::string before = map;
    ASSERT_EQ(ReplaceMapTexture(map, read.Textures[1], other), "");
    EXPECT_EQ(map.size(), before.size());
    EXPECT_EQ(map, BuildMap({lava, "", BuildMiptex("+0button", 32, 16, 11)}, mark));
    EXPECT_EQ(ReplaceMapTexture(map, read.Textures[0], other),
              "the picture of 32 x 16 pixels is not the size of the map's texture \"*lava1\" (16 x 16).");
  }
  EXPECT_FALSE(ReadMapTextures(std::string("\x1e\0\0\0", 4) + std::string(200, '\0')).IsMap);
}

TEST(QuakePictures, DamagedMapTextureLumpsGiveFindings) {
  const std::string lava = BuildMiptex("*lava1", 16, 16, 3);
  std::string lumpOutside = BuildMap({lava});
  QuakeBytes::PutInt32(lumpOutside, 4 + 2 * 8 + 4, 1 << 28);
  std::string countTooBig = BuildMap({lava});
  QuakeBytes::PutInt32(countTooBig, MapTextureLumpOffset, 1 << 28);
  std::string slotOutside = BuildMap({lava, lava});
  QuakeBytes::PutInt32(slotOutside, MapTextureLumpOffset + 8, 1 << 20);
  std::string levelCut = BuildMap({lava});
  levelCut.resize(levelCut.size() - 1);
  QuakeBytes::PutInt32(levelCut, 4 + 2 * 8 + 4, static_cast<int32_t>(levelCut.size()) - MapTextureLumpOffset);
  const std::vector<std::pair<std::string, std::string>> cases = {
      {lumpOutside, "the map's texture lump lies outside the file.\n"},
      {countTooBig, "the map's texture lump is damaged: its list of textures does not fit it.\n"},
      {slotOutside, "texture 1: it lies outside the map's texture lump.\n"},
      {levelCut, "texture 0 \"*lava1\": mip level 3 lies outside the texture's bytes.\n"},
      {"BSP2", "the map's header is cut short.\n"},
      {BuildMap({lava, lava}).replace(MapTextureLumpOffset + 8, 4, std::string("\x0c\0\0\0", 4)),
       "texture 1: it shares its bytes with another texture.\n"},
  };
  for (const auto &[bytes, expected] : cases)
    EXPECT_EQ(Findings(ReadMapTextures(bytes).Findings), expected);
}

TEST(QuakePictures, ModelSkinsAndSpriteFramesIncludingGroupsAreFoundAndReplacedInPlace) {
  const std::string a(8 * 4, 'a'), b(8 * 4, 'b'), c(8 * 4, 'c');
  std::string model = BuildModel(8, 4, {{a}, {b, c}});
  TPlacedPictures skins = ModelSkins(model);
  ASSERT_TRUE(skins.Recognised);
  EXPECT_EQ(Findings(skins.Findings), "");
  ASSERT_EQ(skins.Pictures.size(), 3u);
  EXPECT_EQ(skins.Pictures[1].Label, "skin 1 frame 0");
  EXPECT_EQ(PictureAt(model, skins.Pictures[2]).Indices, c);
  ASSERT_EQ(ReplacePicture(model, skins.Pictures[2], {8, 4, a}), "");
  EXPECT_EQ(model, BuildModel(8, 4, {{a}, {b, a}}));
  EXPECT_EQ(ReplacePicture(model, skins.Pictures[0], {4, 8, a}),
            "the picture of 4 x 8 pixels is not the size of skin 0 (8 x 4).");

  std::string sprite = BuildSprite({{{2, 3, "123456"}}, {{1, 1, "x"}, {3, 1, "yzw"}}});
  TPlacedPictures frames = SpriteFrames(sprite);
  ASSERT_TRUE(frames.Recognised);
  ASSERT_EQ(frames.Pictures.size(), 3u);
  EXPECT_EQ(frames.Pictures[2].Label, "frame 1 picture 1");
  EXPECT_EQ(PictureAt(sprite, frames.Pictures[2]).Indices, "yzw");
  ASSERT_EQ(ReplacePicture(sprite, frames.Pictures[0], {2, 3, "abcdef"}), "");
  EXPECT_EQ(sprite, BuildSprite({{{2, 3, "abcdef"}}, {{1, 1, "x"}, {3, 1, "yzw"}}}));

  // Cut short, a huge count, a huge frame: findings, and only what is there.
  EXPECT_EQ(Findings(ModelSkins(model.substr(0, model.size() - 1)).Findings), "skin 1: it lies outside the file.\n");
  std::string manySkins = BuildModel(8, 4, {{a}});
  QuakeBytes::PutInt32(manySkins, 48, 0x7fffffff);
  EXPECT_EQ(ModelSkins(manySkins).Pictures.size(), 1u);
  EXPECT_EQ(Findings(ModelSkins(manySkins).Findings), "skin 1: it lies outside the file.\n");
  std::string hugeFrame = BuildSprite({{{2, 3, "123456"}}});
  QuakeBytes::PutInt32(hugeFrame, 36 + 4 + 8, 100000);
  EXPECT_EQ(Findings(SpriteFrames(hugeFrame).Findings),
            "frame 0: its size 100000 x 3 is larger than a picture may be (4096 x 4096).\n");
  EXPECT_FALSE(SpriteFrames("IDPO").Recognised);
}

TEST(QuakeCheck, LooksInsideWadMapModelSpriteAndPictureEntries) {
  TTempDir folder;
  std::string wad = BuildWad({{"sb_ok", ltPicture, BuildQpic(1, 1, "\x01")},
                              {"sb_bad", ltPicture, BuildQpic(10, 10, "\x01")},
                              {"wall", ltMiptex, BuildMiptex("wall", 16, 16, 1).substr(0, 300)}});
  std::string cutWad = BuildWad({{"a", ltPicture, BuildQpic(1, 1, "\x01")}});
  QuakeBytes::PutInt32(cutWad, 4, 3);
  std::string map = BuildMap({BuildMiptex("*lava1", 16, 16, 3)});
  QuakeBytes::PutInt32(map, MapTextureLumpOffset, 1000);
  WriteFileBytes(folder.File("x.pak"),
                 BuildPak({{"gfx.wad", wad},
                           {"gfx/bad.lmp", BuildQpic(4, 4, "\x01")},
                           {"gfx/pop.lmp", std::string(256, '\x01')},
                           {"gfx/good.lmp", BuildQpic(1, 1, "\x01")},
                           {"maps/e1m1.bsp", map},
                           {"progs/x.mdl", BuildModel(8, 4, {{std::string(31, 'a')}})},
                           {"progs/s.spr", BuildSprite({{{2, 2, "abcd"}}})},
                           {"cut.wad", cutWad}}));
  std::string text;
  for (const TCheckFinding &finding : CheckArchiveInside(folder.File("x.pak"))) {
    EXPECT_EQ(finding.Severity, csWarning);
    text += std::to_string(finding.Index) + " " + FindingText(finding) + "\n";
  }
  EXPECT_EQ(text, "0 gfx.wad: lump \"sb_bad\": the picture of 10 x 10 needs 100 bytes of pixels, but the entry "
                  "really has only 1.\n"
                  "0 gfx.wad: lump \"wall\": mip level 1 lies outside the texture's bytes.\n"
                  "1 gfx/bad.lmp: the picture of 4 x 4 needs 16 bytes of pixels, but the entry really has only 1.\n"
                  "4 maps/e1m1.bsp: the map's texture lump is damaged: its list of textures does not fit it.\n"
                  "5 progs/x.mdl: skin 0: it lies outside the file.\n"
                  "7 cut.wad: the WAD directory is cut short: 1 of 3 records are there.\n");
}
