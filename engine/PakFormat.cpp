// The PAK file format: recognition, reading the directory, bare headers and
// writing the directory at the end of a save.
#include "PakFile.h"
#include "PakInternal.h"
#include "PakQuake.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>

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

bool TQuakePak::IsPakFile(const std::string &path) {
  struct stat info {};
  if (path.empty() || ::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
    return false;
  TPakFile file(path, TPakFile::ReadOnly);
  char magic[4];
  if (file.Read(magic, 4) != 4)
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

bool TQuakePak::CreateBareArchive(const std::string &path) {
  try {
    TPakFile file(path, TPakFile::Create);
    unsigned char header[HeaderSize];
    std::memcpy(header, Magic, 4);
    WriteInt32(header + 4, -1);
    WriteInt32(header + 8, -1);
    file.Write(header, HeaderSize);
    file.Close();
    return true;
  } catch (const EInOutError &) {
    return false;
  }
}

uint8_t TQuakePak::ReadDirectory(const std::string &path, std::vector<TDirEntry> &list) {
  if (path.empty())
    return prNoPath;
  list.clear();
  if (path == UntitledName)
    return prDone;
  TPakFile file(path, TPakFile::ReadOnly);
  unsigned char header[HeaderSize];
  if (file.Read(header, HeaderSize) != HeaderSize)
    return prDone; // shorter than a header: no entries
  int32_t offset = ReadInt32(header + 4);
  int32_t length = ReadInt32(header + 8);
  if (offset <= 0 || length <= 0)
    return prDone;
  // Only the whole records that the file really holds are read, so a hostile
  // header can neither make us allocate nor read beyond the file.
  int64_t fileSize = file.Size();
  if (offset >= fileSize)
    return prDone;
  int64_t available = std::min<int64_t>(length, fileSize - offset);
  int64_t count = available / RecordSize;
  file.Seek(offset);
  list.reserve(static_cast<size_t>(count));
  unsigned char record[RecordSize];
  for (int64_t i = 0; i < count; ++i) {
    if (file.Read(record, RecordSize) != RecordSize)
      break; // the file shrank under us: keep the records read so far
    const char *name = reinterpret_cast<const char *>(record);
    AppendEntry(list, std::string(name, strnlen(name, NameSize)), ReadInt32(record + PositionOffset),
                ReadInt32(record + SizeOffset));
  }
  return prDone;
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
    WriteInt32(header + 4, static_cast<int32_t>(directoryOffset));
    WriteInt32(header + 8, static_cast<int32_t>(directoryLength));
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
    unsigned char record[RecordSize] = {};
    std::memcpy(record, entry.Name.data(), std::min<size_t>(entry.Name.size(), NameSize));
    WriteInt32(record + PositionOffset, entry.Position);
    WriteInt32(record + SizeOffset, entry.Size);
    batch.insert(batch.end(), record, record + RecordSize);
    if (batch.size() >= 1024 * RecordSize) {
      file.Write(batch.data(), static_cast<int64_t>(batch.size()));
      batch.clear();
    }
  }
  file.Write(batch.data(), static_cast<int64_t>(batch.size()));
  file.Close();
  return true;
}
