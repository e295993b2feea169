#include "LumpPicture.h"
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

QImage LumpToImage(const QByteArray &lump, const TQuakePalette &palette, QString *error) {
  const auto *bytes = reinterpret_cast<const uchar *>(lump.constData());
  // A picture without pixels makes no image either.
  const TPictureLayout layout = ReadPictureLayout(bytes, lump.size());
  if (layout.Fault != pfNone)
    return Fail(error, QString::fromStdString(layout.Reason)), QImage();
  const qint64 width = layout.Width;
  const qint64 pixels = layout.PixelCount();
  const uchar *indices = bytes + layout.IndexOffset;
  QImage image(layout.Width, layout.Height, QImage::Format_Indexed8);
  for (int y = 0; y < image.height(); ++y)
    std::memcpy(image.scanLine(y), indices + y * width, static_cast<size_t>(width));
  const bool transparent = std::memchr(indices, TransparentIndex, static_cast<size_t>(pixels)) != nullptr;
  image.setColorTable(ColourTable(palette, transparent));
  return image;
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

QByteArray ImageToLump(const QImage &image, const TQuakePalette &palette, QString *error) {
  if (!CheckSize(image, error))
    return {};
  const int width = image.width(), height = image.height();
  QByteArray lump(LumpHeaderSize + qsizetype{width} * height, Qt::Uninitialized);
  auto *out = reinterpret_cast<uchar *>(lump.data());
  qToLittleEndian<qint32>(width, out);
  qToLittleEndian<qint32>(height, out + 4);
  out += LumpHeaderSize;
  if (UsesPalette(image, palette)) {
    for (int y = 0; y < height; ++y, out += width)
      std::memcpy(out, image.constScanLine(y), static_cast<size_t>(width));
    return lump;
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
  return lump;
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

QString ConvertFile(const QString &input, const QString &output, const TQuakePalette &palette) {
  const TFileKind inputKind = FileKindOf(QFileInfo(input).fileName().toStdString());
  const TFileKind outputKind = FileKindOf(QFileInfo(output).fileName().toStdString());
  QString reason;
  if (Converts(inputKind)) {
    QFile file(input);
    if (!file.open(QIODevice::ReadOnly))
      return input + QStringLiteral(": ") + file.errorString();
    // A picture is never larger than its biggest size allows; more is not read.
    const QByteArray lump = file.read(LumpHeaderSize + qint64{MaxSide} * MaxSide);
    if (file.error() != QFileDevice::NoError)
      return input + QStringLiteral(": ") + file.errorString();
    const QImage image = inputKind == fkPalette ? PaletteToImage(lump, &reason) : LumpToImage(lump, palette, &reason);
    if (image.isNull())
      return input + QStringLiteral(": ") + reason;
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
  if (!Converts(outputKind))
    return output + QStringLiteral(": neither the input nor the output is a picture lump (.lmp).");
  QImage image;
  if (TgaImage::IsTgaFileName(input)) {
    QFile file(input);
    if (!file.open(QIODevice::ReadOnly))
      return input + QStringLiteral(": ") + file.errorString();
    const QByteArray tga = file.readAll();
    if (file.error() != QFileDevice::NoError)
      return input + QStringLiteral(": ") + file.errorString();
    image = TgaImage::TgaToImage(tga, &reason);
    if (image.isNull())
      return input + QStringLiteral(": ") + reason;
  } else {
    QImageReader reader(input);
    image = reader.read();
    if (image.isNull())
      return input + QStringLiteral(": ") + reader.errorString();
  }
  const QByteArray lump =
      outputKind == fkPalette ? ImageToPalette(image, &reason) : ImageToLump(image, palette, &reason);
  if (lump.isEmpty())
    return input + QStringLiteral(": ") + reason;
  return WriteWhole(output, lump);
}

} // namespace LumpPicture
