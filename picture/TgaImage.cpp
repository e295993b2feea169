// SPDX-License-Identifier: GPL-3.0-or-later
#include "TgaImage.h"

#include <QFileInfo>
#include <QtEndian>

#include <algorithm>

namespace TgaImage {
namespace {

// The header's fields, by offset; numbers are little-endian.
constexpr int IdLengthAt = 0;
constexpr int MapTypeAt = 1;
constexpr int ImageTypeAt = 2;
constexpr int MapFirstAt = 3;
constexpr int MapLengthAt = 5;
constexpr int MapEntryBitsAt = 7;
constexpr int WidthAt = 12;
constexpr int HeightAt = 14;
constexpr int PixelBitsAt = 16;
constexpr int DescriptorAt = 17;
constexpr int HeaderSize = 18;

constexpr uchar ColourMapped = 1;
constexpr uchar TrueColour = 2;
// Descriptor: the number of alpha bits, and the order of rows and columns.
constexpr uchar AlphaBitsMask = 0x0F;
constexpr uchar RightToLeft = 0x10;
constexpr uchar TopToBottom = 0x20;

// A colour map of 8-bit indices.
constexpr int MaxColours = 256;
constexpr int MaxSide = 0xFFFF;

// No extension area, no developer area, the signature.
const QByteArray Footer = QByteArray(8, '\0') + QByteArrayLiteral("TRUEVISION-XFILE.") + QByteArray(1, '\0');

void PutColour(QByteArray &out, QRgb colour, bool alpha) {
  out.append(static_cast<char>(qBlue(colour))).append(static_cast<char>(qGreen(colour)));
  out.append(static_cast<char>(qRed(colour)));
  if (alpha)
    out.append(static_cast<char>(qAlpha(colour)));
}

QRgb ColourAt(const uchar *bytes, int bits, bool alpha) {
  return qRgba(bytes[2], bytes[1], bytes[0], bits == 32 && alpha ? bytes[3] : 255);
}

template <typename T> T Fail(QString *error, const QString &reason) {
  if (error != nullptr)
    *error = reason;
  return T();
}

} // namespace

QByteArray ImageToTga(const QImage &image, QString *error) {
  if (image.isNull())
    return Fail<QByteArray>(error, QStringLiteral("the image is empty."));
  if (image.width() > MaxSide || image.height() > MaxSide)
    return Fail<QByteArray>(error, QStringLiteral("a TGA image is at most %1 pixels wide and high.").arg(MaxSide));
  const bool mapped = image.format() == QImage::Format_Indexed8 && image.colorCount() > 0;
  const QList<QRgb> table = mapped ? image.colorTable() : QList<QRgb>();
  const bool alpha =
      !mapped || std::any_of(table.begin(), table.end(), [](QRgb colour) { return qAlpha(colour) != 255; });
  const int entryBits = alpha ? 32 : 24;

  QByteArray out(HeaderSize, '\0');
  auto *header = reinterpret_cast<uchar *>(out.data());
  header[MapTypeAt] = mapped ? 1 : 0;
  header[ImageTypeAt] = mapped ? ColourMapped : TrueColour;
  if (mapped) {
    qToLittleEndian<quint16>(static_cast<quint16>(table.size()), header + MapLengthAt);
    header[MapEntryBitsAt] = static_cast<uchar>(entryBits);
  }
  qToLittleEndian<quint16>(static_cast<quint16>(image.width()), header + WidthAt);
  qToLittleEndian<quint16>(static_cast<quint16>(image.height()), header + HeightAt);
  header[PixelBitsAt] = mapped ? 8 : 32;
  header[DescriptorAt] = TopToBottom | (alpha ? 8 : 0);

  if (mapped) {
    for (QRgb colour : table)
      PutColour(out, colour, alpha);
    for (int y = 0; y < image.height(); ++y)
      out.append(reinterpret_cast<const char *>(image.constScanLine(y)), image.width());
  } else {
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    out.reserve(out.size() + qsizetype{argb.width()} * argb.height() * 4 + Footer.size());
    for (int y = 0; y < argb.height(); ++y) {
      const auto *row = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
      for (int x = 0; x < argb.width(); ++x)
        PutColour(out, row[x], true);
    }
  }
  return out + Footer;
}

QImage TgaToImage(const QByteArray &file, QString *error) {
  if (file.size() < HeaderSize)
    return Fail<QImage>(error, QStringLiteral("the file is too short to be a TGA image."));
  const auto *bytes = reinterpret_cast<const uchar *>(file.constData());
  const int type = bytes[ImageTypeAt];
  const int mapFirst = qFromLittleEndian<quint16>(bytes + MapFirstAt);
  const int mapLength = bytes[MapTypeAt] != 0 ? qFromLittleEndian<quint16>(bytes + MapLengthAt) : 0;
  const int entryBits = bytes[MapEntryBitsAt];
  const int width = qFromLittleEndian<quint16>(bytes + WidthAt);
  const int height = qFromLittleEndian<quint16>(bytes + HeightAt);
  const int pixelBits = bytes[PixelBitsAt];
  const uchar descriptor = bytes[DescriptorAt];
  const bool alpha = (descriptor & AlphaBitsMask) != 0;

  const bool mapped = type == ColourMapped && bytes[MapTypeAt] == 1 && pixelBits == 8 &&
                      (entryBits == 24 || entryBits == 32) && mapFirst + mapLength <= MaxColours;
  if (!mapped && !(type == TrueColour && (pixelBits == 24 || pixelBits == 32)))
    return Fail<QImage>(error, QStringLiteral("only uncompressed TGA images are read: colour-mapped ones of up to 256 "
                                              "colours of 24 or 32 bits, and true-colour ones of 24 or 32 bits."));
  if (width == 0 || height == 0)
    return Fail<QImage>(error, QStringLiteral("the TGA image is empty."));
  const qint64 mapAt = HeaderSize + bytes[IdLengthAt];
  const qint64 pixelsAt = mapAt + qint64{mapLength} * ((entryBits + 7) / 8);
  const int pixelBytes = pixelBits / 8;
  if (file.size() < pixelsAt + qint64{width} * height * pixelBytes)
    return Fail<QImage>(error, QStringLiteral("the file is shorter than its TGA header says."));

  QImage image(width, height, mapped ? QImage::Format_Indexed8 : QImage::Format_ARGB32);
  if (image.isNull())
    return Fail<QImage>(error, QStringLiteral("there is not enough memory for the image."));
  if (mapped) {
    QList<QRgb> table(mapFirst + mapLength, qRgb(0, 0, 0));
    for (int i = 0; i < mapLength; ++i)
      table[mapFirst + i] = ColourAt(bytes + mapAt + qint64{i} * (entryBits / 8), entryBits, alpha);
    image.setColorTable(table);
  }
  const uchar *pixel = bytes + pixelsAt;
  for (int row = 0; row < height; ++row) {
    uchar *line = image.scanLine((descriptor & TopToBottom) != 0 ? row : height - 1 - row);
    for (int column = 0; column < width; ++column, pixel += pixelBytes) {
      const int x = (descriptor & RightToLeft) != 0 ? width - 1 - column : column;
      if (!mapped) {
        reinterpret_cast<QRgb *>(line)[x] = ColourAt(pixel, pixelBits, alpha);
      } else if (*pixel >= mapFirst && *pixel < mapFirst + mapLength) {
        line[x] = *pixel;
      } else {
        return Fail<QImage>(error, QStringLiteral("a pixel of the TGA image has a colour its map does not hold."));
      }
    }
  }
  return image;
}

bool IsTgaFileName(const QString &fileName) {
  return QFileInfo(fileName).suffix().compare(QLatin1String("tga"), Qt::CaseInsensitive) == 0;
}

} // namespace TgaImage
