// SPDX-License-Identifier: GPL-3.0-or-later
// The convert command's module: LumpPicture behind a C function.
#include "PictureModule.h"

#include "LumpPicture.h"

#include <QString>
#include <algorithm>
#include <array>
#include <cstring>

extern "C" __attribute__((visibility("default"))) int VarnelConvertPicture(const char *input, const char *output,
                                                                           const unsigned char *palette, char *reason,
                                                                           size_t reasonSize) {
  std::array<uint8_t, PakFormat::PaletteSize> colours{};
  std::copy_n(palette, colours.size(), colours.begin());
  const QByteArray failure =
      LumpPicture::ConvertFile(QString::fromLocal8Bit(input), QString::fromLocal8Bit(output), TQuakePalette(colours))
          .toLocal8Bit();
  if (reasonSize > 0) {
    const size_t length = std::min(static_cast<size_t>(failure.size()), reasonSize - 1);
    std::memcpy(reason, failure.constData(), length);
    reason[length] = '\0';
  }
  return failure.isEmpty() ? 1 : 0;
}
