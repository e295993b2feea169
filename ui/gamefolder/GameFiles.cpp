// SPDX-License-Identifier: GPL-3.0-or-later
#include "GameFiles.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {
// A descriptor closed when it goes.
struct TFd {
  int Fd = -1;
  ~TFd() {
    if (Fd >= 0)
      ::close(Fd);
  }
};

void WriteAll(int fd, const char *data, size_t size, const std::string &path) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0 && errno == EINTR)
      continue;
    if (written <= 0)
      throw EInOutError(path, errno);
    data += written;
    size -= static_cast<size_t>(written);
  }
}
} // namespace

TGameFiles::~TGameFiles() = default;

std::string TGameFiles::DiskPath(const TGameFile &file) const {
  const TGameSource &source = m_View.Sources[static_cast<size_t>(file.Source)];
  return source.IsArchive ? source.Path : source.Path + file.Name;
}

TQuakePak &TGameFiles::ArchiveOf(const TGameFile &file) {
  std::unique_ptr<TQuakePak> &pak = m_Archives[file.Source];
  if (!pak) {
    auto opened = std::make_unique<TQuakePak>();
    try {
      opened->OpenPakToRead(DiskPath(file));
    } catch (const EInvalidPakFile &) {
      throw EInOutError(DiskPath(file), "no longer a PAK file");
    }
    pak = std::move(opened);
  }
  if (pak->EntryName(file.Index) != file.Name)
    throw EInOutError(DiskPath(file), "changed on disk since the game folder was read");
  return *pak;
}

int64_t TGameFiles::PositionOf(const TGameFile &file) {
  return file.Index < 0 ? 0 : ArchiveOf(file).EntryPosition(file.Index);
}

std::string TGameFiles::ReadPart(const TGameFile &file, int64_t offset, int64_t count) {
  if (file.Index >= 0)
    return ArchiveOf(file).ReadEntryPart(file.Index, offset, count);
  const std::string path = DiskPath(file);
  TFd source{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  if (source.Fd < 0)
    throw EInOutError(path, errno);
  std::string bytes;
  if (offset < 0 || count <= 0)
    return bytes;
  bytes.resize(static_cast<size_t>(std::min<int64_t>(count, PakFormat::BlockSize * int64_t{64})));
  size_t filled = 0;
  while (filled < static_cast<size_t>(count)) {
    if (filled == bytes.size())
      bytes.resize(std::min<size_t>(bytes.size() * 2, static_cast<size_t>(count)));
    const ssize_t got = ::pread(source.Fd, bytes.data() + filled, bytes.size() - filled,
                                static_cast<off_t>(offset + static_cast<int64_t>(filled)));
    if (got < 0 && errno == EINTR)
      continue;
    if (got < 0)
      throw EInOutError(path, errno);
    if (got == 0)
      break;
    filled += static_cast<size_t>(got);
  }
  bytes.resize(filled);
  return bytes;
}

void TGameFiles::CopyTo(const TGameFile &file, const std::string &target) {
  if (file.Index >= 0) {
    ArchiveOf(file).ExtractEntry(file.Index, target);
    return;
  }
  const std::string path = DiskPath(file);
  TFd source{::open(path.c_str(), O_RDONLY | O_CLOEXEC)};
  if (source.Fd < 0)
    throw EInOutError(path, errno);
  TFd copy{::open(target.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666)};
  if (copy.Fd < 0)
    throw EInOutError(target, errno);
  try {
    std::vector<char> block(PakFormat::BlockSize);
    for (;;) {
      const ssize_t got = ::read(source.Fd, block.data(), block.size());
      if (got < 0 && errno == EINTR)
        continue;
      if (got < 0)
        throw EInOutError(path, errno);
      if (got == 0)
        break;
      WriteAll(copy.Fd, block.data(), static_cast<size_t>(got), target);
    }
    if (::close(std::exchange(copy.Fd, -1)) != 0)
      throw EInOutError(target, errno);
  } catch (...) {
    ::unlink(target.c_str());
    throw;
  }
}
