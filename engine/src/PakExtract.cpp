// SPDX-License-Identifier: GPL-3.0-or-later
// Extracting entries to disk, flat or keeping their directories. Extraction
// only reads the archive file and the working file; it never changes the
// archive, so protected archives extract like any other.
#include "PakCopyWorker.h"
#include "PakFile.h"
#include "PakInternal.h"
#include "PakNameIndex.h"
#include "PakQuake.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <memory>
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
constexpr int FolderFlags = O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC;
// From this many names on, the data is copied on a second thread.
constexpr size_t ThreadedFrom = 64;

using TFolder = std::shared_ptr<TDescriptor>;

// Opens the folders below an extraction's destination one component at a
// time, never following a link, and keeps the last one open: entries of one
// folder usually come together.
class TFolderWalker {
public:
  explicit TFolderWalker(const std::string &folder) : m_Folder(folder) {}

  // The open folder that is to hold the last component of relative, made as
  // needed; empty with refusal set when a link or a file stands on the way.
  // Raises EInOutError when a folder cannot be made or opened.
  TFolder ParentOf(const std::string &relative, std::string &refusal) {
    if (!m_Root) {
      // The destination itself is the user's choice and may be reached
      // through a link; below it, nothing is followed.
      ForceDirectories(m_Folder);
      int root = ::open(m_Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
      if (root < 0)
        throw EInOutError(m_Folder, errno);
      m_Root = std::make_shared<TDescriptor>(root);
    }
    auto lastSlash = relative.rfind('/');
    if (lastSlash == std::string::npos)
      return m_Root;
    const std::string directory = relative.substr(0, lastSlash);
    if (m_Last && directory == m_LastDirectory)
      return m_Last;

    m_Last.reset();
    TDescriptor walked;
    int at = m_Root->Get();
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
        return nullptr;
      }
      walked.Reset(next);
      at = next;
    }
    m_Last = std::make_shared<TDescriptor>(walked.Release());
    m_LastDirectory = directory;
    return m_Last;
  }

private:
  std::string m_Folder;
  TFolder m_Root;
  TFolder m_Last;
  std::string m_LastDirectory;
};
} // namespace

TResultCode TQuakePak::ExtractEntries(const TStringList &names, const std::string &destination, bool keepPaths) {
  m_Failures.clear();
  if (m_FileName.empty())
    return Reported(prNoArchive, {});
  if (names.empty())
    return Reported(prEmptyList, m_FileName);
  if (destination.empty())
    return Reported(prNoPath, m_FileName);
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
  std::unique_ptr<TCopyWorker> worker;
  if (names.size() >= ThreadedFrom)
    worker = std::make_unique<TCopyWorker>();
  auto progress = [this](int64_t bytes) { ProgressAdvance(bytes); };
  // Whatever raises, a handler included, ends the extraction here: the copy
  // thread finishes the files it was given and stops, progress ends.
  try {
    ProgressStart();
    for (const std::string &name : names) {
      if (worker && worker->Failed())
        break;
      int32_t k = FindEntry(name);
      if (k < 0)
        continue;
      std::string relative = ExtractionPath(name, keepPaths);
      if (relative.empty())
        continue;
      std::string refusal;
      TFolder parent = folders.ParentOf(relative, refusal);
      if (!parent) {
        m_Failures.push_back(name + ": not extracted: " + refusal);
        continue;
      }
      const auto lastSlash = relative.rfind('/');
      const std::string leaf = lastSlash == std::string::npos ? relative : relative.substr(lastSlash + 1);
      const std::string targetPath = folder + relative;
      const TDirEntry &entry = m_Directory[static_cast<size_t>(k)];
      const TPakFile &source = DataFileOf(entry); // raises before anything is created
      int created = CreateEntryFile(parent->Get(), leaf, targetPath, k);
      if (created < 0)
        continue;
      if (!worker) {
        TPakFile target(created, targetPath);
        try {
          CopyEntryData(entry, target);
          target.Close();
        } catch (...) {
          // No half-written file is left; the descriptor closes on the way out.
          ::unlinkat(parent->Get(), leaf.c_str(), 0);
          throw;
        }
        continue;
      }
      worker->Submit({source.Descriptor(), entry.Position > 0 ? int64_t{entry.Position} : -int64_t{entry.Position},
                      std::max<int64_t>(entry.Size, 0), created, parent, leaf, source.Path(), targetPath});
      progress(worker->TakeCopied());
    }
    if (worker) {
      worker->Finish(progress);
      if (worker->Failed()) {
        if (worker->FailedError() == -1)
          throw EInOutError(worker->FailedPath(), "Read beyond end of file");
        throw EInOutError(worker->FailedPath(), worker->FailedError());
      }
    }
  } catch (...) {
    // The files created so far are completed (or, after a failing copy,
    // removed) before the failure goes on.
    if (worker)
      worker->Finish([](int64_t) {});
    ProgressEnd();
    throw;
  }
  ProgressEnd();
  return m_Failures.empty() ? prDone : prWriteFailed;
}

// Creates the file of one entry in the open folder parent, anew (O_EXCL |
// O_NOFOLLOW), after the replace question when something stands at its name.
// The new file's descriptor, or -1 when the entry is passed over (declined,
// or refused with the reason in Failures()).
int TQuakePak::CreateEntryFile(int parent, const std::string &leaf, const std::string &targetPath, int32_t index) {
  constexpr int CreateFlags = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
  int created = ::openat(parent, leaf.c_str(), CreateFlags, 0666);
  if (created < 0 && errno == EEXIST) {
    const TEntryName &entryName = m_Directory[static_cast<size_t>(index)].Name;
    bool replace = true;
    if (OnExtractFileExists)
      OnExtractFileExists(*this, targetPath, replace);
    if (!replace)
      return -1;
    struct stat info {};
    if (::fstatat(parent, leaf.c_str(), &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(info.st_mode)) {
      m_Failures.push_back(entryName.Str() + ": not extracted: " + targetPath + " is a folder");
      return -1;
    }
    // A link standing there is removed, never written through.
    if (::unlinkat(parent, leaf.c_str(), 0) != 0 && errno != ENOENT)
      throw EInOutError(targetPath, errno);
    created = ::openat(parent, leaf.c_str(), CreateFlags, 0666);
    if (created < 0 && errno == EEXIST) {
      m_Failures.push_back(entryName.Str() + ": not extracted: something else took the place of " + targetPath +
                           " while it was extracted");
      return -1;
    }
  }
  if (created < 0)
    throw EInOutError(targetPath, errno);
  return created;
}

// The data comes from the archive file (position > 0) or the working file.
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
