// SPDX-License-Identifier: GPL-3.0-or-later
// convert: picture lumps and the palette to and from ordinary image files,
// through the conversion the window uses too.
#include "CliArchive.h"
#include "CliCommands.h"
#include "CliPictures.h"
#include "CliOutput.h"
#include "PictureModule.h"
#include "QuakePictures.h"
#include "WindowSettings.h"

#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <system_error>

namespace {

// A function of the module, from beside the program or from the module's
// place in the install, relative to the program.
void *LoadPictureFunction(const char *symbol) {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path folder = fs::read_symlink("/proc/self/exe", error).parent_path();
  std::string failure = "not installed";
  for (const fs::path &module : {folder / PictureModuleName, folder / VARNEL_PICTURE_MODULE_DIR / PictureModuleName}) {
    if (!fs::exists(module, error))
      continue;
    void *handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    // Kept loaded for the rest of the run: Qt does not expect to be unloaded.
    if (void *function = handle != nullptr ? ::dlsym(handle, symbol) : nullptr)
      return function;
    failure = ::dlerror();
  }
  throw ECliFailure(std::string("the picture conversion (") + PictureModuleName + ") cannot be loaded: " + failure);
}

// The palette of the Quake installation in dir (its stock archive's gfx/palette.lmp).
TQuakePalette InstallationPalette(const std::string &dir) {
  TQuakePak pak;
  try {
    pak.SetQuakeDirectory(dir);
  } catch (const EInvalidQuakeDir &) {
    throw ECliFailure(dir + ": not a Quake installation (no id1/pak0.pak)");
  }
  if (!pak.LoadPalette())
    throw ECliFailure(dir + ": id1/pak0.pak holds no gfx/palette.lmp");
  return pak.Palette();
}

constexpr size_t ReasonSize = 1024;

} // namespace

void ConvertPictureFile(const std::string &input, const std::string &output, const TQuakePalette &palette) {
  static auto convert = reinterpret_cast<TConvertPictureFunction>(LoadPictureFunction("VarnelConvertPicture"));
  char reason[ReasonSize];
  if (convert(input.c_str(), output.c_str(), palette.Colours().data(), reason, sizeof reason) == 0)
    throw ECliFailure(reason);
}

TBytes ImageFileToLump(const std::string &image, const std::string &lumpFileName, const TQuakePalette &palette) {
  static auto toLump = reinterpret_cast<TImageToLumpFunction>(LoadPictureFunction("VarnelImageToLump"));
  char reason[ReasonSize];
  char *data = nullptr;
  size_t size = 0;
  if (toLump(image.c_str(), lumpFileName.c_str(), palette.Colours().data(), &data, &size, reason, sizeof reason) == 0)
    throw ECliFailure(reason);
  TBytes lump(data, size);
  std::free(data);
  return lump;
}

void LumpToImageFile(const TBytes &lump, const std::string &lumpFileName, const std::string &output,
                     const TQuakePalette &palette) {
  static auto toImage = reinterpret_cast<TLumpToImageFunction>(LoadPictureFunction("VarnelLumpToImage"));
  char reason[ReasonSize];
  if (toImage(lump.data(), lump.size(), lumpFileName.c_str(), output.c_str(), palette.Colours().data(), reason,
              sizeof reason) == 0)
    throw ECliFailure(reason);
}

bool IsImageFileName(const std::string &path) {
  static constexpr const char *Extensions[] = {".png", ".bmp", ".tga", ".jpg", ".jpeg", ".gif", ".ppm", ".pcx"};
  const std::string lower = AsciiLower(path);
  for (const char *extension : Extensions)
    if (lower.size() > std::strlen(extension) && lower.ends_with(extension))
      return true;
  return false;
}

TQuakePalette ChosenPalette(const TArgs &args, bool needed) {
  args.Exclusive("palette", "quake");
  if (args.Has("palette")) {
    const std::string file = args.Value("palette");
    TQuakePalette palette;
    const uint8_t result = palette.ReadFromFile(file, 0, PakFormat::PaletteSize);
    if (result != prDone)
      throw ECliFailure(file + ": not a palette of 768 bytes");
    return palette;
  }
  if (args.Has("quake"))
    return InstallationPalette(args.Value("quake"));
  if (!needed)
    return {};
  const std::string window = WindowQuakeDirectory();
  if (window.empty())
    throw EUsage("no palette: give --palette PALETTE.lmp or --quake DIR");
  return InstallationPalette(window);
}

namespace {

// A model's skins or a sprite's frames, with the damage that cut them short.
QuakePictures::TPlacedPictures PicturesOf(const std::string &path, const TBytes &bytes) {
  QuakePictures::TPlacedPictures pictures = FileKindOf(ExtractionPath(path, false)) == fkModel
                                                ? QuakePictures::ModelSkins(bytes)
                                                : QuakePictures::SpriteFrames(bytes);
  if (!pictures.Recognised)
    throw ECliFailure(path + ": not a Quake model (IDPO, version 6) or sprite (IDSP, version 1)");
  for (const std::string &finding : pictures.Findings)
    ReportError(path + ": damaged: " + finding);
  return pictures;
}

TBytes ReadWhole(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  if (!file)
    throw EInOutError(path, errno);
  TBytes bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
  if (file.bad())
    throw EInOutError(path, EIO);
  return bytes;
}

std::string QpicOf(const QuakePictures::TPicture &picture) {
  TBytes lump;
  QuakeBytes::AppendInt32(lump, picture.Width);
  QuakeBytes::AppendInt32(lump, picture.Height);
  return lump + picture.Indices;
}

// OUT for the one picture of a file, OUT with "_N" before its extension for picture N of several.
std::string NumberedName(const std::string &output, size_t number, size_t count) {
  if (count == 1)
    return output;
  const std::filesystem::path path(output);
  return (path.parent_path() / (path.stem().string() + "_" + std::to_string(number) + path.extension().string()))
      .string();
}

// The picture an image's name stands for: N from a name ending in "_N", else 0.
size_t NumberOfName(const std::string &image) {
  const std::string stem = std::filesystem::path(image).stem().string();
  const size_t underscore = stem.rfind('_');
  if (underscore == std::string::npos || underscore + 1 == stem.size() ||
      stem.find_first_not_of("0123456789", underscore + 1) != std::string::npos || stem.size() - underscore > 6)
    return 0;
  return static_cast<size_t>(std::stoul(stem.substr(underscore + 1)));
}

// Every skin or frame of a model or sprite to images.
int ExportPictures(const std::string &input, const std::string &output, const TQuakePalette &palette) {
  const TBytes bytes = ReadWhole(input);
  const QuakePictures::TPlacedPictures pictures = PicturesOf(input, bytes);
  if (pictures.Pictures.empty())
    throw ECliFailure(input + ": holds no pictures");
  for (size_t i = 0; i < pictures.Pictures.size(); ++i)
    LumpToImageFile(QpicOf(QuakePictures::PictureAt(bytes, pictures.Pictures[i])), "picture.lmp",
                    NumberedName(output, i, pictures.Pictures.size()), palette);
  return pictures.Findings.empty() ? ExitDone : ExitProblems;
}

// An image in place of a skin or frame of the same size; the file is replaced whole.
int ImportPicture(const std::string &image, const std::string &target, const TQuakePalette &palette) {
  TBytes bytes = ReadWhole(target);
  const QuakePictures::TPlacedPictures pictures = PicturesOf(target, bytes);
  const size_t number = NumberOfName(image);
  if (number >= pictures.Pictures.size())
    throw ECliFailure(target + ": has no picture " + std::to_string(number) + " (it has " +
                      std::to_string(pictures.Pictures.size()) + ")");
  const TBytes lump = ImageFileToLump(image, "picture.lmp", palette);
  const TPictureLayout layout =
      ReadPictureLayout(reinterpret_cast<const unsigned char *>(lump.data()), static_cast<int64_t>(lump.size()));
  const QuakePictures::TPicture picture{layout.Width, layout.Height,
                                        lump.substr(static_cast<size_t>(layout.IndexOffset))};
  if (const std::string refusal = QuakePictures::ReplacePicture(bytes, pictures.Pictures[number], picture);
      !refusal.empty())
    throw ECliFailure(image + ": " + refusal);
  if (const std::string failure = ReplaceFileContents(target, bytes.data(), bytes.size()); !failure.empty())
    throw ECliFailure(failure);
  return pictures.Findings.empty() ? ExitDone : ExitProblems;
}

bool HoldsPictures(const std::string &path) {
  const TFileKind kind = FileKindOf(ExtractionPath(path, false));
  return kind == fkModel || kind == fkSprite;
}

int Convert(const TArgs &args) {
  const std::string &input = args.Operands[0];
  const std::string &output = args.Operands[1];
  if (HoldsPictures(input))
    return ExportPictures(input, output, ChosenPalette(args, true));
  if (HoldsPictures(output))
    return ImportPicture(input, output, ChosenPalette(args, true));
  // The palette itself converts without one.
  const auto isPalette = [](const std::string &path) {
    return FileKindOf(ExtractionPath(path, false)) == fkPalette || AsciiLower(path).ends_with(".pal");
  };
  const bool needed = !isPalette(input) && !isPalette(output);
  const TQuakePalette palette = ChosenPalette(args, needed);
  ConvertPictureFile(input, output, palette);
  return ExitDone;
}

} // namespace

std::vector<TNamedRun> PictureCommands() { return {{"convert", Convert}}; }
