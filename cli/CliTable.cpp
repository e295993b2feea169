// SPDX-License-Identifier: GPL-3.0-or-later
// The commands and options of varnel-cli: each written here once. A new
// command or option goes here, into the man page's prose (varnel-cli.1.in;
// a test fails until it is there) and, for a command, a run beside its code.
#include "CliCommands.h"

#include <algorithm>
#include <climits>

namespace {
// The engine profiles as --profile offers them: the game folder's table, read once.
std::string_view ProfileChoices() {
  static const std::string names = ProfileNames();
  return names;
}

TOptionDef ProfileOption() {
  static const std::string help = "the engine whose rules apply: " + ProfileNames() + " (default: quake)";
  return Valued(NoShort, "profile", "P", help, cpWords, ProfileChoices());
}

// The search path's options, shared by which and overview.
std::vector<TOptionDef> GameOptions() {
  return {Valued(NoShort, "game", "MOD", "the mod's folder in QUAKEDIR (as -game MOD)", cpNothing),
          Valued(NoShort, "mission", "DIR", "a mission pack's folder (rogue, hipnotic, quoth)", cpNothing),
          ProfileOption()};
}

std::vector<TOptionDef> WithMore(std::vector<TOptionDef> options, std::initializer_list<TOptionDef> more) {
  options.insert(options.end(), more.begin(), more.end());
  return options;
}
} // namespace

const std::vector<TProgramOption> &ProgramOptions() {
  static const std::vector<TProgramOption> options = {
      {Flag('h', "help", "help of the program, or of a command"), opAnywhere},
      {Flag(NoShort, "version", "the program's version"), opBeforeCommand},
      {Flag('q', "quiet", "no progress line, nor check's line for a sound archive"), opAnywhere},
      {Flag(NoShort, "keep-case", "keep upper-case letters in new entry names",
            "(default: lower case, as the game asks for names)"),
       opNameRule},
      {Valued(NoShort, "spaces", "RULE", "spaces in new entry names: keep (default), delete, underscore", cpWords,
              "keep delete underscore"),
       opNameRule},
  };
  return options;
}

const std::vector<TCommand> &CommandTable() {
  static const std::vector<TCommand> commands = {
      {"list",
       "ARCHIVE [-l] [--json | -0]",
       "list the entries of an archive",
       "Writes the name of every entry, one a line, in the archive's order.\n"
       "A WAD file (or a WAD in a PAK file, named ARCHIVE.pak:gfx.wad) lists\n"
       "its lumps; -l shows their type (two hexadecimal digits) too.\n",
       {Flag('l', "long", "size and offset (bytes) before each name"),
        Flag(NoShort, "json", "one JSON object a line: name, size, offset (and a lump's type and file)"),
        Flag('0', "null", "a NUL byte after each name, not a newline (for xargs -0)",
             "names go byte for byte, to a terminal too")},
       {},
       false,
       1,
       1,
       cpArchive,
       cpNothing},
      {"cat",
       "ARCHIVE NAME",
       "write an entry's bytes to standard output",
       "Writes the data of the entry NAME to standard output: the entry of exactly\n"
       "that name, else the last whose name differs from it only in letter case.\n",
       {},
       {},
       false,
       2,
       2,
       cpArchive,
       cpEntry},
      {"extract",
       "ARCHIVE [-o DIR] [--flat] [--skip-existing | --overwrite] [PATTERN...]",
       "extract entries to files",
       "Extracts every entry, or those matching a PATTERN, below DIR with their\n"
       "folders. Patterns are shell patterns, in quotes: without \"/\" one matches\n"
       "a file or folder name at any depth (\"*.bsp\" is every map), with \"/\" the\n"
       "whole name (\"maps/*.bsp\"), where \"*\" stops at \"/\" and \"**\" does not.\n"
       "Letter case is ignored, and a folder matches all below it. A name without\n"
       "wildcards that an entry has chooses that entry alone.\n"
       "Nothing is ever written outside DIR. An existing file is an error for\n"
       "its entry (the others go on) unless an option below says otherwise.\n"
       "A WAD's lumps become files named by lump and type: NAME.lmp a picture,\n"
       "NAME.mip a mip texture, NAME.raw raw indices (conchars), NAME.pal a\n"
       "palette, NAME.tXX any other type XX; \"*\" in a name is written \"#\",\n"
       "other bytes no file name should hold \"%XX\". create and add read them back.\n",
       {Valued('o', "output", "DIR", "where to extract (default: the current folder)", cpFolder),
        Flag(NoShort, "flat", "every file directly in DIR, without folders"),
        Flag(NoShort, "skip-existing", "leave existing files alone, silently"),
        Flag(NoShort, "overwrite", "replace existing files")},
       {},
       false,
       1,
       SIZE_MAX,
       cpArchive,
       cpEntry},
      {"check",
       "[--json] ARCHIVE...",
       "find what the game or Varnel will lose, misread or not find",
       "Checks each archive and writes one finding a line:\n"
       "  ARCHIVE: ENTRY: error|warning: PROBLEM\n"
       "Errors: the game or Varnel will lose or misread data (damage, overlapping\n"
       "data, names twice, 56-byte names, over 2048 entries). Warnings: it will\n"
       "likely not work as meant (empty entries, names the game cannot find;\n"
       "inside entries: a damaged WAD directory or lump, a picture whose header\n"
       "does not fit its bytes, a map's damaged texture lump, a model's skin or\n"
       "a sprite's frame outside its file).\n"
       "Exit status 1 when anything was found. An archive with no findings gets\n"
       "one line, \"ARCHIVE: no problems found (N entries)\", unless -q or --json.\n",
       {Flag(NoShort, "json", "one JSON object a line: archive, index, entry, severity, message"),
        Valued(NoShort, "quake-dir", "DIR",
               "also warn of entries the game never loads from the archive's folder in DIR, and of names in other "
               "letter case there",
               cpFolder),
        ProfileOption()},
       {},
       false,
       1,
       SIZE_MAX,
       cpArchive,
       cpArchive},
      {"which",
       "QUAKEDIR [--game MOD] [--mission DIR] [--profile P] NAME...",
       "where the game loads files from, and which copies they hide",
       "Writes, for each NAME, the place the game started from QUAKEDIR loads it\n"
       "from (an archive, or a loose file) and the copies it hides, searched later:\n"
       "  NAME: PLACE (shadows PLACE, ...)\n"
       "The search path is the engine's: the mod's folder, the mission pack's,\n"
       "then id1. Notes on archives the game leaves out go to standard error.\n"
       "Exit status 1 when the game loads a NAME from nowhere.\n",
       GameOptions(),
       {},
       false,
       2,
       SIZE_MAX,
       cpFolder,
       cpNothing},
      {"overview",
       "QUAKEDIR [--game MOD] [--mission DIR] [--profile P] [--shadowed | --changed]",
       "every file the game loads, and where from",
       "Writes every file the game started from QUAKEDIR can load, one a line in\n"
       "the order of their names, as which does.\n",
       WithMore(GameOptions(), {Flag(NoShort, "shadowed", "only the files that hide another copy"),
                                Flag(NoShort, "changed", "only the files the mod's folder adds or replaces")}),
       {},
       false,
       1,
       1,
       cpFolder,
       cpNothing},
      {"diff",
       "[--json] A.pak B.pak",
       "compare two archives entry by entry",
       "Writes one line for each entry that is not the same in both archives:\n"
       "  - NAME   only in A\n"
       "  + NAME   only in B\n"
       "  M NAME   in both, with other contents (size, then a hash of the bytes)\n"
       "Entries pair by exact name. Exit status 0 when both hold the same entries\n"
       "with the same bytes, 1 otherwise.\n",
       {Flag(NoShort, "json", "one JSON object a line: change, name, old_size, new_size (-1: none)")},
       {},
       false,
       2,
       2,
       cpArchive,

       cpArchive},
      {"create",
       "OUT.pak [-C DIR] [--force] PATH...",
       "make a new archive from files and folders",
       "Makes a new archive of the files and folders (with all below them) named\n"
       "by PATH, relative to DIR as with tar -C. Entry names are the paths\n"
       "relative to DIR. Hidden files in folders are left out. Over 2048 entries\n"
       "get a warning: the game loads no more from one archive.\n"
       "OUT.wad makes a WAD file: lump files (as extract writes them) go in as\n"
       "they are, pictures (PNG, BMP, TGA, ...) become status-bar pictures, or\n"
       "mip textures with --mip (conchars.png the 128 x 128 console font), in\n"
       "the order given, folders' files in the order of their names.\n",
       {Valued('C', "directory", "DIR", "where the paths start (default: the current folder)", cpFolder),
        Flag('f', "force", "replace OUT.pak if it exists"),
        Flag(NoShort, "mip", "a WAD's pictures become mip textures"),
        Valued(NoShort, "palette", "FILE", "the palette for pictures: a 768-byte palette.lmp", cpPalette),
        Valued(NoShort, "quake", "DIR", "the palette of the Quake installation in DIR", cpFolder)},
       {},
       true,
       2,
       SIZE_MAX,
       cpArchive,
       cpFile},
      {"add",
       "ARCHIVE [-C DIR] [--to DIR] [--replace | --skip] PATH...",
       "add files and folders to an archive",
       "Adds files and folders to an archive and saves it in place. An entry\n"
       "that exists already is an error for its file (the others go on) unless\n"
       "an option below says otherwise. A WAD takes lumps and pictures as\n"
       "create makes them; a WAD in a PAK file is saved back into its entry.\n",
       {Valued('C', "directory", "DIR", "where the paths start (default: the current folder)", cpFolder),
        Valued(NoShort, "to", "DIR", "the folder in the archive to add to", cpNothing),
        Flag(NoShort, "replace", "replace existing entries"), Flag(NoShort, "skip", "keep existing entries, silently"),
        Flag(NoShort, "mip", "a WAD's pictures become mip textures"),
        Valued(NoShort, "palette", "FILE", "the palette for pictures: a 768-byte palette.lmp", cpPalette),
        Valued(NoShort, "quake", "DIR", "the palette of the Quake installation in DIR", cpFolder)},
       {},
       true,
       2,
       SIZE_MAX,
       cpArchive,
       cpFile},
      {"delete",
       "ARCHIVE PATTERN...",
       "delete the entries matching patterns",
       "Deletes the entries matching the patterns (as for extract) and saves the\n"
       "archive in place; in a WAD, the lumps matching them.\n",
       {},
       {},
       false,
       2,
       SIZE_MAX,
       cpArchive,
       cpEntry},
      {"rename",
       "ARCHIVE OLD NEW",
       "rename one entry",
       "Gives the entry OLD the name NEW and saves the archive in place; in a\n"
       "WAD, the lump OLD.\n",
       {},
       {},
       true,
       3,
       3,
       cpArchive,
       cpEntry},
      {"move",
       "ARCHIVE --to DIR PATTERN...",
       "move entries to another folder of the archive",
       "Moves the entries matching the patterns into the archive folder DIR\n"
       "(--to / for the top level), keeping their file names, and saves the\n"
       "archive in place. An entry whose new name is taken stays (an error).\n",
       {Valued(NoShort, "to", "DIR", "the folder in the archive to move to", cpNothing)},
       {},
       true,
       2,
       SIZE_MAX,
       cpArchive,
       cpEntry},
      {"convert",
       "[--palette PALETTE.lmp | --quake DIR] IN OUT",
       "turn a picture lump, texture, skin or frame into an image file, or back",
       "A picture lump (.lmp) becomes an image in the format of OUT's extension\n"
       "(.png, .bmp, .tga, ...), in the game's colours; index 255 is transparent\n"
       "where the lump uses it. An image (PNG, BMP, TGA, ...) becomes a lump with\n"
       "the game palette: each colour takes the nearest palette colour, the\n"
       "full-bright colours 224-254 only where the image has exactly them, and\n"
       "transparent pixels index 255. A lump converted to PNG or TGA and back\n"
       "is byte-identical. gfx/palette.lmp converts to and from a 16 x 16 image.\n"
       "TGA files are uncompressed: a lump is written colour-mapped, the palette\n"
       "in true colour; colour-mapped and 24- or 32-bit true-colour ones are read.\n"
       "Lumps extracted from a WAD convert too: a mip texture (.mip) as its\n"
       "full-size picture, and back with its smaller levels made anew and the\n"
       "name of the file (\"#\" for \"*\"); the console font (.raw, 128 x 128);\n"
       "a palette (.pal). A model's skins (.mdl, skin groups included) or a\n"
       "sprite's frames (.spr) become images: OUT for one, OUT_N (N from 0) for\n"
       "several; an image named so goes back in place of its picture in an\n"
       "existing model or sprite OUT, whose size it must have.\n",
       {Valued(NoShort, "palette", "FILE", "the palette: a 768-byte palette.lmp", cpPalette),
        Valued(NoShort, "quake", "DIR", "the palette of the Quake installation in DIR", cpFolder)},
       "Without either, the installation named in Varnel's settings.\n",
       false,
       2,
       2,
       cpPicture,
       cpPicture},
      {"textures",
       "MAP.bsp [-o DIR | --wad OUT.wad | --replace PICTURE...] [--overwrite]",
       "export a map's textures, or put pictures in their place",
       "Writes every texture embedded in the map (version 29, BSP2 or 2PSB;\n"
       "a map in a PAK file as ARCHIVE.pak:maps/e1m1.bsp) as a PNG file named\n"
       "by the texture (\"#\" for \"*\") below DIR, or all of them as mip textures\n"
       "into one texture WAD. With --replace, each PICTURE (named as the PNG\n"
       "files are) takes the place of the texture of its name, which it must\n"
       "match in size; the smaller levels are made anew, and the map is saved\n"
       "in place.\n",
       {Valued('o', "output", "DIR", "where the PNG files go (default: the current folder)", cpFolder),
        Valued(NoShort, "wad", "FILE", "write one texture WAD instead", cpFile),
        Flag(NoShort, "replace", "put the pictures in place of the textures of their names"),
        Flag(NoShort, "overwrite", "replace existing files"),
        Valued(NoShort, "palette", "FILE", "the palette: a 768-byte palette.lmp", cpPalette),
        Valued(NoShort, "quake", "DIR", "the palette of the Quake installation in DIR", cpFolder)},
       "Without --palette or --quake, the installation named in Varnel's settings.\n",
       false,
       1,
       SIZE_MAX,
       cpFile,
       cpPicture},
  };
  return commands;
}

const TCommand *FindCommand(std::string_view name) {
  const std::vector<TCommand> &table = CommandTable();
  auto found = std::find_if(table.begin(), table.end(), [&](const TCommand &command) { return command.Name == name; });
  return found == table.end() ? nullptr : &*found;
}

std::vector<TOptionDef> OptionsBeforeCommand() {
  std::vector<TOptionDef> options;
  for (const TProgramOption &option : ProgramOptions())
    options.push_back(option.Option);
  return options;
}

std::vector<TOptionDef> OptionsOfCommand(const TCommand &command) {
  std::vector<TOptionDef> options;
  for (const TProgramOption &option : ProgramOptions())
    if (option.Place != opBeforeCommand)
      options.push_back(option.Option);
  options.insert(options.end(), command.Options.begin(), command.Options.end());
  return options;
}
