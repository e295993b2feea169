// SPDX-License-Identifier: GPL-3.0-or-later
// The picture conversion of varnel-cli lives in a module of its own, loaded
// only by the convert command: Qt's image classes bring in some forty shared
// libraries, whose loading would otherwise be paid by every run of the
// program. The module's one function has a C interface.
#pragma once

#include <cstddef>

// Converts the file input into output (see LumpPicture::ConvertFile) with the
// 768 bytes of palette. Returns 1 when done, else 0 with the reason, cut to
// fit, in reason (reasonSize bytes, ending in a zero byte).
extern "C" int VarnelConvertPicture(const char *input, const char *output, const unsigned char *palette, char *reason,
                                    size_t reasonSize);
using TConvertPictureFunction = decltype(&VarnelConvertPicture);

// The module's file name, and where it is looked for: beside the program (a
// build tree), then at the install's place for it relative to the program.
inline constexpr const char *PictureModuleName = "varnel-cli-pictures.so";
