// SPDX-License-Identifier: GPL-3.0-or-later
// varnel-cli on WAD files, their lumps and map textures: round trips byte for
// byte through list, extract, convert and create, WADs inside PAK files, the
// textures command and the check's look inside entries. Every file is built
// byte by byte (QuakeTestSupport) or by the program itself.
#include "CliTestSupport.h"
#include "QuakeTestSupport.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>

namespace fs = std::filesystem;

namespace {

uint8_t Diagonal(int32_t x, int32_t y) { return static_cast<uint8_t>((x + 3 * y) % 200); }

// Every file below a folder of the work folder, by name.
std::map<std::string, std::string> FilesIn(const std::string &folder) { return TreeOf(folder); }

} // namespace

class CliQuake : public ::testing::Test {
protected:
  CliQuake() {
    fs::create_directories(m_Work);
    Write("palette.lmp", TestPalette());
  }
  TRun Run(const std::vector<std::string> &args) { return RunCli(m_Scratch, m_Work, args); }
  // Runs and expects success.
  TRun Ok(const std::vector<std::string> &args) {
    TRun run = Run(args);
    EXPECT_EQ(run.Status, 0) << args.front() << " " << args.at(1) << ": " << run.Err;
    return run;
  }
  std::string Path(const std::string &name) const { return m_Work + name; }
  void Write(const std::string &name, const std::string &bytes) {
    fs::create_directories(fs::path(Path(name)).parent_path());
    WriteFileBytes(Path(name), bytes);
  }
  std::string Read(const std::string &name) const { return ReadFileBytes(Path(name)); }
  // Every lump file in folder to a PNG in folder/png and back into folder/back.
  void ConvertThereAndBack(const std::string &folder) {
    fs::create_directories(Path(folder + "/png"));
    fs::create_directories(Path(folder + "/back"));
    for (const auto &[name, bytes] : FilesIn(Path(folder))) {
      if (name.find('/') != std::string::npos)
        continue;
      const std::string png = folder + "/png/" + name + ".png";
      Ok({"convert", "--palette", "palette.lmp", folder + "/" + name, png});
      Ok({"convert", "--palette", "palette.lmp", png, folder + "/back/" + name});
      EXPECT_EQ(Read(folder + "/back/" + name), bytes) << name;
    }
  }

  TTempDir m_Scratch;
  std::string m_Work = m_Scratch.File("work/");
};

TEST_F(CliQuake, WadsMadeFromPicturesAndByHandRoundTripByteForByte) {
  // Pictures made by the program from lumps: a see-through status-bar
  // picture with a full-bright colour, the console font, and textures.
  Write("lumps/sb_face.lmp", BuildQpic(3, 2, std::string("\x01\xe6\xff\x10\x80\x02", 6)));
  Write("lumps/conchars.raw", Pixels(128, 128, Diagonal));
  Write("lumps/#water1.mip", BuildMiptex("*water1", 16, 16, Pixels(16, 16, Diagonal), 0));
  Write("lumps/+0button.mip", BuildMiptex("+0button", 32, 16, 0xe7));
  fs::create_directories(Path("pics"));
  fs::create_directories(Path("textures"));
  for (const std::string name : {"sb_face.lmp", "conchars.raw"})
    Ok({"convert", "--palette", "palette.lmp", "lumps/" + name, "pics/" + name.substr(0, name.find('.')) + ".png"});
  for (const std::string name : {"#water1", "+0button"})
    Ok({"convert", "--palette", "palette.lmp", "lumps/" + name + ".mip", "textures/" + name + ".png"});
  Ok({"create", "--palette", "palette.lmp", "gfx.wad", "pics"});
  Ok({"create", "--palette", "palette.lmp", "--mip", "tex.wad", "textures"});
  EXPECT_EQ(Lines(Ok({"list", "gfx.wad"}).Out), (std::vector<std::string>{"conchars", "sb_face"}));
  EXPECT_EQ(Lines(Ok({"list", "tex.wad"}).Out), (std::vector<std::string>{"*water1", "+0button"}));
  // A full-bright texture keeps its colour in every level it fills alone.
  Ok({"extract", "tex.wad", "-o", "tex"});
  EXPECT_EQ(Read("tex/+0button.mip"), BuildMiptex("+0button", 32, 16, 0xe7));

  // A WAD made by hand, its lumps in the order of their files' names: a
  // texture, the console font, a lump of another type, palette, picture.
  Write("hand.wad", BuildWad({{"*lava1", 0x44, BuildMiptex("*lava1", 16, 16, 9)},
                              {"conchars", 0x44, std::string(128 * 128, '\x07')},
                              {"noise", 0x43, "abcde"},
                              {"palette", 0x40, TestPalette()},
                              {"sb_ammo", 0x42, BuildQpic(3, 2, std::string("\x01\x02\x03\x04\x05\xff"))}}));
  const std::vector<std::string> handFiles = {"#lava1.mip", "conchars.raw", "noise.t43", "palette.pal", "sb_ammo.lmp"};

  for (const std::string wad : {"gfx", "tex", "hand"}) {
    SCOPED_TRACE(wad);
    Ok({"extract", wad + ".wad", "-o", wad + "-out"});
    // Each lump's file converts to PNG and back to the same bytes (an
    // unknown type is no picture and is left as it is).
    fs::remove(Path(wad + "-out/noise.t43"));
    ConvertThereAndBack(wad + "-out");
    if (wad == "hand")
      Ok({"extract", wad + ".wad", "-o", wad + "-out/back", "noise"});
    // The lumps' files make the WAD again, in their names' order.
    Ok({"create", wad + "-again.wad", wad + "-out/back"});
    EXPECT_EQ(Read(wad + "-again.wad"), Read(wad + ".wad"));
  }
  std::vector<std::string> extracted;
  for (const auto &[name, bytes] : FilesIn(Path("hand-out/back")))
    extracted.push_back(name);
  EXPECT_EQ(extracted, handFiles);

  // The long and JSON lists tell sizes, offsets, types and file names.
  const auto json = ParseJsonLine(Lines(Ok({"list", "--json", "hand.wad"}).Out).at(4));
  EXPECT_EQ(json.at("name"), "sb_ammo");
  EXPECT_EQ(json.at("type"), "66");
  EXPECT_EQ(json.at("file"), "sb_ammo.lmp");
  EXPECT_EQ(json.at("size"), "14");
  char line[64];
  std::snprintf(line, sizeof line, "%10d %10s 42 sb_ammo", 14, json.at("offset").c_str());
  EXPECT_EQ(Lines(Ok({"list", "-l", "hand.wad"}).Out).at(4), line);
}

TEST_F(CliQuake, WadsInsidePakFilesAreReadAndChangedInTheirEntry) {
  const std::string wad = BuildWad({{"sb_ammo", 0x42, BuildQpic(1, 1, "\x01")},
                                    {"sb_armor", 0x42, BuildQpic(1, 1, "\x02")},
                                    {"disc", 0x42, BuildQpic(1, 1, "\x03")}});
  Write("pak0.pak", BuildPak({{"gfx.wad", wad}, {"gfx/palette.lmp", TestPalette()}}));
  EXPECT_EQ(Lines(Ok({"list", "pak0.pak:gfx.wad"}).Out), (std::vector<std::string>{"sb_ammo", "sb_armor", "disc"}));
  Ok({"extract", "pak0.pak:gfx.wad", "-o", "out", "sb_*"});
  EXPECT_EQ(FilesIn(Path("out")).size(), 2u);

  // Refusals: an existing file, a lump of a taken name.
  TRun again = Run({"extract", "pak0.pak:gfx.wad", "-o", "out", "sb_ammo"});
  EXPECT_EQ(again.Status, 1);
  EXPECT_NE(again.Err.find("exists; not replaced"), std::string::npos) << again.Err;
  Write("new/disc.lmp", BuildQpic(1, 1, "\x09"));
  Write("new/pause.lmp", BuildQpic(1, 1, "\x08"));
  TRun clash = Run({"add", "pak0.pak:gfx.wad", "new"});
  EXPECT_EQ(clash.Status, 1);
  EXPECT_NE(clash.Err.find("disc: already in the WAD"), std::string::npos) << clash.Err;
  EXPECT_EQ(Lines(Ok({"list", "pak0.pak:gfx.wad"}).Out).size(), 4u); // pause went in
  EXPECT_EQ(Ok({"add", "--skip", "pak0.pak:gfx.wad", "new"}).Err, "");

  Ok({"add", "--replace", "pak0.pak:gfx.wad", "new/disc.lmp"});
  Ok({"delete", "pak0.pak:gfx.wad", "sb_armor"});
  Ok({"rename", "pak0.pak:gfx.wad", "pause", "pause2"});
  EXPECT_EQ(Run({"rename", "pak0.pak:gfx.wad", "pause2", "disc"}).Status, 2);
  Ok({"cat", "pak0.pak", "gfx.wad"});
  Write("pak0-gfx.wad", Ok({"cat", "pak0.pak", "gfx.wad"}).Out);
  EXPECT_EQ(Read("pak0-gfx.wad"), BuildWad({{"sb_ammo", 0x42, BuildQpic(1, 1, "\x01")},
                                             {"disc", 0x42, BuildQpic(1, 1, "\x09")},
                                             {"pause2", 0x42, BuildQpic(1, 1, "\x08")}}));
  EXPECT_EQ(Lines(Ok({"list", "pak0.pak"}).Out), (std::vector<std::string>{"gfx/palette.lmp", "gfx.wad"}));
}

TEST_F(CliQuake, MapTexturesExportToPicturesAndToAWadAndArePutBackInPlace) {
  const std::string lava = BuildMiptex("*lava1", 16, 16, Pixels(16, 16, Diagonal), 4);
  const std::string button = BuildMiptex("+0button", 32, 16, 0x20);
  for (const std::string mark : {"", "BSP2"}) {
    SCOPED_TRACE(mark);
    fs::remove_all(Path("tex"));
    Write("e1m1.bsp", BuildMap({lava, "", button}, mark));
    Ok({"textures", "e1m1.bsp", "-o", "tex", "--palette", "palette.lmp"});
    Ok({"textures", "e1m1.bsp", "--wad", "tex.wad", "--overwrite"});
    EXPECT_EQ(Lines(Ok({"list", "tex.wad"}).Out), (std::vector<std::string>{"*lava1", "+0button"}));
    // The PNG files and the WAD's textures hold the map's pixels.
    Ok({"extract", "tex.wad", "-o", "tex/wad", "--overwrite"});
    EXPECT_EQ(Read("tex/wad/#lava1.mip"), lava);
    EXPECT_EQ(Read("tex/wad/+0button.mip"), button);
    fs::create_directories(Path("tex/back"));
    Ok({"convert", "--palette", "palette.lmp", "tex/#lava1.png", "tex/back/#lava1.lmp"});
    EXPECT_EQ(Read("tex/back/#lava1.lmp"), BuildQpic(16, 16, Pixels(16, 16, Diagonal)));
    EXPECT_EQ(Run({"textures", "e1m1.bsp", "-o", "tex", "--palette", "palette.lmp"}).Status, 1); // the files exist
  }
  // A picture of a texture's name and size takes its place; another size is refused.
  Write("new/+0button.lmp", BuildQpic(32, 16, std::string(32 * 16, '\x30')));
  Ok({"convert", "--palette", "palette.lmp", "new/+0button.lmp", "new/+0button.png"});
  Write("new/*lava1.lmp", BuildQpic(32, 16, std::string(32 * 16, '\x30')));
  Ok({"convert", "--palette", "palette.lmp", "new/*lava1.lmp", "new/#lava1.png"});
  Write("pak1.pak", BuildPak({{"maps/e1m1.bsp", BuildMap({lava, "", button})}}));
  TRun replaced = Run({"textures", "pak1.pak:maps/e1m1.bsp", "--palette", "palette.lmp", "--replace",
                       "new/+0button.png", "new/#lava1.png"});
  EXPECT_EQ(replaced.Status, 1);
  EXPECT_NE(replaced.Err.find("is not the size of the map's texture \"*lava1\" (16 x 16)"), std::string::npos)
      << replaced.Err;
  EXPECT_EQ(Ok({"cat", "pak1.pak", "maps/e1m1.bsp"}).Out, BuildMap({lava, "", BuildMiptex("+0button", 32, 16, 0x30)}));
  EXPECT_EQ(Run({"textures", "palette.lmp"}).Status, 2);
}

TEST_F(CliQuake, ModelSkinsAndSpriteFramesConvertToImagesAndBackInPlace) {
  const std::string a(8 * 4, '\x01'), b = Pixels(8, 4, Diagonal), c(8 * 4, '\x03');
  Write("player.mdl", BuildModel(8, 4, {{a}, {b, c}}));
  Write("s_light.spr", BuildSprite({{{2, 3, "\x04\x05\x06\x07\x08\xff"}}}));
  fs::create_directories(Path("skins"));
  Ok({"convert", "--palette", "palette.lmp", "player.mdl", "skins/player.png"});
  Ok({"convert", "--palette", "palette.lmp", "s_light.spr", "skins/light.png"});
  std::vector<std::string> made;
  for (const auto &[name, bytes] : FilesIn(Path("skins")))
    made.push_back(name);
  EXPECT_EQ(made, (std::vector<std::string>{"light.png", "player_0.png", "player_1.png", "player_2.png"}));
  // Back: each picture to its place; the files stay as they were.
  const std::string model = Read("player.mdl");
  for (const std::string name : {"player_0.png", "player_1.png", "player_2.png"})
    Ok({"convert", "--palette", "palette.lmp", "skins/" + name, "player.mdl"});
  Ok({"convert", "--palette", "palette.lmp", "skins/light.png", "s_light.spr"});
  EXPECT_EQ(Read("player.mdl"), model);
  EXPECT_EQ(Read("s_light.spr"), BuildSprite({{{2, 3, "\x04\x05\x06\x07\x08\xff"}}}));
  // Another picture in the third skin's place; the sprite's frame is another size.
  Write("new.lmp", BuildQpic(8, 4, a));
  Ok({"convert", "--palette", "palette.lmp", "new.lmp", "skins/new_2.png"});
  Ok({"convert", "--palette", "palette.lmp", "skins/new_2.png", "player.mdl"});
  EXPECT_EQ(Read("player.mdl"), BuildModel(8, 4, {{a}, {b, a}}));
  TRun refused = Run({"convert", "--palette", "palette.lmp", "skins/new_2.png", "s_light.spr"});
  EXPECT_EQ(refused.Status, 2);
  EXPECT_NE(refused.Err.find("has no picture 2"), std::string::npos) << refused.Err;
  refused = Run({"convert", "--palette", "palette.lmp", "skins/player_0.png", "s_light.spr"});
  EXPECT_NE(refused.Err.find("is not the size of frame 0 (2 x 3)"), std::string::npos) << refused.Err;
}

TEST_F(CliQuake, TheCheckLooksInsideWadsMapsAndPictures) {
  Write("mod.pak", BuildPak({{"gfx.wad", BuildWad({{"sb_bad", 0x42, BuildQpic(10, 10, "\x01")}})},
                             {"maps/start.bsp", BuildMap({BuildMiptex("*lava1", 16, 16, 3).substr(0, 100)})}}));
  TRun check = Run({"check", "mod.pak"});
  EXPECT_EQ(check.Status, 1);
  EXPECT_EQ(check.Out, "mod.pak: gfx.wad: warning: lump \"sb_bad\": the picture of 10 x 10 needs 100 bytes of "
                       "pixels, but the entry really has only 1.\n"
                       "mod.pak: maps/start.bsp: warning: texture 0 \"*lava1\": mip level 0 lies outside the "
                       "texture's bytes.\n");
}
