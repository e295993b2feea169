// SPDX-License-Identifier: GPL-3.0-or-later
// TGA files: what is written for pictures and other images, read back by
// Qt's own TGA reader where it can, and the files of other writers read.
#include "TgaImage.h"
#include "LumpPicture.h"

#include <QtEndian>
#include <gtest/gtest.h>

using namespace TgaImage;

namespace {

// The 18-byte header: colour map type, image type, map length and entry
// bits, width, height, pixel bits, descriptor (the map starts at index 0,
// the origin fields are zero, there is no image ID).
QByteArray Header(int mapType, int imageType, int mapLength, int entryBits, int width, int height, int pixelBits,
                  int descriptor) {
  QByteArray header(18, '\0');
  auto *bytes = reinterpret_cast<uchar *>(header.data());
  bytes[1] = static_cast<uchar>(mapType);
  bytes[2] = static_cast<uchar>(imageType);
  qToLittleEndian<quint16>(static_cast<quint16>(mapLength), bytes + 5);
  bytes[7] = static_cast<uchar>(entryBits);
  qToLittleEndian<quint16>(static_cast<quint16>(width), bytes + 12);
  qToLittleEndian<quint16>(static_cast<quint16>(height), bytes + 14);
  bytes[16] = static_cast<uchar>(pixelBits);
  bytes[17] = static_cast<uchar>(descriptor);
  return header;
}

const QByteArray Footer = QByteArray(8, '\0') + QByteArray("TRUEVISION-XFILE.", 17) + QByteArray(1, '\0');

QByteArray Bytes(std::initializer_list<int> values) {
  QByteArray bytes;
  for (int value : values)
    bytes.append(static_cast<char>(value));
  return bytes;
}

// 256 distinct colours.
TQuakePalette MakePalette() {
  std::array<uint8_t, PakFormat::PaletteSize> colours{};
  for (size_t i = 0; i < 256; ++i) {
    colours[3 * i] = static_cast<uint8_t>(i);
    colours[3 * i + 1] = static_cast<uint8_t>(255 - i);
    colours[3 * i + 2] = static_cast<uint8_t>(i * 7);
  }
  return TQuakePalette(colours);
}

} // namespace

TEST(TgaImage, QtsReaderGivesTrueColourImagesBackPixelForPixel) {
  // 3 x 2, so that rows and columns cannot trade places unseen; alpha from
  // none to full.
  QImage image(3, 2, QImage::Format_ARGB32);
  const QRgb pixels[] = {qRgba(1, 2, 3, 255),       qRgba(200, 100, 50, 0), qRgba(9, 8, 7, 128),
                         qRgba(255, 255, 255, 255), qRgba(0, 0, 0, 1),      qRgba(40, 50, 60, 254)};
  for (int i = 0; i < 6; ++i)
    image.setPixel(i % 3, i / 3, pixels[i]);
  for (const QImage &source : {image, image.convertToFormat(QImage::Format_RGB32)}) {
    const QByteArray tga = ImageToTga(source, nullptr);
    ASSERT_EQ(tga.size(), 18 + 6 * 4 + 26);
    EXPECT_EQ(tga.left(18), Header(0, 2, 0, 0, 3, 2, 32, 0x28));
    EXPECT_EQ(tga.right(26), Footer);
    const QImage read = QImage::fromData(tga, "TGA");
    ASSERT_FALSE(read.isNull()) << "Qt's TGA reader refused the file";
    EXPECT_EQ(read.convertToFormat(QImage::Format_ARGB32), source.convertToFormat(QImage::Format_ARGB32));
    EXPECT_EQ(TgaToImage(tga, nullptr), source.convertToFormat(QImage::Format_ARGB32));
  }
}

TEST(TgaImage, PicturesBecomeColourMappedFilesThatKeepTheirIndices) {
  const TQuakePalette palette = MakePalette();
  // 3 x 2 indices, once with the transparent index 255 and once without.
  for (const int corner : {255, 254}) {
    const QByteArray lump = Bytes({3, 0, 0, 0, 2, 0, 0, 0, 0, 1, 230, corner, 16, 128});
    const QImage picture = LumpPicture::LumpToImage(lump, palette, nullptr);
    const bool transparent = corner == 255;
    const QByteArray tga = ImageToTga(picture, nullptr);
    const int entry = transparent ? 4 : 3;
    ASSERT_EQ(tga.size(), 18 + 256 * entry + 6 + 26) << corner;
    EXPECT_EQ(tga.left(18), Header(1, 1, 256, entry * 8, 3, 2, 8, transparent ? 0x28 : 0x20));
    // Colours in blue, green, red order; alpha 0 only for index 255 of a transparent picture.
    for (int index : {0, 7, 255}) {
      const QByteArray expected = Bytes({(index * 7) % 256, 255 - index, index}) +
                                  (transparent ? Bytes({index == 255 ? 0 : 255}) : QByteArray());
      EXPECT_EQ(tga.mid(18 + index * entry, entry), expected) << index;
    }
    EXPECT_EQ(tga.mid(18 + 256 * entry, 6), lump.mid(8)) << "rows from the top";
    EXPECT_EQ(tga.right(26), Footer);
    const QImage read = TgaToImage(tga, nullptr);
    EXPECT_EQ(read, picture);
    EXPECT_EQ(LumpPicture::ImageToLump(read, palette, nullptr), lump);
  }
}

TEST(TgaImage, ReadsTheUncompressedFilesOfOtherWritersAndRefusesTheRest) {
  // 2 x 2, 24-bit true colour, bottom-up, with a 3-byte image ID and no
  // footer: the bottom row (red, green) first, then the top (blue, white).
  QByteArray trueColour = Header(0, 2, 0, 0, 2, 2, 24, 0x00) + Bytes({0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255});
  trueColour[0] = 3;
  trueColour.insert(18, "abc");
  QImage image = TgaToImage(trueColour, nullptr);
  ASSERT_EQ(image.size(), QSize(2, 2));
  EXPECT_EQ(image.pixel(0, 1), qRgb(255, 0, 0));
  EXPECT_EQ(image.pixel(1, 1), qRgb(0, 255, 0));
  EXPECT_EQ(image.pixel(0, 0), qRgb(0, 0, 255));

  // 32 bits without alpha bits in the descriptor, right to left: the 32nd
  // bit is no alpha then.
  image = TgaToImage(Header(0, 2, 0, 0, 2, 1, 32, 0x30) + Bytes({1, 2, 3, 0, 4, 5, 6, 0}), nullptr);
  EXPECT_EQ(image.pixel(0, 0), qRgb(6, 5, 4));
  EXPECT_EQ(image.pixel(1, 0), qRgb(3, 2, 1));

  // A map of two 24-bit colours starting at index 2.
  QByteArray mapped = Header(1, 1, 2, 24, 2, 1, 8, 0x20) + Bytes({1, 2, 3, 4, 5, 6, 3, 2});
  mapped[3] = 2;
  image = TgaToImage(mapped, nullptr);
  EXPECT_EQ(image.pixel(0, 0), qRgb(6, 5, 4));
  EXPECT_EQ(image.pixel(1, 0), qRgb(3, 2, 1));

  const struct {
    const char *What;
    QByteArray File;
  } refused[] = {
      {"short header", QByteArray(17, '\0')},
      {"run-length encoded", Header(0, 10, 0, 0, 1, 1, 24, 0) + Bytes({0x80, 1, 2, 3})},
      {"16-bit", Header(0, 2, 0, 0, 1, 1, 16, 0) + Bytes({1, 2})},
      {"no pixels", Header(0, 2, 0, 0, 0, 1, 24, 0)},
      {"pixels cut short", Header(0, 2, 0, 0, 2, 2, 24, 0) + QByteArray(11, '\0')},
      {"index past the map", Header(1, 1, 2, 24, 1, 1, 8, 0) + QByteArray(6, '\0') + Bytes({2})},
      {"map past 256", Header(1, 1, 257, 24, 1, 1, 8, 0) + QByteArray(257 * 3 + 1, '\0')},
  };
  for (const auto &item : refused) {
    QString error;
    EXPECT_TRUE(TgaToImage(item.File, &error).isNull()) << item.What;
    EXPECT_FALSE(error.isEmpty()) << item.What;
  }
}
