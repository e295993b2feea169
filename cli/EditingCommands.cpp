// The commands that write an archive: create, add, delete, rename, move.
// Each works on the engine's copy of the directory and saves once at the
// end, as the window saves: the file is replaced only by a complete archive.
#include "CliArchive.h"
#include "CliCommands.h"
#include "CliOutput.h"

#include <cerrno>
#include <climits>
#include <sys/stat.h>

namespace {

// Adds paths (resolved against -C) below target; the files the engine could
// not add, and those whose entry name a file before them took, are reported.
// True when something was not added.
bool AddPaths(TQuakePak &pak, const TArgs &args, const std::vector<std::string> &paths, const std::string &target) {
  std::string base = args.Value("directory");
  bool problems = false;
  TStringList files = FilesToAdd(paths, base, problems);
  if (files.empty())
    throw ECliFailure("nothing to add");
  TProgressLine progress(pak, "adding", Quiet(args));
  const uint8_t result = pak.AddFiles(files, base, target, true);
  problems = ReportFailures(pak, "") || problems;
  problems = ReportNameClashes(pak, files, base, target) || problems;
  if (result != prDone && result != prWriteFailed)
    throw ECliFailure(ResultText(result, pak.FileName()));
  if (files.empty() && result == prWriteFailed)
    throw ECliFailure("nothing added");
  return problems;
}

int Create(const TArgs &args) {
  const std::string &out = args.Operands[0];
  struct stat info {};
  if (::lstat(out.c_str(), &info) == 0 && !args.Has("force"))
    throw ECliFailure(out + ": exists; not replaced (use --force)");
  TQuakePak pak;
  ApplyNameRules(pak, args);
  AllowChanges(pak);
  pak.NewPak();
  const bool problems = AddPaths(pak, args, {args.Operands.begin() + 1, args.Operands.end()}, "");
  TProgressLine progress(pak, "saving", Quiet(args));
  SaveArchive(pak, out, false);
  return problems ? ExitProblems : ExitDone;
}

int Add(const TArgs &args) {
  const std::string &path = args.Operands[0];
  args.Exclusive("replace", "skip");
  const bool replace = args.Has("replace");
  const bool skip = args.Has("skip");
  TQuakePak pak;
  ApplyNameRules(pak, args);
  AllowChanges(pak);
  OpenArchiveToChange(pak, path);
  bool problems = false;
  pak.OnAddFileExists = [&](TQuakePak &, const std::string &name, TFileReplace &answer) {
    ThrowIfInterrupted();
    answer = replace ? frReplaceAll : skip ? frSkipAll : frSkip;
    if (!replace && !skip) {
      ReportError(path + ": " + name + ": already in the archive; not replaced (use --replace or --skip)");
      problems = true;
    }
  };
  problems =
      AddPaths(pak, args, {args.Operands.begin() + 1, args.Operands.end()}, EntryFolder(args.Value("to"))) || problems;
  if (pak.Modified()) {
    TProgressLine progress(pak, "saving", Quiet(args));
    SaveArchive(pak, path, true);
  }
  return problems ? ExitProblems : ExitDone;
}

// Opens an archive to change and finds the entries its patterns match.
TMatched OpenAndMatch(TQuakePak &pak, const std::string &path, const std::vector<std::string> &patterns,
                      bool &problems) {
  AllowChanges(pak);
  OpenArchiveToChange(pak, path);
  TMatched matched = MatchEntries(pak, patterns);
  problems = ReportUnmatched(matched, path);
  return matched;
}

void SaveInPlace(TQuakePak &pak, const TArgs &args) {
  TProgressLine progress(pak, "saving", Quiet(args));
  SaveArchive(pak, pak.FileName(), true);
}

int Delete(const TArgs &args) {
  const std::string &path = args.Operands[0];
  TQuakePak pak;
  bool problems = false;
  const TMatched matched = OpenAndMatch(pak, path, {args.Operands.begin() + 1, args.Operands.end()}, problems);
  if (matched.Indexes.empty())
    return ExitProblems;
  // One name per entry: names found twice go one after the other.
  TStringList names;
  for (int32_t index : matched.Indexes)
    names.push_back(pak.EntryName(index));
  const uint8_t result = pak.DeleteEntries(names);
  if (result != prDone)
    throw ECliFailure(ResultText(result, path));
  SaveInPlace(pak, args);
  return problems ? ExitProblems : ExitDone;
}

int Rename(const TArgs &args) {
  const std::string &path = args.Operands[0];
  const std::string &oldName = args.Operands[1];
  TQuakePak pak;
  ApplyNameRules(pak, args);
  AllowChanges(pak);
  OpenArchiveToChange(pak, path);
  const int32_t index = pak.FindEntry(oldName);
  if (index < 0)
    throw ECliFailure(path + ": " + oldName + ": no such entry");
  try {
    pak.RenameEntry(index, args.Operands[2]);
  } catch (const EInvalidFileName &refusal) {
    throw ECliFailure(path + ": " + pak.MakeEntryName(args.Operands[2]) + ": " + refusal.what());
  }
  SaveInPlace(pak, args);
  return ExitDone;
}

int Move(const TArgs &args) {
  const std::string &path = args.Operands[0];
  if (!args.Has("to"))
    throw EUsage("move needs --to DIR (--to / for the top level)");
  const std::string folder = EntryFolder(args.Value("to"));
  TQuakePak pak;
  ApplyNameRules(pak, args);
  bool problems = false;
  const TMatched matched = OpenAndMatch(pak, path, {args.Operands.begin() + 1, args.Operands.end()}, problems);
  if (matched.Indexes.empty())
    return ExitProblems;
  TStringList names;
  for (int32_t index : matched.Indexes)
    names.push_back(pak.EntryName(index));
  const uint8_t result = pak.MoveEntries(names, folder);
  if (result != prDone)
    throw ECliFailure(ResultText(result, path));
  // The engine leaves an entry where it is when its new name is taken, would
  // not fit or would leave the archive's tree, and says so.
  problems = ReportFailures(pak, path + ": ") || problems;
  if (pak.Modified())
    SaveInPlace(pak, args);
  return problems ? ExitProblems : ExitDone;
}

} // namespace

std::vector<TCommand> EditingCommands() {
  static constexpr const char *NameOptions =
      "  --keep-case        keep upper-case letters in new entry names\n"
      "                     (default: lower case, as the game asks for names)\n"
      "  --spaces=RULE      spaces in new entry names: keep (default), delete, underscore\n";
  static const std::string createHelp =
      std::string("Usage: varnel-cli create OUT.pak [-C DIR] [--force] PATH...\n"
                  "\n"
                  "Makes a new archive of the files and folders (with all below them) named\n"
                  "by PATH, relative to DIR as with tar -C. Entry names are the paths\n"
                  "relative to DIR. Hidden files in folders are left out.\n"
                  "\n"
                  "  -C, --directory DIR   where the paths start (default: the current folder)\n"
                  "  -f, --force           replace OUT.pak if it exists\n") +
      NameOptions;
  static const std::string addHelp =
      std::string("Usage: varnel-cli add ARCHIVE [-C DIR] [--to DIR] [--replace | --skip] PATH...\n"
                  "\n"
                  "Adds files and folders to an archive and saves it in place. An entry\n"
                  "that exists already is an error for its file (the others go on) unless\n"
                  "an option below says otherwise.\n"
                  "\n"
                  "  -C, --directory DIR   where the paths start (default: the current folder)\n"
                  "  --to DIR              the folder in the archive to add to\n"
                  "  --replace             replace existing entries\n"
                  "  --skip                keep existing entries, silently\n") +
      NameOptions;
  static const std::string renameHelp = std::string("Usage: varnel-cli rename ARCHIVE OLD NEW\n"
                                                    "\n"
                                                    "Gives the entry OLD the name NEW and saves the archive in place.\n"
                                                    "\n") +
                                        NameOptions;
  static const std::string moveHelp =
      std::string("Usage: varnel-cli move ARCHIVE --to DIR PATTERN...\n"
                  "\n"
                  "Moves the entries matching the patterns into the archive folder DIR\n"
                  "(--to / for the top level), keeping their file names, and saves the\n"
                  "archive in place. An entry whose new name is taken stays (an error).\n"
                  "\n"
                  "  --to DIR           the folder in the archive to move to\n") +
      NameOptions;
  return {
      {"create",
       "make a new archive from files and folders",
       createHelp,
       {{'C', "directory", true}, {'f', "force", false}},
       2,
       SIZE_MAX,
       Create},
      {"add",
       "add files and folders to an archive",
       addHelp,
       {{'C', "directory", true}, {'\0', "to", true}, {'\0', "replace", false}, {'\0', "skip", false}},
       2,
       SIZE_MAX,
       Add},
      {"delete",
       "delete the entries matching patterns",
       "Usage: varnel-cli delete ARCHIVE PATTERN...\n"
       "\n"
       "Deletes the entries matching the patterns (as for extract) and saves the\n"
       "archive in place.\n",
       {},
       2,
       SIZE_MAX,
       Delete},
      {"rename", "rename one entry", renameHelp, {}, 3, 3, Rename},
      {"move", "move entries to another folder of the archive", moveHelp, {{'\0', "to", true}}, 2, SIZE_MAX, Move},
  };
}
