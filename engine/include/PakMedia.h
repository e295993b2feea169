// SPDX-License-Identifier: GPL-3.0-or-later
// What the game's sounds, maps, models and sprites say about themselves in
// their first bytes: the facts a preview shows without decoding the file.
// Each reader asks for the bytes it needs through a TByteReader (a few small
// reads at known places), checks every size against the file's size before
// it trusts it, and never allocates from a field of the file. Standard C++ only.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// Up to count bytes of a file from offset; fewer at its end.
using TByteReader = std::function<std::string(int64_t offset, int64_t count)>;

// A reader over bytes held in memory (kept by reference: they must outlive it).
TByteReader MemoryReader(const std::string &bytes);

// --- sounds: RIFF/WAVE files as the game reads them (GetWavinfo in id
// Software's snd_mem.c): a "fmt " chunk of PCM format, a "data" chunk, and an
// optional "cue " chunk whose first cue point's sample offset is where the
// sound loops from; a "LIST" chunk after it whose "ltxt" sub-chunk has the
// purpose "mark" gives the loop's length in samples.
struct TWaveInfo {
  // Empty when the game can play the sound; else a sentence saying why not
  // (the facts read before the fault stay filled in).
  std::string Fault;
  int32_t Format = 0; // 1 is PCM, the only format the game plays
  int32_t Channels = 0;
  int32_t Rate = 0;          // samples per second
  int32_t BitsPerSample = 0;
  int64_t DataOffset = 0;    // where the samples start in the file
  int64_t DataSize = 0;      // their bytes
  int64_t Frames = 0;        // samples per channel in the data chunk
  int64_t LoopStart = -1;    // the cue point's sample; -1: the sound does not loop
  int64_t LoopLength = -1;   // the "mark" length in samples; -1 when none is given
  // The sound's length in seconds.
  double Seconds() const { return Rate > 0 ? static_cast<double>(Frames) / Rate : 0.0; }
};
// Reads the header of a WAVE file of size bytes. Stops at the first fault.
TWaveInfo ReadWaveInfo(const TByteReader &read, int64_t size);

// The headers below are read here only: the readers of the pictures inside
// maps, models and sprites (quake/) start from these facts.

// --- maps: a BSP file's header, version 29 ("BSP29") or the extended "BSP2"
// and "2PSB" variants: the version, then 15 lumps of offset and length.
struct TMapFacts {
  // Empty when the header was read; "not a map ..." when the version is none
  // of the three (Version empty), else "shorter than a map's header".
  std::string Fault;
  std::string Version; // "29", "BSP2" or "2PSB"
  int64_t Textures = 0; // the count at the start of the texture lump
  int64_t Models = 0;   // the map itself and its brush entities
  int64_t Faces = 0;
  int64_t Vertices = 0;
  int64_t EntitiesOffset = 0; // the entity text
  int64_t EntitiesSize = 0;
  int64_t TexturesOffset = 0; // the texture lump (bspfile.h LUMP_TEXTURES)
  int64_t TexturesSize = 0;
  bool TexturesOutside = false; // its offset and size were not within the file (both 0 then)
  // One sentence for each lump that lies outside the file.
  std::vector<std::string> Findings;
};
TMapFacts ReadMapFacts(const TByteReader &read, int64_t size);

// --- models: an alias model's header ("IDPO", version 6); the skins follow it.
inline constexpr int64_t ModelHeaderSize = 84;
inline constexpr int32_t ModelVersion = 6;
struct TModelFacts {
  // "not a model (IDPO)", "shorter than a model's header" (both with
  // Version 0) or another version than the game's.
  std::string Fault;
  bool Recognised = false; // it starts with "IDPO"
  int32_t Version = 0;
  int32_t Skins = 0;
  int32_t SkinWidth = 0;
  int32_t SkinHeight = 0;
  int32_t Vertices = 0;
  int32_t Triangles = 0;
  int32_t Frames = 0;
};
TModelFacts ReadModelFacts(const TByteReader &read, int64_t size);

// --- sprites: a sprite's header ("IDSP", version 1); the size is the
// largest frame's. The frames follow the header.
inline constexpr int64_t SpriteHeaderSize = 36;
inline constexpr int32_t SpriteVersion = 1;
struct TSpriteFacts {
  // "not a sprite (IDSP)", "shorter than a sprite's header" (both with
  // Version 0) or another version than the game's.
  std::string Fault;
  bool Recognised = false; // it starts with "IDSP"
  int32_t Version = 0;
  int32_t Type = 0; // how the game turns it to the viewer (0 to 4)
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Frames = 0;
};
TSpriteFacts ReadSpriteFacts(const TByteReader &read, int64_t size);
