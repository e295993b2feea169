// SPDX-License-Identifier: GPL-3.0-or-later
// The component's private folder: made, checked, locked and removed through
// descriptors, and swept up after a process that did not end cleanly.
#include "PakPrivateFolder.h"

#include "PakQuake.h"

#include <cerrno>
#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
constexpr const char *FolderPrefix = "varnel-";
// mkdtemp replaces exactly six characters.
constexpr size_t FolderSuffixLength = 6;
// The lock that a running process holds for the life of its folder. It gets
// its name only once it is locked, so a folder with this file and no holder
// of its lock belongs to a process that is gone.
constexpr const char *LockName = "varnel.lock";
constexpr const char *NewLockName = "varnel.lock.new";
// Our own trees are shallow (entry names are at most 56 bytes); a deeper one
// is not ours and is not walked further.
constexpr int MaxRemoveDepth = 64;

constexpr int DirectoryFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

bool IsOwnPrivateMode(const struct stat &info) {
  return S_ISDIR(info.st_mode) && info.st_uid == ::geteuid() && (info.st_mode & 07777) == 0700;
}

} // namespace

std::vector<std::string> NamesIn(int descriptor) {
  std::vector<std::string> names;
  int listing = ::openat(descriptor, ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (listing < 0)
    return names;
  DIR *handle = ::fdopendir(listing);
  if (handle == nullptr) {
    ::close(listing);
    return names;
  }
  while (const dirent *item = ::readdir(handle)) {
    std::string name = item->d_name;
    if (name != "." && name != "..")
      names.push_back(std::move(name));
  }
  ::closedir(handle);
  return names;
}

namespace {

void RemoveContents(int descriptor, int depth) {
  for (const std::string &name : NamesIn(descriptor)) {
    struct stat info {};
    if (::fstatat(descriptor, name.c_str(), &info, AT_SYMLINK_NOFOLLOW) != 0)
      continue;
    if (S_ISDIR(info.st_mode)) {
      if (depth >= MaxRemoveDepth)
        continue;
      int child = ::openat(descriptor, name.c_str(), DirectoryFlags);
      if (child >= 0) {
        RemoveContents(child, depth + 1);
        ::close(child);
      }
      ::unlinkat(descriptor, name.c_str(), AT_REMOVEDIR);
    } else {
      ::unlinkat(descriptor, name.c_str(), 0);
    }
  }
}

bool IsFolderName(const std::string &name) {
  std::string prefix = FolderPrefix;
  if (name.size() != prefix.size() + FolderSuffixLength || name.compare(0, prefix.size(), prefix) != 0)
    return false;
  for (size_t i = prefix.size(); i < name.size(); ++i) {
    char c = name[i];
    if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9')))
      return false;
  }
  return true;
}
} // namespace

TPrivateFolder::TPrivateFolder(const std::string &temporary) : m_Parent(temporary) {
  std::string pattern = temporary + FolderPrefix + std::string(FolderSuffixLength, 'X');
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  if (::mkdtemp(buffer.data()) == nullptr)
    throw EInOutError(pattern, errno);
  std::string folder = buffer.data();
  m_Path = folder + "/";

  auto fail = [&](int error) {
    if (m_Fd >= 0) {
      RemoveContents(m_Fd, 0);
      ::close(m_Fd);
      m_Fd = -1;
    }
    if (m_LockFd >= 0)
      ::close(m_LockFd);
    ::rmdir(folder.c_str());
    throw EInOutError(folder, error);
  };
  m_Fd = ::open(folder.c_str(), DirectoryFlags);
  if (m_Fd < 0)
    fail(errno);
  struct stat info {};
  if (::fstat(m_Fd, &info) != 0)
    fail(errno);
  if (!IsOwnPrivateMode(info))
    fail(EPERM);
  m_Device = info.st_dev;
  m_Inode = info.st_ino;

  m_LockFd = ::openat(m_Fd, NewLockName, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (m_LockFd < 0)
    fail(errno);
  if (::flock(m_LockFd, LOCK_EX | LOCK_NB) != 0 || ::renameat(m_Fd, NewLockName, m_Fd, LockName) != 0)
    fail(errno);
}

TPrivateFolder::~TPrivateFolder() {
  RemoveContents(m_Fd, 0);
  // Only the folder we made is removed by its name; whatever stands there
  // instead (a link, another folder) stays.
  if (IsIntact())
    ::rmdir(m_Path.substr(0, m_Path.size() - 1).c_str());
  ::close(m_Fd);
  ::close(m_LockFd);
}

bool TPrivateFolder::IsIntact() const {
  struct stat info {};
  return ::lstat(m_Path.substr(0, m_Path.size() - 1).c_str(), &info) == 0 && IsOwnPrivateMode(info) &&
         info.st_dev == m_Device && info.st_ino == m_Inode;
}

void TPrivateFolder::RemoveAbandoned(const std::string &temporary) {
  int parent = ::open(temporary.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (parent < 0)
    return;
  for (const std::string &name : NamesIn(parent)) {
    struct stat seen {};
    if (!IsFolderName(name) || ::fstatat(parent, name.c_str(), &seen, AT_SYMLINK_NOFOLLOW) != 0 ||
        !IsOwnPrivateMode(seen))
      continue;
    int folder = ::openat(parent, name.c_str(), DirectoryFlags);
    if (folder < 0)
      continue;
    struct stat opened {};
    int lock = -1;
    if (::fstat(folder, &opened) == 0 && opened.st_dev == seen.st_dev && opened.st_ino == seen.st_ino)
      lock = ::openat(folder, LockName, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    // A lock that can be taken has no living holder: the folder is abandoned.
    if (lock >= 0 && ::flock(lock, LOCK_EX | LOCK_NB) == 0) {
      RemoveContents(folder, 0);
      ::unlinkat(parent, name.c_str(), AT_REMOVEDIR);
    }
    if (lock >= 0)
      ::close(lock);
    ::close(folder);
  }
  ::close(parent);
}
