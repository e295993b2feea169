// SPDX-License-Identifier: GPL-3.0-or-later
// The game palette and the decoding of picture lumps into bitmaps.
#include "PakFile.h"
#include "PakInternal.h"
#include "PakQuake.h"

#include <algorithm>
#include <cstring>
#include <sys/stat.h>

using namespace PakFormat;

namespace {
// The palette lump is drawn as 16 x 16 swatches of 16 x 16 pixels.
constexpr int32_t SwatchesPerRow = 16;
constexpr int32_t SwatchSize = 16;
constexpr int32_t SwatchGridSize = SwatchesPerRow * SwatchSize;
// The colour map cannot be drawn; its bitmap carries this notice instead.
constexpr int32_t ColormapSize = 256;
constexpr const char *ColormapNotice = "Can't Display Colormap";

TColor PackColor(int32_t red, int32_t green, int32_t blue) {
  return static_cast<TColor>(red) | static_cast<TColor>(green) << 8 | static_cast<TColor>(blue) << 16;
}

int32_t Channel(TColor color, int shift) { return static_cast<int32_t>((color >> shift) & 0xFF); }

// Adds or subtracts the offset colour channel by channel; every channel stays
// within 0..255 instead of spilling into its neighbour.
TColor ShiftColor(TColor color, TColor offset, bool add) {
  int32_t channels[3];
  for (int i = 0; i < 3; ++i) {
    int32_t base = Channel(color, 8 * i);
    int32_t delta = Channel(offset, 8 * i);
    channels[i] = std::clamp(add ? base + delta : base - delta, 0, 255);
  }
  return PackColor(channels[0], channels[1], channels[2]);
}

// The file part of an entry name up to its first ".".
std::string BaseName(const std::string &name) {
  std::string file = EntryFileName(name);
  return file.substr(0, file.find('.'));
}
} // namespace

// ---------------------------------------------------------------------------
// TBitmap

TBitmap::TBitmap(int32_t width, int32_t height)
    : m_Width(std::max(width, 0)), m_Height(std::max(height, 0)),
      m_Pixels(static_cast<size_t>(m_Width) * static_cast<size_t>(m_Height), DefaultBackground) {}

TColor TBitmap::Pixel(int32_t x, int32_t y) const {
  if (x < 0 || y < 0 || x >= m_Width || y >= m_Height)
    return DefaultBackground;
  return m_Pixels[static_cast<size_t>(y) * static_cast<size_t>(m_Width) + static_cast<size_t>(x)];
}

void TBitmap::SetPixel(int32_t x, int32_t y, TColor color) {
  if (x < 0 || y < 0 || x >= m_Width || y >= m_Height)
    return;
  m_Pixels[static_cast<size_t>(y) * static_cast<size_t>(m_Width) + static_cast<size_t>(x)] = color;
}

void TBitmap::FillRect(int32_t left, int32_t top, int32_t right, int32_t bottom, TColor color) {
  left = std::max(left, 0);
  top = std::max(top, 0);
  right = std::min(right, m_Width);
  bottom = std::min(bottom, m_Height);
  for (int32_t y = top; y < bottom; ++y) {
    auto row = m_Pixels.begin() + static_cast<std::ptrdiff_t>(y) * m_Width;
    std::fill(row + left, row + right, color);
  }
}

// ---------------------------------------------------------------------------
// Picture lumps and palettes as bytes

TPictureLayout ReadPictureLayout(const unsigned char *head, int64_t size) {
  TPictureLayout layout;
  const auto refuse = [&layout](TPictureFault fault, std::string reason) {
    layout.Fault = fault;
    layout.Reason = std::move(reason);
    return layout;
  };
  if (size < PictureHeaderSize)
    return refuse(pfShortHeader, "the entry is too short to hold a picture's size.");
  layout.Width = ReadInt32(head);
  layout.Height = ReadInt32(head + 4);
  const std::string sizeText = std::to_string(layout.Width) + " x " + std::to_string(layout.Height);
  if (layout.Width < 0 || layout.Height < 0)
    return refuse(pfNegativeSize, "the picture's size (" + sizeText + ") is impossible.");
  if (layout.Width == 0 || layout.Height == 0)
    return refuse(pfNoPixels, "the picture of " + sizeText + " has no pixels.");
  if (layout.Width > MaxPictureSide || layout.Height > MaxPictureSide)
    return refuse(pfTooLarge, "the picture of " + sizeText + " pixels is too large to show.");
  const int64_t indices = size - PictureHeaderSize;
  if (layout.PixelCount() > indices)
    return refuse(pfShortData, "the picture of " + sizeText + " needs " + std::to_string(layout.PixelCount()) +
                                   " bytes of pixels, but the entry really has only " + std::to_string(indices) + ".");
  layout.Fault = pfNone;
  return layout;
}

std::string PaletteRefusal(int64_t size) {
  if (size >= PaletteSize)
    return {};
  return "a palette needs " + std::to_string(PaletteSize) + " bytes, but the entry has only " + std::to_string(size) +
         ".";
}

// ---------------------------------------------------------------------------
// TQuakePalette

TColor TQuakePalette::ColorOf(uint8_t index) const {
  size_t at = static_cast<size_t>(index) * 3;
  return PackColor(m_Colours[at], m_Colours[at + 1], m_Colours[at + 2]);
}

TResultCode TQuakePalette::ReadFromFile(const std::string &fileName, int32_t offset, int32_t size) {
  struct stat info {};
  if (fileName.empty() || ::stat(fileName.c_str(), &info) != 0)
    return prNoFile;
  if (size != PaletteSize)
    return prBadSize;
  // Read into a buffer first, so that a failure leaves the palette as it was.
  std::array<uint8_t, PaletteSize> colours{};
  try {
    TPakFile file(fileName, TPakFile::ReadOnly);
    if (file.Size() < static_cast<int64_t>(offset) + PaletteSize)
      return prFileTooShort;
    file.Seek(offset);
    file.ReadExact(colours.data(), PaletteSize);
    file.Close();
  } catch (const EInOutError &) {
    return prWriteFailed;
  }
  m_Colours = colours;
  return prDone;
}

// ---------------------------------------------------------------------------
// TQuakePak

bool TQuakePak::LoadPalette() {
  if (m_QuakeDirectory.empty())
    return false;
  std::string stock = FindStockFile(m_QuakeDirectory, "PAK0.PAK");
  if (stock.empty())
    return false;
  std::vector<TDirEntry> entries;
  try {
    if (ReadDirectory(stock, entries) != prDone)
      return false;
  } catch (const EInOutError &) {
    return false;
  }
  // The last of several palette entries wins, as the game itself finds it.
  const TDirEntry *palette = nullptr;
  for (const TDirEntry &entry : entries)
    if (SameTextAscii(entry.Name, "gfx/palette.lmp"))
      palette = &entry;
  if (palette == nullptr || palette->Position <= 0 || palette->Size <= 0)
    return false;
  // A palette entry that cannot be read leaves the colours as they were; the
  // installation is set all the same.
  (void)m_Palette.ReadFromFile(stock, palette->Position, palette->Size);
  return true;
}

std::unique_ptr<TBitmap> TQuakePak::LumpToBitmap(const std::string &name, TColor offset, bool add) {
  m_Failures.clear();
  int32_t index = FindEntry(name);
  if (index < 0)
    return nullptr;
  if (AsciiUpper(EntryExtension(name, false)) != "LMP")
    return nullptr;
  const TDirEntry &entry = m_Directory[static_cast<size_t>(index)];
  std::string base = BaseName(name);

  if (SameTextAscii(base, "COLORMAP")) {
    // Nothing of its data is needed: the notice is all that is shown.
    auto bitmap = std::make_unique<TBitmap>(ColormapSize, ColormapSize);
    bitmap->SetNotice(ColormapNotice);
    return bitmap;
  }

  auto noBitmap = [&](const std::string &reason) -> std::unique_ptr<TBitmap> {
    m_Failures.push_back(entry.Name.Str() + ": " + reason);
    return nullptr;
  };
  // Everything is measured against the bytes the entry really has: its
  // claimed size, cut at the end of the file that holds it. Nothing is
  // allocated from a header field before it has been checked against them.
  const TPakFile *file = nullptr;
  int64_t start = entry.Position > 0 ? int64_t{entry.Position} : -int64_t{entry.Position};
  int64_t available = 0;
  try {
    CheckArchiveUnchanged();
    file = &DataFileOf(entry);
    available = std::clamp<int64_t>(file->Size() - start, 0, std::max(entry.Size, 0));
  } catch (const EInOutError &error) {
    return noBitmap(error.what());
  }

  if (SameTextAscii(base, "PALETTE")) {
    unsigned char colours[PaletteSize];
    const int64_t got = available < PaletteSize ? available : file->ReadAt(colours, PaletteSize, start);
    if (std::string refusal = PaletteRefusal(got); !refusal.empty())
      return noBitmap(refusal);
    auto bitmap = std::make_unique<TBitmap>(SwatchGridSize, SwatchGridSize);
    SetProgressTotal(SwatchesPerRow * SwatchesPerRow);
    ProgressStart();
    for (int32_t row = 0; row < SwatchesPerRow; ++row)
      for (int32_t column = 0; column < SwatchesPerRow; ++column) {
        const unsigned char *rgb = colours + 3 * (SwatchesPerRow * row + column);
        bitmap->FillRect(SwatchSize * column, SwatchSize * row, SwatchSize * (column + 1), SwatchSize * (row + 1),
                         PackColor(rgb[0], rgb[1], rgb[2]));
        ProgressAdvance(1);
      }
    ProgressEnd();
    return bitmap;
  }

  unsigned char header[PictureHeaderSize];
  try {
    const int64_t headerBytes = std::min<int64_t>(available, PictureHeaderSize);
    // A header the file does not hold counts as missing.
    if (file->ReadAt(header, headerBytes, start) != headerBytes)
      available = 0;
  } catch (const EInOutError &error) {
    return noBitmap(error.what());
  }
  const TPictureLayout layout = ReadPictureLayout(header, available);
  if (layout.Fault == pfNoPixels)
    return std::make_unique<TBitmap>(layout.Width, layout.Height);
  if (layout.Fault != pfNone)
    return noBitmap(layout.Reason);
  const int32_t width = layout.Width;
  const int64_t pixelCount = layout.PixelCount();

  auto bitmap = std::make_unique<TBitmap>(width, layout.Height);
  SetProgressTotal(pixelCount);
  ProgressStart();
  // The pixel data streams through one block buffer; should the file end or
  // fail early, the pixels decoded so far are kept and the rest stays blank.
  auto buffer = std::make_unique<unsigned char[]>(BlockSize);
  int64_t done = 0;
  try {
    while (done < pixelCount) {
      int64_t block = std::min<int64_t>(pixelCount - done, BlockSize);
      int64_t got = file->ReadAt(buffer.get(), block, start + layout.IndexOffset + done);
      for (int64_t i = 0; i < got; ++i, ++done) {
        auto x = static_cast<int32_t>(done % width);
        auto y = static_cast<int32_t>(done / width);
        bitmap->SetPixel(x, y, ShiftColor(m_Palette.ColorOf(buffer[static_cast<size_t>(i)]), offset, add));
        ProgressAdvance(1);
      }
      if (got < block)
        break;
    }
  } catch (const EInOutError &) {
    // Decoding stops here; what was drawn is returned.
  }
  ProgressEnd();
  return bitmap;
}
