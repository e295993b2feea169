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

// --- maps: a BSP file's header, version 29 ("BSP29") or the extended "BSP2"
// and "2PSB" variants: the version, then 15 lumps of offset and length.
struct TMapFacts {
  std::string Fault; // empty when the header was read
  std::string Version; // "29", "BSP2" or "2PSB"
  int64_t Textures = 0; // the count at the start of the texture lump
  int64_t Models = 0;   // the map itself and its brush entities
  int64_t Faces = 0;
  int64_t Vertices = 0;
  int64_t EntitiesOffset = 0; // the entity text
  int64_t EntitiesSize = 0;
  // One sentence for each lump that lies outside the file.
  std::vector<std::string> Findings;
};
TMapFacts ReadMapFacts(const TByteReader &read, int64_t size);

// --- models: an alias model's header ("IDPO", version 6).
struct TModelFacts {
  std::string Fault;
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
// largest frame's.
struct TSpriteFacts {
  std::string Fault;
  int32_t Version = 0;
  int32_t Type = 0; // how the game turns it to the viewer (0 to 4)
  int32_t Width = 0;
  int32_t Height = 0;
  int32_t Frames = 0;
};
TSpriteFacts ReadSpriteFacts(const TByteReader &read, int64_t size);
