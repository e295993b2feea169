// SPDX-License-Identifier: GPL-3.0-or-later
// convert: picture lumps and the palette to and from ordinary image files,
// through the conversion the window uses too.
#include "CliArchive.h"
#include "CliCommands.h"
#include "CliOutput.h"
#include "PictureModule.h"
#include "WindowSettings.h"

#include <dlfcn.h>
#include <filesystem>
#include <system_error>

namespace {

// The module's convert function, from beside the program or from the
// module's place in the install, relative to the program.
TConvertPictureFunction LoadConvertPicture() {
  namespace fs = std::filesystem;
  std::error_code error;
  const fs::path folder = fs::read_symlink("/proc/self/exe", error).parent_path();
  std::string failure = "not installed";
  for (const fs::path &module : {folder / PictureModuleName, folder / VARNEL_PICTURE_MODULE_DIR / PictureModuleName}) {
    if (!fs::exists(module, error))
      continue;
    void *handle = ::dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    // Kept loaded for the rest of the run: Qt does not expect to be unloaded.
    if (void *function = handle != nullptr ? ::dlsym(handle, "VarnelConvertPicture") : nullptr)
      return reinterpret_cast<TConvertPictureFunction>(function);
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

// The palette --palette or --quake name; else that of the installation the
// window's settings name; else none (all black), which only the palette's
// own conversion may use.
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

int Convert(const TArgs &args) {
  const std::string &input = args.Operands[0];
  const std::string &output = args.Operands[1];
  // The palette itself converts without one.
  const bool needed =
      FileKindOf(ExtractionPath(input, false)) != fkPalette && FileKindOf(ExtractionPath(output, false)) != fkPalette;
  const TQuakePalette palette = ChosenPalette(args, needed);
  char reason[1024];
  if (LoadConvertPicture()(input.c_str(), output.c_str(), palette.Colours().data(), reason, sizeof reason) == 0)
    throw ECliFailure(reason);
  return ExitDone;
}

} // namespace

std::vector<TNamedRun> PictureCommands() { return {{"convert", Convert}}; }
