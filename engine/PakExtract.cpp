// Extracting entries to disk, flat or keeping their directories. Extraction
// only reads the archive file and the working file; it never changes the
// archive, so protected archives extract like any other.
#include "PakFile.h"
#include "PakInternal.h"
#include "PakQuake.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {
bool IsSeparator(char c) { return c == '/' || c == '\\'; }

} // namespace

// The relative disk path an entry name may be written under, confined to the
// destination: both separators split, a leading drive part ("C:") goes, and
// empty, "." and ".." components are dropped. Empty when the name has no file
// part (it ends in a separator, ".", or ".."): such an entry is passed over.
std::string ExtractionPath(const std::string &name, bool keepPaths) {
  std::string text = keepPaths ? name : EntryFileName(name);
  bool drive =
      text.size() >= 2 && text[1] == ':' && ((text[0] >= 'A' && text[0] <= 'Z') || (text[0] >= 'a' && text[0] <= 'z'));
  if (drive)
    text = text.substr(2);
  std::string result;
  std::string component;
  bool lastWasFile = false;
  for (size_t i = 0; i <= text.size(); ++i) {
    if (i < text.size() && !IsSeparator(text[i])) {
      component += text[i];
      continue;
    }
    lastWasFile = !component.empty() && component != "." && component != "..";
    if (lastWasFile)
      result += (result.empty() ? "" : "/") + component;
    component.clear();
  }
  return lastWasFile ? result : std::string();
}

namespace {
// A descriptor closed when it goes out of scope.
class TDescriptor {
public:
  explicit TDescriptor(int fd = -1) : m_Fd(fd) {}
  ~TDescriptor() {
    if (m_Fd >= 0)
      ::close(m_Fd);
  }
  TDescriptor(const TDescriptor &) = delete;
  TDescriptor &operator=(const TDescriptor &) = delete;
  void Reset(int fd) {
    if (m_Fd >= 0)
      ::close(m_Fd);
    m_Fd = fd;
  }
  int Get() const { return m_Fd; }

private:
  int m_Fd;
};

constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
} // namespace

uint8_t TQuakePak::ExtractEntries(const TStringList &names, const std::string &destination, bool keepPaths) {
  if (m_FileName.empty())
    return prNoArchive;
  if (names.empty())
    return prEmptyList;
  if (destination.empty())
    return prNoPath;
  m_Failures.clear();
  std::string folder = ToPathSlashes(destination);
  if (folder.back() != '/')
    folder += '/';

  m_ProgressTotal = 0;
  m_ProgressDone = 0;
  for (const std::string &name : names) {
    int32_t k = FindEntry(name);
    if (k >= 0)
      m_ProgressTotal += std::max(m_Directory[static_cast<size_t>(k)].Size, 0); // a damaged size copies nothing
  }

  // The destination itself is the user's choice and may be reached through a
  // link; below it, nothing is followed. It is made on the first entry.
  TDescriptor root;
  ProgressStart();
  try {
    for (const std::string &name : names) {
      int32_t k = FindEntry(name);
      if (k < 0)
        continue;
      std::string relative = ExtractionPath(name, keepPaths);
      if (relative.empty())
        continue;
      if (root.Get() < 0) {
        ForceDirectories(folder);
        root.Reset(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        if (root.Get() < 0)
          throw EInOutError(folder, errno);
      }
      ExtractBelow(root.Get(), folder, relative, k);
    }
  } catch (...) {
    ProgressEnd();
    throw;
  }
  ProgressEnd();
  return m_Failures.empty() ? prDone : prWriteFailed;
}

// Walks relative one folder at a time from destination, making missing
// folders and refusing anything but a real folder on the way, then creates the
// file anew (O_EXCL | O_NOFOLLOW) after the replace question.
bool TQuakePak::ExtractBelow(int destination, const std::string &folder, const std::string &relative,
                             int32_t index) {
  const std::string &entryName = m_Directory[static_cast<size_t>(index)].Name;
  auto refuse = [&](const std::string &reason) {
    m_Failures.push_back(entryName + ": not extracted: " + reason);
    return false;
  };
  TDescriptor parent;
  int at = destination;
  std::string::size_type start = 0;
  for (std::string::size_type slash = relative.find('/'); slash != std::string::npos;
       start = slash + 1, slash = relative.find('/', start)) {
    const std::string component = relative.substr(start, slash - start);
    const std::string shown = folder + relative.substr(0, slash);
    int next = ::openat(at, component.c_str(), FolderFlags);
    if (next < 0 && errno == ENOENT) {
      if (::mkdirat(at, component.c_str(), 0777) != 0 && errno != EEXIST)
        throw EInOutError(shown, errno);
      next = ::openat(at, component.c_str(), FolderFlags);
    }
    if (next < 0) {
      if (errno == ELOOP || errno == ENOTDIR)
        return refuse(shown + " is a link or a file, not a folder");
      throw EInOutError(shown, errno);
    }
    parent.Reset(next);
    at = next;
  }

  const std::string leaf = relative.substr(start);
  const std::string targetPath = folder + relative;
  struct stat info {};
  if (::fstatat(at, leaf.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0) {
    bool replace = true;
    if (OnExtractFileExists)
      OnExtractFileExists(*this, targetPath, replace);
    if (!replace)
      return false;
    if (S_ISDIR(info.st_mode))
      return refuse(targetPath + " is a folder");
    // A link standing there is removed, never written through.
    if (::unlinkat(at, leaf.c_str(), 0) != 0 && errno != ENOENT)
      throw EInOutError(targetPath, errno);
  }
  int created = ::openat(at, leaf.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666);
  if (created < 0) {
    if (errno == EEXIST)
      return refuse("something else took the place of " + targetPath + " while it was extracted");
    throw EInOutError(targetPath, errno);
  }
  TPakFile target(created, targetPath);
  try {
    CopyEntryData(m_Directory[static_cast<size_t>(index)], target);
    target.Close();
  } catch (...) {
    // No half-written file is left; the descriptor closes on the way out.
    ::unlinkat(at, leaf.c_str(), 0);
    throw;
  }
  return true;
}

// Copies the data of entry index into a new file at targetPath, from the
// archive file (position > 0) or the working file. An index out of range does
// nothing. Raises EInOutError when a file cannot be opened, read or written;
// a target file that was created is then removed, so no half-written file is
// left. A symbolic link at targetPath is refused, never written through.
void TQuakePak::ExtractEntry(int32_t index, const std::string &targetPath) {
  if (index < 0 || index >= EntryCount())
    return;
  TPakFile target(targetPath, TPakFile::Create);
  try {
    CopyEntryData(m_Directory[static_cast<size_t>(index)], target);
    target.Close();
  } catch (...) {
    ::unlink(targetPath.c_str());
    throw;
  }
}
