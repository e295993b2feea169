// SPDX-License-Identifier: GPL-3.0-or-later
#include "PakMedia.h"

#include "PakInternal.h"

#include <algorithm>
#include <array>

namespace {

// RIFF: "RIFF", the size, "WAVE", then chunks of a 4-byte id, a 4-byte size
// and the data, padded to an even length.
constexpr int64_t RiffHeaderSize = 12;
constexpr int64_t ChunkHeaderSize = 8;
constexpr int64_t FormatChunkSize = 16; // format, channels, rate, bytes/s, block align, bits
// The count of cue points, then the first point: id, position, chunk id,
// chunk start, block start, sample offset.
constexpr int64_t CueChunkSize = 4 + 24;
constexpr int64_t CueSampleOffset = 4 + 20;
// In a LIST chunk: "adtl", then an "ltxt" sub-chunk: id, size, cue point id,
// sample length, purpose.
constexpr int64_t MarkLengthOffset = 16;
constexpr int64_t MarkPurposeOffset = 20;
constexpr int64_t MarkChunkSize = 24;
// A file of thousands of tiny chunks is no sound: the walk stops there.
constexpr int MaxChunks = 4096;
constexpr int32_t PcmFormat = 1;

int32_t Int32At(const std::string &bytes, size_t at) {
  return ReadInt32(reinterpret_cast<const unsigned char *>(bytes.data()) + at);
}
int32_t Int16At(const std::string &bytes, size_t at) {
  const auto *p = reinterpret_cast<const unsigned char *>(bytes.data()) + at;
  return static_cast<int16_t>(p[0] | (p[1] << 8));
}

struct TChunk {
  int64_t Offset = -1; // of its header; -1 when there is none
  int64_t Size = 0;
  bool Found() const { return Offset >= 0; }
  int64_t DataOffset() const { return Offset + ChunkHeaderSize; }
};

// Reads exactly count bytes at offset, or nothing.
std::string ReadExactly(const TByteReader &read, int64_t offset, int64_t count) {
  std::string bytes = read(offset, count);
  return static_cast<int64_t>(bytes.size()) == count ? bytes : std::string();
}

} // namespace

TByteReader MemoryReader(const std::string &bytes) {
  return [&bytes](int64_t offset, int64_t count) -> std::string {
    const auto size = static_cast<int64_t>(bytes.size());
    if (offset < 0 || offset >= size || count <= 0)
      return {};
    return bytes.substr(static_cast<size_t>(offset), static_cast<size_t>(std::min(count, size - offset)));
  };
}

TWaveInfo ReadWaveInfo(const TByteReader &read, int64_t size) {
  TWaveInfo info;
  const std::string riff = ReadExactly(read, 0, RiffHeaderSize);
  if (riff.empty() || riff.compare(0, 4, "RIFF") != 0 || riff.compare(8, 4, "WAVE") != 0) {
    info.Fault = "not a RIFF/WAVE file";
    return info;
  }
  // The game takes the first chunk of each name, and the first LIST chunk
  // after the cue chunk.
  TChunk format, cue, list, data;
  int64_t offset = RiffHeaderSize;
  for (int count = 0; count < MaxChunks && offset + ChunkHeaderSize <= size; ++count) {
    const std::string header = ReadExactly(read, offset, ChunkHeaderSize);
    if (header.empty())
      break;
    const int32_t chunkSize = Int32At(header, 4);
    if (chunkSize < 0)
      break; // the game stops looking here too
    const std::string id = header.substr(0, 4);
    TChunk *chunk = id == "fmt " ? &format : id == "cue " ? &cue : id == "data" ? &data : nullptr;
    if (id == "LIST" && cue.Found())
      chunk = &list;
    if (chunk != nullptr && !chunk->Found())
      *chunk = {offset, chunkSize};
    offset += ChunkHeaderSize + ((int64_t{chunkSize} + 1) & ~int64_t{1});
  }
  // A chunk counts only with its bytes there.
  const auto within = [size](const TChunk &chunk) { return chunk.DataOffset() + chunk.Size <= size; };

  if (!format.Found()) {
    info.Fault = "no fmt chunk";
    return info;
  }
  const std::string fmt = format.Size >= FormatChunkSize && within(format)
                              ? ReadExactly(read, format.DataOffset(), FormatChunkSize)
                              : std::string();
  if (fmt.empty()) {
    info.Fault = "the fmt chunk is cut short";
    return info;
  }
  info.Format = Int16At(fmt, 0);
  info.Channels = Int16At(fmt, 2);
  info.Rate = Int32At(fmt, 4);
  info.BitsPerSample = Int16At(fmt, 14);
  if (info.Format != PcmFormat) {
    info.Fault = "format " + std::to_string(info.Format) + " is not PCM, the only format the game plays";
    return info;
  }
  const int32_t sampleBytes = info.BitsPerSample / 8;
  if (info.Channels <= 0 || info.Rate <= 0 || sampleBytes <= 0) {
    info.Fault = "the fmt chunk gives no channels, rate or sample size";
    return info;
  }

  if (cue.Found()) {
    const std::string points =
        cue.Size >= CueChunkSize && within(cue) ? ReadExactly(read, cue.DataOffset(), CueChunkSize) : std::string();
    if (points.empty()) {
      info.Fault = "the cue chunk is cut short";
      return info;
    }
    info.LoopStart = Int32At(points, CueSampleOffset);
    if (list.Found() && list.Size >= MarkChunkSize && within(list)) {
      const std::string text = ReadExactly(read, list.DataOffset(), MarkChunkSize);
      if (!text.empty() && text.compare(MarkPurposeOffset, 4, "mark") == 0)
        info.LoopLength = Int32At(text, MarkLengthOffset);
    }
  }

  if (!data.Found()) {
    info.Fault = "no data chunk";
    return info;
  }
  if (!within(data)) {
    info.Fault = "the data chunk claims " + std::to_string(data.Size) + " bytes, the file holds " +
                 std::to_string(std::max<int64_t>(size - data.DataOffset(), 0));
    return info;
  }
  info.DataOffset = data.DataOffset();
  info.DataSize = data.Size;
  info.Frames = data.Size / (int64_t{sampleBytes} * info.Channels);
  // The game refuses a loop that ends after the samples (a mono sound: one sample a frame).
  if (info.LoopStart >= 0 && info.LoopLength >= 0 && info.LoopStart + info.LoopLength > info.Frames)
    info.Fault = "the loop ends after the last sample";
  else if (info.LoopStart > info.Frames)
    info.Fault = "the loop starts after the last sample";
  return info;
}

namespace {
constexpr int64_t MapLumpCount = 15;
constexpr int64_t MapHeaderSize = 4 + MapLumpCount * 8;
enum TMapLump { mlEntities = 0, mlTextures = 2, mlVertices = 3, mlFaces = 7, mlModels = 14 };
constexpr int32_t MapVersion29 = 29;
constexpr int64_t VertexSize = 12;
constexpr int64_t FaceSize29 = 20;
constexpr int64_t FaceSize2 = 28; // BSP2 and 2PSB widen the face's numbers
constexpr int64_t ModelSize = 64;
} // namespace

TMapFacts ReadMapFacts(const TByteReader &read, int64_t size) {
  TMapFacts facts;
  const std::string magic = ReadExactly(read, 0, 4);
  int64_t faceSize = FaceSize2;
  if (magic == "BSP2" || magic == "2PSB") {
    facts.Version = magic;
  } else if (!magic.empty() && Int32At(magic, 0) == MapVersion29) {
    facts.Version = "29";
    faceSize = FaceSize29;
  } else {
    facts.Fault = "not a map of version 29, BSP2 or 2PSB";
    return facts;
  }
  const std::string header = ReadExactly(read, 0, MapHeaderSize);
  if (header.empty()) {
    facts.Fault = "shorter than a map's header";
    return facts;
  }
  std::array<int64_t, MapLumpCount> offsets{}, lengths{};
  for (int64_t lump = 0; lump < MapLumpCount; ++lump) {
    const auto at = static_cast<size_t>(4 + lump * 8);
    offsets[lump] = Int32At(header, at);
    lengths[lump] = Int32At(header, at + 4);
    if (lengths[lump] != 0 && (offsets[lump] < 0 || lengths[lump] < 0 || offsets[lump] + lengths[lump] > size)) {
      facts.Findings.push_back("lump " + std::to_string(lump) + " lies outside the file");
      offsets[lump] = lengths[lump] = 0;
      facts.TexturesOutside = facts.TexturesOutside || lump == mlTextures;
    }
  }
  facts.EntitiesOffset = offsets[mlEntities];
  facts.EntitiesSize = lengths[mlEntities];
  facts.Vertices = lengths[mlVertices] / VertexSize;
  facts.Faces = lengths[mlFaces] / faceSize;
  facts.Models = lengths[mlModels] / ModelSize;
  facts.TexturesOffset = offsets[mlTextures];
  facts.TexturesSize = lengths[mlTextures];
  if (lengths[mlTextures] >= 4) {
    const std::string count = ReadExactly(read, offsets[mlTextures], 4);
    if (!count.empty())
      facts.Textures = std::max(Int32At(count, 0), 0);
  }
  return facts;
}

TModelFacts ReadModelFacts(const TByteReader &read, int64_t /*size*/) {
  TModelFacts facts;
  if (ReadExactly(read, 0, 4) != "IDPO") {
    facts.Fault = "not a model (IDPO)";
    return facts;
  }
  facts.Recognised = true;
  const std::string header = ReadExactly(read, 0, ModelHeaderSize);
  if (header.empty()) {
    facts.Fault = "shorter than a model's header";
    return facts;
  }
  facts.Version = Int32At(header, 4);
  if (facts.Version != ModelVersion)
    facts.Fault = "version " + std::to_string(facts.Version) + ", the game reads version 6";
  facts.Skins = Int32At(header, 48);
  facts.SkinWidth = Int32At(header, 52);
  facts.SkinHeight = Int32At(header, 56);
  facts.Vertices = Int32At(header, 60);
  facts.Triangles = Int32At(header, 64);
  facts.Frames = Int32At(header, 68);
  return facts;
}

TSpriteFacts ReadSpriteFacts(const TByteReader &read, int64_t /*size*/) {
  TSpriteFacts facts;
  if (ReadExactly(read, 0, 4) != "IDSP") {
    facts.Fault = "not a sprite (IDSP)";
    return facts;
  }
  facts.Recognised = true;
  const std::string header = ReadExactly(read, 0, SpriteHeaderSize);
  if (header.empty()) {
    facts.Fault = "shorter than a sprite's header";
    return facts;
  }
  facts.Version = Int32At(header, 4);
  if (facts.Version != SpriteVersion)
    facts.Fault = "version " + std::to_string(facts.Version) + ", the game reads version 1";
  facts.Type = Int32At(header, 8);
  facts.Width = Int32At(header, 16);
  facts.Height = Int32At(header, 20);
  facts.Frames = Int32At(header, 24);
  return facts;
}
