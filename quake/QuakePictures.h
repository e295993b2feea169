// SPDX-License-Identifier: GPL-3.0-or-later
// The pictures inside the game's files, as palette indices: mip textures,
// the console font, the textures embedded in maps, model skins and sprite
// frames. Layouts from id Software's GPL source release (bspfile.h,
// modelgen.h, spritegn.h, wad.h) and the Unofficial Quake Specs. Every
// offset and size is checked against the bytes really there before anything
// is copied; no side above PakFormat::MaxPictureSide is accepted.
#pragma once

#include "QuakeBytes.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace QuakePictures {

// One picture: Width x Height palette indices, rows from the top.
struct TPicture {
  int32_t Width = 0;
  int32_t Height = 0;
  TBytes Indices;
};

// --- mip textures (bspfile.h miptex_t): a 16-byte name, width, height, the
// offsets of four levels from the texture's start, then the levels, each
// half the size of the one before.
inline constexpr size_t MiptexHeaderSize = 40;
inline constexpr size_t MiptexNameSize = 16;
inline constexpr int MipLevels = 4;
// The game draws textures whose sides are multiples of 16 only.
inline constexpr int32_t MiptexSideStep = 16;

struct TMiptex {
  std::string Name;
  int32_t Width = 0;
  int32_t Height = 0;
  // Level l is (Width >> l) x (Height >> l).
  std::array<TBytes, MipLevels> Levels;
  TPicture Level(int level) const { return {Width >> level, Height >> level, Levels[static_cast<size_t>(level)]}; }
};

// Reads a mip texture of size bytes. False with the reason when its header
// or a level does not fit the bytes, a side is 0, negative or too long, or a
// level's offset is 0 (the texture's pixels live elsewhere, as maps that
// take textures from a WAD leave them).
bool ReadMiptex(const TBytes &bytes, TMiptex &texture, std::string &reason);
// Header, then the levels back to back.
TBytes WriteMiptex(const TMiptex &texture);
// Why a picture cannot become a mip texture (a side not a multiple of 16,
// or too long); empty when it can.
std::string MiptexSizeRefusal(int32_t width, int32_t height);

// --- the console font: gfx.wad's "conchars", 128 x 128 indices, no header.
inline constexpr int32_t ConcharsSide = 128;
inline constexpr size_t ConcharsSize = size_t{ConcharsSide} * ConcharsSide;

// --- names in files: texture names hold "*" (liquids), which no file name
// on every system may; "#" stands for it, and "%XX" for "#", "%" and every
// byte that is not a letter, digit or one of "+-_{}()!$&',;=@[]^~." (and
// for a leading "."), so that the spelling maps back exactly; "%" alone
// stands for an empty name.
std::string SafeFileName(const std::string &name);
std::string NameOfSafeFileName(const std::string &fileName);

// --- map textures: the texture lump (bspfile.h LUMP_TEXTURES) of a map of
// version 29 or of the BSP2 and 2PSB variants, whose lump directory is the
// same: a count, one offset per texture from the lump's start (-1 for none),
// the textures.
struct TMapTexture {
  // The texture's place in the lump's list.
  int32_t Slot = 0;
  // Where its bytes start in the map file, and how many it may use (up to
  // the next texture or the lump's end).
  int64_t Offset = 0;
  int64_t Size = 0;
  TMiptex Texture;
};

struct TMapTextures {
  // False when the bytes are no map of a version read here.
  bool IsMap = false;
  std::vector<TMapTexture> Textures;
  // A sentence for the lump's or a texture's damage (naming it).
  std::vector<std::string> Findings;
};

TMapTextures ReadMapTextures(const TBytes &map);
// The same of the texture lump alone (its bytes, and where it starts in the
// map file, which the textures' Offset counts from), so that a map need not
// be read whole for its textures.
TMapTextures ReadTextureLump(const TBytes &lump, int64_t lumpOffset);

// Writes the levels of texture over those of the map's texture where, in
// place: same name, same size. Empty when done, else the reason.
std::string ReplaceMapTexture(TBytes &map, const TMapTexture &where, const TMiptex &texture);

// --- pictures at a place in a file: model skins and sprite frames.
struct TPlacedPicture {
  // "skin 0", "skin 2 frame 1", "frame 3", "frame 4 picture 0".
  std::string Label;
  int64_t Offset = 0;
  int32_t Width = 0;
  int32_t Height = 0;
};

struct TPlacedPictures {
  bool Recognised = false;
  std::vector<TPlacedPicture> Pictures;
  std::vector<std::string> Findings;
};

// The skins of a model (modelgen.h: "IDPO", version 6; single skins and
// skin groups). The sizes are the header's skin width and height.
TPlacedPictures ModelSkins(const TBytes &model);
// The frames of a sprite (spritegn.h: "IDSP", version 1; single frames and
// frame groups), each with its own size.
TPlacedPictures SpriteFrames(const TBytes &sprite);
// The picture's indices, copied out of bytes (which it fits: the readers
// above checked it).
TPicture PictureAt(const TBytes &bytes, const TPlacedPicture &place);
// Writes picture over the place, in place. Empty when done, else the reason
// (another size).
std::string ReplacePicture(TBytes &bytes, const TPlacedPicture &place, const TPicture &picture);

} // namespace QuakePictures
