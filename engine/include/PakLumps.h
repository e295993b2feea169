// SPDX-License-Identifier: GPL-3.0-or-later
// Colours, bitmaps, the game palette and the one reader of picture lumps that
// every decoder of pictures (the engine's bitmaps, the picture conversion)
// goes by. Included through PakQuake.h.
#pragma once

#include "PakResults.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

// Packed colour: red + 256 * green + 65536 * blue, high byte 0.
using TColor = uint32_t;

namespace PakFormat {
// Size of the game palette: 256 colours of 3 bytes, red, green, blue.
inline constexpr int32_t PaletteSize = 768;
// A picture lump starts with its width and height, 4 bytes each; one palette
// index per pixel follows, rows from the top, no padding.
inline constexpr int32_t PictureHeaderSize = 8;
// No side of a picture is longer: the game's are a few hundred pixels, and
// 4096 x 4096 is 64 MiB of bitmap already.
inline constexpr int32_t MaxPictureSide = 4096;
} // namespace PakFormat

// What the bytes of a lump are as a picture, in the order they are tested.
enum TPictureFault : uint8_t {
  pfNone,         // a picture of Width x Height pixels
  pfShortHeader,  // fewer bytes than the header needs
  pfNegativeSize, // a negative width or height
  pfNoPixels,     // width or height 0: a picture without a pixel
  pfTooLarge,     // a side longer than MaxPictureSide
  pfShortData,    // fewer bytes than the header's pixels need
};

// A picture lump's header checked against the bytes really there.
struct TPictureLayout {
  TPictureFault Fault = pfShortHeader;
  // As the header gives them (0 when it is too short to give them).
  int32_t Width = 0;
  int32_t Height = 0;
  // Where the first palette index lies, counted from the lump's first byte.
  int64_t IndexOffset = PakFormat::PictureHeaderSize;
  // Why the bytes make no picture, one sentence; empty for pfNone.
  std::string Reason;
  int64_t PixelCount() const { return int64_t{Width} * Height; }
};

// Reads the header of a picture lump that really has size bytes; head holds
// its first bytes, PictureHeaderSize of them or all when it has fewer. Reads
// nothing else and allocates nothing from the header.
TPictureLayout ReadPictureLayout(const unsigned char *head, int64_t size);

// Why size bytes of a palette lump hold no palette (fewer than PaletteSize);
// empty when they hold one.
std::string PaletteRefusal(int64_t size);

// A picture made by the engine. The engine draws no text: a notice, when set,
// is to be centred on the picture by whoever shows it.
class TBitmap {
public:
  static constexpr TColor DefaultBackground = 0xFFFFFF;

  TBitmap() = default;
  // Every pixel the background; a negative side counts as 0.
  TBitmap(int32_t width, int32_t height);

  int32_t Width() const { return m_Width; }
  int32_t Height() const { return m_Height; }
  TColor Pixel(int32_t x, int32_t y) const;
  void SetPixel(int32_t x, int32_t y, TColor color);
  // Right and bottom edges excluded; clipped to the bitmap.
  void FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, TColor color);
  const std::vector<TColor> &Pixels() const { return m_Pixels; }

  const std::string &Notice() const { return m_Notice; }
  void SetNotice(const std::string &notice) { m_Notice = notice; }

private:
  int32_t m_Width = 0;
  int32_t m_Height = 0;
  std::vector<TColor> m_Pixels;
  std::string m_Notice;
};

// The 256-colour game palette, black until loaded.
class TQuakePalette {
public:
  TQuakePalette() = default;
  explicit TQuakePalette(const std::array<uint8_t, PakFormat::PaletteSize> &colours) : m_Colours(colours) {}
  TColor ColorOf(uint8_t index) const;
  // Loads 768 bytes at offset from a file. Returns prDone, prBadSize (size is
  // not 768), prNoFile, prFileTooShort or prWriteFailed (a read error). Never
  // raises; on any code but prDone the palette is unchanged.
  [[nodiscard]] TResultCode ReadFromFile(const std::string &fileName, int32_t offset, int32_t size);
  const std::array<uint8_t, PakFormat::PaletteSize> &Colours() const { return m_Colours; }

private:
  std::array<uint8_t, PakFormat::PaletteSize> m_Colours{};
};
