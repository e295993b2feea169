// Saving the archive. The data of every entry, taken from the archive file or
// the working file, and the directory are assembled in a fresh file beside the
// target; only when that file is complete and on the disk does it replace the
// target, in one rename. Until then the target and the open archive are
// untouched, whatever fails.
#include "PakFile.h"
#include "PakInternal.h"
#include "PakQuake.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <cstdio>
#include <random>
#include <sys/stat.h>
#include <unistd.h>

using namespace PakFormat;

namespace {
// Symbolic links followed before a save gives up on a target.
constexpr int MaxLinkDepth = 40;
// Attempts at finding an unused name for the file assembled beside the target.
constexpr int MaxNameAttempts = 100;
// Longest file title we build on; the rest of NAME_MAX is left for the suffix.
constexpr std::string::size_type MaxTitleLength = 200;
// Directory records written per call.
constexpr size_t RecordsPerBatch = 1024;

bool Exists(const std::string &path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

// The path whose directory entry a save replaces: a symbolic link is followed
// to the file it names (which may not exist yet), so that the link stays a
// link. False for a loop of links or a link that cannot be read.
bool FollowLinks(std::string path, std::string &resolved) {
  for (int depth = 0; depth < MaxLinkDepth; ++depth) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
      resolved = path;
      return true;
    }
    std::string link(static_cast<size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
    ssize_t length = ::readlink(path.c_str(), link.data(), link.size());
    if (length <= 0 || static_cast<size_t>(length) >= link.size())
      return false;
    link.resize(static_cast<size_t>(length));
    path = link.front() == '/' ? link : PathDirectory(path) + link;
  }
  return false;
}

std::string RandomSuffix() {
  static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
  static std::mt19937 generator{std::random_device{}()};
  std::uniform_int_distribution<size_t> pick(0, sizeof letters - 2);
  std::string suffix(6, ' ');
  for (char &c : suffix)
    c = letters[pick(generator)];
  return suffix;
}

// The file a save assembles: a hidden file beside the target, so that the
// final rename stays within one file system, named ".TITLE.varnel-save-XXXXXX"
// so that one left by a crash tells what it is. It is private (mode 0600)
// until it replaces the target, and removed unless the save commits it.
class TSaveFile {
public:
  TSaveFile() = default;
  TSaveFile(const TSaveFile &) = delete;
  TSaveFile &operator=(const TSaveFile &) = delete;
  ~TSaveFile() {
    if (!m_Path.empty() && !m_Committed)
      ::unlink(m_Path.c_str());
  }

  // Creates the file beside target. False when no file can be made there.
  bool Create(const std::string &target) {
    std::string directory = PathDirectory(target);
    std::string base = directory + "." + target.substr(directory.size(), MaxTitleLength) + ".varnel-save-";
    for (int attempt = 0; attempt < MaxNameAttempts; ++attempt) {
      std::string path = base + RandomSuffix();
      // O_EXCL: never follow a link or reuse a file someone else put there.
      int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0600);
      if (fd < 0) {
        if (errno == EEXIST || errno == EINTR)
          continue;
        return false;
      }
      m_Path = path;
      m_File = TPakFile(fd, path);
      return true;
    }
    return false;
  }

  TPakFile &File() { return m_File; }
  const std::string &Path() const { return m_Path; }
  void Commit() { m_Committed = true; }

private:
  TPakFile m_File;
  std::string m_Path;
  bool m_Committed = false;
};

// The permission bits a new file gets here: 0666 less the umask, read without
// changing it where the system tells (the umask is one value for all threads).
mode_t NewFileMode() {
  mode_t mask = 022;
  bool known = false;
  if (FILE *status = std::fopen("/proc/self/status", "re")) {
    char line[256];
    unsigned int value = 0;
    while (!known && std::fgets(line, sizeof line, status) != nullptr)
      known = std::sscanf(line, "Umask: %o", &value) == 1;
    std::fclose(status);
    mask = static_cast<mode_t>(value);
  }
  if (!known) {
    mask = ::umask(022);
    ::umask(mask);
  }
  return 0666 & ~mask;
}

// Gives the new file the owner and permission bits of the file it replaces.
// Failures are ignored: not every file system keeps them.
void TakeOverAttributes(const TPakFile &file, const struct stat &replaced) {
  if (::fchown(file.Descriptor(), replaced.st_uid, replaced.st_gid) != 0) {
    // Only the owner may change; the group may still be ours to set.
    [[maybe_unused]] int ignored = ::fchown(file.Descriptor(), static_cast<uid_t>(-1), replaced.st_gid);
  }
  ::fchmod(file.Descriptor(), replaced.st_mode & 0777);
}

// Flushes a directory, so that a rename in it survives a crash.
void SyncDirectory(const std::string &directory) {
  int fd = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0)
    return;
  ::fsync(fd);
  ::close(fd);
}

} // namespace

// Writes header, data and directory of the archive into file and fills
// positions with the new offset of every entry. A failing read or write of
// entry data raises EInOutError; a header or directory that cannot be written
// makes the result false.
bool TQuakePak::AssembleArchive(TPakFile &file, int64_t dataSize, std::vector<int32_t> &positions) {
  const std::vector<TDirEntry> &entries = m_Directory;
  unsigned char header[HeaderSize];
  std::memcpy(header, Magic, 4);
  WriteInt32(header + 4, static_cast<int32_t>(HeaderSize + dataSize));
  WriteInt32(header + 8, static_cast<int32_t>(static_cast<int64_t>(entries.size()) * RecordSize));
  try {
    file.Write(header, HeaderSize);
  } catch (const EInOutError &) {
    return false;
  }
  ProgressAdvance(HeaderSize);

  int64_t offset = HeaderSize;
  positions.reserve(entries.size());
  for (const TDirEntry &entry : entries) {
    positions.push_back(static_cast<int32_t>(offset));
    CopyEntryData(entry, file);
    offset += entry.Size;
  }

  std::vector<unsigned char> batch;
  batch.reserve(std::min(entries.size(), RecordsPerBatch) * RecordSize);
  auto flush = [&] {
    file.Write(batch.data(), static_cast<int64_t>(batch.size()));
    ProgressAdvance(static_cast<int64_t>(batch.size()));
    batch.clear();
  };
  try {
    for (size_t i = 0; i < entries.size(); ++i) {
      unsigned char record[RecordSize] = {};
      const std::string &name = entries[i].Name;
      std::memcpy(record, name.data(), std::min<size_t>(name.size(), NameSize));
      WriteInt32(record + PositionOffset, positions[i]);
      WriteInt32(record + SizeOffset, entries[i].Size);
      batch.insert(batch.end(), record, record + RecordSize);
      if (batch.size() == RecordsPerBatch * RecordSize)
        flush();
    }
    if (!batch.empty())
      flush();
  } catch (const EInOutError &) {
    return false;
  }
  return true;
}

uint8_t TQuakePak::SavePak() {
  if (m_FileName.empty())
    return prNoArchive;
  std::string name = m_FileName;
  bool cancel = false;
  if (IsUntitled()) {
    if (OnNoSaveFileName)
      OnNoSaveFileName(*this, name, cancel);
    else
      cancel = true;
    // A handler that names no file has not chosen one: saving to a file called
    // "(Untitled)" would re-open as an empty new archive.
    if (name.empty() || name == UntitledName)
      cancel = true;
  }
  if (cancel)
    return prCancelled;
  return WriteArchive(name);
}

uint8_t TQuakePak::SavePakAs(const std::string &target) {
  if (m_FileName.empty())
    return prNoArchive;
  if (m_ProtectID1Pak && IsStockArchive(target))
    return prProtected;
  bool replace = true;
  if (Exists(target) && OnSaveFileExists)
    OnSaveFileExists(*this, target, replace);
  // The old file is not deleted here: the rename at the end of the save
  // replaces it, and it may be the very file the entries are read from.
  std::string directory = PathDirectory(target);
  if (!directory.empty() && !IsDirectory(directory))
    ForceDirectories(directory);
  if (!replace)
    return prCancelled;
  return WriteArchive(target);
}

uint8_t TQuakePak::WriteArchive(const std::string &target) {
  if (m_FileName.empty())
    return prNoArchive;
  if (m_ProtectID1Pak && IsStockArchive(target))
    return prProtected;
  if (target.empty())
    return prWriteFailed;
  // Opening "(Untitled)" starts a new archive; the file of that name is reached
  // through its folder.
  const std::string path = target == UntitledName ? "./" + target : target;

  // Everything that can be known beforehand is checked before anything is written.
  int64_t dataSize = 0;
  for (const TDirEntry &entry : m_Directory) {
    if (entry.Size < 0)
      return prWriteFailed;
    dataSize += entry.Size;
  }
  int64_t total = HeaderSize + dataSize + static_cast<int64_t>(m_Directory.size()) * RecordSize;
  if (total > MaxArchiveSize)
    return prWriteFailed;
  std::string realTarget;
  if (!FollowLinks(path, realTarget))
    return prWriteFailed;
  struct stat replaced {};
  bool replacing = ::stat(realTarget.c_str(), &replaced) == 0;
  // Only a regular file we may write is replaced, and never the working file,
  // which re-opening would wipe.
  if (replacing && (!S_ISREG(replaced.st_mode) || ::access(realTarget.c_str(), W_OK) != 0 ||
                    SameFile(realTarget, m_WorkingFileName)))
    return prWriteFailed;

  // Another program may have changed or replaced the archive since it was
  // opened: its file is not overwritten without asking.
  if (IsArchiveFile(realTarget) && ArchiveChangedOnDisk()) {
    bool overwrite = false;
    if (OnArchiveChanged)
      OnArchiveChanged(*this, path, overwrite);
    if (!overwrite)
      return prCancelled;
  }

  TSaveFile save;
  if (!save.Create(realTarget))
    return prWriteFailed;
  m_ProgressTotal = total;
  ProgressStart();
  std::vector<int32_t> positions;
  bool written = false;
  try {
    written = AssembleArchive(save.File(), dataSize, positions);
  } catch (...) {
    ProgressEnd();
    throw;
  }
  if (written) {
    try {
      if (replacing)
        TakeOverAttributes(save.File(), replaced);
      else
        ::fchmod(save.File().Descriptor(), NewFileMode());
      save.File().Sync();
      save.File().Close();
    } catch (const EInOutError &) {
      written = false; // the data may not have reached the disk
    }
  }
  if (written && ::rename(save.Path().c_str(), realTarget.c_str()) != 0)
    written = false;
  if (!written) {
    ProgressEnd();
    return prWriteFailed;
  }
  save.Commit();
  SyncDirectory(PathDirectory(realTarget));

  // The target now holds the new archive: from here on the directory must
  // describe it, even if an event handler or re-opening raises below.
  for (size_t i = 0; i < m_Directory.size(); ++i)
    m_Directory[i].Position = positions[i];
  m_FileName = path;
  m_Modified = false;
  m_Journal.clear();
  m_JournalTruncated = false;
  ProgressEnd();
  // Opening strips one pair of enclosing quotes; a name that has them keeps
  // them when wrapped in another pair.
  OpenPak(path.size() >= 1 && path.front() == '"' && path.back() == '"' ? '"' + path + '"' : path);
  return prDone;
}
