// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliArchive.h"

#include "CliOutput.h"
#include "WindowSettings.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <sys/stat.h>
#include <unordered_set>

namespace fs = std::filesystem;

bool Quiet(const TArgs &args) { return args.Has("quiet"); }

TSpaceHandle SpaceRule(const TArgs &args) {
  const std::string spaces = args.Value("spaces", "keep");
  if (spaces == "keep")
    return shLeave;
  if (spaces == "delete")
    return shDelete;
  if (spaces == "underscore")
    return shUnderscore;
  throw EUsage("--spaces takes keep, delete or underscore, not '" + spaces + "'");
}

void ApplyNameRules(TQuakePak &pak, const TArgs &args) {
  pak.SetHandleSpaces(SpaceRule(args));
  pak.SetForceLowercase(!args.Has("keep-case"));
}

namespace {
// Refuses a path that names no file, or a folder; true for a regular file.
bool RefuseNoFile(const std::string &path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0)
    throw EInOutError(path, errno);
  if (S_ISDIR(info.st_mode))
    throw EInOutError(path, EISDIR);
  return S_ISREG(info.st_mode);
}

[[noreturn]] void RefuseNoPak(const std::string &path) {
  throw ECliFailure(path + ": not a PAK file (it does not start with \"PACK\")");
}

void OpenForReadingOrChange(TQuakePak &pak, const std::string &path, bool toChange) {
  RefuseNoFile(path);
  try {
    if (toChange)
      pak.OpenPak(path);
    else
      pak.OpenPakToRead(path);
  } catch (const EInvalidPakFile &) {
    RefuseNoPak(path);
  }
}
} // namespace

void OpenArchive(TQuakePak &pak, const std::string &path) { OpenForReadingOrChange(pak, path, false); }

std::unique_ptr<TDirectoryReader> OpenDirectory(const std::string &path) {
  // As OpenArchive: only a regular file can be an archive.
  if (!RefuseNoFile(path))
    RefuseNoPak(path);
  auto reader = std::make_unique<TDirectoryReader>(path, true);
  if (!reader->HasMagic())
    RefuseNoPak(path);
  return reader;
}

bool ReportDamage(const TQuakePak &pak, const std::string &path) { return ReportDamage(pak.DamageFindings(), path); }

bool ReportDamage(const TCheckFindings &damage, const std::string &path) {
  for (const TCheckFinding &finding : damage)
    ReportError(path + ": damaged: " + FindingText(finding));
  return !damage.empty();
}

int64_t ArchiveFileSize(const std::string &path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0)
    throw EInOutError(path, errno);
  return info.st_size;
}

void AllowChanges(TQuakePak &pak) {
  const std::string quake = WindowQuakeDirectory();
  if (!quake.empty()) {
    try {
      pak.SetQuakeDirectory(quake);
      return;
    } catch (const EInvalidQuakeDir &) {
      // Gone or moved: there is nothing left there to protect.
    }
  }
  // The engine changes archives only beside a Quake installation: one with
  // an empty stock archive, removed with the engine's private folder.
  const std::string standIn = pak.PrivateDirectory() + "quake/";
  if (::mkdir(standIn.c_str(), 0700) != 0 || ::mkdir((standIn + "id1").c_str(), 0700) != 0 ||
      !TQuakePak::CreateBareArchive(standIn + "id1/pak0.pak"))
    throw EInOutError(standIn, errno);
  pak.SetQuakeDirectory(standIn);
}

void OpenArchiveToChange(TQuakePak &pak, const std::string &path) {
  OpenForReadingOrChange(pak, path, true);
  if (ReportDamage(pak, path))
    throw ECliFailure(path + ": damaged; left unchanged (varnel-cli check lists what is wrong)");
  if (pak.IsProtected())
    throw ECliFailure(ResultText(prProtected, path));
}

void SaveArchive(TQuakePak &pak, const std::string &target, bool inPlace) {
  int64_t total = PakFormat::HeaderSize + int64_t{pak.EntryCount()} * PakFormat::RecordSize;
  for (const TDirEntry &entry : pak.Directory())
    total += entry.Size;
  if (total > PakFormat::MaxArchiveSize)
    throw ECliFailure(target + ": not saved: it would be larger than 2 GB, the most a PAK file can hold");
  const uint8_t result = inPlace ? pak.SavePak() : pak.SavePakAs(target);
  if (result == prWriteFailed)
    ReportFailures(pak, "");
  if (result != prDone)
    throw ECliFailure(ResultText(result, target));
}

bool ReportFailures(const TQuakePak &pak, const std::string &prefix) {
  for (const std::string &failure : pak.Failures())
    ReportError(prefix + failure);
  return !pak.Failures().empty();
}

std::string ResultText(uint8_t code, const std::string &path) {
  switch (code) {
  case prProtected:
    return path + ": a stock archive of the Quake installation named in Varnel's options; it is protected";
  case prWriteFailed:
    return path + ": not saved";
  case prCancelled:
    return path + ": changed by another program while varnel-cli worked on it; not saved";
  default:
    return path + ": the engine refused the operation (result " + std::to_string(code) + ")";
  }
}

TMatched MatchEntries(const TQuakePak &pak, const std::vector<std::string> &patterns) {
  TMatched matched;
  const std::vector<TDirEntry> &directory = pak.Directory();
  if (patterns.empty()) {
    for (int32_t i = 0; i < pak.EntryCount(); ++i)
      matched.Indexes.push_back(i);
    return matched;
  }
  // A plain name that names an entry is that entry, found as cat finds it
  // (so names that differ in letter case stay two entries); the others are
  // matched against every entry.
  std::vector<TNamePattern> compiled;
  std::vector<size_t> toMatch;
  std::vector<bool> used(patterns.size(), false);
  for (size_t p = 0; p < patterns.size(); ++p) {
    compiled.emplace_back(patterns[p]);
    const int32_t index = compiled[p].IsLiteral() ? pak.FindEntry(compiled[p].Literal()) : -1;
    if (index >= 0) {
      matched.Indexes.push_back(index);
      used[p] = true;
    } else {
      toMatch.push_back(p);
    }
  }
  if (!toMatch.empty())
    for (int32_t i = 0; i < pak.EntryCount(); ++i) {
      const std::string_view name = directory[static_cast<size_t>(i)].Name.View();
      bool any = false;
      for (size_t p : toMatch)
        if ((!any || !used[p]) && compiled[p].Matches(name)) {
          used[p] = true;
          any = true;
        }
      if (any)
        matched.Indexes.push_back(i);
    }
  std::sort(matched.Indexes.begin(), matched.Indexes.end());
  matched.Indexes.erase(std::unique(matched.Indexes.begin(), matched.Indexes.end()), matched.Indexes.end());
  for (size_t p = 0; p < patterns.size(); ++p)
    if (!used[p])
      matched.Unmatched.push_back(patterns[p]);
  return matched;
}

bool ReportUnmatched(const TMatched &matched, const std::string &path) {
  for (const std::string &pattern : matched.Unmatched)
    ReportError(path + ": " + pattern + ": no entry matches");
  // An unquoted "*.bsp" reaches the program as the names of files here, if any.
  if (!matched.Unmatched.empty())
    ReportError("put patterns in quotes ('*.bsp'), or the shell may replace them with names of files here");
  return !matched.Unmatched.empty();
}

namespace {
std::string WithoutTrailingSlashes(std::string path) {
  while (path.size() > 1 && path.back() == '/')
    path.pop_back();
  return path;
}
} // namespace

TStringList FilesToAdd(const std::vector<std::string> &paths, std::string &folder, bool &missing) {
  const std::string shown = folder.empty() ? std::string("the current folder") : folder;
  fs::path base = fs::absolute(folder.empty() ? fs::path(".") : fs::path(folder)).lexically_normal();
  struct stat info {};
  if (::stat(base.c_str(), &info) != 0)
    throw EInOutError(shown, errno);
  if (!S_ISDIR(info.st_mode))
    throw EInOutError(shown, ENOTDIR);
  folder = WithoutTrailingSlashes(base.string());
  if (folder != "/")
    folder += '/';

  TStringList files;
  for (const std::string &path : paths) {
    const std::string full = WithoutTrailingSlashes((base / path).lexically_normal().string());
    if ((full + "/").rfind(folder, 0) != 0)
      throw EUsage(path + " lies outside " + shown + ", to which entry names are made relative (choose it with -C)");
    if (::stat(full.c_str(), &info) != 0) {
      ReportError(path + ": " + std::strerror(errno));
      missing = true;
      continue;
    }
    // The engine adds regular files only and passes over the rest in
    // folders; one named here is reported rather than left out in silence.
    if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) {
      ReportError(path + ": not a regular file or folder; left out");
      missing = true;
      continue;
    }
    files.push_back(full);
  }
  return files;
}

bool ReportNameClashes(const TQuakePak &pak, const TStringList &paths, const std::string &base,
                       const std::string &target) {
  std::unordered_set<std::string> seen;
  bool any = false;
  for (const std::string &path : paths) {
    const std::string name = pak.MakeEntryName(target + path.substr(std::min(base.size(), path.size())));
    if (!seen.insert(AsciiLower(name)).second) {
      ReportError(path + ": not added: a file before it has the same entry name, " + name);
      any = true;
    }
  }
  return any;
}

std::string EntryFolder(const std::string &typed) {
  std::string folder = TQuakePak::ToEntrySlashes(typed);
  folder.erase(0, std::min(folder.find_first_not_of('/'), folder.size()));
  if (!folder.empty() && folder.back() != '/')
    folder += '/';
  return folder;
}
