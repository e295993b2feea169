// SPDX-License-Identifier: GPL-3.0-or-later
// The command line's picture module: LumpPicture behind C functions.
#include "PictureModule.h"

#include "LumpPicture.h"

#include <QFileInfo>
#include <QString>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <cstring>

namespace {

TQuakePalette PaletteOf(const unsigned char *palette) {
  std::array<uint8_t, PakFormat::PaletteSize> colours{};
  std::copy_n(palette, colours.size(), colours.begin());
  return TQuakePalette(colours);
}

int Answer(const QString &failure, char *reason, size_t reasonSize) {
  const QByteArray text = failure.toLocal8Bit();
  if (reasonSize > 0) {
    const size_t length = std::min(static_cast<size_t>(text.size()), reasonSize - 1);
    std::memcpy(reason, text.constData(), length);
    reason[length] = '\0';
  }
  return failure.isEmpty() ? 1 : 0;
}

} // namespace

extern "C" __attribute__((visibility("default"))) int VarnelConvertPicture(const char *input, const char *output,
                                                                           const unsigned char *palette, char *reason,
                                                                           size_t reasonSize) {
  return Answer(
      LumpPicture::ConvertFile(QString::fromLocal8Bit(input), QString::fromLocal8Bit(output), PaletteOf(palette)),
      reason, reasonSize);
}

extern "C" __attribute__((visibility("default"))) int VarnelImageToLump(const char *image, const char *lumpFileName,
                                                                        const unsigned char *palette, char **data,
                                                                        size_t *size, char *reason,
                                                                        size_t reasonSize) {
  QString failure;
  const QImage picture = LumpPicture::ReadImageFile(QString::fromLocal8Bit(image), &failure);
  if (picture.isNull())
    return Answer(failure, reason, reasonSize);
  const QString lumpFile = QString::fromLocal8Bit(lumpFileName);
  const std::string name = QuakePictures::NameOfSafeFileName(QFileInfo(lumpFile).completeBaseName().toStdString());
  const QByteArray lump = LumpPicture::ImageToLumpFile(picture, LumpPicture::LumpFileOf(lumpFile), name,
                                                       PaletteOf(palette), &failure);
  if (lump.isEmpty())
    return Answer(QString::fromLocal8Bit(image) + QStringLiteral(": ") + failure, reason, reasonSize);
  *size = static_cast<size_t>(lump.size());
  *data = static_cast<char *>(std::malloc(*size));
  if (*data == nullptr)
    return Answer(QStringLiteral("out of memory"), reason, reasonSize);
  std::memcpy(*data, lump.constData(), *size);
  return Answer({}, reason, reasonSize);
}

extern "C" __attribute__((visibility("default"))) int VarnelLumpToImage(const char *lump, size_t size,
                                                                        const char *lumpFileName, const char *output,
                                                                        const unsigned char *palette, char *reason,
                                                                        size_t reasonSize) {
  QString failure;
  const QImage image =
      LumpPicture::LumpFileToImage(QByteArray(lump, static_cast<qsizetype>(size)),
                                   LumpPicture::LumpFileOf(QString::fromLocal8Bit(lumpFileName)), PaletteOf(palette),
                                   &failure);
  if (image.isNull())
    return Answer(QString::fromLocal8Bit(lumpFileName) + QStringLiteral(": ") + failure, reason, reasonSize);
  return Answer(LumpPicture::WriteImageFile(image, QString::fromLocal8Bit(output)), reason, reasonSize);
}
