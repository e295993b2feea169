// SPDX-License-Identifier: GPL-3.0-or-later
// A binary file of the engine: a POSIX descriptor that is closed on every
// road, and whose failures raise EInOutError naming the file and the reason.
#pragma once

#include <cstdint>
#include <string>

class TPakFile {
public:
  enum TMode { ReadOnly, ReadWrite, Create };

  TPakFile() = default;
  // ReadOnly and ReadWrite open an existing file; Create creates or truncates
  // (mode 0666 before the umask, or createMode when given) and fails on a
  // symbolic link at path instead of following it.
  TPakFile(const std::string &path, TMode mode, int createMode = 0666);
  // Takes over an open descriptor (closed with this object); path names it in errors.
  TPakFile(int descriptor, const std::string &path) : m_Fd(descriptor), m_Path(path) {}
  ~TPakFile();
  TPakFile(const TPakFile &) = delete;
  TPakFile &operator=(const TPakFile &) = delete;
  TPakFile(TPakFile &&other) noexcept;
  TPakFile &operator=(TPakFile &&other) noexcept;

  bool IsOpen() const { return m_Fd >= 0; }
  const std::string &Path() const { return m_Path; }
  // The name errors give the file from now on (it was renamed).
  void SetPath(const std::string &path) { m_Path = path; }
  int Descriptor() const { return m_Fd; }

  // Reads up to count bytes, fewer only at the end of the file.
  int64_t Read(void *buffer, int64_t count);
  // Reads exactly count bytes or raises.
  void ReadExact(void *buffer, int64_t count);
  // Reads up to count bytes at offset (fewer only at the end of the file),
  // leaving the file position alone.
  int64_t ReadAt(void *buffer, int64_t count, int64_t offset) const;
  void Write(const void *buffer, int64_t count);
  void Seek(int64_t offset);
  int64_t SeekEnd();
  int64_t Position() const;
  int64_t Size() const;
  // Flushes the data to the disk.
  void Sync();
  // Closes and reports a failing close.
  void Close();

private:
  [[noreturn]] void Fail(int errorCode) const;
  template <class TReadSome> int64_t ReadLoop(void *buffer, int64_t count, TReadSome readSome) const;

  int m_Fd = -1;
  std::string m_Path;
};
