// SPDX-License-Identifier: GPL-3.0-or-later
// What the commands that turn lumps into images and back share: the picture
// module's functions, loaded on first use, and the palette the options choose.
#pragma once

#include "CliArgs.h"
#include "PakQuake.h"
#include "QuakeBytes.h"

#include <string>

// The palette --palette or --quake name; else that of the installation the
// window's settings name; else none (all black) when it is not needed.
// Raises EUsage or ECliFailure.
TQuakePalette ChosenPalette(const TArgs &args, bool needed);

// Through the picture module; each raises ECliFailure with its reason.
void ConvertPictureFile(const std::string &input, const std::string &output, const TQuakePalette &palette);
// The image file as a lump of the kind lumpFileName names (".lmp", ".mip", ".raw", ".pal").
TBytes ImageFileToLump(const std::string &image, const std::string &lumpFileName, const TQuakePalette &palette);
// A lump of the kind lumpFileName names, written as the image file output.
void LumpToImageFile(const TBytes &lump, const std::string &lumpFileName, const std::string &output,
                     const TQuakePalette &palette);
// Whether the file's extension is one of an image the module reads.
bool IsImageFileName(const std::string &path);
