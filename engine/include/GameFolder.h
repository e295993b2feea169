// SPDX-License-Identifier: GPL-3.0-or-later
// What the game loads: the search path of a Quake installation as one engine
// builds it (the folders id1, the mission packs and a mod; in each its
// archives and its loose files), every file the game can load with the one
// place it loads it from and the places it shadows, and the archive check
// that follows from it. Reads archives' directories only, changes nothing on
// disk. Included through PakQuake.h.
//
// The engines' rules are data: one row of EngineProfiles() each, with the
// source each rule comes from. Every archive is a PAK file; archive formats
// that some ports read besides (.pk3 and the like) are named in the row and
// left out.
#pragma once

#include "PakCheck.h"
#include "PakFormat.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class TQuakePak;

// What an engine does with an archive it finds in a game folder that is not
// a PAK file, holds no entries, or holds more than PakFormat::MaxGameEntries.
enum TArchiveFate : uint8_t {
  afLoaded,   // it loads it
  afSkipped,  // it leaves it out and goes on
  afEndsRun,  // it leaves it out, and a numbered one ends the run of numbers
  afGameStops // it stops with an error at start
};

// How one engine builds its search path and finds a name in it.
struct TEngineProfile {
  // As --profile takes it: "quake", "quakespasm", ...
  std::string_view Name;
  // The engine and the version its rules were read from.
  std::string_view Title;
  // Inside one game folder, its loose files are searched before its
  // archives (else after them).
  bool LooseFilesFirst = false;
  // pak0.pak, pak1.pak, ... are added from 0 up to the first number missing
  // and searched from the highest down.
  bool NumberedArchives = true;
  // Every *.pak of a folder is loaded too; the later an archive is added,
  // the earlier it is searched.
  bool AnyPakName = false;
  // The other *.pak are added after the numbered run, in byte order of
  // their names; else every *.pak, numbered or not, in the order of their
  // names ignoring letter case.
  bool AnyPakAfterNumbered = false;
  // Names are compared ignoring ASCII letter case (else exactly).
  bool IgnoreCase = false;
  TArchiveFate NotPak = afGameStops;
  TArchiveFate Empty = afLoaded;
  TArchiveFate TooMany = afGameStops;
  // Archive formats the engine reads that are left out here; empty for none.
  std::string_view LeftOut;
  // Where each rule above comes from.
  std::string_view Sources;
};

// The profiles, the original engine first.
const std::vector<TEngineProfile> &EngineProfiles();
// nullptr for an unknown name (compared ignoring letter case).
const TEngineProfile *FindEngineProfile(std::string_view name);
// The original engine's rules.
const TEngineProfile &OriginalEngineProfile();

// What the game is started with.
struct TGameSetup {
  // The folder that holds id1.
  std::string QuakeDirectory;
  // Mission packs' folders ("rogue", "hipnotic", "quoth"), in the order the
  // engine adds them after id1; the last is searched first.
  std::vector<std::string> MissionPacks;
  // The mod's folder (-game); empty for none.
  std::string Mod;
  const TEngineProfile *Profile = nullptr; // nullptr: the original engine
};

enum TFolderRole : uint8_t { frBase, frMissionPack, frMod };

// One place of the search path: an archive, or a folder's loose files.
struct TGameSource {
  // The archive file, or the folder ending in "/"; as found on disk.
  std::string Path;
  // The game folder's name as given ("id1", "mymod") and what it is.
  std::string Folder;
  TFolderRole Role = frBase;
  bool IsArchive = false;
  // "id1/pak0.pak", or "mymod/" for loose files: relative to the Quake directory.
  std::string Label;
};

// One copy of a file in one source.
struct TGameFile {
  std::string Name;
  // Into TGameView::Sources.
  int32_t Source = -1;
  // The entry's place in its archive's directory; -1 for a loose file.
  int32_t Index = -1;
  int64_t Size = 0;
};

struct TLoadableFile {
  // The copy the game loads.
  TGameFile Loaded;
  // The copies that it hides, in the order the game searches them.
  std::vector<TGameFile> Shadowed;
};

// Which files a list shows.
enum TGameFilter : uint8_t {
  gfAll,
  gfModChanges, // those the mod's folder adds or replaces
  gfShadowed    // those that hide another copy
};

struct TGameView {
  const TEngineProfile *Profile = nullptr;
  // In the order the game searches them.
  std::vector<TGameSource> Sources;
  // In byte order of their names.
  std::vector<TLoadableFile> Files;
  // What the engine does that changes the picture: archives left out, a
  // gap in the numbers, a game that does not start; one sentence each.
  TStringList Notes;

  // The file the game loads under name (compared as the profile compares);
  // nullptr when it loads none.
  const TLoadableFile *Find(std::string_view name) const;
  // Files whose name equals name in ASCII letter case only (never name itself).
  std::vector<const TGameFile *> CaseTwins(std::string_view name) const;
  // The files a filter keeps, in the order of Files.
  std::vector<const TLoadableFile *> Filtered(TGameFilter filter) const;
  // "id1/pak0.pak", or "mymod/progs.dat (loose file)" for a loose copy.
  std::string PlaceOf(const TGameFile &file) const;

  // Name (as the profile compares) -> index into Files, built by
  // ReadGameView; folded name -> files, built at the first CaseTwins.
  struct TIndex;
  std::shared_ptr<const TIndex> Lookup;
};

// Reads the search path that setup describes: every archive's directory
// (read-only) and the loose files below each game folder (hidden ones, whose
// name starts with ".", left out; links followed; the archives themselves
// are not loose files). A folder that does not exist is passed over with a
// note; folder and archive names are looked for exactly, then in any letter
// case (with a note: the engine on a case-sensitive file system does not
// find them). Raises EInvalidQuakeDir when the Quake directory has no
// folder id1; an archive that cannot be read is left out with a note.
TGameView ReadGameView(const TGameSetup &setup);

// The archive check's findings that need the search path: the archive at
// archivePath, whose entries are directory (its own, or the open archive's
// unsaved one), as the game sees it beside the other files of quakeDirectory
// started with the archive's folder as mod (no mod for id1). Warnings:
// ckShadowed for an entry that the game never loads because a place searched
// before it holds the name (or an archive the game never opens at all, one
// finding of the archive as a whole); ckCaseTwin for a name that differs
// only in letter case from a file elsewhere in the search path (profiles
// that compare exactly only; the others find it as the same name). No
// findings when the archive lies in no game folder of quakeDirectory. Never
// raises: a search path that cannot be read gives no findings.
TCheckFindings CheckArchivePlace(const std::vector<TDirEntry> &directory, const std::string &archivePath,
                                 const std::string &quakeDirectory, const TEngineProfile &profile);

// CheckArchiveFile with CheckArchivePlace's findings among them, in the
// check's order (the archive's first, then each entry's). Raises as
// CheckArchiveFile does.
TCheckFindings CheckArchiveFileInGame(const std::string &path, const std::string &quakeDirectory,
                                      const TEngineProfile &profile);
// CheckArchive with the open archive's place in its Quake directory
// (QuakeDirectory()) judged by the profile, unsaved changes included.
TCheckFindings CheckArchiveInGame(const TQuakePak &pak, const TEngineProfile &profile);
