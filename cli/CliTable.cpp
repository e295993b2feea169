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
      {Flag('q', "quiet", "no progress line"), opAnywhere},
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
       "ARCHIVE [-l] [--json]",
       "list the entries of an archive",
       "Writes the name of every entry, one a line, in the archive's order.\n",
       {Flag('l', "long", "size and offset (bytes) before each name"),
        Flag(NoShort, "json", "one JSON object a line: name, size, offset")},
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
       "folders. Patterns are shell patterns (\"maps/*.bsp\"): \"*\" stops at \"/\",\n"
       "letter case is ignored, and a folder's name matches all below it.\n"
       "Nothing is ever written outside DIR. An existing file is an error for\n"
       "its entry (the others go on) unless an option below says otherwise.\n",
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
       "likely not work as meant (empty entries, names the game cannot find).\n"
       "Exit status 1 when anything was found.\n",
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
       cpFile},
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
       "relative to DIR. Hidden files in folders are left out.\n",
       {Valued('C', "directory", "DIR", "where the paths start (default: the current folder)", cpFolder),
        Flag('f', "force", "replace OUT.pak if it exists")},
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
       "an option below says otherwise.\n",
       {Valued('C', "directory", "DIR", "where the paths start (default: the current folder)", cpFolder),
        Valued(NoShort, "to", "DIR", "the folder in the archive to add to", cpNothing),
        Flag(NoShort, "replace", "replace existing entries"), Flag(NoShort, "skip", "keep existing entries, silently")},
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
       "archive in place.\n",
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
       "Gives the entry OLD the name NEW and saves the archive in place.\n",
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
       "turn a picture lump into an image file, or an image into a lump",
       "A picture lump (.lmp) becomes an image in the format of OUT's extension\n"
       "(.png, .bmp, .tga, ...), in the game's colours; index 255 is transparent\n"
       "where the lump uses it. An image (PNG, BMP, TGA, ...) becomes a lump with\n"
       "the game palette: each colour takes the nearest palette colour, the\n"
       "full-bright colours 224-254 only where the image has exactly them, and\n"
       "transparent pixels index 255. A lump converted to PNG or TGA and back\n"
       "is byte-identical. gfx/palette.lmp converts to and from a 16 x 16 image.\n"
       "TGA files are uncompressed: a lump is written colour-mapped, the palette\n"
       "in true colour; colour-mapped and 24- or 32-bit true-colour ones are read.\n",
       {Valued(NoShort, "palette", "FILE", "the palette: a 768-byte palette.lmp", cpPalette),
        Valued(NoShort, "quake", "DIR", "the palette of the Quake installation in DIR", cpFolder)},
       "Without either, the installation named in Varnel's settings.\n",
       false,
       2,
       2,
       cpPicture,
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
