// SPDX-License-Identifier: GPL-3.0-or-later
// The facts of sounds, maps, models and sprites, from files built byte by
// byte here: each fixture names its chunks or header fields in order.
#include "PakMedia.h"
#include "PakQuake.h"
#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

std::string Int16LE(int value) { return {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF)}; }

std::string Chunk(const std::string &id, const std::string &data) { return id + Int32LE(static_cast<int32_t>(data.size())) + data; }

// fmt: format, channels, rate, bytes per second, block align, bits per sample.
std::string Format(int format, int channels, int rate, int bits) {
  return Chunk("fmt ", Int16LE(format) + Int16LE(channels) + Int32LE(rate) + Int32LE(rate * channels * bits / 8) +
                           Int16LE(channels * bits / 8) + Int16LE(bits));
}
// cue: one point whose sample offset is loopStart.
std::string Cue(int32_t loopStart) {
  return Chunk("cue ", Int32LE(1) + Int32LE(1) + Int32LE(0) + "data" + Int32LE(0) + Int32LE(0) + Int32LE(loopStart));
}
// LIST/adtl with an ltxt sub-chunk of purpose "mark" and the loop's length.
std::string Mark(int32_t length) {
  return Chunk("LIST", "adtl" + Chunk("ltxt", Int32LE(1) + Int32LE(length) + "mark" + std::string(8, '\0')));
}
std::string Wave(const std::string &chunks) { return "RIFF" + Int32LE(static_cast<int32_t>(4 + chunks.size())) + "WAVE" + chunks; }

TWaveInfo WaveOf(const std::string &file) { return ReadWaveInfo(MemoryReader(file), static_cast<int64_t>(file.size())); }

} // namespace

// The loop rule of the game: the first cue point's sample offset, and a
// "mark" length when a LIST chunk follows; the cue chunk after the data
// chunk, as sound editors write it, is found as well.
TEST(ReadWaveInfo, ReadsFormatLengthAndLoopAsTheGameDoes) {
  const std::string samples(22050, '\x80');
  const TWaveInfo plain = WaveOf(Wave(Format(1, 1, 11025, 8) + Chunk("data", samples)));
  EXPECT_EQ(plain.Fault, "");
  EXPECT_EQ(plain.Channels, 1);
  EXPECT_EQ(plain.Rate, 11025);
  EXPECT_EQ(plain.BitsPerSample, 8);
  EXPECT_EQ(plain.Frames, 22050);
  EXPECT_DOUBLE_EQ(plain.Seconds(), 2.0);
  EXPECT_EQ(plain.LoopStart, -1);
  EXPECT_EQ(plain.DataOffset, 12 + 24 + 8);

  const TWaveInfo looped = WaveOf(Wave(Format(1, 1, 11025, 8) + Chunk("data", samples) + Cue(1000)));
  EXPECT_EQ(looped.Fault, "");
  EXPECT_EQ(looped.LoopStart, 1000);
  EXPECT_EQ(looped.LoopLength, -1);

  const TWaveInfo marked = WaveOf(Wave(Format(1, 1, 11025, 8) + Cue(1000) + Mark(500) + Chunk("data", samples)));
  EXPECT_EQ(marked.Fault, "");
  EXPECT_EQ(marked.LoopStart, 1000);
  EXPECT_EQ(marked.LoopLength, 500);

  // 16-bit stereo: four bytes a frame.
  const TWaveInfo stereo = WaveOf(Wave(Format(1, 2, 22050, 16) + Chunk("data", samples)));
  EXPECT_EQ(stereo.Frames, 22050 / 4);
}

// Each broken file says what is wrong, and no size is trusted past the bytes there.
TEST(ReadWaveInfo, RefusesWhatTheGameCannotPlay) {
  const std::string samples(100, '\x80');
  const std::string fmt = Format(1, 1, 11025, 8);
  const std::string cutData = "data" + Int32LE(1000) + samples; // claims 1000, holds 100
  const struct {
    const char *name;
    std::string file;
    const char *fault;
  } cases[] = {
      {"no RIFF", "RIFX" + Int32LE(4) + "WAVE", "not a RIFF/WAVE file"},
      {"too short", "RIFF", "not a RIFF/WAVE file"},
      {"no fmt", Wave(Chunk("data", samples)), "no fmt chunk"},
      {"fmt cut short", Wave(Chunk("fmt ", Int16LE(1) + Int16LE(1))), "the fmt chunk is cut short"},
      {"fmt past the end", Wave("fmt " + Int32LE(16) + Int16LE(1)), "the fmt chunk is cut short"},
      {"compressed", Wave(Format(2, 1, 11025, 8) + Chunk("data", samples)),
       "format 2 is not PCM, the only format the game plays"},
      {"no sample size", Wave(Format(1, 1, 11025, 0) + Chunk("data", samples)),
       "the fmt chunk gives no channels, rate or sample size"},
      {"cue cut short", Wave(fmt + Chunk("cue ", Int32LE(1)) + Chunk("data", samples)), "the cue chunk is cut short"},
      {"no data", Wave(fmt), "no data chunk"},
      {"data past the end", Wave(fmt + cutData), "the data chunk claims 1000 bytes, the file holds 100"},
      {"loop past the end", Wave(fmt + Cue(90) + Mark(20) + Chunk("data", samples)),
       "the loop ends after the last sample"},
  };
  for (const auto &c : cases)
    EXPECT_EQ(WaveOf(c.file).Fault, c.fault) << c.name;
}

// A map's version and counts from its header and the texture lump's count,
// for the three versions; a lump outside the file is a finding.
TEST(ReadMapFacts, ReadsVersionAndCounts) {
  for (const std::string &version : {Int32LE(29), std::string("BSP2"), std::string("2PSB")}) {
    // Header (124 bytes), then the entity text, 3 vertices, the texture lump (count 2), 2 faces, 1 model.
    const bool v29 = version == Int32LE(29);
    const std::string entities = "{\n\"classname\" \"worldspawn\"\n}\n";
    const std::string vertices(36, '\0');
    const std::string textures = Int32LE(2) + Int32LE(-1) + Int32LE(-1);
    const std::string faces(v29 ? 40 : 56, '\0');
    const std::string models(64, '\0');
    std::string lumps[15];
    lumps[0] = entities;
    lumps[2] = textures;
    lumps[3] = vertices;
    lumps[7] = faces;
    lumps[14] = models;
    std::string header = version, body;
    int32_t offset = 4 + 15 * 8;
    for (const std::string &lump : lumps) {
      header += Int32LE(offset) + Int32LE(static_cast<int32_t>(lump.size()));
      body += lump;
      offset += static_cast<int32_t>(lump.size());
    }
    const std::string map = header + body;
    const TMapFacts facts = ReadMapFacts(MemoryReader(map), static_cast<int64_t>(map.size()));
    EXPECT_EQ(facts.Fault, "");
    EXPECT_EQ(facts.Version, v29 ? "29" : version);
    EXPECT_EQ(facts.Textures, 2);
    EXPECT_EQ(facts.Vertices, 3);
    EXPECT_EQ(facts.Faces, 2);
    EXPECT_EQ(facts.Models, 1);
    EXPECT_EQ(facts.EntitiesOffset, 124);
    EXPECT_EQ(facts.EntitiesSize, static_cast<int64_t>(entities.size()));
    EXPECT_EQ(facts.TexturesOffset, 124 + static_cast<int64_t>(entities.size()));
    EXPECT_EQ(facts.TexturesSize, static_cast<int64_t>(textures.size()));
    EXPECT_TRUE(facts.Findings.empty());

    // The same header over a file cut after the entities: the later lumps lie outside it.
    const std::string cut = map.substr(0, 124 + entities.size());
    const TMapFacts cutFacts = ReadMapFacts(MemoryReader(cut), static_cast<int64_t>(cut.size()));
    EXPECT_EQ(cutFacts.Textures, 0);
    EXPECT_EQ(cutFacts.Findings.size(), 4u);
    EXPECT_TRUE(cutFacts.TexturesOutside);
  }
  const std::string notMap = Int32LE(30) + std::string(120, '\0');
  EXPECT_EQ(ReadMapFacts(MemoryReader(notMap), 124).Fault, "not a map of version 29, BSP2 or 2PSB");
  EXPECT_EQ(ReadMapFacts(MemoryReader(Int32LE(29)), 4).Fault, "shorter than a map's header");
}

TEST(ReadModelAndSpriteFacts, ReadHeaderFields) {
  // IDPO header: ident, version, scale, translate, radius, eye (40 bytes of
  // floats), skins, skin width, skin height, vertices, triangles, frames,
  // sync type, flags, size.
  const std::string model = "IDPO" + Int32LE(6) + std::string(40, '\0') + Int32LE(2) + Int32LE(296) + Int32LE(194) +
                            Int32LE(100) + Int32LE(150) + Int32LE(31) + Int32LE(0) + Int32LE(0) + Int32LE(0);
  const TModelFacts m = ReadModelFacts(MemoryReader(model), static_cast<int64_t>(model.size()));
  EXPECT_EQ(m.Fault, "");
  EXPECT_EQ(m.Skins, 2);
  EXPECT_EQ(m.SkinWidth, 296);
  EXPECT_EQ(m.SkinHeight, 194);
  EXPECT_EQ(m.Vertices, 100);
  EXPECT_EQ(m.Triangles, 150);
  EXPECT_EQ(m.Frames, 31);
  EXPECT_TRUE(m.Recognised);
  EXPECT_EQ(ReadModelFacts(MemoryReader(model.substr(0, 83)), 83).Fault, "shorter than a model's header");
  EXPECT_FALSE(ReadModelFacts(MemoryReader(model.substr(0, 3)), 3).Recognised);

  // IDSP header: ident, version, type, radius, width, height, frames, beam length, sync type.
  const std::string sprite = "IDSP" + Int32LE(1) + Int32LE(2) + Int32LE(0) + Int32LE(24) + Int32LE(32) + Int32LE(5) +
                             Int32LE(0) + Int32LE(0);
  const TSpriteFacts s = ReadSpriteFacts(MemoryReader(sprite), static_cast<int64_t>(sprite.size()));
  EXPECT_EQ(s.Fault, "");
  EXPECT_EQ(s.Type, 2);
  EXPECT_EQ(s.Width, 24);
  EXPECT_EQ(s.Height, 32);
  EXPECT_EQ(s.Frames, 5);
  const std::string v2 = "IDSP" + Int32LE(2) + sprite.substr(8);
  EXPECT_EQ(ReadSpriteFacts(MemoryReader(v2), 36).Fault, "version 2, the game reads version 1");
  EXPECT_EQ(ReadSpriteFacts(MemoryReader(sprite.substr(0, 20)), 20).Fault, "shorter than a sprite's header");
}

// An entry's bytes from an offset, cut at the entry's end; nothing past it.
TEST(ReadEntryPart, ReadsOnlyTheBytesAsked) {
  TTempDir folder;
  TQuakePak pak;
  pak.SetQuakeDirectory(MakeQuakeDirectory(folder));
  WriteFileBytes(folder.File("test.pak"), BuildPak({{"a.txt", "hello world"}, {"b.txt", "second"}}));
  pak.OpenPak(folder.File("test.pak"));
  EXPECT_EQ(pak.ReadEntryPart(0, 0, 5), "hello");
  EXPECT_EQ(pak.ReadEntryPart(0, 6, 100), "world");
  EXPECT_EQ(pak.ReadEntryPart(1, 0, 100), "second");
  EXPECT_EQ(pak.ReadEntryPart(1, 6, 1), "");
  EXPECT_EQ(pak.ReadEntryPart(2, 0, 1), "");
  EXPECT_EQ(pak.ReadEntryPart(-1, 0, 1), "");
}
