// SPDX-License-Identifier: GPL-3.0-or-later
// The search path of a Quake installation as each engine builds it, the
// files it loads, and the archive check that follows from it.
#include "PakFile.h"
#include "PakInternal.h"
#include "PakQuake.h"

#include <algorithm>
#include <filesystem>
#include <mutex>
#include <unordered_map>

namespace fs = std::filesystem;

struct TGameView::TIndex {
  // The key of each loaded file's name (folded where the profile ignores case).
  std::unordered_map<std::string, int32_t> ByName;
  // Folded name -> indexes into Files, made when CaseTwins is first asked.
  mutable std::unordered_map<std::string, std::vector<int32_t>> ByFolded;
  mutable std::once_flag FoldedMade;
};

namespace {

// Each row names the code its rules were read from; all of them are public
// sources of the engines.
const std::vector<TEngineProfile> Profiles = {
    // id Software's Quake source release (id-Software/Quake at a8f828a,
    // WinQuake/common.c, v1.09): COM_AddGameDirectory puts the folder on the search path, then
    // pak0.pak, pak1.pak, ... in front of it until COM_LoadPackFile cannot
    // open one; COM_FindFile takes the first place that holds the name,
    // compared by strcmp, and in an archive its first entry of that name.
    // COM_LoadPackFile stops the game (Sys_Error) for a file that is not a
    // PAK file or holds more than MAX_FILES_IN_PACK (2048) entries.
    // COM_InitFilesystem adds id1, then -rogue, -hipnotic, then -game.
    {.Name = "quake",
     .Title = "Quake 1.09 (id Software's source release)",
     .NotPak = afGameStops,
     .Empty = afLoaded,
     .TooMany = afGameStops,
     .LeftOut = "",
     .Sources = "id-Software/Quake WinQuake/common.c: COM_AddGameDirectory, COM_LoadPackFile, COM_FindFile, "
                "COM_InitFilesystem"},
    // QuakeSpasm (sezero/quakespasm at 71d7d02, Quake/common.c): the same order and
    // comparison; COM_LoadPackFile returns no archive for one without entries
    // ("has no files, ignored"), which ends the numbered run; -quoth is a
    // mission pack too. Its own quakespasm.pak (after id1/pak0.pak) and the
    // user folder are not part of the Quake directory and are left out.
    {.Name = "quakespasm",
     .Title = "QuakeSpasm (sezero/quakespasm at 71d7d02)",
     .Empty = afEndsRun,
     .LeftOut = "its own quakespasm.pak and the user folder (~/.quakespasm)",
     .Sources = "sezero/quakespasm Quake/common.c: COM_AddGameDirectory, COM_LoadPackFile, COM_FindFile"},
    // vkQuake (Novum/vkQuake at 0059b93, Quake/common.c): QuakeSpasm's rules; more
    // than one -game may be given (each searched before the one before it).
    {.Name = "vkquake",
     .Title = "vkQuake (Novum/vkQuake at 0059b93)",
     .Empty = afEndsRun,
     .LeftOut = "its built-in vkquake.pak and the user folder",
     .Sources = "Novum/vkQuake Quake/common.c: COM_AddGameDirectory, COM_LoadPackFile, COM_FindFile"},
    // Ironwail (andrei-drexler/ironwail at 096c3d9, Quake/common.c): QuakeSpasm's
    // rules over each base folder; its ironwail.pak follows id1/pak0.pak.
    {.Name = "ironwail",
     .Title = "Ironwail (andrei-drexler/ironwail at 096c3d9)",
     .Empty = afEndsRun,
     .LeftOut = "its own ironwail.pak and the user folder",
     .Sources = "andrei-drexler/ironwail Quake/common.c: COM_AddGameDirectory, COM_LoadPackFile, COM_FindFile"},
    // DarkPlaces (DarkPlacesEngine/DarkPlaces at 01b6174, fs.c): FS_AddGameDirectory
    // lists the folder, sorts the names ignoring case (stringlistsort,
    // strcasecmp), adds every *.pak (extension in any case) in that order,
    // then the folder itself in front ("unpacked files have the priority
    // over packed files"). FS_LoadPackPAK skips a file that is not a PAK file
    // or holds more than 2048 entries; PAK names are case sensitive
    // (pack->ignorecase = false).
    {.Name = "darkplaces",
     .Title = "DarkPlaces (DarkPlacesEngine/DarkPlaces at 01b6174)",
     .LooseFilesFirst = true,
     .NumberedArchives = false,
     .AnyPakName = true,
     .NotPak = afSkipped,
     .TooMany = afSkipped,
     .LeftOut = ".pk3 and .pk3dir archives, and the user folder (~/.darkplaces)",
     .Sources =
         "DarkPlacesEngine/DarkPlaces fs.c: FS_AddGameDirectory, FS_AddPack_Fullpath, FS_LoadPackPAK, FS_FindFile; "
         "filematch.c: stringlistsort"},
    // FTEQW (fte-team/fteqw, engine/common/fs.c and fs_pak.c): FS_AddPathHandle
    // adds a folder's archives (FS_AddDataFiles: pak0.pak, pak1.pak, ... until
    // one is missing or cannot be opened, then every other *.pak) and then the
    // folder in front of them. FSPAK_FLocate compares names with
    // Q_strcasecmp, and the file-name cache ignores case for loose files too;
    // FSPAK_LoadArchive has no entry limit and leaves out a file that is not
    // a PAK file. The order of the other *.pak is the folder listing's; taken
    // here as byte order of the names.
    {.Name = "fteqw",
     .Title = "FTEQW (fte-team/fteqw)",
     .LooseFilesFirst = true,
     .AnyPakName = true,
     .AnyPakAfterNumbered = true,
     .IgnoreCase = true,
     .NotPak = afEndsRun,
     .TooMany = afLoaded,
     .LeftOut = ".pk3, .pk4, .zip and the other package formats, pak.lst and installed packages",
     .Sources = "fte-team/fteqw engine/common/fs.c: FS_AddPathHandle, FS_AddDataFiles, FS_AddWildDataFiles; fs_pak.c: "
                "FSPAK_LoadArchive, FSPAK_FLocate"},
};

std::string FoldedName(std::string_view name) { return AsciiLower(std::string(name)); }

bool HasPakExtension(const std::string &name, bool anyCase) {
  if (name.size() < 4)
    return false;
  const std::string_view tail = std::string_view(name).substr(name.size() - 4);
  return anyCase ? SameTextAscii(tail, ".pak") : tail == ".pak";
}

// The names in one folder, to find children exactly or in any letter case.
class TFolderListing {
public:
  explicit TFolderListing(const std::string &folder) {
    std::error_code error;
    for (fs::directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
      m_Names.push_back(it->path().filename().string());
    std::sort(m_Names.begin(), m_Names.end());
  }
  const TStringList &Names() const { return m_Names; }
  // The name exactly, else one equal to it in other letter case; empty for none.
  std::string Find(const std::string &name) const {
    if (std::binary_search(m_Names.begin(), m_Names.end(), name))
      return name;
    for (const std::string &candidate : m_Names)
      if (SameTextAscii(candidate, name))
        return candidate;
    return {};
  }

private:
  TStringList m_Names;
};

// One place of the search path while it is being built, with its files.
struct TPlace {
  TGameSource Source;
  std::vector<TGameFile> Files;
};

class TViewBuilder {
public:
  TViewBuilder(const TGameSetup &setup, const TEngineProfile &profile) : m_Setup(setup), m_Profile(profile) {}

  TGameView Build() {
    m_Quake = WithTrailingSlash(m_Setup.QuakeDirectory);
    const TFolderListing top(m_Quake);
    if (!IsDirectory(m_Quake) || top.Find("id1").empty())
      throw EInvalidQuakeDir();
    AddFolder(top, "id1", frBase);
    for (const std::string &pack : m_Setup.MissionPacks)
      AddFolder(top, pack, frMissionPack);
    if (!m_Setup.Mod.empty())
      AddFolder(top, m_Setup.Mod, frMod);
    // Each place was added in front of those before it: the search runs backwards.
    std::reverse(m_Places.begin(), m_Places.end());
    return Assemble();
  }

private:
  void Note(const std::string &sentence) { m_View.Notes.push_back(sentence); }

  void AddFolder(const TFolderListing &top, const std::string &name, TFolderRole role) {
    // A folder given twice (-game id1, or a mission pack's folder as mod) is
    // searched once, where it was first added, as QuakeSpasm does.
    if (std::any_of(m_Places.begin(), m_Places.end(),
                    [&](const TPlace &place) { return SameTextAscii(place.Source.Folder, name); }))
      return;
    const std::string found = top.Find(name);
    if (found.empty() || !IsDirectory(m_Quake + found)) {
      Note(name + ": no such folder in the Quake directory; nothing is loaded from it.");
      return;
    }
    if (found != name)
      Note(found + ": taken for " + name +
           "; the game on a file system that tells letter case apart does not find it.");
    const std::string folder = m_Quake + found + "/";
    const TFolderListing listing(folder);
    TPlace loose;
    loose.Source = {folder, name, role, false, found + "/"};
    ReadLooseFiles(folder, listing, loose);
    if (!m_Profile.LooseFilesFirst)
      m_Places.push_back(std::move(loose));
    TStringList archives;
    if (m_Profile.NumberedArchives)
      AddNumberedArchives(listing, folder, found, name, role, archives);
    if (m_Profile.AnyPakName)
      AddOtherArchives(listing, folder, found, name, role, archives);
    if (m_Profile.LooseFilesFirst)
      m_Places.push_back(std::move(loose));
  }

  void AddNumberedArchives(const TFolderListing &listing, const std::string &folder, const std::string &found,
                           const std::string &name, TFolderRole role, TStringList &archives) {
    for (int number = 0;; ++number) {
      const std::string title = "pak" + std::to_string(number) + ".pak";
      const std::string present = listing.Find(title);
      if (present.empty()) {
        ReportLaterNumbers(listing, found, number);
        return;
      }
      if (present != title)
        Note(found + "/" + present + ": taken for " + title +
             "; the game on a file system that tells letter case apart does not find it.");
      if (!AddArchive(folder + present, found, name, role, true))
        return;
      archives.push_back(present);
    }
  }

  // Numbered archives past a gap are never opened: worth a note, since that
  // is the usual reason a new archive does nothing.
  void ReportLaterNumbers(const TFolderListing &listing, const std::string &found, int missing) {
    if (m_Profile.AnyPakName)
      return;
    for (const std::string &candidate : listing.Names()) {
      if (candidate.size() < 8 || !SameTextAscii(candidate.substr(0, 3), "pak") || !HasPakExtension(candidate, true))
        continue;
      const std::string digits = candidate.substr(3, candidate.size() - 7);
      if (!digits.empty() && std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }) &&
          std::stoll(digits.substr(0, 9)) > missing)
        Note(found + "/" + candidate + ": never loaded: pak" + std::to_string(missing) +
             ".pak is missing, and numbered archives stop at the first missing number.");
    }
  }

  void AddOtherArchives(const TFolderListing &listing, const std::string &folder, const std::string &found,
                        const std::string &name, TFolderRole role, TStringList &archives) {
    TStringList others;
    for (const std::string &candidate : listing.Names())
      if (HasPakExtension(candidate, !m_Profile.AnyPakAfterNumbered) &&
          std::find(archives.begin(), archives.end(), candidate) == archives.end() && IsRegularFile(folder + candidate))
        others.push_back(candidate);
    if (!m_Profile.AnyPakAfterNumbered)
      std::stable_sort(others.begin(), others.end(),
                       [](const std::string &a, const std::string &b) { return FoldedName(a) < FoldedName(b); });
    for (const std::string &title : others)
      if (AddArchive(folder + title, found, name, role, false))
        archives.push_back(title);
  }

  // Reads one archive's directory onto the search path; false when the
  // engine leaves it out.
  bool AddArchive(const std::string &path, const std::string &found, const std::string &name, TFolderRole role,
                  bool numbered) {
    const std::string label = found + "/" + path.substr(path.rfind('/') + 1);
    TPlace place;
    place.Source = {path, name, role, true, label};
    int64_t claimed = 0;
    std::vector<TDirEntry> directory;
    try {
      TPakFile file(path, TPakFile::ReadOnly);
      if (!HasPakMagic(file))
        return Refused(label, m_Profile.NotPak, "it is not a PAK file", numbered);
      unsigned char header[PakFormat::HeaderSize] = {};
      file.ReadAt(header, sizeof header, 0);
      claimed = std::max<int32_t>(0, ReadInt32(header + PakFormat::DirectorySizeOffset)) / PakFormat::RecordSize;
      ReadDirectoryOf(file, directory, nullptr);
    } catch (const std::exception &error) {
      Note(label + ": left out: " + error.what());
      return false;
    }
    if (claimed == 0 && m_Profile.Empty != afLoaded)
      return Refused(label, m_Profile.Empty, "it holds no entries", numbered);
    if (claimed > PakFormat::MaxGameEntries && m_Profile.TooMany != afLoaded)
      return Refused(label, m_Profile.TooMany,
                     "it holds " + std::to_string(claimed) + " entries, more than " +
                         std::to_string(PakFormat::MaxGameEntries),
                     numbered);
    const auto source = static_cast<int32_t>(m_Places.size());
    place.Files.reserve(directory.size());
    for (size_t i = 0; i < directory.size(); ++i)
      place.Files.push_back({directory[i].Name.Str(), source, static_cast<int32_t>(i), directory[i].Size});
    m_Places.push_back(std::move(place));
    return true;
  }

  bool Refused(const std::string &label, TArchiveFate fate, const std::string &why, bool numbered) {
    switch (fate) {
    case afGameStops:
      Note(label + ": the game stops with an error at start: " + why + ".");
      break;
    case afEndsRun:
      Note(label + ": left out: " + why + (numbered ? "; the numbered archives after it are not loaded." : "."));
      break;
    default:
      Note(label + ": left out: " + why + ".");
      break;
    }
    return fate != afEndsRun || !numbered;
  }

  // Loose files, named by their path below the folder with "/"; hidden
  // files and folders and the archives at the folder's top are left out.
  // (Their place in the search path is set when the view is assembled.)
  static void ReadLooseFiles(const std::string &folder, const TFolderListing &listing, TPlace &place) {
    const int32_t source = -1;
    std::error_code error;
    for (const std::string &top : listing.Names()) {
      if (top.empty() || top[0] == '.')
        continue;
      const fs::path path = fs::path(folder) / top;
      const fs::file_status status = fs::status(path, error);
      if (fs::is_regular_file(status)) {
        if (!HasPakExtension(top, true))
          place.Files.push_back({top, source, -1, static_cast<int64_t>(fs::file_size(path, error))});
        continue;
      }
      if (!fs::is_directory(status))
        continue;
      for (fs::recursive_directory_iterator it(path, fs::directory_options::skip_permission_denied, error), end;
           !error && it != end; it.increment(error)) {
        const std::string leaf = it->path().filename().string();
        if (!leaf.empty() && leaf[0] == '.') {
          if (it->is_directory(error))
            it.disable_recursion_pending();
          continue;
        }
        if (it->is_regular_file(error))
          place.Files.push_back(
              {it->path().string().substr(folder.size()), source, -1, static_cast<int64_t>(it->file_size(error))});
      }
    }
  }

  TGameView Assemble() {
    auto index = std::make_shared<TGameView::TIndex>();
    std::unordered_map<std::string, int32_t> &byKey = index->ByName;
    std::vector<TLoadableFile> files;
    for (size_t rank = 0; rank < m_Places.size(); ++rank) {
      for (TGameFile &file : m_Places[rank].Files) {
        file.Source = static_cast<int32_t>(rank);
        auto [at, added] = byKey.try_emplace(m_Profile.IgnoreCase ? FoldedName(file.Name) : file.Name,
                                             static_cast<int32_t>(files.size()));
        if (added)
          files.push_back({std::move(file), {}});
        else
          files[static_cast<size_t>(at->second)].Shadowed.push_back(std::move(file));
      }
      m_View.Sources.push_back(std::move(m_Places[rank].Source));
    }
    // In name order; the index follows the files to their new places.
    std::vector<int32_t> order(files.size());
    for (size_t i = 0; i < order.size(); ++i)
      order[i] = static_cast<int32_t>(i);
    std::sort(order.begin(), order.end(), [&](int32_t a, int32_t b) {
      return files[static_cast<size_t>(a)].Loaded.Name < files[static_cast<size_t>(b)].Loaded.Name;
    });
    std::vector<int32_t> placeOf(files.size());
    m_View.Files.reserve(files.size());
    for (size_t i = 0; i < order.size(); ++i) {
      placeOf[static_cast<size_t>(order[i])] = static_cast<int32_t>(i);
      m_View.Files.push_back(std::move(files[static_cast<size_t>(order[i])]));
    }
    for (auto &[key, at] : byKey)
      at = placeOf[static_cast<size_t>(at)];
    m_View.Profile = &m_Profile;
    m_View.Lookup = std::move(index);
    return std::move(m_View);
  }

  const TGameSetup &m_Setup;
  const TEngineProfile &m_Profile;
  std::string m_Quake;
  std::vector<TPlace> m_Places;
  TGameView m_View;
};

// The game folder (a direct child of the Quake directory) that holds the
// file at path; empty when there is none.
std::string GameFolderOf(const std::string &path, const std::string &quakeDirectory) {
  const auto withoutSlash = [](fs::path resolved) {
    return resolved.has_filename() ? resolved : resolved.parent_path();
  };
  const fs::path folder = withoutSlash(ResolvedPath(path)).parent_path();
  if (quakeDirectory.empty() || folder.parent_path() != withoutSlash(ResolvedPath(quakeDirectory)))
    return {};
  return folder.filename().string();
}

// Why the game never opens the archive named title of a folder.
std::string NeverOpened(const std::string &title, const TGameView &view) {
  const std::string neverLoaded = "never loaded: ";
  for (const std::string &note : view.Notes)
    if (note.find("/" + title + ": ") != std::string::npos) {
      std::string why = note.substr(note.find(": ") + 2);
      if (why.starts_with(neverLoaded))
        why.erase(0, neverLoaded.size());
      return "The game never loads this archive: " + why;
    }
  if (!view.Profile->AnyPakName)
    return "The game never loads this archive: " + std::string(view.Profile->Title) +
           " loads only pak0.pak, pak1.pak, ... up to the first missing number.";
  return "The game never loads this archive.";
}

void SortFindings(TCheckFindings &findings) {
  std::stable_sort(findings.begin(), findings.end(),
                   [](const TCheckFinding &a, const TCheckFinding &b) { return a.Index < b.Index; });
}

} // namespace

const std::vector<TEngineProfile> &EngineProfiles() { return Profiles; }

const TEngineProfile &OriginalEngineProfile() { return Profiles.front(); }

const TEngineProfile *FindEngineProfile(std::string_view name) {
  for (const TEngineProfile &profile : Profiles)
    if (SameTextAscii(profile.Name, name))
      return &profile;
  return nullptr;
}

const TLoadableFile *TGameView::Find(std::string_view name) const {
  if (!Lookup)
    return nullptr;
  const auto found = Lookup->ByName.find(Profile->IgnoreCase ? FoldedName(name) : std::string(name));
  return found == Lookup->ByName.end() ? nullptr : &Files[static_cast<size_t>(found->second)];
}

std::vector<const TGameFile *> TGameView::CaseTwins(std::string_view name) const {
  std::vector<const TGameFile *> twins;
  if (!Lookup)
    return twins;
  // Made at the first question: listing the files needs none of it.
  std::call_once(Lookup->FoldedMade, [this] {
    for (size_t i = 0; i < Files.size(); ++i)
      Lookup->ByFolded[FoldedName(Files[i].Loaded.Name)].push_back(static_cast<int32_t>(i));
  });
  const auto found = Lookup->ByFolded.find(FoldedName(name));
  if (found == Lookup->ByFolded.end())
    return twins;
  for (int32_t index : found->second) {
    const TLoadableFile &file = Files[static_cast<size_t>(index)];
    if (file.Loaded.Name != name)
      twins.push_back(&file.Loaded);
    for (const TGameFile &copy : file.Shadowed)
      if (copy.Name != name)
        twins.push_back(&copy);
  }
  return twins;
}

std::vector<const TLoadableFile *> TGameView::Filtered(TGameFilter filter) const {
  std::vector<const TLoadableFile *> kept;
  for (const TLoadableFile &file : Files)
    if (filter == gfAll || (filter == gfShadowed && !file.Shadowed.empty()) ||
        (filter == gfModChanges && Sources[static_cast<size_t>(file.Loaded.Source)].Role == frMod))
      kept.push_back(&file);
  return kept;
}

std::string TGameView::PlaceOf(const TGameFile &file) const {
  const TGameSource &source = Sources[static_cast<size_t>(file.Source)];
  return source.IsArchive ? source.Label : source.Label + file.Name + " (loose file)";
}

TGameView ReadGameView(const TGameSetup &setup) {
  const TEngineProfile &profile = setup.Profile != nullptr ? *setup.Profile : OriginalEngineProfile();
  return TViewBuilder(setup, profile).Build();
}

TCheckFindings CheckArchivePlace(const std::vector<TDirEntry> &directory, const std::string &archivePath,
                                 const std::string &quakeDirectory, const TEngineProfile &profile) {
  const std::string folder = GameFolderOf(archivePath, quakeDirectory);
  if (folder.empty())
    return {};
  TGameView view;
  try {
    TGameSetup setup{quakeDirectory, {}, SameTextAscii(folder, "id1") ? std::string() : folder, &profile};
    view = ReadGameView(setup);
  } catch (const std::exception &) {
    return {};
  }
  const auto place = std::find_if(view.Sources.begin(), view.Sources.end(), [&](const TGameSource &source) {
    return source.IsArchive && SameFile(source.Path, archivePath);
  });
  if (place == view.Sources.end())
    return {{csWarning, -1, {}, NeverOpened(fs::path(archivePath).filename().string(), view), ckShadowed}};
  const auto rank = static_cast<int32_t>(place - view.Sources.begin());
  TCheckFindings findings;
  for (size_t i = 0; i < directory.size(); ++i) {
    const std::string name = directory[i].Name.Str();
    auto finding = [&](TCheckKind kind, const std::string &message) {
      findings.push_back({csWarning, static_cast<int32_t>(i), name, message, kind});
    };
    if (const TLoadableFile *file = view.Find(name)) {
      // The first copy in another place: this archive's own copies are the
      // ones being judged (the open archive's may differ from its file's).
      const TGameFile *first = file->Loaded.Source != rank ? &file->Loaded : nullptr;
      for (size_t k = 0; first == nullptr && k < file->Shadowed.size(); ++k)
        if (file->Shadowed[k].Source != rank)
          first = &file->Shadowed[k];
      if (first != nullptr && first->Source < rank)
        finding(ckShadowed, "The game never loads it: " + view.PlaceOf(*first) +
                                " comes before this archive in the search path and holds it too.");
    }
    if (profile.IgnoreCase)
      continue;
    for (const TGameFile *twin : view.CaseTwins(name))
      if (twin->Source != rank) {
        finding(ckCaseTwin, "\"" + twin->Name + "\" in " + view.PlaceOf(*twin) +
                                " differs from its name only in letter case: a file system or engine that ignores "
                                "case finds one of them for both names, others each its own.");
        break;
      }
  }
  return findings;
}

TCheckFindings CheckArchiveFileInGame(const std::string &path, const std::string &quakeDirectory,
                                      const TEngineProfile &profile) {
  TCheckFindings findings = CheckArchiveFile(path);
  if (!findings.empty() && findings.front().Kind == ckNotPak)
    return findings;
  std::vector<TDirEntry> directory;
  (void)TQuakePak::ReadDirectory(path, directory);
  const TCheckFindings placed = CheckArchivePlace(directory, path, quakeDirectory, profile);
  findings.insert(findings.end(), placed.begin(), placed.end());
  SortFindings(findings);
  return findings;
}

TCheckFindings CheckArchiveInGame(const TQuakePak &pak, const TEngineProfile &profile) {
  TCheckFindings findings = CheckArchive(pak);
  if (pak.FileName().empty() || pak.IsUntitled() || pak.QuakeDirectory().empty())
    return findings;
  const TCheckFindings placed = CheckArchivePlace(pak.Directory(), pak.FileName(), pak.QuakeDirectory(), profile);
  findings.insert(findings.end(), placed.begin(), placed.end());
  SortFindings(findings);
  return findings;
}
