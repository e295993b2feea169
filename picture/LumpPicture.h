// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// Quake pictures as ordinary images: picture lumps and the palette to and from
// QImage, for the window and the command-line program alike. Qt's image
// classes do the file formats, TgaImage the TGA files; this unit only maps
// pixels to palette indices and back. It links Qt6::Gui and the engine, and needs no display.

#include "PakQuake.h"
#include "QuakePictures.h"
#include "QuakeWad.h"

#include <QByteArray>
#include <QImage>
#include <QString>

namespace LumpPicture {

// The palette index that the game draws as see-through in its pictures.
inline constexpr uint8_t TransparentIndex = 255;
// Indices from here to 254 are drawn at full brightness whatever the light.
inline constexpr uint8_t FirstFullbrightIndex = 224;
// Pictures larger than this in either direction are refused both ways.
inline constexpr int MaxSide = PakFormat::MaxPictureSide;

// Whether a lump of this kind converts at all (the kind table says: picture
// lumps and the palette).
bool Converts(TFileKind kind);

// A picture lump (width and height as 32-bit little-endian numbers, then one
// palette index per pixel, row by row) as an 8-bit image whose colour table is
// the palette. A lump that uses index 255 is a transparent picture: that
// colour is then fully transparent. Bytes after the pixels are ignored. A null
// image and the reason in *error when ReadPictureLayout finds a fault (a
// picture without pixels included: no image file holds one).
QImage LumpToImage(const QByteArray &lump, const TQuakePalette &palette, QString *error);

// The 768-byte palette as a 16 x 16 image, one pixel per colour.
QImage PaletteToImage(const QByteArray &palette, QString *error);

// The colour map (64 light levels of 256 palette indices each, then one
// byte) as an 8-bit image, one row a light level from bright to dark, whose
// colour table is the palette; the rows the bytes hold whole. A null image
// and the reason when they hold not one row.
QImage ColormapToImage(const QByteArray &colormap, const TQuakePalette &palette, QString *error);

// An image as a picture lump. An 8-bit image whose colour table is the
// palette keeps its indices as they are, so a lump exported and imported
// again is byte-identical. Any other image is matched colour by colour:
// transparent pixels (alpha below half) become index 255; the full-bright
// indices are used only for exactly their colours; every other colour takes
// the nearest of the indices below them. Empty, with the reason, when the
// image is null or larger than MaxSide.
QByteArray ImageToLump(const QImage &image, const TQuakePalette &palette, QString *error);

// A 16 x 16 image as the 768-byte palette, colour i from pixel i.
QByteArray ImageToPalette(const QImage &image, QString *error);

// The palette index nearest to the colour: exact full-bright matches first,
// then the least squared distance among the indices below them (the lowest
// index on a tie).
uint8_t NearestIndex(QRgb color, const TQuakePalette &palette);

// Palette indices as an 8-bit image whose colour table is the palette; with
// transparent, index 255 (when the picture uses it) is fully transparent.
QImage IndicesToImage(const QuakePictures::TPicture &picture, const TQuakePalette &palette, bool transparent);
// An image as palette indices by ImageToLump's rule. False with the reason
// when the image is null or larger than MaxSide.
bool ImageToIndices(const QImage &image, const TQuakePalette &palette, QuakePictures::TPicture &picture,
                    QString *error);
// A mip texture of the level-0 picture, levels 1 to 3 made from it: each
// pixel the nearest palette colour (NearestIndex) to the mean of the
// level-0 colours it covers, so that a full-bright colour stays only where
// all of them are that colour. In a texture whose name starts with "{"
// (index 255 see-through), a pixel is 255 where most of those it covers are,
// the mean of the others elsewhere.
QuakePictures::TMiptex MakeMiptex(const std::string &name, const QuakePictures::TPicture &level0,
                                  const TQuakePalette &palette);

// What a lump file holds, by its name: ".lmp" a picture (palette.lmp the
// palette), ".pal" a palette, ".mip" a mip texture (the level-0 picture is
// the image), ".raw" the console font (128 x 128 indices).
enum TLumpFile : uint8_t { lfNone, lfPicture, lfPalette, lfMiptex, lfConchars };
TLumpFile LumpFileOf(const QString &fileName);
// A lump's bytes as an image, or a null image and the reason.
QImage LumpFileToImage(const QByteArray &lump, TLumpFile kind, const TQuakePalette &palette, QString *error);
// The picture kind of a WAD lump of that kind; lfNone for a lump that holds no picture.
TLumpFile LumpFileOfKind(QuakeWad::TLumpKind kind);
// An image as a lump of that kind; a mip texture takes name (its mips made
// by MakeMiptex). Empty with the reason when the image does not fit the kind.
QByteArray ImageToLumpFile(const QImage &image, TLumpFile kind, const std::string &name, const TQuakePalette &palette,
                           QString *error);
// An image file (TGA by TgaImage, any other format by Qt) read; a null image and the reason, naming the file.
QImage ReadImageFile(const QString &path, QString *error);

// The image in the format of output's extension (".tga": see TgaImage),
// written whole. Empty, or the reason naming the file.
QString WriteImageFile(const QImage &image, const QString &output);

// File to file, by the kinds of the names (LumpFileOf): a lump input
// converts to the image format of the output's extension (".tga": see
// TgaImage), an image input to a lump of the output's kind (a mip texture
// named by the output's file name, see QuakePictures::NameOfSafeFileName). Returns an empty string on
// success, else the reason, naming the file.
QString ConvertFile(const QString &input, const QString &output, const TQuakePalette &palette);

} // namespace LumpPicture
