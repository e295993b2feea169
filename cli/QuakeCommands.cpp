// SPDX-License-Identifier: GPL-3.0-or-later
// WAD files (list, extract, create, add, delete, rename) and map textures
// (textures) on the command line.
#include "CliArchive.h"
#include "CliCommands.h"
#include "CliOutput.h"
#include "CliPictures.h"
#include "CliQuake.h"
#include "PakPatterns.h"
#include "QuakePictures.h"
#include "QuakeWad.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

// No WAD, map or picture file read here comes near this; a bigger one is refused before it is read.
constexpr int64_t MaxQuakeFileSize = PakFormat::MaxArchiveSize;

bool IsRegularFile(const std::string &path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool Exists(const std::string &path) {
  struct stat info {};
  return ::lstat(path.c_str(), &info) == 0;
}

TBytes ReadWholeFile(const std::string &path) {
  std::ifstream file(path, std::ios::binary);
  if (!file)
    throw EInOutError(path, errno);
  file.seekg(0, std::ios::end);
  const int64_t size = file.tellg();
  if (size < 0 || size > MaxQuakeFileSize)
    throw ECliFailure(path + ": larger than 2 GB; not read");
  file.seekg(0);
  TBytes bytes(static_cast<size_t>(size), '\0');
  if (!file.read(bytes.data(), size))
    throw EInOutError(path, EIO);
  return bytes;
}

void WriteWholeFile(const std::string &path, const TBytes &bytes) {
  if (const std::string failure = ReplaceFileContents(path, bytes.data(), bytes.size()); !failure.empty())
    throw ECliFailure(failure);
}

// A file named on the command line, or an entry of a PAK file as ARCHIVE:ENTRY.
struct TPlace {
  std::string Shown;
  std::string File;
  std::string Entry;
  bool InArchive() const { return !Entry.empty(); }
};

bool SplitPlace(const std::string &operand, TPlace &place) {
  place = {operand, operand, {}};
  if (IsRegularFile(operand))
    return true;
  for (size_t colon = operand.rfind(':'); colon != std::string::npos && colon > 0;
       colon = operand.rfind(':', colon - 1)) {
    const std::string archive = operand.substr(0, colon);
    if (colon + 1 < operand.size() && TQuakePak::IsPakFile(archive)) {
      place = {operand, archive, operand.substr(colon + 1)};
      return true;
    }
  }
  return false;
}

TPlace PlaceOf(const std::string &operand) {
  TPlace place;
  if (!SplitPlace(operand, place))
    throw EInOutError(operand, ENOENT);
  return place;
}

TBytes ReadPlace(const TPlace &place) {
  if (!place.InArchive())
    return ReadWholeFile(place.File);
  TQuakePak pak;
  OpenArchive(pak, place.File);
  const int32_t index = pak.FindEntry(place.Entry);
  if (index < 0)
    throw ECliFailure(place.File + ": " + place.Entry + ": no such entry");
  const TDirEntry &entry = pak.Directory()[static_cast<size_t>(index)];
  if (!EntryDataInFile(entry, ArchiveFileSize(place.File)))
    throw ECliFailure(place.File + ": " + entry.Name.Str() + ": its data lies outside the archive file");
  std::ifstream file(place.File, std::ios::binary);
  TBytes bytes(static_cast<size_t>(entry.Size), '\0');
  file.seekg(entry.Position);
  if (!file.read(bytes.data(), entry.Size))
    throw EInOutError(place.File, EIO);
  return bytes;
}

// A file is replaced whole; an entry's data is replaced in its archive (one
// undo step there), which is then saved in place.
void WritePlace(const TPlace &place, const TBytes &bytes, const TArgs &args) {
  if (!place.InArchive())
    return WriteWholeFile(place.File, bytes);
  TQuakePak pak;
  AllowChanges(pak);
  OpenArchiveToChange(pak, place.File);
  const int32_t index = pak.FindEntry(place.Entry);
  if (index < 0)
    throw ECliFailure(place.File + ": " + place.Entry + ": no such entry");
  const std::string replacement = pak.PrivateDirectory() + "replacement";
  WriteWholeFile(replacement, bytes);
  const uint8_t result = pak.ReplaceEntryData(index, replacement);
  ReportFailures(pak, place.File + ": ");
  if (result != prDone)
    throw ECliFailure(ResultText(result, place.File));
  TProgressLine progress(pak, "saving", Quiet(args));
  SaveArchive(pak, place.File, true);
}

// Reads the WAD; its damage is reported (true returned), or refused when it is to be changed.
bool ReadWadAt(const TPlace &place, QuakeWad::TWad &wad, bool toChange) {
  std::vector<std::string> findings;
  if (!QuakeWad::ReadWad(ReadPlace(place), wad, findings))
    throw ECliFailure(place.Shown + ": " + findings.front());
  for (const std::string &finding : findings)
    ReportError(place.Shown + ": damaged: " + finding);
  if (toChange && !findings.empty())
    throw ECliFailure(place.Shown + ": damaged; left unchanged");
  return !findings.empty();
}

std::vector<std::string> Patterns(const TArgs &args, size_t first) {
  return {args.Operands.begin() + static_cast<std::ptrdiff_t>(first), args.Operands.end()};
}

// The lumps matching any pattern (all for none), in directory order; patterns matching nothing reported.
std::vector<size_t> MatchLumps(const QuakeWad::TWad &wad, const std::vector<std::string> &patterns,
                               const std::string &shown, bool &problems) {
  std::vector<size_t> matched;
  std::vector<bool> used(patterns.size(), false);
  const std::vector<TNamePattern> compiled(patterns.begin(), patterns.end());
  for (size_t i = 0; i < wad.Lumps.size(); ++i) {
    bool any = patterns.empty();
    for (size_t p = 0; p < patterns.size(); ++p)
      if (compiled[p].Matches(wad.Lumps[i].Name))
        used[p] = any = true;
    if (any)
      matched.push_back(i);
  }
  for (size_t p = 0; p < patterns.size(); ++p)
    if (!used[p]) {
      ReportError(shown + ": " + patterns[p] + ": no lump matches");
      problems = true;
    }
  return matched;
}

std::string TypeText(uint8_t type) {
  char text[4];
  std::snprintf(text, sizeof text, "%02x", type);
  return text;
}

// The lumps that files make, added to wad; a name taken already is put to
// replace(file, name), which says whether to replace it (and reports a
// refusal itself). True when a file could not be made a lump.
template <typename TTaken>
bool AddLumpFiles(QuakeWad::TWad &wad, const TArgs &args, TTaken replace) {
  std::string base = args.Value("directory");
  bool problems = false;
  TStringList given = FilesToAdd(Patterns(args, 1), base, problems);
  TStringList files;
  {
    TQuakePak scanner;
    for (const std::string &path : given) {
      if (IsRegularFile(path))
        files.push_back(path);
      else
        scanner.ScanDirectory(path, files, true);
    }
  }
  if (files.empty())
    throw ECliFailure("nothing to add");
  bool havePalette = false;
  TQuakePalette palette;
  for (const std::string &file : files) {
    ThrowIfInterrupted();
    const std::string fileName = fs::path(file).filename().string();
    std::string name;
    uint8_t type = 0;
    TBytes data;
    try {
      if (QuakeWad::LumpOfFileName(fileName, name, type)) {
        data = ReadWholeFile(file);
      } else if (IsImageFileName(fileName)) {
        name = QuakePictures::NameOfSafeFileName(fs::path(fileName).stem().string());
        const bool font = SameTextAscii(name, "conchars");
        type = args.Has("mip") || font ? QuakeWad::ltMiptex : QuakeWad::ltPicture;
        const char *extension = font ? ".raw" : args.Has("mip") ? ".mip" : ".lmp";
        if (!havePalette) {
          palette = ChosenPalette(args, true);
          havePalette = true;
        }
        data = ImageFileToLump(file, QuakePictures::SafeFileName(name) + extension, palette);
      } else {
        ReportError(file + ": not added: neither a lump file (.lmp, .mip, .raw, .pal, .tXX) nor a picture");
        problems = true;
        continue;
      }
    } catch (const ECliFailure &failure) {
      ReportError(std::string(failure.what()) + "; not added");
      problems = true;
      continue;
    }
    if (const std::string refusal = QuakeWad::LumpNameRefusal(name); !refusal.empty()) {
      ReportError(file + ": not added: " + refusal);
      problems = true;
      continue;
    }
    if (QuakeWad::FindLump(wad, name) >= 0 && !replace(file, name))
      continue;
    QuakeWad::PutLump(wad, name, type, data);
  }
  return problems;
}

} // namespace

bool NamesWad(const std::string &operand, bool forCreate) {
  TPlace place;
  if (SplitPlace(operand, place)) {
    if (place.InArchive())
      return true;
    std::ifstream file(operand, std::ios::binary);
    char magic[4] = {};
    return file.read(magic, 4) && QuakeWad::IsWad(TBytes(magic, 4));
  }
  return forCreate && AsciiLower(operand).ends_with(".wad");
}

int WadList(const TArgs &args) {
  const TPlace place = PlaceOf(args.Operands[0]);
  QuakeWad::TWad wad;
  const bool problems = ReadWadAt(place, wad, false);
  for (const QuakeWad::TLump &lump : wad.Lumps) {
    if (args.Has("json")) {
      WriteOut("{\"name\":" + JsonString(lump.Name) + ",\"size\":" + std::to_string(lump.Data.size()) +
               ",\"offset\":" + std::to_string(lump.Position) + ",\"type\":" + std::to_string(lump.Type) +
               ",\"file\":" + JsonString(QuakeWad::LumpFileName(lump)) + "}\n");
    } else if (args.Has("long")) {
      char columns[48];
      std::snprintf(columns, sizeof columns, "%10zu %10lld %s ", lump.Data.size(),
                    static_cast<long long>(lump.Position), TypeText(lump.Type).c_str());
      WriteOutLine(columns + lump.Name);
    } else {
      WriteOutLine(lump.Name);
    }
  }
  FinishOutput();
  return problems ? ExitProblems : ExitDone;
}

int WadExtract(const TArgs &args) {
  const TPlace place = PlaceOf(args.Operands[0]);
  args.Exclusive("overwrite", "skip-existing");
  const std::string destination = args.Value("output", ".");
  if (destination.empty())
    throw EUsage("-o needs a folder");
  QuakeWad::TWad wad;
  bool problems = ReadWadAt(place, wad, false);
  const std::vector<size_t> matched = MatchLumps(wad, Patterns(args, 1), place.Shown, problems);
  std::map<std::string, size_t> lastOfFile;
  for (size_t index : matched)
    lastOfFile[QuakeWad::LumpFileName(wad.Lumps[index])] = index;
  std::error_code error;
  if (!matched.empty() && !fs::create_directories(destination, error) && error)
    throw EInOutError(destination, error.value());
  for (size_t index : matched) {
    ThrowIfInterrupted();
    const QuakeWad::TLump &lump = wad.Lumps[index];
    const std::string fileName = QuakeWad::LumpFileName(lump);
    if (lastOfFile[fileName] != index) {
      ReportError(place.Shown + ": " + lump.Name + ": a later lump has the same name; only that one is extracted");
      problems = true;
      continue;
    }
    const std::string target = (fs::path(destination) / fileName).string();
    if (Exists(target) && !args.Has("overwrite")) {
      if (!args.Has("skip-existing")) {
        ReportError(target + ": exists; not replaced (use --overwrite or --skip-existing)");
        problems = true;
      }
      continue;
    }
    WriteWholeFile(target, lump.Data);
  }
  return problems ? ExitProblems : ExitDone;
}

int WadCreate(const TArgs &args) {
  const std::string &out = args.Operands[0];
  if (Exists(out) && !args.Has("force"))
    throw ECliFailure(out + ": exists; not replaced (use --force)");
  QuakeWad::TWad wad;
  bool clashes = false;
  const bool problems = AddLumpFiles(wad, args, [&](const std::string &file, const std::string &name) {
    ReportError(file + ": not added: a file before it has the same lump name, " + name);
    clashes = true;
    return false;
  });
  if (wad.Lumps.empty())
    throw ECliFailure("nothing added");
  WriteWholeFile(out, QuakeWad::WriteWad(wad));
  return problems || clashes ? ExitProblems : ExitDone;
}

int WadAdd(const TArgs &args) {
  const TPlace place = PlaceOf(args.Operands[0]);
  args.Exclusive("replace", "skip");
  QuakeWad::TWad wad;
  ReadWadAt(place, wad, true);
  bool changed = false;
  bool clashes = false;
  const bool problems = AddLumpFiles(wad, args, [&](const std::string &, const std::string &name) {
    if (!args.Has("replace") && !args.Has("skip")) {
      ReportError(place.Shown + ": " + name + ": already in the WAD; not replaced (use --replace or --skip)");
      clashes = true;
    }
    return args.Has("replace");
  });
  for (const QuakeWad::TLump &lump : wad.Lumps)
    changed = changed || lump.Record.empty();
  if (changed)
    WritePlace(place, QuakeWad::WriteWad(wad), args);
  return problems || clashes ? ExitProblems : ExitDone;
}

int WadDelete(const TArgs &args) {
  const TPlace place = PlaceOf(args.Operands[0]);
  QuakeWad::TWad wad;
  ReadWadAt(place, wad, true);
  bool problems = false;
  const std::vector<size_t> matched = MatchLumps(wad, Patterns(args, 1), place.Shown, problems);
  if (matched.empty())
    return ExitProblems;
  for (auto index = matched.rbegin(); index != matched.rend(); ++index)
    wad.Lumps.erase(wad.Lumps.begin() + static_cast<std::ptrdiff_t>(*index));
  WritePlace(place, QuakeWad::WriteWad(wad), args);
  return problems ? ExitProblems : ExitDone;
}

int WadRename(const TArgs &args) {
  const TPlace place = PlaceOf(args.Operands[0]);
  QuakeWad::TWad wad;
  ReadWadAt(place, wad, true);
  if (const std::string refusal = QuakeWad::RenameLump(wad, args.Operands[1], args.Operands[2]); !refusal.empty())
    throw ECliFailure(place.Shown + ": " + refusal);
  WritePlace(place, QuakeWad::WriteWad(wad), args);
  return ExitDone;
}

namespace {

int Textures(const TArgs &args) {
  const TPlace place = PlaceOf(args.Operands[0]);
  args.Exclusive("output", "wad");
  args.Exclusive("replace", "wad");
  const TBytes bytes = ReadPlace(place);
  QuakePictures::TMapTextures map = QuakePictures::ReadMapTextures(bytes);
  if (!map.IsMap)
    throw ECliFailure(place.Shown + ": not a map of version 29, BSP2 or 2PSB");
  bool problems = false;
  for (const std::string &finding : map.Findings) {
    ReportError(place.Shown + ": damaged: " + finding);
    problems = true;
  }
  const bool overwrite = args.Has("overwrite");
  if (args.Has("replace")) {
    if (args.Operands.size() < 2)
      throw EUsage("--replace needs the picture files to put in");
    TBytes changed = bytes;
    const TQuakePalette palette = ChosenPalette(args, true);
    for (const std::string &file : Patterns(args, 1)) {
      ThrowIfInterrupted();
      const std::string name = QuakePictures::NameOfSafeFileName(fs::path(file).stem().string());
      auto found = std::find_if(map.Textures.begin(), map.Textures.end(), [&](const QuakePictures::TMapTexture &t) {
        return SameTextAscii(t.Texture.Name, name);
      });
      QuakePictures::TMiptex texture;
      std::string reason;
      try {
        if (found == map.Textures.end())
          throw ECliFailure(file + ": the map has no texture " + name);
        const TBytes lump = ImageFileToLump(file, QuakePictures::SafeFileName(found->Texture.Name) + ".mip", palette);
        if (!QuakePictures::ReadMiptex(lump, texture, reason) ||
            !(reason = QuakePictures::ReplaceMapTexture(changed, *found, texture)).empty())
          throw ECliFailure(file + ": " + reason);
      } catch (const ECliFailure &failure) {
        ReportError(std::string(failure.what()) + "; not put in");
        problems = true;
      }
    }
    if (changed != bytes)
      WritePlace(place, changed, args);
    return problems ? ExitProblems : ExitDone;
  }
  if (args.Operands.size() > 1)
    throw EUsage("picture files are taken with --replace only");
  if (args.Has("wad")) {
    const std::string out = args.Value("wad");
    if (Exists(out) && !overwrite)
      throw ECliFailure(out + ": exists; not replaced (use --overwrite)");
    QuakeWad::TWad wad;
    for (const QuakePictures::TMapTexture &texture : map.Textures)
      QuakeWad::PutLump(wad, texture.Texture.Name, QuakeWad::ltMiptex, QuakePictures::WriteMiptex(texture.Texture));
    WriteWholeFile(out, QuakeWad::WriteWad(wad));
    return problems ? ExitProblems : ExitDone;
  }
  const std::string destination = args.Value("output", ".");
  std::error_code error;
  if (!map.Textures.empty() && !fs::create_directories(destination, error) && error)
    throw EInOutError(destination, error.value());
  const TQuakePalette palette = map.Textures.empty() ? TQuakePalette() : ChosenPalette(args, true);
  for (const QuakePictures::TMapTexture &texture : map.Textures) {
    ThrowIfInterrupted();
    const std::string safe = QuakePictures::SafeFileName(texture.Texture.Name);
    const std::string target = (fs::path(destination) / (safe + ".png")).string();
    if (Exists(target) && !overwrite) {
      ReportError(target + ": exists; not replaced (use --overwrite)");
      problems = true;
      continue;
    }
    LumpToImageFile(QuakePictures::WriteMiptex(texture.Texture), safe + ".mip", target, palette);
  }
  return problems ? ExitProblems : ExitDone;
}

} // namespace

std::vector<TNamedRun> QuakeCommands() { return {{"textures", Textures}}; }
