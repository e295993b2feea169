// SPDX-License-Identifier: GPL-3.0-or-later
// Saving the archive. The data of every entry, taken from the archive file or
// the working file, and the directory are assembled in a fresh file beside the
// target; only when that file is complete and on the disk does it replace the
// target, in one rename. Until then the target and the open archive are
// untouched, whatever fails.
#include "PakCopy.h"
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
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

using namespace PakFormat;

namespace {
// Symbolic links followed before a save gives up on a target.
constexpr int MaxLinkDepth = 40;
// The file assembled beside a target is named ".TITLE" + SaveInfix + the
// SuffixLength letters and digits mkostemp puts in place of "XXXXXX".
constexpr const char *SaveInfix = ".varnel-save-";
constexpr size_t SuffixLength = 6;
// Attempts at a file beside the target that a sweep does not take first.
constexpr int MaxNameAttempts = 100;
// Longest file title we build on; the rest of NAME_MAX is left for the suffix.
constexpr std::string::size_type MaxTitleLength = 200;
// Directory records written per call.
constexpr size_t RecordsPerBatch = 4096;

bool Exists(const std::string &path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0;
}

std::string SystemFailure(const std::string &path, int error) { return path + ": " + std::strerror(error); }

bool SameInode(const struct stat &a, const struct stat &b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// The path whose directory entry a save replaces: a symbolic link is followed
// to the file it names (which may not exist yet), so that the link stays a
// link, but only where MayFollowLink allows. False, with the reason in
// failure, for a link it may not follow, a loop of links or a link that
// cannot be read.
bool FollowLinks(std::string path, std::string &resolved, std::string &failure) {
  for (int depth = 0; depth < MaxLinkDepth; ++depth) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
      resolved = path;
      return true;
    }
    const std::string directory = PathDirectory(path);
    struct stat folder {};
    if (::stat(directory.empty() ? "." : directory.c_str(), &folder) != 0) {
      failure = SystemFailure(directory, errno);
      return false;
    }
    if (!MayFollowLink(folder, info)) {
      failure = path + ": a symbolic link of another user in a folder that everyone may write to; it is not "
                       "followed, and nothing was replaced";
      return false;
    }
    std::string link(static_cast<size_t>(info.st_size > 0 ? info.st_size : 255) + 1, '\0');
    ssize_t length = ::readlink(path.c_str(), link.data(), link.size());
    if (length <= 0 || static_cast<size_t>(length) >= link.size()) {
      failure = SystemFailure(path, length < 0 ? errno : ENAMETOOLONG);
      return false;
    }
    link.resize(static_cast<size_t>(length));
    path = link.front() == '/' ? link : PathDirectory(path) + link;
  }
  failure = SystemFailure(path, ELOOP);
  return false;
}

// Checked again at the moment of the rename: the target still leads, by the
// link rule, to the name the save was made beside.
bool TargetStillResolves(const std::string &path, const std::string &realTarget, std::string &failure) {
  std::string now;
  if (!FollowLinks(path, now, failure))
    return false;
  if (now != realTarget) {
    failure = path + ": became a link to another file while it was saved; nothing was replaced";
    return false;
  }
  return true;
}

// ".TITLE.varnel-save-XXXXXX", as TSaveFile names its files.
bool IsSaveFileName(const std::string &name) {
  const std::string infix = SaveInfix;
  if (name.size() < 1 + infix.size() + SuffixLength || name.front() != '.' ||
      name.compare(name.size() - SuffixLength - infix.size(), infix.size(), infix) != 0)
    return false;
  return std::all_of(name.end() - SuffixLength, name.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
  });
}

// Removes from directory the save files that no save is writing: those of
// this user whose lock nobody holds (the save that made one was killed, or
// the machine stopped). Anything else there is left alone.
void RemoveAbandonedSaveFiles(const std::string &directory) {
  TDescriptor folder(::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
  if (folder.Get() < 0)
    return;
  for (const std::string &name : NamesIn(folder.Get())) {
    if (!IsSaveFileName(name))
      continue;
    TDescriptor file(::openat(folder.Get(), name.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
    struct stat held {};
    struct stat named {};
    if (file.Get() >= 0 && ::fstat(file.Get(), &held) == 0 && S_ISREG(held.st_mode) && held.st_uid == ::geteuid() &&
        ::flock(file.Get(), LOCK_EX | LOCK_NB) == 0 &&
        ::fstatat(folder.Get(), name.c_str(), &named, AT_SYMLINK_NOFOLLOW) == 0 && SameInode(held, named))
      ::unlinkat(folder.Get(), name.c_str(), 0);
  }
}

// The file a save assembles: a hidden file beside the target, so that the
// final rename stays within one file system, named ".TITLE.varnel-save-XXXXXX"
// so that one left by a crash tells what it is. It is private (mode 0600)
// and locked until it replaces the target, and removed unless the save
// commits it; the lock tells a later save that it is not abandoned.
class TSaveFile {
public:
  TSaveFile() = default;
  TSaveFile(const TSaveFile &) = delete;
  TSaveFile &operator=(const TSaveFile &) = delete;
  ~TSaveFile() {
    // Only our own file: whatever took its name stays.
    std::string ignored;
    if (!m_Path.empty() && !m_Committed && AtItsName(ignored))
      ::unlink(m_Path.c_str());
  }

  // Creates the file beside target. False, with the reason in failure, when
  // no file can be made there.
  bool Create(const std::string &target, std::string &failure) {
    std::string directory = PathDirectory(target);
    std::string base = directory + "." + target.substr(directory.size(), MaxTitleLength) + SaveInfix;
    for (int attempt = 0; attempt < MaxNameAttempts; ++attempt) {
      std::string path = base + "XXXXXX";
      // Mode 0600 and O_EXCL: never through a link, never a file someone else put there.
      int fd = ::mkostemp(path.data(), O_CLOEXEC);
      if (fd < 0) {
        if (errno == EINTR)
          continue;
        // The user never sees the hidden name: the folder is what refused.
        failure = SystemFailure(directory.empty() ? std::string("./") : directory, errno);
        return false;
      }
      TPakFile file(fd, path);
      // Locked at once; a sweep that took the lock first has removed the
      // name, and another name is tried.
      m_Path = path;
      m_File = std::move(file);
      if (::flock(fd, LOCK_EX | LOCK_NB) == 0 && AtItsName(failure))
        return true;
      m_File = TPakFile();
      m_Path.clear();
    }
    failure = SystemFailure(base + "XXXXXX", EEXIST);
    return false;
  }

  TPakFile &File() { return m_File; }
  const std::string &Path() const { return m_Path; }
  // The name still leads to the file written: nobody put another file or a
  // link in its place. False, with the reason in failure, otherwise.
  bool AtItsName(std::string &failure) const {
    struct stat held {};
    struct stat named {};
    if (::fstat(m_File.Descriptor(), &held) == 0 && ::lstat(m_Path.c_str(), &named) == 0 && SameInode(held, named))
      return true;
    failure = m_Path + ": replaced by another file while the archive was written into it; nothing was replaced";
    return false;
  }
  // The file has taken the target's place under name: it stays, unlocked,
  // and its descriptor goes to the caller.
  TPakFile Commit(const std::string &name) {
    m_Committed = true;
    ::flock(m_File.Descriptor(), LOCK_UN);
    m_File.SetPath(name);
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

// The offset of each entry's data once the archive is packed: back to back
// from the header on, in directory order. Walked beside the directory, entry
// by entry, so that no list of them is made.
class TPackedPosition {
public:
  int32_t Next(const TDirEntry &entry) {
    const auto position = static_cast<int32_t>(m_Offset);
    m_Offset += entry.Size;
    return position;
  }

private:
  int64_t m_Offset = HeaderSize;
};

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

// Writes the records of the directory, with the positions of the packed
// archive, at file's current position, in large batches.
void TQuakePak::WriteRecords(TPakFile &file) {
  const size_t perBatch = std::min(m_Directory.size(), RecordsPerBatch);
  auto batch = std::make_unique_for_overwrite<unsigned char[]>(perBatch * RecordSize);
  TPackedPosition packed;
  for (size_t first = 0; first < m_Directory.size(); first += perBatch) {
    const size_t count = std::min(perBatch, m_Directory.size() - first);
    for (size_t i = 0; i < count; ++i) {
      const TDirEntry &entry = m_Directory[first + i];
      FormatRecord(batch.get() + i * RecordSize, entry.Name, packed.Next(entry), entry.Size);
    }
    file.Write(batch.get(), static_cast<int64_t>(count * RecordSize));
    ProgressAdvance(static_cast<int64_t>(count * RecordSize));
  }
}

// Writes header, data and directory of the archive into file. The data of
// entries that lie back to back in one source is copied as one run; short
// runs are gathered into blocks (see TGatheringCopy). A failing
// read or write of entry data raises EInOutError; a header or directory that
// cannot be written makes the result false, with the reason in Failures().
bool TQuakePak::AssembleArchive(TPakFile &file, int64_t dataSize) {
  try {
    WriteHeader(file, dataSize, m_Directory.size());
  } catch (const EInOutError &error) {
    m_Failures.push_back(error.what());
    return false;
  }
  ProgressAdvance(HeaderSize);

  const TPakFile *runSource = nullptr;
  bool runInArchive = false;
  int64_t runStart = 0;
  int64_t runLength = 0;
  TGatheringCopy copy(file.Descriptor(), [this](int64_t moved) { AdvanceProgressInBlocks(moved); });
  auto copyRun = [&] {
    if (runLength > 0)
      if (TCopyOutcome outcome = copy.Copy(runSource->Descriptor(), runStart, runLength); outcome.Error != 0)
        RaiseCopyFailure(outcome, runSource->Path(), file.Path());
    runLength = 0;
  };
  for (const TDirEntry &entry : m_Directory) {
    if (entry.Size == 0)
      continue;
    // The archive's data lies at positions above zero, the working file's at
    // zero and below (see DataFileOf).
    const bool inArchive = entry.Position > 0;
    const int64_t offset = inArchive ? int64_t{entry.Position} : -int64_t{entry.Position};
    if (runLength == 0 || inArchive != runInArchive || offset != runStart + runLength) {
      copyRun();
      runSource = &DataFileOf(entry);
      runInArchive = inArchive;
      runStart = offset;
    }
    runLength += entry.Size;
  }
  copyRun();
  if (TCopyOutcome outcome = copy.Flush(); outcome.Error != 0)
    RaiseCopyFailure(outcome, file.Path(), file.Path());

  try {
    WriteRecords(file);
  } catch (const EInOutError &error) {
    m_Failures.push_back(error.what());
    return false;
  }
  return true;
}

// An archive whose every entry was added since it was opened, with the data
// lying in the working file exactly as a packed archive holds it, is saved
// by completing the working file and renaming it into place: the data is
// written once. Only within one file system; NotThisWay, with the working
// file as it was, when this road is not open or fails on the way; Refused,
// the reason in Failures(), when the target may not be replaced.
TQuakePak::TCompletion TQuakePak::SaveByCompletingWorkingFile(const std::string &path, const std::string &realTarget,
                                                              const struct stat *replaced, int64_t dataSize) {
  if (!m_WorkingFile || m_WorkingFolder == nullptr)
    return NotThisWay;
  TPackedPosition packed;
  for (const TDirEntry &entry : m_Directory) {
    const int32_t position = packed.Next(entry);
    if (entry.Size > 0 && (entry.Position > 0 || -int64_t{entry.Position} != position))
      return NotThisWay;
  }
  struct stat working {};
  struct stat folder {};
  const std::string directory = PathDirectory(realTarget);
  if (::fstat(m_WorkingFile->Descriptor(), &working) != 0 || working.st_size != HeaderSize + dataSize ||
      ::stat(directory.empty() ? "." : directory.c_str(), &folder) != 0 || folder.st_dev != working.st_dev)
    return NotThisWay;

  TPakFile &file = *m_WorkingFile;
  auto restore = [&](TCompletion outcome) {
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
    return outcome;
  };
  try {
    ProgressAdvance(HeaderSize + dataSize);
    file.Seek(HeaderSize + dataSize);
    WriteRecords(file);
    WriteHeader(file, dataSize, m_Directory.size());
    if (replaced != nullptr)
      TakeOverAttributes(file, *replaced);
    else
      ::fchmod(file.Descriptor(), NewFileMode());
    file.Sync();
  } catch (const EInOutError &) {
    return restore(NotThisWay);
  }
  std::string failure;
  if (!TargetStillResolves(path, realTarget, failure)) {
    m_Failures.push_back(failure);
    return restore(Refused);
  }
  if (::renameat(m_WorkingFolder->Descriptor(), WorkingFileTitle, AT_FDCWD, realTarget.c_str()) != 0)
    return restore(NotThisWay);
  return Completed;
}

TResultCode TQuakePak::SavePak() {
  m_Failures.clear();
  if (m_FileName.empty())
    return Reported(prNoArchive, {});
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

TResultCode TQuakePak::SavePakAs(const std::string &target) {
  m_Failures.clear();
  if (m_FileName.empty())
    return Reported(prNoArchive, {});
  if (m_ProtectID1Pak && IsStockArchive(target))
    return Reported(prProtected, target);
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

namespace {
// What a save finds at its target before it writes: the name it replaces,
// links followed by the rule, and the file there now. False, with the reason
// in failure, when nothing may replace it.
bool ExamineTarget(const std::string &path, std::string &realTarget, struct stat &replaced, bool &replacing,
                   std::string &failure) {
  if (!FollowLinks(path, realTarget, failure))
    return false;
  replacing = ::stat(realTarget.c_str(), &replaced) == 0;
  // Only a regular file we may write is replaced.
  if (replacing && !S_ISREG(replaced.st_mode)) {
    failure = S_ISDIR(replaced.st_mode) ? SystemFailure(realTarget, EISDIR) : realTarget + ": not a regular file";
    return false;
  }
  if (replacing && ::access(realTarget.c_str(), W_OK) != 0) {
    failure = SystemFailure(realTarget, errno);
    return false;
  }
  return true;
}

// The last steps of every save through a save file: checked at the moment of
// the rename (the target resolves as it did, the save file is still the one
// written), then renamed into the target's place.
bool ReplaceTarget(TSaveFile &save, const std::string &path, const std::string &realTarget, std::string &failure) {
  if (!TargetStillResolves(path, realTarget, failure) || !save.AtItsName(failure))
    return false;
  if (::rename(save.Path().c_str(), realTarget.c_str()) != 0) {
    failure = SystemFailure(realTarget, errno);
    return false;
  }
  SyncDirectory(PathDirectory(realTarget));
  return true;
}
} // namespace

bool MayFollowLink(const struct stat &folder, const struct stat &link) {
  const bool shared = (folder.st_mode & S_ISVTX) != 0 && (folder.st_mode & S_IWOTH) != 0;
  return !shared || link.st_uid == ::geteuid() || link.st_uid == folder.st_uid;
}

std::string ReplaceFileContents(const std::string &path, const void *data, size_t size) {
  std::string realTarget;
  struct stat replaced {};
  bool replacing = false;
  std::string failure;
  if (path.empty())
    return "no file name was given";
  if (!ExamineTarget(path, realTarget, replaced, replacing, failure))
    return failure;
  RemoveAbandonedSaveFiles(PathDirectory(realTarget));
  TSaveFile save;
  if (!save.Create(realTarget, failure))
    return failure;
  try {
    save.File().Write(data, static_cast<int64_t>(size));
    if (replacing)
      TakeOverAttributes(save.File(), replaced);
    else
      ::fchmod(save.File().Descriptor(), NewFileMode());
    save.File().Sync();
  } catch (const EInOutError &error) {
    return error.what();
  }
  if (!ReplaceTarget(save, path, realTarget, failure))
    return failure;
  save.Commit(path);
  return {};
}

TResultCode TQuakePak::WriteArchive(const std::string &target) {
  m_Failures.clear();
  return Reported(WriteArchiveTo(target), target);
}

TResultCode TQuakePak::WriteArchiveTo(const std::string &target) {
  if (m_FileName.empty())
    return prNoArchive;
  if (m_ProtectID1Pak && IsStockArchive(target))
    return prProtected;
  auto refuse = [this](const std::string &failure) {
    m_Failures.push_back(failure);
    return prWriteFailed;
  };
  if (target.empty())
    return refuse("no file name was given");
  // Opening "(Untitled)" starts a new archive; the file of that name is reached
  // through its folder.
  const std::string path = target == UntitledName ? "./" + target : target;

  // Everything that can be known beforehand is checked before anything is written.
  int64_t dataSize = 0;
  for (const TDirEntry &entry : m_Directory) {
    if (entry.Size < 0)
      return refuse(path + ": the entry " + entry.Name.Str() + " has a size below zero (" +
                    std::to_string(entry.Size) + "); no archive can hold it");
    dataSize += entry.Size;
  }
  int64_t total = HeaderSize + dataSize + static_cast<int64_t>(m_Directory.size()) * RecordSize;
  if (total > MaxArchiveSize)
    return refuse(path + ": it would be larger than 2 GB, the most a PAK file can hold");
  std::string realTarget;
  struct stat replaced {};
  bool replacing = false;
  std::string failure;
  if (!ExamineTarget(path, realTarget, replaced, replacing, failure))
    return refuse(failure);
  // Never the working file, which re-opening would wipe.
  if (replacing && SameFile(realTarget, m_WorkingFileName))
    return refuse(realTarget + ": the working file of the open archive; it is never replaced");

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
  RemoveAbandonedSaveFiles(PathDirectory(realTarget));
  m_ProgressTotal = total;
  ProgressStart();
  std::unique_ptr<TPakFile> saved;
  TCompletion completion = NotThisWay;
  try {
    completion = SaveByCompletingWorkingFile(path, realTarget, replacing ? &replaced : nullptr, dataSize);
  } catch (...) {
    ProgressEnd();
    throw;
  }
  if (completion == Refused) {
    ProgressEnd();
    return prWriteFailed;
  }
  if (completion == Completed) {
    saved = std::move(m_WorkingFile);
    saved->SetPath(path);
  } else {
    TSaveFile save;
    if (!save.Create(realTarget, failure)) {
      ProgressEnd();
      return refuse(failure);
    }
    bool written = false;
    try {
      written = AssembleArchive(save.File(), dataSize);
      if (written) {
        if (replacing)
          TakeOverAttributes(save.File(), replaced);
        else
          ::fchmod(save.File().Descriptor(), NewFileMode());
        try {
          save.File().Sync();
        } catch (const EInOutError &error) {
          m_Failures.push_back(error.what()); // the data may not have reached the disk
          written = false;
        }
      }
    } catch (...) {
      ProgressEnd();
      throw;
    }
    if (!written) {
      ProgressEnd();
      return prWriteFailed;
    }
    if (!ReplaceTarget(save, path, realTarget, failure)) {
      ProgressEnd();
      return refuse(failure);
    }
    saved = std::make_unique<TPakFile>(save.Commit(path));
  }
  if (completion == Completed)
    SyncDirectory(PathDirectory(realTarget));

  // The target now holds the new archive, read from here on through the
  // descriptor it was written with: the directory describes it as it stands,
  // so nothing needs reading back.
  TPackedPosition packed;
  for (TDirEntry &entry : m_Directory)
    entry.Position = packed.Next(entry);
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
