// SPDX-License-Identifier: GPL-3.0-or-later
// The PAK file format: recognition, reading the directory, bare headers and
// writing the directory at the end of a save; what the result codes mean.
#include "PakFile.h"
#include "PakInternal.h"
#include "PakQuake.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <memory>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

using namespace PakFormat;


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

void AdviseLargeMemory(void *start, size_t bytes, size_t used) {
  // Huge pages make the first touch of a large directory far cheaper than one
  // fault per 4 KiB page, and the part about to be filled is made ready in
  // one call, which costs less than a fault per page where the system has
  // no huge page to give. Only whole pages inside the block are advised.
  constexpr uintptr_t HugePage = 2u << 20;
  if (bytes < 2 * HugePage)
    return;
  const long pageSize = ::sysconf(_SC_PAGESIZE);
  auto first = (reinterpret_cast<uintptr_t>(start) + pageSize - 1) & ~static_cast<uintptr_t>(pageSize - 1);
  auto end = (reinterpret_cast<uintptr_t>(start) + bytes) & ~static_cast<uintptr_t>(pageSize - 1);
  if (end > first)
    ::madvise(reinterpret_cast<void *>(first), end - first, MADV_HUGEPAGE);
  const auto filled = (reinterpret_cast<uintptr_t>(start) + used) & ~static_cast<uintptr_t>(pageSize - 1);
  if (filled > first)
    ::madvise(reinterpret_cast<void *>(first), filled - first, MADV_POPULATE_WRITE);
}

namespace {
// Records per read: one read of 64 KiB.
constexpr int64_t RecordsPerRead = 1024;
} // namespace

TDirectoryReader::TDirectoryReader(const std::string &path, bool judge)
    : m_Owned(std::make_unique<TPakFile>(path, TPakFile::ReadOnly)), m_File(m_Owned.get()) {
  ReadHeader(judge);
}

TDirectoryReader::TDirectoryReader(TPakFile &file, bool judge) : m_File(&file) { ReadHeader(judge); }

TDirectoryReader::~TDirectoryReader() = default;

void TDirectoryReader::ReadHeader(bool judge) {
  m_Judge = judge;
  auto damage = [&](const std::string &message) {
    if (m_Judge)
      m_Damage.push_back({csError, -1, {}, message, ckDamage});
  };
  m_FileSize = m_File->Size();
  unsigned char header[HeaderSize];
  const int64_t got = m_File->ReadAt(header, HeaderSize, 0);
  m_Magic = got >= 4;
  for (int i = 0; m_Magic && i < 4; ++i) {
    char c = static_cast<char>(header[i]);
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
    m_Magic = c == Magic[i];
  }
  if (got != HeaderSize) {
    damage("The file is shorter than the 12 bytes of a PAK header.");
    return;
  }
  const int32_t offset = ReadInt32(header + DirectoryPositionOffset);
  const int32_t length = ReadInt32(header + DirectorySizeOffset);
  // No entries: an empty directory, or the bare header of a file being written.
  if (length == 0 || (offset == -1 && length == -1))
    return;
  if (offset <= 0 || length < 0 || offset >= m_FileSize) {
    damage("The directory lies outside the file (offset " + std::to_string(offset) + ", length " +
           std::to_string(length) + ", file size " + std::to_string(m_FileSize) + " bytes): no entries can be read.");
    return;
  }
  const int64_t claimed = length / RecordSize;
  m_Offset = offset;
  m_Count = std::min<int64_t>(length, m_FileSize - offset) / RecordSize;
  if (m_Count < claimed)
    damage("The header lists " + std::to_string(claimed) + " entries, but the file holds only " +
           std::to_string(m_Count) + " of their records.");
  m_Records = std::make_unique_for_overwrite<unsigned char[]>(
      static_cast<size_t>(std::min(m_Count, RecordsPerRead) * RecordSize));
  m_Views = std::make_unique<TRecordView[]>(static_cast<size_t>(std::min(m_Count, RecordsPerRead)));
}

void TDirectoryReader::Judge(int64_t index, TRecordView &record) {
  // Each record's damage is listed once, however often it is read.
  const bool listed = index < m_Read;
  auto damage = [&](const std::string &message) {
    if (!listed)
      m_Damage.push_back({csError, static_cast<int32_t>(index), std::string(record.Name), message, ckDamage});
  };
  const int32_t size = record.Size;
  const int32_t position = record.Position;
  if (size < 0) {
    damage("Its size is negative (" + std::to_string(size) + " bytes).");
  } else if (size > 0 && position <= 0) {
    // A position of zero or less would mean the working file: such an
    // entry is sent past the end of the archive, where reading it fails.
    damage("Its data lies outside the file (position " + std::to_string(position) + ").");
    record.Position = std::numeric_limits<int32_t>::max();
  } else if (size > 0 && int64_t{position} + size > m_FileSize) {
    damage(position >= m_FileSize ? "Its data lies wholly past the end of the file."
                                  : "Its data lies partly past the end of the file.");
  }
}

std::span<const TRecordView> TDirectoryReader::Next() {
  m_First = m_Next;
  m_InBuffer = 0;
  if (m_Ended || m_Next >= m_Count)
    return {};
  const int64_t want = std::min(m_Count - m_Next, RecordsPerRead);
  const int64_t got = m_File->ReadAt(m_Records.get(), want * RecordSize, m_Offset + m_Next * RecordSize) / RecordSize;
  // The file shrank under us: the records read so far are all there are.
  m_Ended = got < want;
  for (int64_t i = 0; i < got; ++i) {
    const unsigned char *record = m_Records.get() + i * RecordSize;
    const char *name = reinterpret_cast<const char *>(record);
    TRecordView &view = m_Views[static_cast<size_t>(i)];
    view.Name = {name, NameFieldLength(name)};
    view.Position = ReadInt32(record + PositionOffset);
    view.Size = ReadInt32(record + SizeOffset);
    // Most records are sound: the rules' own test runs only for the others.
    if (m_Judge &&
        (view.Size < 0 || (view.Size > 0 && (view.Position <= 0 || int64_t{view.Position} + view.Size > m_FileSize))))
      Judge(m_Next + i, view);
  }
  m_InBuffer = got;
  m_Next += got;
  m_Read = std::max(m_Read, m_Next);
  return {m_Views.get(), static_cast<size_t>(got)};
}

void TDirectoryReader::Rewind() {
  m_First = m_Next = m_InBuffer = 0;
  m_Ended = false;
}

TEntryName TDirectoryReader::NameAt(int64_t index) const {
  if (index >= m_First && index < m_First + m_InBuffer)
    return TEntryName(m_Views[static_cast<size_t>(index - m_First)].Name);
  TEntryName name;
  char field[NameSize];
  if (index >= 0 && index < m_Count && m_File->ReadAt(field, NameSize, m_Offset + index * RecordSize) == NameSize)
    name.AssignField(field);
  return name;
}

void ReadDirectoryOf(TPakFile &file, std::vector<TDirEntry> &list, TDirectoryReport *report, bool roomToGrow) {
  list.clear();
  TDirectoryReader reader(file, report != nullptr);
  const int64_t count = reader.Count();
  // Room to grow: capacity that is never touched costs no memory, and adding
  // to a large archive then copies no directory.
  if (count > 0) {
    list.reserve(static_cast<size_t>(roomToGrow ? count + count / 2 : count));
    AdviseLargeMemory(list.data(), list.capacity() * sizeof(TDirEntry), static_cast<size_t>(count) * sizeof(TDirEntry));
  }
  for (std::span<const TRecordView> records = reader.Next(); !records.empty(); records = reader.Next())
    for (const TRecordView &record : records) {
      // Built in place: no copy of a 68-byte entry per record.
      TDirEntry &entry = list.emplace_back();
      entry.Name.AssignField(record.Name.data(), record.Name.size());
      entry.Position = record.Position;
      entry.Size = record.Size;
    }
  if (report != nullptr) {
    report->FileSize = reader.FileSize();
    report->DirectoryOffset = reader.DirectoryOffset();
    report->DirectoryLength = reader.DirectoryLength();
    report->Damage = reader.TakeDamage();
  }
}

void FormatRecord(unsigned char *record, const TEntryName &name, int32_t position, int32_t size) {
#if defined(__SSE2__)
  // The name's whole field is copied 16 bytes at a time, each byte from its
  // length on cleared (what the field held past a name's end is not kept).
  static_assert(NameSize == 56);
  const __m128i length = _mm_set1_epi8(static_cast<char>(name.size()));
  const __m128i step = _mm_set1_epi8(16);
  __m128i index = _mm_setr_epi8(0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15);
  for (int part = 0; part < 3; ++part) {
    const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i *>(name.data() + 16 * part));
    _mm_storeu_si128(reinterpret_cast<__m128i *>(record + 16 * part),
                     _mm_and_si128(bytes, _mm_cmpgt_epi8(length, index)));
    index = _mm_add_epi8(index, step);
  }
  const __m128i last = _mm_loadl_epi64(reinterpret_cast<const __m128i *>(name.data() + 48));
  _mm_storel_epi64(reinterpret_cast<__m128i *>(record + 48), _mm_and_si128(last, _mm_cmpgt_epi8(length, index)));
#else
  std::memcpy(record, name.data(), name.size());
  std::memset(record + name.size(), 0, NameSize - name.size());
#endif
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
