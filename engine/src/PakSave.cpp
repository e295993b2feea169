// Saving the archive. The data of every entry, taken from the archive file or
// the working file, and the directory are assembled in a fresh file beside the
// target; only when that file is complete and on the disk does it replace the
// target, in one rename. Until then the target and the open archive are
// untouched, whatever fails.
#include "PakFile.h"
#include "PakInternal.h"
#include "PakPrivateFolder.h"
#include "PakQuake.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <memory>
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
constexpr size_t RecordsPerBatch = 4096;

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
  // The file has taken the target's place: it stays, and its descriptor goes to the caller.
  TPakFile Commit() {
    m_Committed = true;
    return std::move(m_File);
  }

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

// The offset of every entry's data once the archive is packed: back to back
// from the header on, in directory order.
std::vector<int32_t> PackedPositions(const std::vector<TDirEntry> &entries) {
  std::vector<int32_t> positions;
  positions.reserve(entries.size());
  int64_t offset = HeaderSize;
  for (const TDirEntry &entry : entries) {
    positions.push_back(static_cast<int32_t>(offset));
    offset += entry.Size;
  }
  return positions;
}

// Writes the header of a packed archive at the start of file.
void WriteHeader(TPakFile &file, int64_t dataSize, size_t entryCount) {
  unsigned char header[HeaderSize];
  std::memcpy(header, Magic, 4);
  WriteInt32(header + 4, static_cast<int32_t>(HeaderSize + dataSize));
  WriteInt32(header + 8, static_cast<int32_t>(static_cast<int64_t>(entryCount) * RecordSize));
  file.Seek(0);
  file.Write(header, HeaderSize);
}
} // namespace

// Writes the records of the directory, with the given positions, at file's
// current position, in large batches.
void TQuakePak::WriteRecords(TPakFile &file, const std::vector<int32_t> &positions) {
  const size_t perBatch = std::min(m_Directory.size(), RecordsPerBatch);
  auto batch = std::make_unique_for_overwrite<unsigned char[]>(perBatch * RecordSize);
  for (size_t first = 0; first < m_Directory.size(); first += perBatch) {
    const size_t count = std::min(perBatch, m_Directory.size() - first);
    for (size_t i = 0; i < count; ++i) {
      const TDirEntry &entry = m_Directory[first + i];
      FormatRecord(batch.get() + i * RecordSize, entry.Name, positions[first + i], entry.Size);
    }
    file.Write(batch.get(), static_cast<int64_t>(count * RecordSize));
    ProgressAdvance(static_cast<int64_t>(count * RecordSize));
  }
}

// Writes header, data and directory of the archive into file. The data of
// entries that lie back to back in one source is copied as one run. A failing
// read or write of entry data raises EInOutError; a header or directory that
// cannot be written makes the result false.
bool TQuakePak::AssembleArchive(TPakFile &file, int64_t dataSize, const std::vector<int32_t> &positions) {
  try {
    WriteHeader(file, dataSize, m_Directory.size());
  } catch (const EInOutError &) {
    return false;
  }
  ProgressAdvance(HeaderSize);

  const TPakFile *runSource = nullptr;
  int64_t runStart = 0;
  int64_t runLength = 0;
  auto copyRun = [&] {
    if (runLength > 0)
      CopyRange(*runSource, runStart, file, runLength);
    runLength = 0;
  };
  for (const TDirEntry &entry : m_Directory) {
    if (entry.Size == 0)
      continue;
    const TPakFile *source = &DataFileOf(entry);
    int64_t offset = entry.Position > 0 ? int64_t{entry.Position} : -int64_t{entry.Position};
    if (runLength == 0 || source != runSource || offset != runStart + runLength) {
      copyRun();
      runSource = source;
      runStart = offset;
    }
    runLength += entry.Size;
  }
  copyRun();

  try {
    WriteRecords(file, positions);
  } catch (const EInOutError &) {
    return false;
  }
  return true;
}

// An archive whose every entry was added since it was opened, with the data
// lying in the working file exactly as a packed archive holds it, is saved
// by completing the working file and renaming it into place: the data is
// written once. Only within one file system; false, with the working file
// as it was, when this road is not open or fails.
bool TQuakePak::SaveByCompletingWorkingFile(const std::string &realTarget, const struct stat *replaced,
                                            int64_t dataSize, const std::vector<int32_t> &positions) {
  if (!m_WorkingFile || m_WorkingFolder == nullptr)
    return false;
  for (size_t i = 0; i < m_Directory.size(); ++i) {
    const TDirEntry &entry = m_Directory[i];
    if (entry.Size > 0 && (entry.Position > 0 || -int64_t{entry.Position} != positions[i]))
      return false;
  }
  struct stat working {};
  struct stat folder {};
  const std::string directory = PathDirectory(realTarget);
  if (::fstat(m_WorkingFile->Descriptor(), &working) != 0 || working.st_size != HeaderSize + dataSize ||
      ::stat(directory.empty() ? "." : directory.c_str(), &folder) != 0 || folder.st_dev != working.st_dev)
    return false;

  TPakFile &file = *m_WorkingFile;
  auto restore = [&] {
    // Back to a bare working file holding the same data.
    try {
      if (::ftruncate(file.Descriptor(), static_cast<off_t>(HeaderSize + dataSize)) == 0) {
        unsigned char header[HeaderSize];
        std::memcpy(header, Magic, 4);
        WriteInt32(header + 4, -1);
        WriteInt32(header + 8, -1);
        file.Seek(0);
        file.Write(header, HeaderSize);
      }
    } catch (const EInOutError &) {
    }
    return false;
  };
  try {
    ProgressAdvance(HeaderSize + dataSize);
    file.Seek(HeaderSize + dataSize);
    WriteRecords(file, positions);
    WriteHeader(file, dataSize, m_Directory.size());
    if (replaced != nullptr)
      TakeOverAttributes(file, *replaced);
    else
      ::fchmod(file.Descriptor(), NewFileMode());
    file.Sync();
  } catch (const EInOutError &) {
    return restore();
  }
  if (::renameat(m_WorkingFolder->Descriptor(), WorkingFileTitle, AT_FDCWD, realTarget.c_str()) != 0)
    return restore();
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

  CheckArchiveUnchanged();
  const std::vector<int32_t> positions = PackedPositions(m_Directory);
  m_ProgressTotal = total;
  ProgressStart();
  std::unique_ptr<TPakFile> saved;
  if (SaveByCompletingWorkingFile(realTarget, replacing ? &replaced : nullptr, dataSize, positions)) {
    saved = std::move(m_WorkingFile);
  } else {
    TSaveFile save;
    if (!save.Create(realTarget)) {
      ProgressEnd();
      return prWriteFailed;
    }
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
      } catch (const EInOutError &) {
        written = false; // the data may not have reached the disk
      }
    }
    if (!written || ::rename(save.Path().c_str(), realTarget.c_str()) != 0) {
      ProgressEnd();
      return prWriteFailed;
    }
    saved = std::make_unique<TPakFile>(save.Commit());
  }
  SyncDirectory(PathDirectory(realTarget));

  // The target now holds the new archive, read from here on through the
  // descriptor it was written with: the directory describes it as it stands,
  // so nothing needs reading back.
  for (size_t i = 0; i < m_Directory.size(); ++i)
    m_Directory[i].Position = positions[i];
  m_FileName = path;
  m_Modified = false;
  m_Journal.clear();
  m_JournalTruncated = false;
  m_Damage.clear();
  AdoptArchiveFile(std::move(saved), realTarget);
  StartWorkingFile();
  ProgressEnd();
  return prDone;
}
