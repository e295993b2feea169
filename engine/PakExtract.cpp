// Extracting entries to disk, flat or keeping their directories. Extraction
// only reads the archive file and the working file; it never changes the
// archive, so protected archives extract like any other.
#include "PakFile.h"
#include "PakInternal.h"
#include "PakNameIndex.h"
#include "PakQuake.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

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
  int Release() { return std::exchange(m_Fd, -1); }

private:
  int m_Fd;
};

constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;

// Opens the folders below an extraction's destination one component at a
// time, never following a link, and keeps the last one open: entries of one
// folder usually come together.
class TFolderWalker {
public:
  explicit TFolderWalker(const std::string &folder) : m_Folder(folder) {}

  // The open folder that is to hold the last component of relative, made as
  // needed; -1 with refusal set when a link or a file stands on the way.
  // Raises EInOutError when a folder cannot be made or opened.
  int ParentOf(const std::string &relative, std::string &refusal) {
    if (m_Root.Get() < 0) {
      // The destination itself is the user's choice and may be reached
      // through a link; below it, nothing is followed.
      ForceDirectories(m_Folder);
      m_Root.Reset(::open(m_Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
      if (m_Root.Get() < 0)
        throw EInOutError(m_Folder, errno);
    }
    auto lastSlash = relative.rfind('/');
    if (lastSlash == std::string::npos)
      return m_Root.Get();
    const std::string directory = relative.substr(0, lastSlash);
    if (m_Last.Get() >= 0 && directory == m_LastDirectory)
      return m_Last.Get();

    m_Last.Reset(-1);
    TDescriptor walked;
    int at = m_Root.Get();
    for (std::string::size_type start = 0, slash = 0; slash != std::string::npos; start = slash + 1) {
      slash = directory.find('/', start);
      const std::string component = directory.substr(start, slash == std::string::npos ? slash : slash - start);
      const std::string shown = m_Folder + directory.substr(0, slash);
      int next = ::openat(at, component.c_str(), FolderFlags);
      if (next < 0 && errno == ENOENT) {
        if (::mkdirat(at, component.c_str(), 0777) != 0 && errno != EEXIST)
          throw EInOutError(shown, errno);
        next = ::openat(at, component.c_str(), FolderFlags);
      }
      if (next < 0) {
        if (errno != ELOOP && errno != ENOTDIR)
          throw EInOutError(shown, errno);
        refusal = shown + " is a link or a file, not a folder";
        return -1;
      }
      walked.Reset(next);
      at = next;
    }
    m_Last.Reset(walked.Release());
    m_LastDirectory = directory;
    return m_Last.Get();
  }

private:
  std::string m_Folder;
  TDescriptor m_Root;
  TDescriptor m_Last;
  std::string m_LastDirectory;
};
} // namespace

uint8_t TQuakePak::ExtractEntries(const TStringList &names, const std::string &destination, bool keepPaths) {
  if (m_FileName.empty())
    return prNoArchive;
  if (names.empty())
    return prEmptyList;
  if (destination.empty())
    return prNoPath;
  m_Failures.clear();
  CheckArchiveUnchanged();
  std::string folder = ToPathSlashes(destination);
  if (folder.back() != '/')
    folder += '/';

  m_NameIndex->Prepare(m_Directory, 2 * names.size());
  m_ProgressTotal = 0;
  m_ProgressDone = 0;
  for (const std::string &name : names) {
    int32_t k = FindEntry(name);
    if (k >= 0)
      m_ProgressTotal += std::max(m_Directory[static_cast<size_t>(k)].Size, 0); // a damaged size copies nothing
  }

  TFolderWalker folders(folder);
  ProgressStart();
  try {
    for (const std::string &name : names) {
      int32_t k = FindEntry(name);
      if (k < 0)
        continue;
      std::string relative = ExtractionPath(name, keepPaths);
      if (relative.empty())
        continue;
      std::string refusal;
      int parent = folders.ParentOf(relative, refusal);
      if (parent < 0)
        m_Failures.push_back(name + ": not extracted: " + refusal);
      else
        ExtractBelow(parent, folder, relative, k);
    }
  } catch (...) {
    ProgressEnd();
    throw;
  }
  ProgressEnd();
  return m_Failures.empty() ? prDone : prWriteFailed;
}

// Creates the file of one entry in the open folder parent, anew (O_EXCL |
// O_NOFOLLOW), after the replace question when something stands at its name.
bool TQuakePak::ExtractBelow(int parent, const std::string &folder, const std::string &relative, int32_t index) {
  const TEntryName &entryName = m_Directory[static_cast<size_t>(index)].Name;
  const auto lastSlash = relative.rfind('/');
  const std::string leaf = lastSlash == std::string::npos ? relative : relative.substr(lastSlash + 1);
  const std::string targetPath = folder + relative;
  constexpr int CreateFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
  int created = ::openat(parent, leaf.c_str(), CreateFlags, 0666);
  if (created < 0 && errno == EEXIST) {
    bool replace = true;
    if (OnExtractFileExists)
      OnExtractFileExists(*this, targetPath, replace);
    if (!replace)
      return false;
    struct stat info {};
    if (::fstatat(parent, leaf.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(info.st_mode)) {
      m_Failures.push_back(entryName.Str() + ": not extracted: " + targetPath + " is a folder");
      return false;
    }
    // A link standing there is removed, never written through.
    if (::unlinkat(parent, leaf.c_str(), 0) != 0 && errno != ENOENT)
      throw EInOutError(targetPath, errno);
    created = ::openat(parent, leaf.c_str(), CreateFlags, 0666);
    if (created < 0 && errno == EEXIST) {
      m_Failures.push_back(entryName.Str() + ": not extracted: something else took the place of " + targetPath +
                           " while it was extracted");
      return false;
    }
  }
  if (created < 0)
    throw EInOutError(targetPath, errno);
  TPakFile target(created, targetPath);
  try {
    CopyEntryData(m_Directory[static_cast<size_t>(index)], target);
    target.Close();
  } catch (...) {
    // No half-written file is left; the descriptor closes on the way out.
    ::unlinkat(parent, leaf.c_str(), 0);
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
  CheckArchiveUnchanged();
  TPakFile target(targetPath, TPakFile::Create);
  try {
    CopyEntryData(m_Directory[static_cast<size_t>(index)], target);
    target.Close();
  } catch (...) {
    ::unlink(targetPath.c_str());
    throw;
  }
}
