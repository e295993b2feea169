// SPDX-License-Identifier: GPL-3.0-or-later
#include "QuakeTestSupport.h"

namespace {

std::string Int32(int32_t value) {
  auto bits = static_cast<uint32_t>(value);
  std::string bytes(4, '\0');
  for (size_t i = 0; i < 4; ++i)
    bytes[i] = static_cast<char>(bits >> (8 * i));
  return bytes;
}

std::string Padded(const std::string &name, size_t size) {
  std::string field = name.substr(0, size);
  field.resize(size, '\0');
  return field;
}

std::string Floats(size_t count) {
  // Intervals of 0.1 s: 0x3DCCCCCD.
  std::string bytes;
  for (size_t i = 0; i < count; ++i)
    bytes += Int32(0x3DCCCCCD);
  return bytes;
}

} // namespace

std::string BuildWad(const std::vector<TWadFixtureLump> &lumps) {
  std::string data;
  std::string directory;
  for (const TWadFixtureLump &lump : lumps) {
    while ((12 + data.size()) % 4 != 0)
      data += '\0';
    directory += Int32(static_cast<int32_t>(12 + data.size())) + Int32(static_cast<int32_t>(lump.Data.size())) +
                 Int32(static_cast<int32_t>(lump.Data.size())) + std::string(1, static_cast<char>(lump.Type)) +
                 std::string(3, '\0') + Padded(lump.Name, 16);
    data += lump.Data;
  }
  while ((12 + data.size()) % 4 != 0)
    data += '\0';
  return "WAD2" + Int32(static_cast<int32_t>(lumps.size())) + Int32(static_cast<int32_t>(12 + data.size())) + data +
         directory;
}

std::string BuildQpic(int32_t width, int32_t height, const std::string &indices) {
  return Int32(width) + Int32(height) + indices;
}

std::string Pixels(int32_t width, int32_t height, uint8_t (*index)(int32_t x, int32_t y)) {
  std::string pixels;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x)
      pixels += static_cast<char>(index(x, y));
  return pixels;
}

std::string BuildMiptex(const std::string &name, int32_t width, int32_t height, const std::string &level0,
                        uint8_t mipFill) {
  std::string header = Padded(name, 16) + Int32(width) + Int32(height);
  std::string levels;
  for (int level = 0; level < 4; ++level) {
    header += Int32(static_cast<int32_t>(40 + levels.size()));
    levels += level == 0 ? level0
                         : std::string(static_cast<size_t>((width >> level) * (height >> level)),
                                       static_cast<char>(mipFill));
  }
  return header + levels;
}

std::string BuildMiptex(const std::string &name, int32_t width, int32_t height, uint8_t fill) {
  return BuildMiptex(name, width, height, std::string(static_cast<size_t>(width * height), static_cast<char>(fill)),
                     fill);
}

std::string BuildMap(const std::vector<std::string> &textures, const std::string &mark) {
  std::string lump = Int32(static_cast<int32_t>(textures.size()));
  std::string data;
  const size_t listSize = 4 + 4 * textures.size();
  for (const std::string &texture : textures) {
    lump += Int32(texture.empty() ? -1 : static_cast<int32_t>(listSize + data.size()));
    data += texture;
  }
  lump += data;
  std::string header = mark.empty() ? Int32(29) : mark;
  for (int i = 0; i < 15; ++i)
    header += Int32(MapTextureLumpOffset) + Int32(i == 2 ? static_cast<int32_t>(lump.size()) : 0);
  return header + lump;
}

std::string BuildModel(int32_t width, int32_t height, const std::vector<std::vector<std::string>> &skins) {
  std::string model = "IDPO" + Int32(6) + std::string(40, '\0') + Int32(static_cast<int32_t>(skins.size())) +
                      Int32(width) + Int32(height) + std::string(24, '\0');
  for (const std::vector<std::string> &skin : skins) {
    if (skin.size() == 1) {
      model += Int32(0) + skin.front();
      continue;
    }
    model += Int32(1) + Int32(static_cast<int32_t>(skin.size())) + Floats(skin.size());
    for (const std::string &picture : skin)
      model += picture;
  }
  return model;
}

std::string BuildSprite(const std::vector<std::vector<TSpriteFixtureFrame>> &frames) {
  std::string sprite = "IDSP" + Int32(1) + Int32(2) + Int32(0) + Int32(16) + Int32(16) +
                       Int32(static_cast<int32_t>(frames.size())) + Int32(0) + Int32(0);
  auto picture = [](const TSpriteFixtureFrame &frame) {
    return Int32(-frame.Width / 2) + Int32(frame.Height / 2) + Int32(frame.Width) + Int32(frame.Height) +
           frame.Indices;
  };
  for (const std::vector<TSpriteFixtureFrame> &frame : frames) {
    if (frame.size() == 1) {
      sprite += Int32(0) + picture(frame.front());
      continue;
    }
    sprite += Int32(1) + Int32(static_cast<int32_t>(frame.size())) + Floats(frame.size());
    for (const TSpriteFixtureFrame &one : frame)
      sprite += picture(one);
  }
  return sprite;
}

std::string TestPalette() {
  std::string palette;
  for (int i = 0; i < 256; ++i) {
    palette += static_cast<char>(i);
    palette += static_cast<char>(255 - i);
    palette += static_cast<char>((i * 7) % 256);
  }
  return palette;
}
