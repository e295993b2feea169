// convert: picture lumps and the palette to and from ordinary image files,
// through the conversion the window uses too.
#include "CliArchive.h"
#include "CliCommands.h"
#include "CliPictures.h"
#include "CliOutput.h"
#include "PictureModule.h"
#include "WindowSettings.h"

#include <cstdlib>
#include <cstring>
#include <dlfcn.h>
#include <filesystem>
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

int Convert(const TArgs &args) {
  const std::string &input = args.Operands[0];
  const std::string &output = args.Operands[1];
  // The palette itself converts without one.
  const bool needed =
      FileKindOf(ExtractionPath(input, false)) != fkPalette && FileKindOf(ExtractionPath(output, false)) != fkPalette;
  const TQuakePalette palette = ChosenPalette(args, needed);
  ConvertPictureFile(input, output, palette);
  return ExitDone;
}

} // namespace

std::vector<TNamedRun> PictureCommands() { return {{"convert", Convert}}; }
