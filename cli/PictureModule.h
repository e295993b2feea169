// SPDX-License-Identifier: GPL-3.0-or-later
// The picture conversion of varnel-cli lives in a module of its own, loaded
// only by the commands that turn lumps into images and back: Qt's image
// classes bring in some forty shared libraries, whose loading would otherwise
// be paid by every run of the program. The module's functions have a C
// interface; each returns 1 when done, else 0 with the reason, cut to fit, in
// reason (reasonSize bytes, ending in a zero byte). palette is 768 bytes.
#pragma once

#include <cstddef>

// Converts the file input into output (see LumpPicture::ConvertFile).
extern "C" int VarnelConvertPicture(const char *input, const char *output, const unsigned char *palette, char *reason,
                                    size_t reasonSize);
using TConvertPictureFunction = decltype(&VarnelConvertPicture);

// The image file image as a lump of the kind lumpFileName names
// (LumpPicture::LumpFileOf; a mip texture takes its name from it): *data
// (from malloc, for the caller to free) and *size.
extern "C" int VarnelImageToLump(const char *image, const char *lumpFileName, const unsigned char *palette,
                                 char **data, size_t *size, char *reason, size_t reasonSize);
using TImageToLumpFunction = decltype(&VarnelImageToLump);

// size bytes of a lump of the kind lumpFileName names, written as the image
// file output.
extern "C" int VarnelLumpToImage(const char *lump, size_t size, const char *lumpFileName, const char *output,
                                 const unsigned char *palette, char *reason, size_t reasonSize);
using TLumpToImageFunction = decltype(&VarnelLumpToImage);

// The module's file name, and where it is looked for: beside the program (a
// build tree), then at the install's place for it relative to the program.
inline constexpr const char *PictureModuleName = "varnel-cli-pictures.so";
