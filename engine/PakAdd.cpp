// Adding files and directory trees: the data of every added file is appended
// to the working file and a new entry with a negative position to the
// directory. One call of AddFiles is one undo step.
#include "PakFile.h"
#include "PakInternal.h"
#include "PakQuake.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <set>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

namespace {
enum TPathKind { pkMissing, pkFile, pkDirectory, pkOther };

// What a path names, links followed: a symbolic link to a directory is
// entered like the directory itself.
TPathKind KindOfPath(const std::string &path, struct stat &info) {
  if (::stat(path.c_str(), &info) != 0)
    return pkMissing;
  if (S_ISDIR(info.st_mode))
    return pkDirectory;
  return S_ISREG(info.st_mode) ? pkFile : pkOther;
}

std::string WithTrailingSlash(std::string path) {
  if (path.empty() || path.back() != '/')
    path += '/';
  return path;
}

// The part of a disk path after its last "/".
std::string PathFileName(const std::string &path) {
  auto at = path.rfind('/');
  return at == std::string::npos ? path : path.substr(at + 1);
}

bool StartsWithIgnoringCase(const std::string &text, const std::string &prefix) {
  return text.size() >= prefix.size() && SameTextAscii(text.substr(0, prefix.size()), prefix);
}

// The name a path is added under, before the name rules: the part below the
// base directory when the path lies inside it, otherwise the bare file name;
// in both cases below the target directory.
std::string DerivedName(const std::string &path, const std::string &baseDirectory, const std::string &targetDirectory) {
  if (!baseDirectory.empty() && StartsWithIgnoringCase(path, baseDirectory))
    return targetDirectory + path.substr(baseDirectory.size());
  return targetDirectory + PathFileName(path);
}
} // namespace

// Result: 0 done (also when every file was skipped), 1 empty list, 5 the
// archive may not be changed, 7 no archive open (the last failing test
// decides), 14 at least one file could not be appended, 15 cancelled through
// frCancel. paths is edited in place: directories are replaced by their
// contents, skipped and unreadable files removed. Never adds anything but
// regular files, never follows a directory loop, never lets the working file
// grow past PakFormat::MaxArchiveSize.
uint8_t TQuakePak::AddFiles(TStringList &paths, const std::string &baseDirectory, const std::string &targetDirectory,
                            bool recurse) {
  uint8_t result = prDone;
  if (m_FileName.empty())
    result = prNoArchive;
  if (!CanModify())
    result = prProtected;
  if (paths.empty())
    result = prEmptyList;
  if (result != prDone)
    return result;
  m_Failures.clear();

  std::string target;
  if (!targetDirectory.empty()) {
    target = ToEntrySlashes(targetDirectory);
    if (target.back() != '/')
      target += '/';
    // A target of slashes only is the top level.
    auto first = target.find_first_not_of('/');
    target.erase(0, first == std::string::npos ? target.size() : first);
  }
  std::string base;
  if (!baseDirectory.empty())
    base = WithTrailingSlash(ToPathSlashes(baseDirectory));

  // Expansion. Directories are entered once per call, known by device and
  // inode, so a tree whose links form a loop ends. Missing paths and anything
  // that is neither a regular file nor a directory (FIFOs, devices) are
  // dropped here, before any question is asked about them.
  std::set<std::pair<dev_t, ino_t>> entered;
  for (size_t i = 0; i < paths.size();) {
    struct stat info {};
    TPathKind kind = KindOfPath(paths[i], info);
    if (kind == pkFile) {
      ++i;
      continue;
    }
    std::string path = std::move(paths[i]);
    paths.erase(paths.begin() + static_cast<std::ptrdiff_t>(i));
    if (kind == pkDirectory && entered.insert({info.st_dev, info.st_ino}).second)
      ScanDirectory(path, paths, recurse);
  }

  // Clash pass.
  TFileReplace answer = frSkip;
  std::string record;
  std::vector<TDirEntry> removed;
  try {
    for (size_t j = 0; j < paths.size();) {
      std::string name = DerivedName(paths[j], base, target);
      int32_t k = FindEntry(MakeEntryName(name));
      if (k < 0) {
        ++j;
        continue;
      }
      enum { Replace, Skip, Cancel } action = Skip;
      if (answer == frReplaceAll) {
        action = Replace;
      } else if (answer == frSkipAll) {
        action = Skip;
      } else if (OnAddFileExists) {
        answer = frSkip;
        OnAddFileExists(*this, name, answer);
        if (answer == frReplace || answer == frReplaceAll)
          action = Replace;
        else if (answer == frCancel)
          action = Cancel;
      }
      if (action == Cancel) {
        for (const TDirEntry &entry : removed)
          AppendEntry(m_Directory, entry.Name, entry.Position, entry.Size);
        return prCancelled;
      }
      if (action == Replace) {
        record += "D:" + EntryRecord(k);
        removed.push_back(m_Directory[static_cast<size_t>(k)]);
        m_Directory.erase(m_Directory.begin() + k);
        ++j;
      } else {
        paths.erase(paths.begin() + static_cast<std::ptrdiff_t>(j));
      }
    }
  } catch (...) {
    // A handler that raises ends the add like a cancel: nothing stays removed.
    for (const TDirEntry &entry : removed)
      AppendEntry(m_Directory, entry.Name, entry.Position, entry.Size);
    throw;
  }

  // Size pass.
  m_ProgressTotal = 0;
  for (size_t i = 0; i < paths.size();) {
    int64_t size = FileSizeOf(paths[i]);
    if (size < 0) {
      paths.erase(paths.begin() + static_cast<std::ptrdiff_t>(i));
    } else {
      m_ProgressTotal += size;
      ++i;
    }
  }

  // The record is written even when something unexpected escapes the copy
  // pass, so that what was changed stays undoable and marks the archive modified.
  auto finishRecord = [&] {
    if (record.rfind("A:", 0) != 0)
      record = "A:" + record;
    if (record.size() > 2)
      AddUndoRecord(record);
  };
  ProgressStart();
  try {
    const size_t count = paths.size();
    for (size_t i = 0; i < count; ++i) {
      std::string name = ToEntrySlashes(DerivedName(paths[i], base, target));
      if (AppendFileData(m_WorkingFileName, paths[i], name))
        record = "A:" + EscapeRecordName(name) + ":" + record;
      else
        result = prWriteFailed;
    }
  } catch (...) {
    finishRecord();
    ProgressEnd();
    throw;
  }
  finishRecord();
  ProgressEnd();
  return result;
}

// Appends the bytes of source to the end of target and an entry for them to
// the directory; entryName is left in entry form (lower case, space rule).
// True when appended, and also when the name is already present (nothing is
// appended then: the first file of a name wins). False, with the reason added
// to Failures(), when the source is missing or not a regular file, when the
// entry name would not fit the record's name field, when either file cannot
// be opened, when the data would carry target past PakFormat::MaxArchiveSize,
// or when the copy fails part-way; the entry and the bytes appended for it
// are then taken back.
bool TQuakePak::AppendFileData(const std::string &target, const std::string &source, std::string &entryName) {
  struct stat info {};
  if (KindOfPath(source, info) == pkMissing) {
    m_Failures.push_back(source + ": no such file");
    return false;
  }
  if (m_ForceLowercase)
    entryName = AsciiLower(entryName);
  entryName = ApplySpaceRule(entryName);
  if (FindEntry(entryName) >= 0)
    return true;
  // A longer name would be cut short by the save, and so silently become
  // another name, or lose its extension.
  if (entryName.size() > static_cast<size_t>(PakFormat::NameSize)) {
    m_Failures.push_back(source + ": name too long");
    return false;
  }

  size_t entryIndex = m_Directory.size();
  bool appended = false;
  int64_t oldLength = 0;
  TPakFile openedTarget;
  TPakFile *targetFile = nullptr;
  // No entry may refer to bytes that never arrived.
  auto takeBack = [&] {
    if (!appended)
      return;
    if (entryIndex < m_Directory.size())
      m_Directory.erase(m_Directory.begin() + static_cast<std::ptrdiff_t>(entryIndex));
    if (targetFile != nullptr && ::ftruncate(targetFile->Descriptor(), static_cast<off_t>(oldLength)) != 0) {
      // The stray bytes stay at the end; nothing refers to them.
    }
  };
  try {
    TPakFile sourceFile(source, TPakFile::ReadOnly);
    const bool toWorkingFile = target == m_WorkingFileName;
    if (toWorkingFile) {
      // The working file is held open: its folder's name may since have been taken over.
      if (!m_WorkingFile)
        throw EInOutError(target, ENOENT);
      targetFile = m_WorkingFile.get();
    } else {
      openedTarget = TPakFile(target, TPakFile::ReadWrite);
      targetFile = &openedTarget;
    }
    oldLength = targetFile->SeekEnd();
    int64_t size = sourceFile.Size();
    // Positions and sizes are 32-bit signed: data that would not fit is refused
    // rather than recorded with a wrapped number.
    if (size > PakFormat::MaxArchiveSize - oldLength) {
      m_Failures.push_back(source + ": the archive would grow past 2 GB");
      return false;
    }
    auto position = static_cast<int32_t>(toWorkingFile ? -oldLength : oldLength);
    AppendEntry(m_Directory, entryName, position, static_cast<int32_t>(size));
    appended = true;
    CopyBytes(sourceFile, *targetFile, size);
    sourceFile.Close();
    if (!toWorkingFile)
      openedTarget.Close();
    return true;
  } catch (const EInOutError &error) {
    takeBack();
    m_Failures.push_back(error.what());
    return false;
  } catch (...) {
    takeBack();
    throw;
  }
}

// Appends the contents of one directory to paths, names in byte order so that
// the archive order is repeatable: regular files always, sub-directories only
// with recurse. Hidden names (beginning with ".") and anything that is neither
// a file nor a directory are left out. An unreadable directory adds nothing.
void TQuakePak::ScanDirectory(const std::string &directory, TStringList &paths, bool recurse) {
  std::string folder = WithTrailingSlash(directory);
  DIR *handle = ::opendir(folder.c_str());
  if (handle == nullptr)
    return;
  TStringList names;
  while (const dirent *item = ::readdir(handle)) {
    std::string name = item->d_name;
    if (!name.empty() && name.front() != '.')
      names.push_back(std::move(name));
  }
  ::closedir(handle);
  std::sort(names.begin(), names.end());
  for (const std::string &name : names) {
    struct stat info {};
    TPathKind kind = KindOfPath(folder + name, info);
    if (kind == pkFile || (kind == pkDirectory && recurse))
      paths.push_back(folder + name);
  }
}
