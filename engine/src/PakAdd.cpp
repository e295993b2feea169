// SPDX-License-Identifier: GPL-3.0-or-later
// Adding files and directory trees: the data of every added file is appended
// to the working file and a new entry with a negative position to the
// directory. One call of AddFiles is one undo step.
#include "PakFile.h"
#include "PakInternal.h"
#include "PakNameIndex.h"
#include "PakQuake.h"
#include "PakSourceOpener.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <dirent.h>
#include <exception>
#include <fcntl.h>
#include <set>
#include <sys/stat.h>
#include <system_error>
#include <thread>
#include <unistd.h>
#include <utility>

namespace {
enum TPathKind { pkFile, pkDirectory, pkOther };

// What a status names, links followed: a symbolic link to a directory is
// entered like the directory itself.
TPathKind KindOf(const struct stat &info) {
  if (S_ISDIR(info.st_mode))
    return pkDirectory;
  return S_ISREG(info.st_mode) ? pkFile : pkOther;
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

// The internal directory added files go to, in entry form, ending in "/";
// empty (or slashes only) is the top level.
std::string AddTargetDirectory(const std::string &targetDirectory) {
  if (targetDirectory.empty())
    return {};
  std::string target = TQuakePak::ToEntrySlashes(targetDirectory);
  if (target.back() != '/')
    target += '/';
  const auto first = target.find_first_not_of('/');
  target.erase(0, first == std::string::npos ? target.size() : first);
  return target;
}

// The base folder added paths are named relative to, ending in "/"; empty for none.
std::string AddBaseDirectory(const std::string &baseDirectory) {
  return baseDirectory.empty() ? std::string() : WithTrailingSlash(TQuakePak::ToPathSlashes(baseDirectory));
}

// A path waiting to be expanded, with what is known of it already: of its
// status (links followed) only what the expansion needs, since a large tree
// queues many paths at once.
struct TQueuedPath {
  std::string Path;
  bool Examined = false; // the fields below hold the path's status
  TPathKind Kind = pkOther;
  off_t Size = 0;
  dev_t Device = 0;
  ino_t Inode = 0;

  void Take(const struct stat &info) {
    Examined = true;
    Kind = KindOf(info);
    Size = info.st_size;
    Device = info.st_dev;
    Inode = info.st_ino;
  }
};

// The contents of one directory, in byte order of their names so that the
// archive order is repeatable: regular files always, sub-directories only
// with recurse. Hidden names (beginning with ".") and anything that is
// neither a file nor a directory are left out. An unreadable directory adds
// nothing. Each is examined once, relative to the open directory.
void ScanInto(const std::string &directory, std::vector<TQueuedPath> &queue, bool recurse) {
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
  std::sort(names.begin(), names.end());
  for (std::string &name : names) {
    struct stat info {};
    if (::fstatat(::dirfd(handle), name.c_str(), &info, 0) != 0)
      continue;
    TPathKind kind = KindOf(info);
    if (kind == pkFile || (kind == pkDirectory && recurse)) {
      TQueuedPath &queued = queue.emplace_back();
      queued.Path = folder + name;
      queued.Take(info);
    }
  }
  ::closedir(handle);
}
// The contents of each directory (see ScanInto), in the order of the list;
// several directories are read by two threads at once.
std::vector<std::vector<TQueuedPath>> ScanAll(const TStringList &directories, bool recurse) {
  std::vector<std::vector<TQueuedPath>> contents(directories.size());
  std::atomic<size_t> next{0};
  auto scan = [&] {
    for (size_t i = next++; i < directories.size(); i = next++)
      ScanInto(directories[i], contents[i], recurse);
  };
  constexpr size_t ThreadedFrom = 4;
  std::exception_ptr helperFailure;
  std::thread helper;
  if (directories.size() >= ThreadedFrom) {
    try {
      helper = std::thread([&] {
        try {
          scan();
        } catch (...) {
          helperFailure = std::current_exception(); // raised on the caller's thread below
        }
      });
    } catch (const std::system_error &) {
      // No thread to be had: one reads all.
    }
  }
  try {
    scan();
  } catch (...) {
    if (helper.joinable())
      helper.join();
    throw;
  }
  if (helper.joinable())
    helper.join();
  if (helperFailure)
    std::rethrow_exception(helperFailure);
  return contents;
}
} // namespace

// Of the failing preconditions the last one tested decides the result; prDone
// also when every file was skipped. Every step costs the same per file however
// many entries the archive has.
TResultCode TQuakePak::AddFiles(TStringList &paths, const std::string &baseDirectory,
                                const std::string &targetDirectory, bool recurse) {
  m_Failures.clear();
  TResultCode result = prDone;
  if (m_FileName.empty())
    result = prNoArchive;
  if (!CanModify())
    result = prProtected;
  if (paths.empty())
    result = prEmptyList;
  if (result != prDone)
    return Reported(result, m_FileName);

  const std::string target = AddTargetDirectory(targetDirectory);
  // Refused before anything is asked or added: every name would have the part.
  if (std::string refusal = target.empty() ? std::string() : NamePartRefusal(MakeEntryName(target.substr(0, target.size() - 1)));
      !refusal.empty()) {
    m_Failures.push_back(refusal);
    paths.clear();
    return prWriteFailed;
  }
  const std::string base = AddBaseDirectory(baseDirectory);

  // Expansion, in the order of a queue: files keep their place, the contents
  // of a directory join at the end. It runs a generation at a time (the
  // directories met in one generation are read together, on two threads
  // when there are several, and their contents, in the order of the
  // directories, make the next), which gives the queue's order exactly.
  // Directories are entered once per call, known by device and inode, so a
  // tree whose links form a loop ends. Missing paths and anything that is
  // neither a regular file nor a directory (FIFOs, devices) are dropped
  // here, before any question is asked about them.
  // A generation is taken folder by folder, each folder's list freed once
  // its paths are sorted out.
  std::vector<std::vector<TQueuedPath>> generation(1);
  generation[0].reserve(paths.size());
  for (std::string &path : paths)
    generation[0].push_back({std::move(path)});
  TStringList files;
  std::vector<int64_t> sizes;
  std::set<std::pair<dev_t, ino_t>> entered;
  while (!generation.empty()) {
    TStringList directories;
    for (std::vector<TQueuedPath> &found : generation) {
      for (TQueuedPath &queued : found) {
        struct stat info {};
        if (!queued.Examined) {
          if (::stat(queued.Path.c_str(), &info) != 0)
            continue;
          queued.Take(info);
        }
        if (queued.Kind == pkFile) {
          files.push_back(std::move(queued.Path));
          sizes.push_back(queued.Size);
        } else if (queued.Kind == pkDirectory && entered.insert({queued.Device, queued.Inode}).second) {
          directories.push_back(std::move(queued.Path));
        }
      }
      std::vector<TQueuedPath>().swap(found);
    }
    generation = ScanAll(directories, recurse);
  }
  m_NameIndex->Prepare(m_Directory, 2 * files.size());

  // Clash pass. Replaced entries leave the directory together, once the
  // pass is over; skipped files leave the list.
  std::vector<bool> kept(files.size(), true);
  auto keptFiles = [&] {
    TStringList list;
    list.reserve(files.size());
    for (size_t j = 0; j < files.size(); ++j)
      if (kept[j])
        list.push_back(files[j]);
    return list;
  };
  TFileReplace answer = frSkip;
  std::string record;
  std::vector<TDirEntry> removed;
  try {
    for (size_t j = 0; j < files.size(); ++j) {
      std::string name = DerivedName(files[j], base, target);
      int32_t k = FindEntry(MakeEntryName(name));
      if (k < 0)
        continue;
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
        CompactDirectory();
        for (const TDirEntry &entry : removed)
          AppendDirectoryEntry(entry.Name, entry.Position, entry.Size);
        paths = keptFiles();
        return prCancelled;
      }
      if (action == Replace) {
        record += "D:" + EntryRecord(k);
        removed.push_back(m_Directory[static_cast<size_t>(k)]);
        RemoveEntryLater(k);
      } else {
        kept[j] = false;
      }
    }
  } catch (...) {
    // A handler that raises ends the add like a cancel: nothing stays removed.
    CompactDirectory();
    for (const TDirEntry &entry : removed)
      AppendDirectoryEntry(entry.Name, entry.Position, entry.Size);
    paths = keptFiles();
    throw;
  }
  CompactDirectory();

  // The files to copy, with the sizes found while expanding.
  size_t count = 0;
  m_ProgressTotal = 0;
  for (size_t j = 0; j < files.size(); ++j)
    if (kept[j]) {
      m_ProgressTotal += sizes[j];
      if (count != j)
        files[count] = std::move(files[j]);
      ++count;
    }
  files.resize(count);

  // Room for every file at once: a directory grown step by step holds its old
  // and its new copy at the peak.
  if (const size_t needed = m_Directory.size() + files.size(); m_Directory.capacity() < needed)
    m_Directory.reserve(std::max(needed, m_Directory.size() + m_Directory.size() / 2));

  // The record names the added entries newest first, then the replaced ones.
  // It is written even when something unexpected escapes the copy pass, so
  // that what was changed stays undoable and marks the archive modified.
  TStringList addedNames;
  addedNames.reserve(files.size());
  auto finishRecord = [&] {
    std::string text;
    for (auto name = addedNames.rbegin(); name != addedNames.rend(); ++name)
      text += "A:" + *name + ":";
    text += record;
    if (text.rfind("A:", 0) != 0)
      text = "A:" + text;
    if (text.size() > 2)
      AddUndoRecord(std::move(text));
  };
  ProgressStart();
  try {
    m_WorkingEnd = m_WorkingFile ? m_WorkingFile->SeekEnd() : -1;
    TSourceOpener opener(files);
    TDeferredData deferred;
    try {
      for (size_t i = 0; i < files.size(); ++i) {
        std::string name = ToEntrySlashes(DerivedName(files[i], base, target));
        TOpenedSource opened = opener.Take(i);
        // Data is written in the order it is listed: whatever does not join
        // the deferred data goes after it.
        const bool joins = deferred.Continues(opened);
        if (!joins && !WriteDeferredData(deferred, opener, files, addedNames))
          result = prWriteFailed;
        deferred.Joined = false;
        const bool appended =
            AppendOpenedFile(opened, m_WorkingFileName, files[i], name, false, joins ? &deferred : nullptr);
        if (deferred.Joined) {
          deferred.Files.push_back({i, opened, name});
          continue;
        }
        // Names are recorded in list order: those of the deferred files first.
        if (!WriteDeferredData(deferred, opener, files, addedNames))
          result = prWriteFailed;
        opener.Release(i);
        if (appended)
          addedNames.push_back(EscapeRecordName(name));
        else
          result = prWriteFailed;
      }
      if (!WriteDeferredData(deferred, opener, files, addedNames))
        result = prWriteFailed;
    } catch (...) {
      // Listed entries never refer to data that was not written.
      try {
        WriteDeferredData(deferred, opener, files, addedNames);
      } catch (...) {
        // What could not be written was taken back; the first error goes on.
      }
      throw;
    }
  } catch (...) {
    m_WorkingEnd = -1;
    paths = std::move(files);
    finishRecord();
    ProgressEnd();
    throw;
  }
  m_WorkingEnd = -1;
  paths = std::move(files);
  finishRecord();
  ProgressEnd();
  return Reported(result, m_FileName);
}

// A name already present appends nothing: the first file of a name wins. The
// file is refused when it is missing or no regular file, when its name would
// not fit the record's name field, when either file cannot be opened, when its
// data would carry target past PakFormat::MaxArchiveSize, or when the copy
// fails part-way; the entry and the bytes appended for it are then taken back.
bool TQuakePak::AppendFileData(const std::string &target, const std::string &source, std::string &entryName) {
  const TStringList one{source};
  TSourceOpener opener(one);
  return AppendOpenedFile(opener.Take(0), target, source, entryName);
}

bool TQuakePak::AppendOpenedFile(const TOpenedSource &opened, const std::string &target, const std::string &source,
                                 std::string &entryName, bool keepName, TDeferredData *deferred) {
  if (opened.Error == ENOENT || opened.Error == ENOTDIR) {
    m_Failures.push_back(source + ": no such file");
    return false;
  }
  TPakFile sourceFile;
  if (opened.Fd >= 0)
    sourceFile = TPakFile(opened.Fd, source);
  if (!keepName) {
    entryName = ApplyCaseAndSpaceRules(entryName);
    if (std::string refusal = NamePartRefusal(entryName); !refusal.empty()) {
      m_Failures.push_back(source + ": " + refusal);
      return false;
    }
    if (FindEntry(entryName) >= 0)
      return true;
  }
  // A longer name would be cut short by the save, and so silently become
  // another name, or lose its extension.
  if (entryName.size() > static_cast<size_t>(PakFormat::NameSize)) {
    m_Failures.push_back(source + ": name too long: an entry name holds at most 56 bytes");
    return false;
  }

  bool appended = false;
  int64_t oldLength = 0;
  TPakFile openedTarget;
  TPakFile *targetFile = nullptr;
  // No entry may refer to bytes that never arrived.
  auto takeBack = [&] {
    if (!appended)
      return;
    RemoveEntryLater(EntryCount() - 1);
    CompactDirectory();
    if (::ftruncate(targetFile->Descriptor(), static_cast<off_t>(oldLength)) != 0) {
      // The stray bytes stay at the end; nothing refers to them.
    }
    // The next file goes where this one began.
    try {
      targetFile->Seek(oldLength);
    } catch (const EInOutError &) {
      m_WorkingEnd = -1;
      return;
    }
    if (targetFile == m_WorkingFile.get() && m_WorkingEnd >= 0)
      m_WorkingEnd = oldLength;
  };
  try {
    if (opened.Error != 0 || opened.StatError != 0)
      throw EInOutError(source, opened.Error != 0 ? opened.Error : opened.StatError);
    const struct stat &info = opened.Info;
    if (!S_ISREG(info.st_mode))
      throw EInOutError(source, S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
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
    oldLength = toWorkingFile && m_WorkingEnd >= 0 ? m_WorkingEnd : targetFile->SeekEnd();
    int64_t size = info.st_size;
    // Positions and sizes are 32-bit signed: data that would not fit is refused
    // rather than recorded with a wrapped number.
    if (size > PakFormat::MaxArchiveSize - oldLength) {
      m_Failures.push_back(source + ": the archive would grow past 2 GB");
      return false;
    }
    auto position = static_cast<int32_t>(toWorkingFile ? -oldLength : oldLength);
    AppendDirectoryEntry(entryName, position, static_cast<int32_t>(size));
    appended = true;
    if (opened.Read) {
      if (opened.DataError != 0)
        throw opened.DataError < 0 ? EInOutError(source, "Read beyond end of file")
                                   : EInOutError(source, opened.DataError);
      if (deferred && toWorkingFile && m_WorkingEnd >= 0) {
        if (deferred->Files.empty()) {
          deferred->Data = opened.Data;
          deferred->Start = oldLength;
        }
        deferred->Length += size;
        deferred->Joined = true;
        m_WorkingEnd = oldLength + size;
        return true;
      }
      // Read ahead already: written from memory, counted block by block.
      for (int64_t done = 0; done < size; done += PakFormat::BlockSize) {
        const int64_t block = std::min<int64_t>(size - done, PakFormat::BlockSize);
        targetFile->Write(opened.Data + done, block);
        ProgressAdvance(block);
      }
    } else {
      CopyRange(sourceFile, 0, *targetFile, size);
    }
    if (toWorkingFile && m_WorkingEnd >= 0)
      m_WorkingEnd = oldLength + size;
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

bool TQuakePak::WriteDeferredData(TDeferredData &deferred, TSourceOpener &opener, const TStringList &sources,
                                  TStringList &addedNames) {
  if (deferred.Files.empty())
    return true;
  const TDeferredData run = std::exchange(deferred, TDeferredData());
  size_t released = 0;
  auto releaseRest = [&] {
    for (; released < run.Files.size(); ++released)
      opener.Release(run.Files[released].Index);
  };
  try {
    bool written = true;
    try {
      m_WorkingFile->Seek(run.Start);
      m_WorkingFile->Write(run.Data, run.Length);
    } catch (const EInOutError &) {
      written = false;
    }
    if (written) {
      for (const TDeferredData::TFile &file : run.Files)
        addedNames.push_back(EscapeRecordName(file.EntryName));
      releaseRest();
      AdvanceProgressInBlocks(run.Length);
      return true;
    }
    // Each file is added again on its own, as if never deferred; their
    // entries are the last ones listed.
    for (size_t j = 0; j < run.Files.size(); ++j)
      RemoveEntryLater(EntryCount() - 1 - static_cast<int32_t>(j));
    CompactDirectory();
    if (::ftruncate(m_WorkingFile->Descriptor(), static_cast<off_t>(run.Start)) != 0) {
      // Stray bytes past the end are overwritten or left unreferenced.
    }
    m_WorkingFile->Seek(run.Start);
    m_WorkingEnd = run.Start;
    bool allAdded = true;
    for (; released < run.Files.size(); ++released) {
      TDeferredData::TFile file = run.Files[released];
      if (AppendOpenedFile(file.Opened, m_WorkingFileName, sources[file.Index], file.EntryName, true))
        addedNames.push_back(EscapeRecordName(file.EntryName));
      else
        allAdded = false;
      opener.Release(file.Index);
    }
    return allAdded;
  } catch (...) {
    releaseRest();
    throw;
  }
}

std::string TQuakePak::AddedEntryName(const std::string &path, const std::string &baseDirectory,
                                      const std::string &targetDirectory) const {
  return MakeEntryName(DerivedName(path, AddBaseDirectory(baseDirectory), AddTargetDirectory(targetDirectory)));
}

TResultCode TQuakePak::ReplaceEntryData(int32_t index, const std::string &source) {
  m_Failures.clear();
  if (m_FileName.empty())
    return Reported(prNoArchive, {});
  if (!CanModify())
    return Reported(prProtected, m_FileName);
  if (index < 0 || index >= EntryCount())
    return Reported(prEmptyList, m_FileName);
  const TDirEntry old = m_Directory[static_cast<size_t>(index)];
  const std::string replaced = "D:" + EntryRecord(index);
  // The old entry leaves first: its name is the one the new data takes.
  RemoveEntryLater(index);
  CompactDirectory();
  auto putBack = [&] {
    m_Directory.insert(m_Directory.begin() + index, old);
    m_NameIndex->Invalidate();
  };
  std::string name = old.Name;
  bool appended = false;
  m_ProgressTotal = std::max<int64_t>(FileSizeOf(source), 0);
  ProgressStart();
  try {
    const TStringList one{source};
    TSourceOpener opener(one);
    appended = AppendOpenedFile(opener.Take(0), m_WorkingFileName, source, name, true);
  } catch (...) {
    ProgressEnd();
    putBack();
    throw;
  }
  ProgressEnd();
  if (!appended) {
    putBack();
    return Reported(prWriteFailed, source);
  }
  // Undone as an add that replaced an entry; its own kind names it "update".
  AddUndoRecord("U:" + EscapeRecordName(name) + ":" + replaced);
  return prDone;
}

void TQuakePak::ScanDirectory(const std::string &directory, TStringList &paths, bool recurse) {
  std::vector<TQueuedPath> found;
  ScanInto(directory, found, recurse);
  for (TQueuedPath &queued : found)
    paths.push_back(std::move(queued.Path));
}
