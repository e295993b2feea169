// SPDX-License-Identifier: GPL-3.0-or-later
// What the commands of varnel-cli share: opening an archive, the entry-name
// rules, permission to change archives, saving, and choosing entries by
// shell patterns.
#pragma once

#include "CliArgs.h"
#include "PakQuake.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

bool Quiet(const TArgs &args);

// The space rule --spaces names (keep when not given); raises EUsage for an unknown one.
TSpaceHandle SpaceRule(const TArgs &args);
// Sets the entry-name rules: lower case unless --keep-case, spaces as
// --spaces says (keep, as in the window, when not given).
void ApplyNameRules(TQuakePak &pak, const TArgs &args);

// Opens an existing archive to read it. Raises EInOutError (the file and the system's
// reason) or ECliFailure (not a PAK file).
void OpenArchive(TQuakePak &pak, const std::string &path);
// Opens an existing archive to read its directory record by record, judged
// (TDirectoryReader), with the refusals of OpenArchive.
std::unique_ptr<TDirectoryReader> OpenDirectory(const std::string &path);
// Reports the damage found when the archive was opened (or its directory
// read), one line each; true when there was any.
bool ReportDamage(const TQuakePak &pak, const std::string &path);
bool ReportDamage(const TCheckFindings &damage, const std::string &path);
// The size of the archive's file as it is now.
int64_t ArchiveFileSize(const std::string &path);

// Lets the engine change archives. With the Quake installation named in the
// window's settings, its stock archives stay protected as in the window;
// without one, a stand-in installation in the engine's private folder
// protects nothing.
void AllowChanges(TQuakePak &pak);
// Opens an archive to be changed: refuses a damaged one, whose save would
// fail or copy what is not there.
void OpenArchiveToChange(TQuakePak &pak, const std::string &path);
// Saves the open archive to its own file (in place) or to target; the file
// is replaced only once the new one is complete. Raises ECliFailure, after
// reporting the engine's reasons (which file, and why) when it could not write.
void SaveArchive(TQuakePak &pak, const std::string &target, bool inPlace);

// Reports the engine's failures of the last operation, each after prefix;
// true when there was any.
bool ReportFailures(const TQuakePak &pak, const std::string &prefix);
// The text of an engine result code that stopped an operation on path.
std::string ResultText(uint8_t code, const std::string &path);

struct TMatched {
  // Indexes into the directory, in directory order.
  std::vector<int32_t> Indexes;
  std::vector<std::string> Unmatched;
};
// The entries matching any of the patterns (all of them for no pattern), by
// the rule of TNamePattern; a pattern without wildcards that names an entry
// chooses that entry alone, looked up as FindEntry finds names.
TMatched MatchEntries(const TQuakePak &pak, const std::vector<std::string> &patterns);
// Reports each pattern that matched nothing, and how to keep the shell off
// patterns; true when there was any.
bool ReportUnmatched(const TMatched &matched, const std::string &path);

// The files to add, each resolved against folder (-C) and refused (EUsage)
// when it lies outside it; folder is returned absolute, ending in "/".
// Paths that do not exist, and those neither a regular file nor a folder,
// are reported and left out (missing is then set).
TStringList FilesToAdd(const std::vector<std::string> &paths, std::string &folder, bool &missing);
// Reports each added file that the engine left out because a file before it
// in paths got the same entry name; true when there was any. paths is what
// AddFiles left in the list, base and target as given to it.
bool ReportNameClashes(const TQuakePak &pak, const TStringList &paths, const std::string &base,
                       const std::string &target);
// An entry folder as typed: "\" as "/", without leading "/".
std::string EntryFolder(const std::string &typed);
