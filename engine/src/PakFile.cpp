// SPDX-License-Identifier: GPL-3.0-or-later
#include "PakFile.h"

#include "PakQuake.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

EInOutError::EInOutError(const std::string &fileName, int errorCode)
    : std::runtime_error(fileName + ": " + std::strerror(errorCode)), m_FileName(fileName) {}

EInOutError::EInOutError(const std::string &fileName, const std::string &reason)
    : std::runtime_error(fileName + ": " + reason), m_FileName(fileName) {}

TPakFile::TPakFile(const std::string &path, TMode mode, int createMode) : m_Path(path) {
  int flags = O_CLOEXEC;
  switch (mode) {
  case ReadOnly:
    flags |= O_RDONLY;
    break;
  case ReadWrite:
    flags |= O_RDWR;
    break;
  case Create:
    // A link at the name is never written through.
    flags |= O_RDWR | O_CREAT | O_TRUNC | O_NOFOLLOW;
    break;
  }
  // A FIFO or device must never block the program: open without waiting and
  // refuse anything that is not a regular file.
  do {
    m_Fd = ::open(path.c_str(), flags | O_NONBLOCK, createMode);
  } while (m_Fd < 0 && errno == EINTR);
  if (m_Fd < 0)
    Fail(errno);
  struct stat info {};
  if (::fstat(m_Fd, &info) != 0)
    Fail(errno);
  if (!S_ISREG(info.st_mode)) {
    ::close(m_Fd);
    m_Fd = -1;
    throw EInOutError(path, S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
  }
  // O_NONBLOCK stays: it has no effect on a regular file.
}

TPakFile::~TPakFile() {
  if (m_Fd >= 0)
    ::close(m_Fd);
}

TPakFile::TPakFile(TPakFile &&other) noexcept : m_Fd(std::exchange(other.m_Fd, -1)), m_Path(std::move(other.m_Path)) {}

TPakFile &TPakFile::operator=(TPakFile &&other) noexcept {
  if (this != &other) {
    if (m_Fd >= 0)
      ::close(m_Fd);
    m_Fd = std::exchange(other.m_Fd, -1);
    m_Path = std::move(other.m_Path);
  }
  return *this;
}

void TPakFile::Fail(int errorCode) const { throw EInOutError(m_Path, errorCode); }

// Reads until count bytes or the end of the file, retrying interrupted reads.
template <class TReadSome> int64_t TPakFile::ReadLoop(void *buffer, int64_t count, TReadSome readSome) const {
  auto *bytes = static_cast<char *>(buffer);
  int64_t done = 0;
  while (done < count) {
    ssize_t got = readSome(bytes + done, static_cast<size_t>(count - done), done);
    if (got < 0) {
      if (errno == EINTR)
        continue;
      Fail(errno);
    }
    if (got == 0)
      break;
    done += got;
  }
  return done;
}

int64_t TPakFile::Read(void *buffer, int64_t count) {
  return ReadLoop(buffer, count, [this](char *at, size_t size, int64_t) { return ::read(m_Fd, at, size); });
}

int64_t TPakFile::ReadAt(void *buffer, int64_t count, int64_t offset) const {
  return ReadLoop(buffer, count, [this, offset](char *at, size_t size, int64_t done) {
    return ::pread(m_Fd, at, size, static_cast<off_t>(offset + done));
  });
}

void TPakFile::ReadExact(void *buffer, int64_t count) {
  if (Read(buffer, count) != count)
    throw EInOutError(m_Path, "Read beyond end of file");
}

void TPakFile::Write(const void *buffer, int64_t count) {
  const auto *bytes = static_cast<const char *>(buffer);
  int64_t done = 0;
  while (done < count) {
    ssize_t put = ::write(m_Fd, bytes + done, static_cast<size_t>(count - done));
    if (put < 0) {
      if (errno == EINTR)
        continue;
      Fail(errno);
    }
    if (put == 0)
      Fail(ENOSPC);
    done += put;
  }
}

void TPakFile::Seek(int64_t offset) {
  if (::lseek(m_Fd, static_cast<off_t>(offset), SEEK_SET) < 0)
    Fail(errno);
}

int64_t TPakFile::SeekEnd() {
  off_t end = ::lseek(m_Fd, 0, SEEK_END);
  if (end < 0)
    Fail(errno);
  return end;
}

int64_t TPakFile::Position() const {
  off_t here = ::lseek(m_Fd, 0, SEEK_CUR);
  if (here < 0)
    Fail(errno);
  return here;
}

int64_t TPakFile::Size() const {
  struct stat info {};
  if (::fstat(m_Fd, &info) != 0)
    Fail(errno);
  return info.st_size;
}

void TPakFile::Sync() {
  if (::fsync(m_Fd) != 0)
    Fail(errno);
}

void TPakFile::Close() {
  if (m_Fd < 0)
    return;
  int fd = std::exchange(m_Fd, -1);
  if (::close(fd) != 0 && errno != EINTR)
    Fail(errno);
}
