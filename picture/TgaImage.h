// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// TGA files written and read here rather than by Qt, whose TGA plugin reads
// only true-colour files that end in the TGA 2.0 footer and writes none.

#include <QByteArray>
#include <QImage>
#include <QString>

namespace TgaImage {

// The image as an uncompressed TGA file, rows from the top (descriptor bit 5),
// ending in the TGA 2.0 footer. An 8-bit indexed image becomes colour-mapped
// (type 1): its colour table is the map, 24-bit, or 32-bit with alpha (and 8
// alpha bits in the descriptor) when any colour of the table is not opaque.
// A colour map with alpha keeps a transparent picture's indices, so it comes
// back byte for byte; readers of colour-mapped files (ImageMagick, GIMP)
// take alpha from such a map, as the descriptor's alpha bits tell them.
// Any other image becomes 32-bit true colour with alpha (type 2). Empty, with
// the reason, when the image is null or a side is longer than 65535 pixels.
QByteArray ImageToTga(const QImage &image, QString *error);

// An uncompressed TGA file: colour-mapped (type 1, 8-bit indices, a map of at
// most 256 colours of 24 or 32 bits) as an 8-bit indexed image whose colour
// table is the map, so the indices stay as they are; true colour (type 2, 24
// or 32 bits) as a 32-bit image. Rows from the top or the bottom, columns
// from the left or the right, as the descriptor says; the 32nd bit is alpha
// only where the descriptor gives alpha bits. The footer is optional. A null
// image, with the reason, for anything else or a file shorter than its header says.
QImage TgaToImage(const QByteArray &file, QString *error);

// Whether a file of this name is a TGA file: its extension is .tga in any case.
bool IsTgaFileName(const QString &fileName);

} // namespace TgaImage
