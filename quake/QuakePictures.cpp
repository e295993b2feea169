// SPDX-License-Identifier: GPL-3.0-or-later
#include "QuakePictures.h"

#include "PakLumps.h"
#include "PakMedia.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <set>

namespace QuakePictures {
namespace {

using QuakeBytes::Fits;
using QuakeBytes::Int32At;

constexpr int32_t MaxSide = PakFormat::MaxPictureSide;

std::string SizeReason(int32_t width, int32_t height) {
  if (width <= 0 || height <= 0)
    return "its size " + std::to_string(width) + " x " + std::to_string(height) + " has no pixels.";
  if (width > MaxSide || height > MaxSide)
    return "its size " + std::to_string(width) + " x " + std::to_string(height) + " is larger than a picture may be (" +
           std::to_string(MaxSide) + " x " + std::to_string(MaxSide) + ").";
  return {};
}

int64_t LevelSize(int32_t width, int32_t height, int level) {
  return int64_t{width >> level} * (height >> level);
}

std::string Quoted(const std::string &name) { return "\"" + name + "\""; }

// The headers of maps, models and sprites are read by PakMedia.h's readers;
// a sprite frame's own header (spritegn.h dspriteframe_t): origin, width, height.
constexpr size_t SpriteFrameHeaderSize = 16;

// Reads a group's count and steps over its intervals; -1 when it does not fit.
int32_t GroupCount(const TBytes &bytes, int64_t &at) {
  if (!Fits(bytes, at, 4))
    return -1;
  const int32_t count = Int32At(bytes, static_cast<size_t>(at));
  if (count <= 0 || !Fits(bytes, at + 4, int64_t{count} * 4))
    return -1;
  at += 4 + int64_t{count} * 4;
  return count;
}

} // namespace

bool ReadMiptex(const TBytes &bytes, TMiptex &texture, std::string &reason) {
  if (bytes.size() < MiptexHeaderSize) {
    reason = "the texture's header is cut short.";
    return false;
  }
  texture.Name = QuakeBytes::NameAt(bytes, 0, MiptexNameSize);
  texture.Width = Int32At(bytes, 16);
  texture.Height = Int32At(bytes, 20);
  if (reason = SizeReason(texture.Width, texture.Height); !reason.empty())
    return false;
  for (int level = 0; level < MipLevels; ++level) {
    const int32_t offset = Int32At(bytes, 24 + 4 * static_cast<size_t>(level));
    const int64_t size = LevelSize(texture.Width, texture.Height, level);
    if (offset == 0) {
      reason = "its pixels are not there (kept elsewhere, as in a WAD).";
      return false;
    }
    if (offset < static_cast<int32_t>(MiptexHeaderSize) || !Fits(bytes, offset, size)) {
      reason = "mip level " + std::to_string(level) + " lies outside the texture's bytes.";
      return false;
    }
    texture.Levels[static_cast<size_t>(level)] = bytes.substr(static_cast<size_t>(offset), static_cast<size_t>(size));
  }
  return true;
}

TBytes WriteMiptex(const TMiptex &texture) {
  TBytes out(MiptexHeaderSize, '\0');
  QuakeBytes::PutName(out, 0, MiptexNameSize, texture.Name);
  QuakeBytes::PutInt32(out, 16, texture.Width);
  QuakeBytes::PutInt32(out, 20, texture.Height);
  for (size_t level = 0; level < MipLevels; ++level) {
    QuakeBytes::PutInt32(out, 24 + 4 * level, static_cast<int32_t>(out.size()));
    out += texture.Levels[level];
  }
  return out;
}

std::string MiptexSizeRefusal(int32_t width, int32_t height) {
  if (std::string reason = SizeReason(width, height); !reason.empty())
    return reason;
  if (width % MiptexSideStep != 0 || height % MiptexSideStep != 0)
    return "its size " + std::to_string(width) + " x " + std::to_string(height) +
           " is no texture's: the game needs sides in multiples of 16.";
  return {};
}

std::string SafeFileName(const std::string &name) {
  static constexpr std::string_view Kept = "+-_{}()!$&',;=@[]^~.";
  // An empty name still needs a file name; a name "%" is spelled "%25".
  if (name.empty())
    return "%";
  std::string out;
  for (size_t i = 0; i < name.size(); ++i) {
    const auto byte = static_cast<unsigned char>(name[i]);
    if (byte == '*') {
      out += '#';
    } else if (std::isalnum(byte) != 0 || (Kept.find(static_cast<char>(byte)) != std::string_view::npos &&
                                            !(i == 0 && byte == '.'))) {
      out += static_cast<char>(byte);
    } else {
      char escape[4];
      std::snprintf(escape, sizeof escape, "%%%02X", byte);
      out += escape;
    }
  }
  return out;
}

std::string NameOfSafeFileName(const std::string &fileName) {
  if (fileName == "%")
    return {};
  std::string out;
  for (size_t i = 0; i < fileName.size(); ++i) {
    if (fileName[i] == '#') {
      out += '*';
    } else if (fileName[i] == '%' && i + 2 < fileName.size() && std::isxdigit(static_cast<unsigned char>(fileName[i + 1])) != 0 &&
               std::isxdigit(static_cast<unsigned char>(fileName[i + 2])) != 0) {
      out += static_cast<char>(std::stoi(fileName.substr(i + 1, 2), nullptr, 16));
      i += 2;
    } else {
      out += fileName[i];
    }
  }
  return out;
}

TMapTextures ReadMapTextures(const TBytes &map) {
  TMapTextures result;
  const TMapFacts facts = ReadMapFacts(MemoryReader(map), static_cast<int64_t>(map.size()));
  if (facts.Version.empty())
    return result;
  if (!facts.Fault.empty()) {
    result.IsMap = true;
    result.Findings.push_back("the map's header is cut short.");
    return result;
  }
  result = ReadTextureLump(map.substr(static_cast<size_t>(facts.TexturesOffset), static_cast<size_t>(facts.TexturesSize)),
                           facts.TexturesOffset);
  if (facts.TexturesOutside)
    result.Findings.insert(result.Findings.begin(), "the map's texture lump lies outside the file.");
  return result;
}

TMapTextures ReadTextureLump(const TBytes &lump, int64_t lumpOffset) {
  TMapTextures result;
  result.IsMap = true;
  if (lump.empty())
    return result;
  const auto lumpLength = static_cast<int64_t>(lump.size());
  const int32_t count = lump.size() >= 4 ? Int32At(lump, 0) : -1;
  if (count < 0 || (int64_t{count} + 1) * 4 > lumpLength) {
    result.Findings.push_back("the map's texture lump is damaged: its list of textures does not fit it.");
    return result;
  }
  // Offsets within the lump; each texture may use the bytes up to the next one's start.
  std::set<int64_t> starts{lumpLength};
  std::vector<int32_t> offsets(static_cast<size_t>(count));
  for (size_t slot = 0; slot < offsets.size(); ++slot) {
    offsets[slot] = Int32At(lump, 4 + 4 * slot);
    if (offsets[slot] >= 0 && offsets[slot] < lumpLength)
      starts.insert(offsets[slot]);
  }
  std::set<int32_t> taken;
  for (size_t slot = 0; slot < offsets.size(); ++slot) {
    if (offsets[slot] == -1)
      continue;
    // Each texture's bytes are read once: the copies never pass the lump's size.
    if (!taken.insert(offsets[slot]).second) {
      result.Findings.push_back("texture " + std::to_string(slot) + ": it shares its bytes with another texture.");
      continue;
    }
    const std::string label = "texture " + std::to_string(slot);
    if (offsets[slot] < 0 || offsets[slot] >= lumpLength) {
      result.Findings.push_back(label + ": it lies outside the map's texture lump.");
      continue;
    }
    TMapTexture texture;
    texture.Slot = static_cast<int32_t>(slot);
    const int64_t start = offsets[slot];
    texture.Offset = lumpOffset + start;
    texture.Size = *starts.upper_bound(start) - start;
    std::string reason;
    if (!ReadMiptex(lump.substr(static_cast<size_t>(start), static_cast<size_t>(texture.Size)), texture.Texture,
                    reason)) {
      const std::string name = texture.Size >= static_cast<int64_t>(MiptexNameSize)
                                   ? QuakeBytes::NameAt(lump, static_cast<size_t>(start), MiptexNameSize)
                                   : std::string();
      result.Findings.push_back(label + (name.empty() ? "" : " " + Quoted(name)) + ": " + reason);
      continue;
    }
    result.Textures.push_back(std::move(texture));
  }
  return result;
}

std::string ReplaceMapTexture(TBytes &map, const TMapTexture &where, const TMiptex &texture) {
  if (texture.Width != where.Texture.Width || texture.Height != where.Texture.Height)
    return "the picture of " + std::to_string(texture.Width) + " x " + std::to_string(texture.Height) +
           " pixels is not the size of the map's texture " + Quoted(where.Texture.Name) + " (" +
           std::to_string(where.Texture.Width) + " x " + std::to_string(where.Texture.Height) + ").";
  if (!Fits(map, where.Offset, where.Size) || where.Size < static_cast<int64_t>(MiptexHeaderSize))
    return "the map's texture " + Quoted(where.Texture.Name) + " is not where it was read.";
  for (int level = 0; level < MipLevels; ++level) {
    const int64_t at = where.Offset + Int32At(map, static_cast<size_t>(where.Offset) + 24 + 4 * static_cast<size_t>(level));
    const TBytes &pixels = texture.Levels[static_cast<size_t>(level)];
    if (pixels.size() != static_cast<size_t>(LevelSize(texture.Width, texture.Height, level)) ||
        !Fits(map, at, static_cast<int64_t>(pixels.size())))
      return "the map's texture " + Quoted(where.Texture.Name) + " is not where it was read.";
  }
  for (int level = 0; level < MipLevels; ++level) {
    const int64_t at = where.Offset + Int32At(map, static_cast<size_t>(where.Offset) + 24 + 4 * static_cast<size_t>(level));
    const TBytes &pixels = texture.Levels[static_cast<size_t>(level)];
    map.replace(static_cast<size_t>(at), pixels.size(), pixels);
  }
  return {};
}

TPlacedPictures ModelSkins(const TBytes &model) {
  TPlacedPictures result;
  const TModelFacts facts = ReadModelFacts(MemoryReader(model), static_cast<int64_t>(model.size()));
  result.Recognised = facts.Recognised;
  if (!facts.Recognised)
    return result;
  if (facts.Version == 0) {
    result.Findings.push_back("the model's header is cut short.");
    return result;
  }
  if (facts.Version != ModelVersion) {
    result.Findings.push_back("the model's version " + std::to_string(facts.Version) + " is not Quake's (6).");
    return result;
  }
  const int32_t count = facts.Skins;
  const int32_t width = facts.SkinWidth;
  const int32_t height = facts.SkinHeight;
  if (std::string reason = SizeReason(width, height); !reason.empty()) {
    result.Findings.push_back("the model's skins: " + reason);
    return result;
  }
  const int64_t size = int64_t{width} * height;
  int64_t at = ModelHeaderSize;
  for (int32_t skin = 0; skin < count; ++skin) {
    const std::string label = "skin " + std::to_string(skin);
    if (!Fits(model, at, 4)) {
      result.Findings.push_back(label + ": it lies outside the file.");
      break;
    }
    const int32_t type = Int32At(model, static_cast<size_t>(at));
    at += 4;
    const int32_t pictures = type == 0 ? 1 : GroupCount(model, at);
    if (pictures < 0 || !Fits(model, at, size * pictures)) {
      result.Findings.push_back(label + ": it lies outside the file.");
      break;
    }
    for (int32_t picture = 0; picture < pictures; ++picture, at += size)
      result.Pictures.push_back(
          {type == 0 ? label : label + " frame " + std::to_string(picture), at, width, height});
  }
  return result;
}

TPlacedPictures SpriteFrames(const TBytes &sprite) {
  TPlacedPictures result;
  const TSpriteFacts facts = ReadSpriteFacts(MemoryReader(sprite), static_cast<int64_t>(sprite.size()));
  result.Recognised = facts.Recognised;
  if (!facts.Recognised)
    return result;
  if (facts.Version == 0) {
    result.Findings.push_back("the sprite's header is cut short.");
    return result;
  }
  if (facts.Version != SpriteVersion) {
    result.Findings.push_back("the sprite's version " + std::to_string(facts.Version) + " is not Quake's (1).");
    return result;
  }
  const int32_t count = facts.Frames;
  int64_t at = SpriteHeaderSize;
  for (int32_t frame = 0; frame < count; ++frame) {
    const std::string label = "frame " + std::to_string(frame);
    if (!Fits(sprite, at, 4)) {
      result.Findings.push_back(label + ": it lies outside the file.");
      return result;
    }
    const int32_t type = Int32At(sprite, static_cast<size_t>(at));
    at += 4;
    const int32_t pictures = type == 0 ? 1 : GroupCount(sprite, at);
    if (pictures < 0) {
      result.Findings.push_back(label + ": it lies outside the file.");
      return result;
    }
    for (int32_t picture = 0; picture < pictures; ++picture) {
      const std::string name = type == 0 ? label : label + " picture " + std::to_string(picture);
      if (!Fits(sprite, at, SpriteFrameHeaderSize)) {
        result.Findings.push_back(name + ": it lies outside the file.");
        return result;
      }
      const int32_t width = Int32At(sprite, static_cast<size_t>(at) + 8);
      const int32_t height = Int32At(sprite, static_cast<size_t>(at) + 12);
      at += SpriteFrameHeaderSize;
      if (std::string reason = SizeReason(width, height); !reason.empty()) {
        result.Findings.push_back(name + ": " + reason);
        return result;
      }
      if (!Fits(sprite, at, int64_t{width} * height)) {
        result.Findings.push_back(name + ": it lies outside the file.");
        return result;
      }
      result.Pictures.push_back({name, at, width, height});
      at += int64_t{width} * height;
    }
  }
  return result;
}

TPicture PictureAt(const TBytes &bytes, const TPlacedPicture &place) {
  const int64_t size = int64_t{place.Width} * place.Height;
  if (!Fits(bytes, place.Offset, size))
    return {};
  return {place.Width, place.Height, bytes.substr(static_cast<size_t>(place.Offset), static_cast<size_t>(size))};
}

std::string ReplacePicture(TBytes &bytes, const TPlacedPicture &place, const TPicture &picture) {
  if (picture.Width != place.Width || picture.Height != place.Height)
    return "the picture of " + std::to_string(picture.Width) + " x " + std::to_string(picture.Height) +
           " pixels is not the size of " + place.Label + " (" + std::to_string(place.Width) + " x " +
           std::to_string(place.Height) + ").";
  if (picture.Indices.size() != static_cast<size_t>(int64_t{picture.Width} * picture.Height) ||
      !Fits(bytes, place.Offset, static_cast<int64_t>(picture.Indices.size())))
    return place.Label + " is not where it was read.";
  bytes.replace(static_cast<size_t>(place.Offset), picture.Indices.size(), picture.Indices);
  return {};
}

} // namespace QuakePictures
