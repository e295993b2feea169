// SPDX-License-Identifier: GPL-3.0-or-later
// The commands about what the game loads and how two archives differ:
// which, overview, diff.
#include "CliArchive.h"
#include "CliCommands.h"
#include "CliOutput.h"

#include <sys/stat.h>

namespace {

// The game as the options describe it, read from QUAKEDIR.
TGameView ReadGame(const TArgs &args, const std::string &quakeDirectory) {
  TGameSetup setup{quakeDirectory, {}, args.Value("game"), GameProfile(args)};
  if (args.Has("mission"))
    setup.MissionPacks.push_back(args.Value("mission"));
  TGameView view;
  try {
    view = ReadGameView(setup);
  } catch (const EInvalidQuakeDir &) {
    throw ECliFailure(quakeDirectory + ": not a Quake directory (it has no folder id1)");
  }
  for (const std::string &note : view.Notes)
    ReportError(quakeDirectory + ": " + note);
  return view;
}

// "NAME: PLACE", and "(shadows PLACE, ...)" when it hides other copies.
void WriteLoadable(const TGameView &view, const TLoadableFile &file) {
  std::string line = file.Loaded.Name + ": " + view.PlaceOf(file.Loaded);
  for (size_t i = 0; i < file.Shadowed.size(); ++i)
    line += (i == 0 ? " (shadows " : ", ") + view.PlaceOf(file.Shadowed[i]);
  WriteOutLine(file.Shadowed.empty() ? line : line + ")");
}

int Which(const TArgs &args) {
  const TGameView view = ReadGame(args, args.Operands[0]);
  bool missing = false;
  for (size_t i = 1; i < args.Operands.size(); ++i) {
    const std::string &name = args.Operands[i];
    if (const TLoadableFile *file = view.Find(name)) {
      WriteLoadable(view, *file);
      continue;
    }
    missing = true;
    const std::vector<const TGameFile *> twins = view.CaseTwins(name);
    ReportError(name + ": the game loads no file of this name" +
                (twins.empty() ? std::string()
                               : " (" + view.PlaceOf(*twins.front()) + " holds \"" + twins.front()->Name +
                                     "\", which differs in letter case only)"));
  }
  FinishOutput();
  return missing ? ExitProblems : ExitDone;
}

int Overview(const TArgs &args) {
  args.Exclusive("shadowed", "changed");
  const TGameView view = ReadGame(args, args.Operands[0]);
  const TGameFilter filter = args.Has("shadowed") ? gfShadowed : args.Has("changed") ? gfModChanges : gfAll;
  for (const TLoadableFile *file : view.Filtered(filter))
    WriteLoadable(view, *file);
  FinishOutput();
  return ExitDone;
}

// Refuses what is not an archive with the reason, before comparing.
void CheckIsArchive(const std::string &path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0)
    throw EInOutError(path, errno);
  if (S_ISDIR(info.st_mode))
    throw EInOutError(path, EISDIR);
  if (!TQuakePak::IsPakFile(path))
    throw ECliFailure(path + ": not a PAK file (it does not start with \"PACK\")");
}

int Diff(const TArgs &args) {
  const std::string &first = args.Operands[0];
  const std::string &second = args.Operands[1];
  CheckIsArchive(first);
  CheckIsArchive(second);
  const bool json = args.Has("json");
  bool differ = false;
  for (const TEntryComparison &entry : CompareArchives(first, second)) {
    if (entry.Kind == edIdentical)
      continue;
    differ = true;
    const char *change = entry.Kind == edOnlyInFirst ? "-" : entry.Kind == edOnlyInSecond ? "+" : "M";
    if (json)
      WriteOut(std::string("{\"change\":\"") + change + "\",\"name\":" + JsonString(entry.Name) + ",\"old_size\":" +
               std::to_string(entry.FirstSize) + ",\"new_size\":" + std::to_string(entry.SecondSize) + "}\n");
    else
      WriteOutLine(std::string(change) + " " + entry.Name);
  }
  FinishOutput();
  return differ ? ExitProblems : ExitDone;
}

} // namespace

const TEngineProfile *GameProfile(const TArgs &args) {
  if (!args.Has("profile"))
    return &OriginalEngineProfile();
  const std::string name = args.Value("profile");
  if (const TEngineProfile *profile = FindEngineProfile(name))
    return profile;
  throw EUsage("unknown profile '" + name + "' (" + ProfileNames() + ")");
}

std::string ProfileNames() {
  std::string names;
  for (const TEngineProfile &profile : EngineProfiles()) {
    if (!names.empty())
      names += ' ';
    names += profile.Name;
  }
  return names;
}

std::vector<TNamedRun> GameFolderCommands() { return {{"which", Which}, {"overview", Overview}, {"diff", Diff}}; }
