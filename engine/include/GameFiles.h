// SPDX-License-Identifier: GPL-3.0-or-later
// The bytes of the files a game view lists: an archive's entry (the archive
// opened read-only at its first use, and kept open) or a loose file. Reads
// only what is asked for and writes nothing but the copies it is told to make.
#pragma once

#include "PakQuake.h"

#include <cstdint>
#include <map>
#include <memory>
#include <string>

class TGameFiles {
public:
  explicit TGameFiles(const TGameView &view) : m_View(view) {}
  ~TGameFiles();
  TGameFiles(const TGameFiles &) = delete;
  TGameFiles &operator=(const TGameFiles &) = delete;

  // Up to count bytes of file from offset: fewer at its end. Raises
  // EInOutError when it cannot be read, or when its archive no longer holds
  // it where the view found it (changed on disk since).
  std::string ReadPart(const TGameFile &file, int64_t offset, int64_t count);
  // Copies file into a new file at target, never through a link; no half
  // written file is left behind. Raises EInOutError.
  void CopyTo(const TGameFile &file, const std::string &target);
  // Where the file's data starts in its archive file; 0 for a loose file.
  int64_t PositionOf(const TGameFile &file);
  // The loose file's path, or its archive's.
  std::string DiskPath(const TGameFile &file) const;

private:
  // The file's archive, opened at the first need, its entry checked.
  TQuakePak &ArchiveOf(const TGameFile &file);

  const TGameView &m_View;
  std::map<int32_t, std::unique_ptr<TQuakePak>> m_Archives;
};
