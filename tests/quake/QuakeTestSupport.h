// SPDX-License-Identifier: GPL-3.0-or-later
// WAD files, mip textures, maps, models and sprites built byte by byte from
// the public descriptions of the formats (id Software's wad.h, bspfile.h,
// modelgen.h and spritegn.h; the Unofficial Quake Specs), for the tests of
// the Quake data module, the picture module and the command line.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct TWadFixtureLump {
  std::string Name;
  uint8_t Type = 0x42;
  std::string Data;
};

// A WAD2 file as the game's tools lay one out: the 12-byte header ("WAD2",
// lump count, directory offset), each lump's data from offset 12 starting at
// a multiple of 4 (zero-filled gaps), then one 32-byte record per lump
// (offset, size on disk, size in memory, type, compression 0, two zero pad
// bytes, the name zero-padded to 16 bytes).
std::string BuildWad(const std::vector<TWadFixtureLump> &lumps);

// A picture lump: width, height, indices.
std::string BuildQpic(int32_t width, int32_t height, const std::string &indices);

// width x height indices, index(x, y) each.
std::string Pixels(int32_t width, int32_t height, uint8_t (*index)(int32_t x, int32_t y));

// A mip texture: the 16-byte name, width, height, four offsets, then the
// four levels back to back; level l is (width >> l) x (height >> l) of the
// single index fill.
std::string BuildMiptex(const std::string &name, int32_t width, int32_t height, uint8_t fill);
// The same with the given level-0 indices, and levels 1 to 3 of one fill each.
std::string BuildMiptex(const std::string &name, int32_t width, int32_t height, const std::string &level0,
                        uint8_t mipFill);

// A map whose version field is version (29), or the four letters of mark
// ("BSP2", "2PSB"), with 15 lumps of which only the texture lump (the third)
// has bytes: the count, one offset per texture (-1 for an empty string),
// then the textures.
std::string BuildMap(const std::vector<std::string> &textures, const std::string &mark = {});
// Where the texture lump starts in a map BuildMap made.
inline constexpr int32_t MapTextureLumpOffset = 4 + 15 * 8;

// A model (version 6) with skins of width x height: each skin a list of
// pictures (one: a single skin; more: a skin group with intervals).
std::string BuildModel(int32_t width, int32_t height, const std::vector<std::vector<std::string>> &skins);

struct TSpriteFixtureFrame {
  int32_t Width = 0;
  int32_t Height = 0;
  std::string Indices;
};
// A sprite (version 1): each frame a list of pictures (one: a single frame;
// more: a frame group with intervals).
std::string BuildSprite(const std::vector<std::vector<TSpriteFixtureFrame>> &frames);

// A palette of 256 distinct colours, index i being (i, 255 - i, (i * 7) % 256),
// whose full-bright colours 224..254 are nearest to no other colour.
std::string TestPalette();
