// SPDX-License-Identifier: GPL-3.0-or-later
// The commands that write an archive: create, add, delete, rename, move.
// Each works on the engine's copy of the directory and saves once at the
// end, as the window saves: the file is replaced only by a complete archive.
#include "CliArchive.h"
#include "CliCommands.h"
#include "CliOutput.h"
#include "CliQuake.h"

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

// The game refuses an archive of more entries than it loads; saving one is
// still allowed, as in the window (a mod may be split later).
void WarnOverGameLimit(const TQuakePak &pak, const std::string &path) {
  if (pak.EntryCount() > PakFormat::MaxGameEntries)
    ReportError(path + ": warning: " + GroupedNumber(static_cast<uint64_t>(pak.EntryCount())) +
                " entries; the game loads no archive of more than " + GroupedNumber(PakFormat::MaxGameEntries));
}

int Create(const TArgs &args) {
  const std::string &out = args.Operands[0];
  if (NamesWad(out, true))
    return WadCreate(args);
  struct stat info {};
  if (::lstat(out.c_str(), &info) == 0 && !args.Has("force"))
    throw ECliFailure(out + ": exists; not replaced (use --force)");
  TQuakePak pak;
  ApplyNameRules(pak, args);
  AllowChanges(pak);
  pak.NewPak();
  const bool problems = AddPaths(pak, args, {args.Operands.begin() + 1, args.Operands.end()}, "");
  // An empty archive is made only from empty folders, never in place of what failed.
  if (problems && pak.EntryCount() == 0)
    throw ECliFailure(out + ": not written: nothing could be added");
  WarnOverGameLimit(pak, out);
  TProgressLine progress(pak, "saving", Quiet(args));
  SaveArchive(pak, out, false);
  return problems ? ExitProblems : ExitDone;
}

int Add(const TArgs &args) {
  const std::string &path = args.Operands[0];
  if (NamesWad(path))
    return WadAdd(args);
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
    WarnOverGameLimit(pak, path);
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
  if (NamesWad(path))
    return WadDelete(args);
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
  if (NamesWad(path))
    return WadRename(args);
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

std::vector<TNamedRun> EditingCommands() {
  return {{"create", Create}, {"add", Add}, {"delete", Delete}, {"rename", Rename}, {"move", Move}};
}
