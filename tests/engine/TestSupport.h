// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the engine tests: scratch folders and archives built byte by byte.
#pragma once

#include "PakQuake.h"

#include <cstdint>
#include <gtest/gtest.h>
#include <string>
#include <vector>

// A fresh folder below $TMPDIR, removed with everything in it at the end.
class TTempDir {
public:
  TTempDir();
  ~TTempDir();
  TTempDir(const TTempDir &) = delete;
  TTempDir &operator=(const TTempDir &) = delete;
  // The folder, ending in "/".
  const std::string &Path() const { return m_Path; }
  // A path inside the folder.
  std::string File(const std::string &name) const { return m_Path + name; }

private:
  std::string m_Path;
};

std::string ReadFileBytes(const std::string &path);
// size bytes, zeros included, that repeat neither with the page nor with the
// block size, so that a misplaced page or block shows.
std::string PatternBytes(size_t size);
void WriteFileBytes(const std::string &path, const std::string &bytes);
std::string Int32LE(int32_t value);
// One 64-byte directory record: the name cut or zero-padded to 56 bytes,
// then position and size.
std::string Record(const std::string &name, int32_t position, int32_t size);

// A folder that everyone may write to, with the sticky bit (mode 1777), as
// /tmp is, made inside folder.
std::string MakeSharedFolder(const TTempDir &folder, const std::string &name);
// Makes a symbolic link at folder/name pointing at target as another user
// would (uid and gid 65534, in a child process). False when this process
// cannot act as another user (it does not run as root).
bool LinkAsOtherUser(const std::string &folder, const std::string &name, const std::string &target);

struct TFixtureEntry {
  std::string Name;
  std::string Data;
};

// A PAK file as Varnel writes one: the 12-byte header, the data of every entry
// back to back from offset 12 in list order, then one 64-byte record per entry.
std::string BuildPak(const std::vector<TFixtureEntry> &entries);

// A Quake installation below folder: id1/pak0.pak holding the given entries
// and an empty id1/pak1.pak. Returns the installation folder ending in "/".
std::string MakeQuakeDirectory(const TTempDir &folder, const std::vector<TFixtureEntry> &pak0Entries = {},
                               const std::string &id1Name = "id1", const std::string &pakName = "pak0.pak");

// An archive component beside a fresh Quake installation (pak0.pak holding
// the given entries), with its temporary directory in the scratch folder and its
// progress events counted.
class TPakTest : public ::testing::Test {
protected:
  explicit TPakTest(const std::vector<TFixtureEntry> &pak0Entries = {});
  // Writes BuildPak(entries) to test.pak in the scratch folder and opens it.
  void OpenArchive(const std::vector<TFixtureEntry> &entries);

  TTempDir m_Folder;
  std::string m_Quake;
  TQuakePak m_Pak;
  int m_Starts = 0;
  int m_Ends = 0;
  std::vector<uint8_t> m_Percents;
};

// A Quake installation below folder, every file made here byte by byte:
//   id1/pak0.pak      progs.dat "id-progs", sound/a.wav "id-a", maps/e1m1.bsp
//                     "id0-map", gfx/conback.lmp "id-conback"
//   id1/pak1.pak      maps/e1m1.bsp "id1-map"
//   id1/config.cfg    loose, "cfg"
//   rogue/pak0.pak    2049 entries r/0 .. r/2048 (more than the game loads)
//   hipnotic/pak0.pak no entries; hipnotic/pak1.pak maps/hip1m1.bsp "hip"
//   mymod/pak0.pak    progs.dat "mod0-progs", sound/b.wav "mod-b"
//   mymod/pak1.pak    progs.dat "mod1-progs", gfx/Conback.lmp "mod-conback"
//   mymod/pak3.pak    maps/e1m1.bsp "mod3-map" (pak2.pak is missing)
//   mymod/zz.pak      sound/a.wav "zz-a"
//   mymod/progs.dat, mymod/maps/E1M1.bsp   loose, "loose-progs", "loose-map"
//   mymod/.git/config hidden, left out
// Returns the installation folder ending in "/".
std::string MakeModdedQuake(const TTempDir &folder);
