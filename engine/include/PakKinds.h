// SPDX-License-Identifier: GPL-3.0-or-later
// The kinds of entry Varnel knows by name, in one table: for each kind the
// extensions and whole file names that make it, the icon the entry list
// shows, whether the built-in lump viewer shows it, whether it converts to and
// from ordinary images, and the add dialog's file filter that lists it. Plain
// data that the engine, the windows and the picture conversion all read, so a
// new kind is one enumerator and one row here. Standard C++ only.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <string>
#include <string_view>
#include <vector>

// The numbers of the kinds never change: the first three are those the lump
// viewer shows, a new kind goes at the end before fkUnknown, which stays last
// (and so counts the known kinds).
enum TFileKind : uint8_t {
  fkLump,
  fkPalette,
  fkColormap,
  fkWad,
  fkWave,
  fkModel,
  fkMap,
  fkSprite,
  fkProgs,
  fkScript,
  fkConfig,
  fkEndScreen,
  fkDemo,
  fkQuakeC,
  fkText,
  fkLight,
  fkOgg,
  fkTarga,
  fkMapSource,
  fkShader,
  fkSkin,
  fkMd3Model,
  fkUnknown
};

// Marks a text that the windows show in the user's language, under the given
// translation context; lupdate reads it as QT_TRANSLATE_NOOP (see
// translations/CMakeLists.txt). Here it is the text itself.
constexpr std::string_view ShownText(std::string_view /*context*/, std::string_view text) { return text; }

struct TFileKindInfo {
  TFileKind Kind;
  // Extensions without the dot, lower case, separated by spaces.
  std::string_view Extensions;
  // Whole file names, lower case, separated by spaces: an entry whose file
  // part is one of them is of this kind whatever its extension makes it.
  std::string_view FileNames;
  // The icon's file among the windows' kind icons (ui/resources/icons/kinds);
  // empty for fkUnknown, which shows the desktop's icon for its extension.
  std::string_view Icon;
  bool LumpViewer;       // the built-in lump viewer shows it
  bool ConvertsToImages; // the picture conversion makes images of it and it of images
  // Caption of the add dialog's filter that lists the kind's extensions
  // (kinds with one caption share the filter); empty: no filter of its own.
  std::string_view Filter;
};

// The add dialog's filters are shown translated in this context.
inline constexpr const char *FileKindTextContext = "TFileKind";

// In TFileKind order, one row per kind.
inline constexpr TFileKindInfo FileKinds[] = {
    {fkLump, "lmp", "", "picture.svg", true, true, ShownText("TFileKind", "Lump Files")},
    {fkPalette, "", "palette.lmp", "palette.svg", true, true, ShownText("TFileKind", "Lump Files")},
    {fkColormap, "", "colormap.lmp", "colormap.svg", true, false, ShownText("TFileKind", "Lump Files")},
    {fkWad, "wad", "", "wad.svg", false, false, ShownText("TFileKind", "WAD2 Files")},
    {fkWave, "wav", "", "sound.svg", false, false, ShownText("TFileKind", "Wave Sounds")},
    {fkModel, "mdl", "", "model.svg", false, false, ShownText("TFileKind", "Model Files")},
    {fkMap, "bsp", "", "map.svg", false, false, ShownText("TFileKind", "Quake Maps")},
    {fkSprite, "spr", "", "sprite.svg", false, false, ShownText("TFileKind", "Sprites")},
    {fkProgs, "dat", "", "progs.svg", false, false, ShownText("TFileKind", "Compiled Quake C")},
    {fkScript, "rc", "", "script.svg", false, false, ""},
    {fkConfig, "cfg", "", "config.svg", false, false, ShownText("TFileKind", "Config Files")},
    {fkEndScreen, "bin", "", "endscreen.svg", false, false, ShownText("TFileKind", "End Screen")},
    {fkDemo, "dem", "", "demo.svg", false, false, ShownText("TFileKind", "Quake Demos")},
    // The kinds below have no filter: the add dialog lists the formats of the
    // game itself, and "All Quake Formats" means those.
    {fkQuakeC, "qc", "", "progs.svg", false, false, ""},
    {fkText, "txt", "", "text.svg", false, false, ""},
    {fkLight, "lit", "", "light.svg", false, false, ""},
    {fkOgg, "ogg", "", "sound.svg", false, false, ""},
    {fkTarga, "tga", "", "picture.svg", false, false, ""},
    {fkMapSource, "map ent", "", "map.svg", false, false, ""},
    {fkShader, "shader", "", "script.svg", false, false, ""},
    {fkSkin, "skin", "", "model.svg", false, false, ""},
    {fkMd3Model, "md3", "", "model.svg", false, false, ""},
    {fkUnknown, "", "", "", false, false, ""},
};

namespace PakKindsCheck {
constexpr bool RowsInKindOrder() {
  for (size_t i = 0; i < std::size(FileKinds); ++i)
    if (FileKinds[i].Kind != i)
      return false;
  return true;
}
} // namespace PakKindsCheck
static_assert(std::size(FileKinds) == fkUnknown + 1 && PakKindsCheck::RowsInKindOrder(),
              "FileKinds has one row per TFileKind, in its order");

// The row of a kind.
constexpr const TFileKindInfo &KindInfo(TFileKind kind) { return FileKinds[kind <= fkUnknown ? kind : fkUnknown]; }

// The words of one of the table's space-separated lists.
std::vector<std::string_view> KindWords(std::string_view list);

// Classifies an entry name: its file part ("/" or "\\" separate) against the
// whole file names of the table, else its extension (the text after the last
// "."; a name without "." counts whole) against the extensions; letter case
// is ignored, and only whole words match. fkUnknown when nothing does.
// Allocates nothing.
TFileKind FileKindOf(std::string_view name);
