// SPDX-License-Identifier: GPL-3.0-or-later
// Picture lumps and the palette to and from images: exact round trips through
// image files, the colour-matching rule, and refusals of impossible input.
#include "LumpPicture.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace LumpPicture;

namespace {

QByteArray Int32LE(qint32 value) {
  QByteArray bytes(4, '\0');
  qToLittleEndian(value, bytes.data());
  return bytes;
}

// A lump of width x height whose pixels run through the indices from first.
QByteArray MakeLump(int width, int height, int first) {
  QByteArray lump = Int32LE(width) + Int32LE(height);
  for (int i = 0; i < width * height; ++i)
    lump.append(static_cast<char>((first + i) % 256));
  return lump;
}

// 256 distinct colours: red runs up, green down, blue in steps of 7.
QByteArray MakePaletteBytes() {
  QByteArray bytes;
  for (int i = 0; i < 256; ++i)
    bytes.append(static_cast<char>(i)).append(static_cast<char>(255 - i)).append(static_cast<char>((i * 7) % 256));
  return bytes;
}

class LumpPictureTest : public ::testing::Test {
protected:
  void SetUp() override {
    ASSERT_TRUE(m_Dir.isValid());
    WriteFile("palette.lmp", MakePaletteBytes());
    ASSERT_EQ(m_Palette.ReadFromFile(Path("palette.lmp").toStdString(), 0, 768), 0);
  }
  QString Path(const QString &name) const { return m_Dir.filePath(name); }
  void WriteFile(const QString &name, const QByteArray &bytes) {
    QFile file(Path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
  }
  QByteArray ReadFile(const QString &name) const {
    QFile file(Path(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  QRgb Colour(int index) const { return qRgb(index, 255 - index, (index * 7) % 256); }

  QTemporaryDir m_Dir;
  TQuakePalette m_Palette;
};

} // namespace

TEST_F(LumpPictureTest, LumpsAndThePaletteComeBackByteIdenticalThroughImageFiles) {
  // Every index once (255 too, so the picture is transparent), then a lump without 255.
  for (const QByteArray &lump : {MakeLump(16, 16, 0), MakeLump(7, 3, 40)}) {
    WriteFile("pic.lmp", lump);
    // The writer is chosen by the extension in any letter case.
    for (const char *format : {"png", "bmp", "tga", "TGA"}) {
      const QString image = QStringLiteral("pic.") + format;
      ASSERT_EQ(ConvertFile(Path("pic.lmp"), Path(image), m_Palette), QString()) << format;
      ASSERT_EQ(ConvertFile(Path(image), Path("back.lmp"), m_Palette), QString()) << format;
      EXPECT_EQ(ReadFile("back.lmp"), lump) << format;
    }
  }
  QDir(m_Dir.path()).mkdir("out");
  for (const char *format : {"png", "tga"}) {
    const QString image = QStringLiteral("palette.") + format;
    ASSERT_EQ(ConvertFile(Path("palette.lmp"), Path(image), m_Palette), QString()) << format;
    ASSERT_EQ(ConvertFile(Path(image), Path("out/palette.lmp"), m_Palette), QString()) << format;
    EXPECT_EQ(ReadFile("out/palette.lmp"), MakePaletteBytes()) << format;
  }
}

TEST_F(LumpPictureTest, ExportMakesOnlyIndex255TransparentAndOnlyInPicturesThatUseIt) {
  const QImage transparent = LumpToImage(MakeLump(16, 16, 0), m_Palette, nullptr);
  EXPECT_EQ(qAlpha(transparent.pixel(15, 15)), 0);   // index 255
  EXPECT_EQ(transparent.pixel(14, 15), Colour(254)); // opaque, the palette's colour
  const QImage opaque = LumpToImage(MakeLump(2, 2, 250), m_Palette, nullptr);
  EXPECT_EQ(opaque.pixel(1, 1), Colour(253));
  EXPECT_TRUE(opaque.colorTable().size() == 256 && qAlpha(opaque.colorTable()[255]) == 255);
}

TEST_F(LumpPictureTest, TrueColourImagesTakeTheNearestColourAndFullbrightOnlyWhenExact) {
  QImage image(5, 1, QImage::Format_ARGB32);
  image.setPixel(0, 0, Colour(230));                         // exactly a full-bright colour
  image.setPixel(1, 0, Colour(230) + 1);                     // one step of blue away from it
  image.setPixel(2, 0, Colour(17));                          // exactly an ordinary colour
  image.setPixel(3, 0, qRgba(10, 20, 30, 0));                // transparent
  image.setPixel(4, 0, qRgb(100, 155, (100 * 7) % 256 + 3)); // near colour 100
  const QByteArray lump = ImageToLump(image, m_Palette, nullptr);
  ASSERT_EQ(lump.size(), 8 + 5);
  EXPECT_EQ(lump.mid(0, 8), Int32LE(5) + Int32LE(1));
  EXPECT_EQ(static_cast<uchar>(lump[8]), 230);
  EXPECT_LT(static_cast<uchar>(lump[9]), FirstFullbrightIndex);
  EXPECT_EQ(static_cast<uchar>(lump[10]), 17);
  EXPECT_EQ(static_cast<uchar>(lump[11]), 255);
  EXPECT_EQ(static_cast<uchar>(lump[12]), 100);
}

TEST_F(LumpPictureTest, ImportsTargaPictures) {
  // An uncompressed true-colour TGA of 2 x 1 pixels, stored bottom-up, in
  // blue-green-red order: the palette's colours 17 and 230; then the
  // 26-byte footer of the format's second version.
  QByteArray tga("\0\0\x02\0\0\0\0\0\0\0\0\0\x02\0\x01\0\x18\0", 18);
  for (int index : {17, 230})
    tga.append(static_cast<char>(qBlue(Colour(index))))
        .append(static_cast<char>(qGreen(Colour(index))))
        .append(static_cast<char>(qRed(Colour(index))));
  tga.append(QByteArray(8, '\0')).append("TRUEVISION-XFILE.").append('\0');
  WriteFile("pic.tga", tga);
  ASSERT_EQ(ConvertFile(Path("pic.tga"), Path("pic.lmp"), m_Palette).toStdString(), "");
  EXPECT_EQ(ReadFile("pic.lmp"), Int32LE(2) + Int32LE(1) + QByteArray("\x11\xE6", 2));
}

TEST_F(LumpPictureTest, RefusesWhatIsNoPictureWithTheReason) {
  // Which bytes make a picture the engine's reader decides (tested there);
  // the conversion refuses what it refuses, with its reason.
  QString error;
  for (const QByteArray &lump :
       {QByteArray(5, '\0'), Int32LE(0) + Int32LE(3), Int32LE(100000) + Int32LE(2) + QByteArray(16, '\0'),
        Int32LE(100) + Int32LE(100) + QByteArray(16, '\0')}) {
    error.clear();
    EXPECT_TRUE(LumpToImage(lump, m_Palette, &error).isNull());
    EXPECT_EQ(error.toStdString(),
              ReadPictureLayout(reinterpret_cast<const unsigned char *>(lump.constData()), lump.size()).Reason);
  }
  EXPECT_TRUE(ImageToLump(QImage(MaxSide + 1, 1, QImage::Format_RGB32), m_Palette, &error).isEmpty());
  EXPECT_TRUE(ImageToPalette(QImage(8, 8, QImage::Format_RGB32), &error).isEmpty());
  WriteFile("notes.txt", "hello");
  EXPECT_TRUE(ConvertFile(Path("notes.txt"), Path("notes.png"), m_Palette).startsWith(Path("notes.png")));
  EXPECT_TRUE(ConvertFile(Path("missing.lmp"), Path("x.png"), m_Palette).startsWith(Path("missing.lmp")));
  EXPECT_FALSE(QFile::exists(Path("x.png")));
}

// Mip levels are made from the level-0 colours: the mean of the pixels each
// covers, as the nearest colour below the full-brights unless all of them
// are one full-bright colour; a see-through texture keeps index 255 where
// most of them are.
TEST_F(LumpPictureTest, MipTexturesGetTheirLevelsFromTheFullSizePicture) {
  // Columns of 16 x 16, in blocks of eight: full-bright 230 alone; 230 and
  // 231 side by side; 10 and 12; 255 in most of a see-through block.
  QuakePictures::TPicture level0{16, 16, std::string(256, '\0')};
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 16; ++x) {
      const bool top = y < 8, left = x < 8;
      const int index = top && left ? 230 : top ? (x % 2 == 0 ? 230 : 231) : left ? (x % 2 == 0 ? 10 : 12) : 255;
      level0.Indices[static_cast<size_t>(y * 16 + x)] = static_cast<char>(index);
    }
  const QuakePictures::TMiptex texture = MakeMiptex("{grate", level0, m_Palette);
  EXPECT_EQ(texture.Levels[0], level0.Indices);
  const std::string &level1 = texture.Levels[1];
  ASSERT_EQ(level1.size(), 64u);
  EXPECT_EQ(static_cast<uint8_t>(level1[0]), 230);            // one full-bright colour stays
  EXPECT_LT(static_cast<uint8_t>(level1[7]), FirstFullbrightIndex); // a mix of two does not
  EXPECT_EQ(static_cast<uint8_t>(level1[4 * 8]), 11);          // the mean of 10 and 12
  EXPECT_EQ(static_cast<uint8_t>(level1[63]), 255);            // see-through
  EXPECT_EQ(texture.Levels[3].size(), 4u);
  EXPECT_EQ(static_cast<uint8_t>(texture.Levels[3][0]), 230);
  // Without "{", index 255 is a colour like any other.
  EXPECT_NE(static_cast<uint8_t>(MakeMiptex("grate", level0, m_Palette).Levels[1][63]), 255);

  // A texture takes sides in multiples of 16 only, the console font 128 x 128.
  QString error;
  const QImage image = IndicesToImage(level0, m_Palette, false);
  const QByteArray lump = ImageToLumpFile(image, lfMiptex, "{grate", m_Palette, &error);
  EXPECT_EQ(lump.toStdString(), QuakePictures::WriteMiptex(texture));
  EXPECT_TRUE(ImageToLumpFile(image.copy(0, 0, 8, 16), lfMiptex, "x", m_Palette, &error).isEmpty());
  EXPECT_EQ(error.toStdString(), "its size 8 x 16 is no texture's: the game needs sides in multiples of 16.");
  EXPECT_TRUE(ImageToLumpFile(image, lfConchars, "conchars", m_Palette, &error).isEmpty());
  EXPECT_EQ(error.toStdString(), "the console font must be 128 x 128 pixels.");
  EXPECT_EQ(LumpFileOf("x/#water.MIP"), lfMiptex);
  EXPECT_EQ(LumpFileOf("conchars.raw"), lfConchars);
  EXPECT_EQ(LumpFileOf("palette.pal"), lfPalette);
  EXPECT_EQ(LumpFileOf("x.png"), lfNone);
}
