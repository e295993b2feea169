// SPDX-License-Identifier: GPL-3.0-or-later
// The PAK file format: recognition, reading the directory, bare headers and
// writing the directory at the end of a save; what the result codes mean.
#include "PakFile.h"
#include "PakInternal.h"
#include "PakQuake.h"

#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace PakFormat;

int32_t ReadInt32(const unsigned char *bytes) {
  uint32_t value = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                   static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
  return static_cast<int32_t>(value);
}

void WriteInt32(unsigned char *bytes, int32_t value) {
  auto bits = static_cast<uint32_t>(value);
  for (int i = 0; i < 4; ++i)
    bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
}

void FormatBareHeader(unsigned char *header) {
  std::memcpy(header, Magic, sizeof Magic);
  WriteInt32(header + DirectoryPositionOffset, -1);
  WriteInt32(header + DirectorySizeOffset, -1);
}

const char *ResultText(uint8_t code) {
  switch (code) {
  case prDone:
    return "Done.";
  case prEmptyList:
    return "There was nothing to work on.";
  case prNoPath:
    return "No folder was given.";
  case prBadSize:
    return "The data does not have the size it must have.";
  case prProtected:
    return "The archive is protected and may not be changed.";
  case prNoArchive:
    return "No archive is open.";
  case prNoFile:
    return "The file does not exist.";
  case prFileTooShort:
    return "The file ends too early.";
  case prWriteFailed:
    return "A file could not be read or written.";
  case prCancelled:
    return "The operation was cancelled.";
  case prNothingToUndo:
    return "There is nothing to undo.";
  default:
    return "The operation ended with an unknown result.";
  }
}

bool HasPakMagic(TPakFile &file) {
  char magic[4];
  if (file.ReadAt(magic, 4, 0) != 4)
    return false;
  for (int i = 0; i < 4; ++i) {
    char c = magic[i];
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
    if (c != Magic[i])
      return false;
  }
  return true;
}

bool TQuakePak::IsPakFile(const std::string &path) {
  struct stat info {};
  if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
    return false;
  TPakFile file(path, TPakFile::ReadOnly);
  return HasPakMagic(file);
}

bool TQuakePak::CreateBareArchive(const std::string &path) {
  try {
    TPakFile file(path, TPakFile::Create);
    unsigned char header[HeaderSize];
    FormatBareHeader(header);
    file.Write(header, HeaderSize);
    file.Close();
    return true;
  } catch (const EInOutError &) {
    return false;
  }
}

TResultCode TQuakePak::ReadDirectory(const std::string &path, std::vector<TDirEntry> &list) {
  if (path.empty())
    return prNoPath;
  list.clear();
  if (path == UntitledName)
    return prDone;
  TPakFile file(path, TPakFile::ReadOnly);
  ReadDirectoryOf(file, list, nullptr);
  return prDone;
}

void AdviseLargeMemory(void *start, size_t bytes) {
  // Huge pages make the first touch of a large directory far cheaper than one
  // fault per 4 KiB page. Only whole pages inside the block are advised.
  constexpr uintptr_t HugePage = 2u << 20;
  if (bytes < 2 * HugePage)
    return;
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  auto first = (reinterpret_cast<uintptr_t>(start) + pageSize - 1) & ~static_cast<uintptr_t>(pageSize - 1);
  auto end = (reinterpret_cast<uintptr_t>(start) + bytes) & ~static_cast<uintptr_t>(pageSize - 1);
  if (end > first)
    ::madvise(reinterpret_cast<void *>(first), end - first, MADV_HUGEPAGE);
}

void ReadDirectoryOf(TPakFile &file, std::vector<TDirEntry> &list, TDirectoryReport *report, bool roomToGrow) {
  list.clear();
  auto damage = [&](int64_t index, std::string_view entry, const std::string &message) {
    if (report != nullptr)
      report->Damage.push_back({csError, static_cast<int32_t>(index), std::string(entry), message, ckDamage});
  };
  const int64_t fileSize = file.Size();
  if (report != nullptr)
    report->FileSize = fileSize;
  unsigned char header[HeaderSize];
  if (file.ReadAt(header, HeaderSize, 0) != HeaderSize) {
    damage(-1, {}, "The file is shorter than the 12 bytes of a PAK header.");
    return;
  }
  int32_t offset = ReadInt32(header + DirectoryPositionOffset);
  int32_t length = ReadInt32(header + DirectorySizeOffset);
  // No entries: an empty directory, or the bare header of a file being written.
  if (length == 0 || (offset == -1 && length == -1))
    return;
  if (offset <= 0 || length < 0 || offset >= fileSize) {
    damage(-1, {},
           "The directory lies outside the file (offset " + std::to_string(offset) + ", length " +
               std::to_string(length) + ", file size " + std::to_string(fileSize) + " bytes): no entries can be read.");
    return;
  }
  // Only the whole records that the file really holds are read, so a hostile
  // header can neither make us allocate nor read beyond the file.
  const int64_t claimed = length / RecordSize;
  const int64_t count = std::min<int64_t>(length, fileSize - offset) / RecordSize;
  if (count < claimed)
    damage(-1, {},
           "The header lists " + std::to_string(claimed) + " entries, but the file holds only " +
               std::to_string(count) + " of their records.");
  // Room to grow: capacity that is never touched costs no memory, and adding
  // to a large archive then copies no directory.
  list.reserve(static_cast<size_t>(roomToGrow ? count + count / 2 : count));
  AdviseLargeMemory(list.data(), list.capacity() * sizeof(TDirEntry));
  constexpr int64_t RecordsPerRead = 1024;
  auto records = std::make_unique_for_overwrite<unsigned char[]>(static_cast<size_t>(RecordsPerRead * RecordSize));
  for (int64_t first = 0; first < count; first += RecordsPerRead) {
    int64_t want = std::min(count - first, RecordsPerRead);
    int64_t got = file.ReadAt(records.get(), want * RecordSize, offset + first * RecordSize) / RecordSize;
    for (int64_t i = 0; i < got; ++i) {
      const unsigned char *record = records.get() + i * RecordSize;
      const char *name = reinterpret_cast<const char *>(record);
      int32_t position = ReadInt32(record + PositionOffset);
      int32_t size = ReadInt32(record + SizeOffset);
      // Built in place: no copy of a 68-byte entry per record.
      TDirEntry &entry = list.emplace_back();
      entry.Name.AssignField(name);
      if (report != nullptr) {
        const std::string_view entryName = entry.Name.View();
        const int64_t index = first + i;
        if (size < 0) {
          damage(index, entryName, "Its size is negative (" + std::to_string(size) + " bytes).");
        } else if (size > 0 && position <= 0) {
          // A position of zero or less would mean the working file: such an
          // entry is sent past the end of the archive, where reading it fails.
          damage(index, entryName, "Its data lies outside the file (position " + std::to_string(position) + ").");
          position = std::numeric_limits<int32_t>::max();
        } else if (size > 0 && int64_t{position} + size > fileSize) {
          damage(index, entryName,
                 position >= fileSize ? "Its data lies wholly past the end of the file."
                                      : "Its data lies partly past the end of the file.");
        }
      }
      entry.Position = position;
      entry.Size = size;
    }
    if (report != nullptr)
      report->DirectoryLength += got * RecordSize;
    if (got < want)
      break; // the file shrank under us: keep the records read so far
  }
  if (report != nullptr)
    report->DirectoryOffset = offset;
}

void FormatRecord(unsigned char *record, std::string_view name, int32_t position, int32_t size) {
  const size_t length = std::min<size_t>(name.size(), NameSize);
  std::memcpy(record, name.data(), length);
  std::memset(record + length, 0, NameSize - length);
  WriteInt32(record + PositionOffset, position);
  WriteInt32(record + SizeOffset, size);
}

bool TQuakePak::WriteDirectory(const std::string &path) {
  TPakFile file;
  int64_t directoryOffset = 0;
  try {
    file = TPakFile(path, TPakFile::ReadWrite);
    unsigned char header[HeaderSize];
    file.ReadExact(header, HeaderSize);
    directoryOffset = file.Size();
    int64_t directoryLength = static_cast<int64_t>(m_Directory.size()) * RecordSize;
    if (directoryOffset + directoryLength > MaxArchiveSize)
      return false;
    WriteInt32(header + DirectoryPositionOffset, static_cast<int32_t>(directoryOffset));
    WriteInt32(header + DirectorySizeOffset, static_cast<int32_t>(directoryLength));
    file.Seek(0);
    file.Write(header, HeaderSize);
  } catch (const EInOutError &) {
    return false; // nothing of the directory written yet: report through the result
  }
  file.Seek(directoryOffset);
  // Records go out in batches so that a large directory costs few writes.
  std::vector<unsigned char> batch;
  batch.reserve(static_cast<size_t>(std::min<size_t>(m_Directory.size(), 1024)) * RecordSize);
  for (const TDirEntry &entry : m_Directory) {
    batch.resize(batch.size() + RecordSize);
    FormatRecord(batch.data() + batch.size() - RecordSize, entry.Name, entry.Position, entry.Size);
    if (batch.size() >= 1024 * RecordSize) {
      file.Write(batch.data(), static_cast<int64_t>(batch.size()));
      batch.clear();
    }
  }
  file.Write(batch.data(), static_cast<int64_t>(batch.size()));
  file.Close();
  return true;
}
