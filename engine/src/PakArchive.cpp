// SPDX-License-Identifier: GPL-3.0-or-later
// The archive component: its state, opening and starting archives, the Quake
// and temporary directories, entry queries, protection, block copy and progress.
#include "PakCopy.h"
#include "PakFile.h"
#include "PakInternal.h"
#include "PakNameIndex.h"
#include "PakPrivateFolder.h"
#include "PakQuake.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <memory>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
// The temporary directory of the system, or the program's own folder.
std::string SystemTempDirectory() {
  std::error_code error;
  std::string path = fs::temp_directory_path(error).string();
  if (error || path.empty()) {
    path = fs::read_symlink("/proc/self/exe", error).string();
    path = error ? std::string() : PathDirectory(path);
  }
  return WithTrailingSlash(path);
}

// Finds a child of directory whose name matches title ignoring ASCII case.
std::string FindChildIgnoringCase(const std::string &directory, const std::string &title, bool wantDirectory) {
  std::string exact = directory + title;
  if (wantDirectory ? IsDirectory(exact) : IsRegularFile(exact))
    return exact;
  std::error_code error;
  for (fs::directory_iterator it(directory, error), end; !error && it != end; it.increment(error)) {
    std::string name = it->path().filename().string();
    std::string candidate = directory + name;
    if (SameTextAscii(name, title) && (wantDirectory ? IsDirectory(candidate) : IsRegularFile(candidate)))
      return candidate;
  }
  return {};
}
} // namespace

std::string ResolvedPath(const std::string &path) {
  std::error_code error;
  fs::path absolute = fs::absolute(path, error);
  if (error)
    return path;
  fs::path resolved = fs::weakly_canonical(absolute, error);
  return (error ? absolute.lexically_normal() : resolved).string();
}

bool IsRegularFile(const std::string &path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

bool IsDirectory(const std::string &path) {
  struct stat info {};
  return ::stat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool SameFile(const std::string &a, const std::string &b) {
  struct stat first {
  }, second{};
  return ::stat(a.c_str(), &first) == 0 && ::stat(b.c_str(), &second) == 0 && first.st_dev == second.st_dev &&
         first.st_ino == second.st_ino;
}

std::string FindStockFile(const std::string &quakeDirectory, const std::string &title) {
  if (quakeDirectory.empty())
    return {};
  std::string id1 = FindChildIgnoringCase(quakeDirectory, "ID1", true);
  return id1.empty() ? std::string() : FindChildIgnoringCase(id1 + "/", title, false);
}

void AppendEntry(std::vector<TDirEntry> &list, std::string_view name, int32_t position, int32_t size) {
  list.push_back(TDirEntry{name, position, size});
}

TQuakePak::TQuakePak() : m_TempDirectory(SystemTempDirectory()), m_NameIndex(std::make_unique<TNameIndex>()) {}

TQuakePak::~TQuakePak() {
  CloseArchiveFiles();
  // Each private folder empties itself through its own descriptor.
  m_WorkingFolder = nullptr;
  m_PrivateFolders.clear();
}

void TQuakePak::CloseArchiveFiles() {
  m_ArchiveFile.reset();
  m_WorkingFile.reset();
  m_ArchiveIdentity = {};
  m_ArchiveRealPath.clear();
  m_Damage.clear();
}

void TQuakePak::SetQuakeDirectory(const std::string &directory) {
  if (directory.empty()) {
    m_QuakeDirectory.clear();
    OpenPak({});
    return;
  }
  if (!IsQuakeDirectory(directory))
    throw EInvalidQuakeDir();
  m_QuakeDirectory = ToPathSlashes(WithTrailingSlash(directory));
  LoadPalette();
}

bool TQuakePak::IsQuakeDirectory(const std::string &directory) {
  if (directory.empty())
    return false;
  const std::string stock = FindStockFile(ToPathSlashes(WithTrailingSlash(directory)), "PAK0.PAK");
  try {
    return !stock.empty() && IsPakFile(stock);
  } catch (const EInOutError &) {
    return false; // an unreadable stock archive makes no Quake installation
  }
}

void TQuakePak::SetTempDirectory(const std::string &directory) {
  std::string path = ToPathSlashes(directory);
  if (path.empty() || !IsDirectory(path))
    return;
  m_TempDirectory = WithTrailingSlash(path);
}

TPrivateFolder &TQuakePak::CurrentPrivateFolder() {
  if (!m_PrivateFolders.empty()) {
    TPrivateFolder &current = *m_PrivateFolders.back();
    if (current.Parent() == m_TempDirectory && current.IsIntact())
      return current;
  }
  if (std::find(m_SweptDirectories.begin(), m_SweptDirectories.end(), m_TempDirectory) == m_SweptDirectories.end()) {
    m_SweptDirectories.push_back(m_TempDirectory);
    TPrivateFolder::RemoveAbandoned(m_TempDirectory);
  }
  m_PrivateFolders.push_back(std::make_unique<TPrivateFolder>(m_TempDirectory));
  return *m_PrivateFolders.back();
}

std::string TQuakePak::PrivateDirectory() { return CurrentPrivateFolder().Path(); }

TQuakePak::TFileIdentity TQuakePak::IdentityOf(const struct stat &info) {
  return {static_cast<uint64_t>(info.st_dev), static_cast<uint64_t>(info.st_ino), info.st_size, info.st_mtim.tv_sec,
          info.st_mtim.tv_nsec};
}

void TQuakePak::OpenPak(const std::string &fileName) { OpenPakWithRoom(fileName, true); }

void TQuakePak::OpenPakToRead(const std::string &fileName) { OpenPakWithRoom(fileName, false); }

void TQuakePak::OpenPakWithRoom(const std::string &fileName, bool roomToGrow) {
  if (fileName.empty()) {
    m_FileName.clear();
    m_WorkingFileName.clear();
    m_Directory.clear();
    DirectoryReplaced();
    CloseArchiveFiles();
    return;
  }
  std::string name = fileName;
  if (name.front() == '"' && name.back() == '"')
    name = name.size() >= 2 ? name.substr(1, name.size() - 2) : std::string();
  // The archive is opened once, here, and read through this descriptor only.
  std::unique_ptr<TPakFile> archive;
  if (name != UntitledName) {
    if (!IsRegularFile(name))
      throw EInvalidPakFile();
    archive = std::make_unique<TPakFile>(name, TPakFile::ReadOnly);
    if (!HasPakMagic(*archive))
      throw EInvalidPakFile();
  }
  // Made (and checked) now, so that a failure leaves the open archive as it was.
  CurrentPrivateFolder();
  DeleteWorkingFile();
  CloseArchiveFiles();
  m_FileName = name;
  StartWorkingFile();
  if (archive) {
    AdoptArchiveFile(std::move(archive), name);
    DirectoryReplaced();
    TDirectoryReport report;
    ReadDirectoryOf(*m_ArchiveFile, m_Directory, &report, roomToGrow);
    m_Damage = std::move(report.Damage);
  } else {
    m_Directory.clear();
    DirectoryReplaced();
  }
  m_Modified = false;
  m_JournalTruncated = false;
  m_Journal.clear();
}

void TQuakePak::NewPak() { OpenPak(UntitledName); }

TStringList TQuakePak::Damage() const {
  TStringList lines;
  lines.reserve(m_Damage.size());
  for (const TCheckFinding &finding : m_Damage)
    lines.push_back(FindingText(finding));
  return lines;
}

void TQuakePak::StartWorkingFile() {
  TPrivateFolder &folder = CurrentPrivateFolder();
  m_WorkingFile.reset();
  m_WorkingFileName = folder.Path() + WorkingFileTitle;
  m_WorkingFolder = &folder;
  // Made afresh through the folder's descriptor, so a link at its name is never followed.
  ::unlinkat(folder.Descriptor(), WorkingFileTitle, 0);
  int working =
      ::openat(folder.Descriptor(), WorkingFileTitle, O_RDWR | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
  if (working < 0)
    return; // adding fails later, with the reason
  m_WorkingFile = std::make_unique<TPakFile>(working, m_WorkingFileName);
  unsigned char header[PakFormat::HeaderSize];
  FormatBareHeader(header);
  try {
    m_WorkingFile->Write(header, PakFormat::HeaderSize);
  } catch (const EInOutError &) {
    m_WorkingFile.reset();
  }
}

void TQuakePak::DeleteWorkingFile() {
  // By name inside the folder that holds it: never through a path that a
  // link may have taken over. An open descriptor keeps the data readable.
  if (!m_WorkingFileName.empty() && m_WorkingFolder != nullptr)
    ::unlinkat(m_WorkingFolder->Descriptor(), WorkingFileTitle, 0);
}

void TQuakePak::AdoptArchiveFile(std::unique_ptr<TPakFile> file, const std::string &path) {
  struct stat info {};
  if (::fstat(file->Descriptor(), &info) == 0)
    m_ArchiveIdentity = IdentityOf(info);
  m_ArchiveRealPath = ResolvedPath(path);
  m_ArchiveFile = std::move(file);
}

bool TQuakePak::ArchiveChangedOnDisk() const {
  if (!m_ArchiveFile)
    return false;
  struct stat info {};
  return ::stat(m_ArchiveRealPath.c_str(), &info) != 0 || !(IdentityOf(info) == m_ArchiveIdentity);
}

bool TQuakePak::IsArchiveFile(const std::string &path) const {
  if (!m_ArchiveFile)
    return false;
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && static_cast<uint64_t>(info.st_dev) == m_ArchiveIdentity.Device &&
      static_cast<uint64_t>(info.st_ino) == m_ArchiveIdentity.Inode)
    return true;
  return ResolvedPath(path) == m_ArchiveRealPath;
}

TResultCode TQuakePak::Reported(TResultCode code, const std::string &file) {
  if (code != prDone && code != prCancelled && m_Failures.empty())
    m_Failures.push_back(file.empty() ? std::string(ResultText(code)) : file + ": " + ResultText(code));
  return code;
}

bool TQuakePak::IsUntitled() const { return m_FileName == UntitledName; }

int32_t TQuakePak::EntryCount() const { return static_cast<int32_t>(m_Directory.size()); }

std::string TQuakePak::EntryName(int32_t index) const {
  return index >= 0 && index < EntryCount() ? m_Directory[static_cast<size_t>(index)].Name.Str() : std::string();
}

int32_t TQuakePak::EntryPosition(int32_t index) const {
  return index >= 0 && index < EntryCount() ? m_Directory[static_cast<size_t>(index)].Position : -1;
}

int32_t TQuakePak::EntrySize(int32_t index) const {
  return index >= 0 && index < EntryCount() ? m_Directory[static_cast<size_t>(index)].Size : -1;
}

int32_t TQuakePak::FindEntry(const std::string &name) const { return m_NameIndex->Find(m_Directory, name); }

void TQuakePak::AppendDirectoryEntry(std::string_view name, int32_t position, int32_t size) {
  CompactDirectory();
  AppendEntry(m_Directory, name, position, size);
  m_NameIndex->Insert(m_Directory, EntryCount() - 1);
}

void TQuakePak::RenameDirectoryEntry(int32_t index, const std::string &name) {
  m_NameIndex->Erase(m_Directory, index);
  m_Directory[static_cast<size_t>(index)].Name = name;
  m_NameIndex->Insert(m_Directory, index);
}

void TQuakePak::RemoveEntryLater(int32_t index) {
  // Until the directory is compacted, only the table knows the entry is gone.
  m_NameIndex->Ensure(m_Directory);
  m_NameIndex->Erase(m_Directory, index);
  m_PendingRemovals.push_back(index);
}

void TQuakePak::CompactDirectory() {
  if (m_PendingRemovals.empty())
    return;
  // One bit per entry marks the ones taken out; the new index of every entry
  // is made only for a name table that must follow.
  std::vector<uint64_t> removed((m_Directory.size() + 63) / 64);
  size_t first = m_Directory.size();
  for (const int32_t index : m_PendingRemovals) {
    const auto at = static_cast<size_t>(index);
    removed[at / 64] |= uint64_t{1} << (at % 64);
    first = std::min(first, at);
  }
  std::vector<int32_t> newIndex;
  if (m_NameIndex->Valid()) {
    newIndex.resize(m_Directory.size());
    for (size_t i = 0; i < first; ++i)
      newIndex[i] = static_cast<int32_t>(i);
  }
  size_t kept = first;
  for (size_t i = first; i < m_Directory.size(); ++i) {
    const bool gone = (removed[i / 64] >> (i % 64) & 1) != 0;
    if (!newIndex.empty())
      newIndex[i] = gone ? -1 : static_cast<int32_t>(kept);
    if (gone)
      continue;
    if (kept != i)
      m_Directory[kept] = std::move(m_Directory[i]);
    ++kept;
  }
  m_Directory.resize(kept);
  m_PendingRemovals.clear();
  if (!newIndex.empty())
    m_NameIndex->Renumber(newIndex);
}

void TQuakePak::DirectoryReplaced() {
  m_PendingRemovals.clear();
  m_NameIndex->Invalidate();
}

bool TQuakePak::IsStockArchive(const std::string &path) const {
  if (m_QuakeDirectory.empty() || path.empty() || path == UntitledName)
    return false;
  for (const char *title : {"PAK0.PAK", "PAK1.PAK"}) {
    std::string stock = FindStockFile(m_QuakeDirectory, title);
    if (!stock.empty() && SameFile(path, stock))
      return true;
    // A path that does not exist yet (a save target) is compared by its spelling.
    if (SameTextAscii(ResolvedPath(path), ResolvedPath(m_QuakeDirectory + "ID1/" + title)))
      return true;
  }
  return false;
}

bool TQuakePak::CanModify() const {
  if (m_QuakeDirectory.empty())
    return false;
  if (!m_ProtectID1Pak)
    return true;
  return !IsStockArchive(m_FileName);
}

uint8_t TQuakePak::UndoKind() const {
  if (!CanUndo())
    return 0;
  switch (m_Journal.front().empty() ? '\0' : m_Journal.front().front()) {
  case 'A':
    return 1;
  case 'D':
    return 2;
  case 'R':
    return 3;
  case 'M':
    return 4;
  case 'U':
    return 5;
  default:
    return 0;
  }
}

void TQuakePak::CopyBytes(TPakFile &source, TPakFile &target, int64_t count) {
  if (count <= 0)
    return;
  int64_t from = source.Position();
  // A source too short is refused before a byte is written.
  if (source.Size() - from < count)
    throw EInOutError(source.Path(), "Read beyond end of file");
  CopyRange(source, from, target, count);
  source.Seek(from + count);
}

void TQuakePak::CopyRange(const TPakFile &source, int64_t offset, TPakFile &target, int64_t count) {
  TCopyOutcome outcome = CopyBetween(source.Descriptor(), offset, target.Descriptor(), count,
                                     [this](int64_t moved) { AdvanceProgressInBlocks(moved); });
  if (outcome.Error != 0)
    RaiseCopyFailure(outcome, source.Path(), target.Path());
}

TPakFile &TQuakePak::DataFileOf(const TDirEntry &entry) {
  const std::unique_ptr<TPakFile> &file = entry.Position > 0 ? m_ArchiveFile : m_WorkingFile;
  if (!file)
    throw EInOutError(entry.Position > 0 ? m_FileName : m_WorkingFileName, ENOENT);
  return *file;
}

std::string TQuakePak::ReadEntryPart(int32_t index, int64_t offset, int64_t count) {
  if (index < 0 || index >= EntryCount() || offset < 0 || count <= 0)
    return {};
  const TDirEntry &entry = m_Directory[static_cast<size_t>(index)];
  CheckArchiveUnchanged();
  const TPakFile &file = DataFileOf(entry);
  const int64_t start = entry.Position > 0 ? int64_t{entry.Position} : -int64_t{entry.Position};
  // The claimed size, cut at the end of the file: nothing is allocated for bytes that are not there.
  const int64_t available = std::clamp<int64_t>(file.Size() - start, 0, std::max(entry.Size, 0));
  if (offset >= available)
    return {};
  std::string bytes(static_cast<size_t>(std::min(count, available - offset)), '\0');
  bytes.resize(static_cast<size_t>(file.ReadAt(bytes.data(), static_cast<int64_t>(bytes.size()), start + offset)));
  return bytes;
}

void TQuakePak::CheckArchiveUnchanged() const {
  // Held open, the file survives being replaced or removed; only a change
  // written into it would hand out other bytes than those listed.
  struct stat info {};
  if (m_ArchiveFile && ::fstat(m_ArchiveFile->Descriptor(), &info) == 0 && !(IdentityOf(info) == m_ArchiveIdentity))
    throw EInOutError(m_FileName, "changed by another program since it was opened; its entries can no "
                                  "longer be read as they were");
}

void TQuakePak::CopyEntryData(const TDirEntry &entry, TPakFile &target) {
  // In 64 bits: the negation of the lowest 32-bit value does not fit in 32.
  int64_t offset = entry.Position > 0 ? int64_t{entry.Position} : -int64_t{entry.Position};
  CopyRange(DataFileOf(entry), offset, target, entry.Size);
}

void TQuakePak::ProgressStart() {
  m_ProgressDone = 0;
  m_ProgressActive = true;
  if (OnStartCallback)
    OnStartCallback(*this);
}

void TQuakePak::ProgressStep() {
  if (m_ProgressTotal <= 0)
    return;
  // nearbyint rounds a half to the even neighbour.
  double percent = std::nearbyint(static_cast<double>(m_ProgressDone) / static_cast<double>(m_ProgressTotal) * 100.0);
  auto value = static_cast<uint8_t>(static_cast<int64_t>(percent) & 0xFF);
  if (value == m_LastPercent)
    return;
  m_LastPercent = value;
  if (OnCallback)
    OnCallback(*this, value);
}

void TQuakePak::ProgressEnd() {
  m_ProgressActive = false;
  if (OnEndCallback)
    OnEndCallback(*this);
}

void TQuakePak::ProgressAdvance(int64_t n) {
  if (!m_ProgressActive)
    return;
  m_ProgressDone += n;
  ProgressStep();
}

void TQuakePak::AdvanceProgressInBlocks(int64_t n) {
  // Progress is counted in blocks whatever the size of the step.
  for (int64_t counted = 0; m_ProgressActive && counted < n; counted += PakFormat::BlockSize)
    ProgressAdvance(std::min<int64_t>(n - counted, PakFormat::BlockSize));
}
