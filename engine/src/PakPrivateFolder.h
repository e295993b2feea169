// SPDX-License-Identifier: GPL-3.0-or-later
// The component's own folder inside a temporary directory; not part of the
// public interface.
#pragma once

#include <string>
#include <sys/types.h>

#include <vector>

// The names in an open directory, "." and ".." left out; empty when it cannot be read.
std::vector<std::string> NamesIn(int descriptor);

// A folder made by mkdtemp (mode 0700) and held through a descriptor and a
// lock for as long as this object lives. Everything that is done inside it
// goes through the descriptor, so a link that later takes the folder's name
// is never followed, neither to write nor to delete.
class TPrivateFolder {
public:
  // Makes a fresh folder in temporary (a directory ending in "/"). Raises
  // EInOutError when it cannot be made.
  explicit TPrivateFolder(const std::string &temporary);
  // Removes what is inside the folder, through its descriptor, then the
  // folder itself if it still stands at its name.
  ~TPrivateFolder();
  TPrivateFolder(const TPrivateFolder &) = delete;
  TPrivateFolder &operator=(const TPrivateFolder &) = delete;

  // The folder, ending in "/".
  const std::string &Path() const { return m_Path; }
  // The temporary directory it was made in.
  const std::string &Parent() const { return m_Parent; }
  int Descriptor() const { return m_Fd; }
  // The name still leads to this very folder: a directory (not a link), owned
  // by this user, mode 0700.
  bool IsIntact() const;

  // Removes from temporary the folders of processes that no longer run: those
  // whose lock nobody holds. Anything else there is left alone.
  static void RemoveAbandoned(const std::string &temporary);

private:
  std::string m_Parent;
  std::string m_Path;
  int m_Fd = -1;
  int m_LockFd = -1;
  dev_t m_Device = 0;
  ino_t m_Inode = 0;
};
