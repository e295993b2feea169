// SPDX-License-Identifier: GPL-3.0-or-later
#include "LumpPicture.h"
#include "QuakeWad.h"
#include "TgaImage.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QImageReader>
#include <QImageWriter>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <limits>

namespace LumpPicture {
namespace {

constexpr qsizetype LumpHeaderSize = PakFormat::PictureHeaderSize;
constexpr int PaletteSide = 16;
constexpr int PaletteColours = PaletteSide * PaletteSide;

// Written whole or not at all, by the road the engine saves archives: a
// failure leaves no half file behind, and a link another user planted in a
// shared folder is not written through. Empty, or the reason naming the file.
QString WriteWhole(const QString &output, const QByteArray &bytes) {
  return QString::fromLocal8Bit(
      ReplaceFileContents(QFile::encodeName(output).toStdString(), bytes.constData(), static_cast<size_t>(bytes.size())));
}

QRgb PaletteColour(const TQuakePalette &palette, int index) {
  const auto &bytes = palette.Colours();
  return qRgb(bytes[3 * index], bytes[3 * index + 1], bytes[3 * index + 2]);
}

QList<QRgb> ColourTable(const TQuakePalette &palette, bool transparent) {
  QList<QRgb> table(PaletteColours);
  for (int i = 0; i < PaletteColours; ++i)
    table[i] = PaletteColour(palette, i);
  if (transparent)
    table[TransparentIndex] = table[TransparentIndex] & RGB_MASK;
  return table;
}

// Whether the image's colour table is the palette, so its indices can be
// taken as they are. Index 255 may differ in alpha only.
bool UsesPalette(const QImage &image, const TQuakePalette &palette) {
  if (image.format() != QImage::Format_Indexed8 || image.colorCount() != PaletteColours)
    return false;
  const QList<QRgb> table = image.colorTable();
  for (int i = 0; i < PaletteColours; ++i) {
    const QRgb expected = PaletteColour(palette, i);
    if (i == TransparentIndex ? (table[i] & RGB_MASK) != (expected & RGB_MASK) : table[i] != expected)
      return false;
  }
  return true;
}

bool Fail(QString *error, const QString &reason) {
  if (error != nullptr)
    *error = reason;
  return false;
}

QString SizeText(qint64 width, qint64 height) { return QStringLiteral("%1 x %2").arg(width).arg(height); }

bool CheckSize(const QImage &image, QString *error) {
  if (image.isNull())
    return Fail(error, QStringLiteral("the image is empty."));
  if (image.width() > MaxSide || image.height() > MaxSide)
    return Fail(error, QStringLiteral("the image of %1 pixels is larger than a picture may be (%2 x %2).")
                           .arg(SizeText(image.width(), image.height()))
                           .arg(MaxSide));
  return true;
}

} // namespace

bool Converts(TFileKind kind) { return KindInfo(kind).ConvertsToImages; }

QImage IndicesToImage(const QuakePictures::TPicture &picture, const TQuakePalette &palette, bool transparent) {
  QImage image(picture.Width, picture.Height, QImage::Format_Indexed8);
  const auto *indices = reinterpret_cast<const uchar *>(picture.Indices.data());
  for (int y = 0; y < image.height(); ++y)
    std::memcpy(image.scanLine(y), indices + qsizetype{y} * picture.Width, static_cast<size_t>(picture.Width));
  transparent = transparent && picture.Indices.find(static_cast<char>(TransparentIndex)) != std::string::npos;
  image.setColorTable(ColourTable(palette, transparent));
  return image;
}

QImage LumpToImage(const QByteArray &lump, const TQuakePalette &palette, QString *error) {
  const auto *bytes = reinterpret_cast<const uchar *>(lump.constData());
  // A picture without pixels makes no image either.
  const TPictureLayout layout = ReadPictureLayout(bytes, lump.size());
  if (layout.Fault != pfNone)
    return Fail(error, QString::fromStdString(layout.Reason)), QImage();
  QuakePictures::TPicture picture{layout.Width, layout.Height,
                                  std::string(lump.constData() + layout.IndexOffset,
                                              static_cast<size_t>(layout.PixelCount()))};
  return IndicesToImage(picture, palette, true);
}

QImage PaletteToImage(const QByteArray &palette, QString *error) {
  if (const std::string refusal = PaletteRefusal(palette.size()); !refusal.empty())
    return Fail(error, QString::fromStdString(refusal)), QImage();
  QImage image(PaletteSide, PaletteSide, QImage::Format_RGB32);
  const auto *rgb = reinterpret_cast<const uchar *>(palette.constData());
  for (int i = 0; i < PaletteColours; ++i)
    image.setPixel(i % PaletteSide, i / PaletteSide, qRgb(rgb[3 * i], rgb[3 * i + 1], rgb[3 * i + 2]));
  return image;
}

QImage ColormapToImage(const QByteArray &colormap, const TQuakePalette &palette, QString *error) {
  constexpr int LevelSize = PaletteColours;
  constexpr int Levels = 64;
  const int rows = static_cast<int>(std::min<qsizetype>(colormap.size() / LevelSize, Levels));
  if (rows == 0)
    return Fail(error, QStringLiteral("the colour map holds no light level of %1 bytes.").arg(LevelSize)), QImage();
  QImage image(LevelSize, rows, QImage::Format_Indexed8);
  for (int y = 0; y < rows; ++y)
    std::memcpy(image.scanLine(y), colormap.constData() + qsizetype{y} * LevelSize, LevelSize);
  image.setColorTable(ColourTable(palette, false));
  return image;
}

uint8_t NearestIndex(QRgb color, const TQuakePalette &palette) {
  const int red = qRed(color), green = qGreen(color), blue = qBlue(color);
  for (int i = FirstFullbrightIndex; i < TransparentIndex; ++i)
    if ((PaletteColour(palette, i) & RGB_MASK) == (color & RGB_MASK))
      return static_cast<uint8_t>(i);
  int best = 0;
  int bestDistance = std::numeric_limits<int>::max();
  for (int i = 0; i < FirstFullbrightIndex && bestDistance > 0; ++i) {
    const QRgb candidate = PaletteColour(palette, i);
    const int dr = qRed(candidate) - red, dg = qGreen(candidate) - green, db = qBlue(candidate) - blue;
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < bestDistance) {
      bestDistance = distance;
      best = i;
    }
  }
  return static_cast<uint8_t>(best);
}

bool ImageToIndices(const QImage &image, const TQuakePalette &palette, QuakePictures::TPicture &picture,
                    QString *error) {
  if (!CheckSize(image, error))
    return false;
  const int width = image.width(), height = image.height();
  picture.Width = width;
  picture.Height = height;
  picture.Indices.assign(static_cast<size_t>(qsizetype{width} * height), '\0');
  auto *out = reinterpret_cast<uchar *>(picture.Indices.data());
  if (UsesPalette(image, palette)) {
    for (int y = 0; y < height; ++y, out += width)
      std::memcpy(out, image.constScanLine(y), static_cast<size_t>(width));
    return true;
  }
  // Pictures hold few colours: each is matched once.
  const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
  QHash<QRgb, uint8_t> matched;
  for (int y = 0; y < height; ++y) {
    const auto *row = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
    for (int x = 0; x < width; ++x, ++out) {
      if (qAlpha(row[x]) < 128) {
        *out = TransparentIndex;
        continue;
      }
      const QRgb colour = row[x] | ~RGB_MASK;
      auto found = matched.constFind(colour);
      if (found == matched.constEnd())
        found = matched.insert(colour, NearestIndex(colour, palette));
      *out = found.value();
    }
  }
  return true;
}

QByteArray ImageToLump(const QImage &image, const TQuakePalette &palette, QString *error) {
  QuakePictures::TPicture picture;
  if (!ImageToIndices(image, palette, picture, error))
    return {};
  QByteArray lump(LumpHeaderSize, Qt::Uninitialized);
  qToLittleEndian<qint32>(picture.Width, lump.data());
  qToLittleEndian<qint32>(picture.Height, lump.data() + 4);
  lump.append(picture.Indices.data(), static_cast<qsizetype>(picture.Indices.size()));
  return lump;
}

QuakePictures::TMiptex MakeMiptex(const std::string &name, const QuakePictures::TPicture &level0,
                                  const TQuakePalette &palette) {
  QuakePictures::TMiptex texture;
  texture.Name = name;
  texture.Width = level0.Width;
  texture.Height = level0.Height;
  texture.Levels[0] = level0.Indices;
  const bool seeThrough = !name.empty() && name.front() == '{';
  QHash<QRgb, uint8_t> matched;
  for (int level = 1; level < QuakePictures::MipLevels; ++level) {
    const int step = 1 << level;
    const int width = level0.Width >> level, height = level0.Height >> level;
    std::string &pixels = texture.Levels[static_cast<size_t>(level)];
    pixels.assign(static_cast<size_t>(qsizetype{width} * height), '\0');
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        int red = 0, green = 0, blue = 0, counted = 0, clear = 0;
        for (int dy = 0; dy < step; ++dy) {
          for (int dx = 0; dx < step; ++dx) {
            const auto index = static_cast<uint8_t>(
                level0.Indices[static_cast<size_t>(qsizetype{y * step + dy} * level0.Width + x * step + dx)]);
            if (seeThrough && index == TransparentIndex) {
              ++clear;
              continue;
            }
            const QRgb colour = PaletteColour(palette, index);
            red += qRed(colour);
            green += qGreen(colour);
            blue += qBlue(colour);
            ++counted;
          }
        }
        uint8_t index = TransparentIndex;
        if (2 * clear <= step * step) {
          const QRgb mean = qRgb(red / counted, green / counted, blue / counted);
          auto found = matched.constFind(mean);
          if (found == matched.constEnd())
            found = matched.insert(mean, NearestIndex(mean, palette));
          index = found.value();
        }
        pixels[static_cast<size_t>(qsizetype{y} * width + x)] = static_cast<char>(index);
      }
    }
  }
  return texture;
}

QByteArray ImageToPalette(const QImage &image, QString *error) {
  if (image.isNull() || image.width() != PaletteSide || image.height() != PaletteSide)
    return Fail(error, QStringLiteral("a palette image must be 16 x 16 pixels, one per colour.")), QByteArray();
  QByteArray palette(PakFormat::PaletteSize, Qt::Uninitialized);
  for (int i = 0; i < PaletteColours; ++i) {
    const QRgb colour = image.pixel(i % PaletteSide, i / PaletteSide);
    palette[3 * i] = static_cast<char>(qRed(colour));
    palette[3 * i + 1] = static_cast<char>(qGreen(colour));
    palette[3 * i + 2] = static_cast<char>(qBlue(colour));
  }
  return palette;
}

TLumpFile LumpFileOf(const QString &fileName) {
  const QString name = QFileInfo(fileName).fileName();
  switch (FileKindOf(name.toStdString())) {
  case fkLump:
    return lfPicture;
  case fkPalette:
    return lfPalette;
  default:
    break;
  }
  const QString suffix = QFileInfo(name).suffix().toLower();
  if (suffix == QLatin1String("pal"))
    return lfPalette;
  if (suffix == QLatin1String("mip"))
    return lfMiptex;
  if (suffix == QLatin1String("raw"))
    return lfConchars;
  return lfNone;
}

TLumpFile LumpFileOfKind(QuakeWad::TLumpKind kind) {
  switch (kind) {
  case QuakeWad::lkPalette:
    return lfPalette;
  case QuakeWad::lkPicture:
    return lfPicture;
  case QuakeWad::lkMiptex:
    return lfMiptex;
  case QuakeWad::lkConchars:
    return lfConchars;
  case QuakeWad::lkOther:
    break;
  }
  return lfNone;
}

QImage LumpFileToImage(const QByteArray &lump, TLumpFile kind, const TQuakePalette &palette, QString *error) {
  switch (kind) {
  case lfPicture:
    return LumpToImage(lump, palette, error);
  case lfPalette:
    return PaletteToImage(lump, error);
  case lfMiptex: {
    QuakePictures::TMiptex texture;
    std::string reason;
    if (!QuakePictures::ReadMiptex(lump.toStdString(), texture, reason))
      return Fail(error, QString::fromStdString(reason)), QImage();
    return IndicesToImage(texture.Level(0), palette, texture.Name.starts_with('{'));
  }
  case lfConchars:
    if (lump.size() != qsizetype{QuakePictures::ConcharsSize})
      return Fail(error, QStringLiteral("the console font is 128 x 128 indices (16384 bytes), not %1 bytes.")
                             .arg(lump.size())),
             QImage();
    return IndicesToImage({QuakePictures::ConcharsSide, QuakePictures::ConcharsSide, lump.toStdString()}, palette,
                          false);
  case lfNone:
    break;
  }
  return Fail(error, QStringLiteral("not a picture lump.")), QImage();
}

QByteArray ImageToLumpFile(const QImage &image, TLumpFile kind, const std::string &name, const TQuakePalette &palette,
                           QString *error) {
  QuakePictures::TPicture picture;
  switch (kind) {
  case lfPicture:
    return ImageToLump(image, palette, error);
  case lfPalette:
    return ImageToPalette(image, error);
  case lfMiptex: {
    if (const std::string refusal = QuakePictures::MiptexSizeRefusal(image.width(), image.height());
        !refusal.empty() && !image.isNull())
      return Fail(error, QString::fromStdString(refusal)), QByteArray();
    if (const std::string refusal = QuakeWad::LumpNameRefusal(name); !refusal.empty())
      return Fail(error, QString::fromStdString(refusal)), QByteArray();
    if (!ImageToIndices(image, palette, picture, error))
      return {};
    return QByteArray::fromStdString(QuakePictures::WriteMiptex(MakeMiptex(name, picture, palette)));
  }
  case lfConchars:
    if (image.width() != QuakePictures::ConcharsSide || image.height() != QuakePictures::ConcharsSide)
      return Fail(error, QStringLiteral("the console font must be 128 x 128 pixels.")), QByteArray();
    if (!ImageToIndices(image, palette, picture, error))
      return {};
    return QByteArray::fromStdString(picture.Indices);
  case lfNone:
    break;
  }
  return Fail(error, QStringLiteral("not a picture lump.")), QByteArray();
}

QImage ReadImageFile(const QString &path, QString *error) {
  if (TgaImage::IsTgaFileName(path)) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
      return Fail(error, path + QStringLiteral(": ") + file.errorString()), QImage();
    const QByteArray tga = file.readAll();
    if (file.error() != QFileDevice::NoError)
      return Fail(error, path + QStringLiteral(": ") + file.errorString()), QImage();
    QString reason;
    QImage image = TgaImage::TgaToImage(tga, &reason);
    if (image.isNull())
      Fail(error, path + QStringLiteral(": ") + reason);
    return image;
  }
  QImageReader reader(path);
  QImage image = reader.read();
  if (image.isNull())
    Fail(error, path + QStringLiteral(": ") + reader.errorString());
  return image;
}

QString WriteImageFile(const QImage &image, const QString &output) {
  QString reason;
  QByteArray encoded;
  if (TgaImage::IsTgaFileName(output)) {
    encoded = TgaImage::ImageToTga(image, &reason);
    if (encoded.isEmpty())
      return output + QStringLiteral(": ") + reason;
  } else {
    QBuffer target(&encoded);
    target.open(QIODevice::WriteOnly);
    QImageWriter writer(&target, QFileInfo(output).suffix().toLatin1());
    if (!writer.write(image))
      return output + QStringLiteral(": ") + writer.errorString();
  }
  return WriteWhole(output, encoded);
}

QString ConvertFile(const QString &input, const QString &output, const TQuakePalette &palette) {
  const TLumpFile inputKind = LumpFileOf(input);
  const TLumpFile outputKind = LumpFileOf(output);
  QString reason;
  if (inputKind != lfNone) {
    QFile file(input);
    if (!file.open(QIODevice::ReadOnly))
      return input + QStringLiteral(": ") + file.errorString();
    // A lump is never larger than its biggest picture and mips allow; more is not read.
    const QByteArray lump = file.read(QuakePictures::MiptexHeaderSize + 2 * qint64{MaxSide} * MaxSide);
    if (file.error() != QFileDevice::NoError)
      return input + QStringLiteral(": ") + file.errorString();
    const QImage image = LumpFileToImage(lump, inputKind, palette, &reason);
    if (image.isNull())
      return input + QStringLiteral(": ") + reason;
    return WriteImageFile(image, output);
  }
  if (outputKind == lfNone)
    return output + QStringLiteral(": neither the input nor the output is a picture lump (.lmp, .mip, .raw, .pal).");
  const QImage image = ReadImageFile(input, &reason);
  if (image.isNull())
    return reason;
  const std::string name = QuakePictures::NameOfSafeFileName(QFileInfo(output).completeBaseName().toStdString());
  const QByteArray lump = ImageToLumpFile(image, outputKind, name, palette, &reason);
  if (lump.isEmpty())
    return input + QStringLiteral(": ") + reason;
  return WriteWhole(output, lump);
}

} // namespace LumpPicture
