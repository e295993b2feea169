// SPDX-License-Identifier: GPL-3.0-or-later
// Copying bytes between open files; not part of the public interface.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <unistd.h>
#include <utility>

// How a copy ended: Error 0 when every byte was copied, else the system's
// error code (or -1: the source ended early) and which file failed.
struct TCopyOutcome {
  int Error = 0;
  bool AtSource = false;
};

// Copies count bytes from source at offset to target's current position: by
// the kernel where it can (copy_file_range, which shares blocks where the
// file system can, or splice through a pipe of the thread's own where source
// and target sit at different places within a page or on different file
// systems), else through one buffer of PakFormat::BlockSize. Kernel steps
// start at one block and double up to 4 MiB (1 MiB through the pipe), so
// small copies and the start of long ones report every block. copied(n) is
// called after each step with the bytes it moved.
// Only bytes that were read are ever written.
TCopyOutcome CopyBetween(int source, int64_t offset, int target, int64_t count,
                         const std::function<void(int64_t)> &copied);

// Raises EInOutError for a failed copy: "Read beyond end of file" for a
// source that ended early, else the system's reason, naming source or target.
[[noreturn]] void RaiseCopyFailure(const TCopyOutcome &outcome, const std::string &source, const std::string &target);

// Copies ranges of files one after another to target's current position.
// A range of at least a block goes by CopyBetween. Shorter ones are gathered
// in a block buffer that is written when full, their bytes read a block at
// a time: ranges that lie close together in a source (the runs of data
// between deleted entries) then cost a read and a write per block rather
// than a kernel copy each. copied(n) is called as bytes reach the target.
class TGatheringCopy {
public:
  TGatheringCopy(int target, std::function<void(int64_t)> copied);
  // Copies count bytes of source from offset on, after the bytes given before.
  TCopyOutcome Copy(int source, int64_t offset, int64_t count);
  // Writes the bytes gathered; due before anything else writes to the target.
  TCopyOutcome Flush();

private:
  int m_Target;
  std::function<void(int64_t)> m_Copied;
  std::unique_ptr<char[]> m_Gathered;
  int64_t m_GatheredLength = 0;
  // The block last read, and where it lies.
  std::unique_ptr<char[]> m_Read;
  int m_ReadSource = -1;
  int64_t m_ReadStart = 0;
  int64_t m_ReadLength = 0;
};

// A descriptor closed when it goes out of scope.
class TDescriptor {
public:
  explicit TDescriptor(int fd = -1) : m_Fd(fd) {}
  ~TDescriptor() {
    if (m_Fd >= 0)
      ::close(m_Fd);
  }
  TDescriptor(const TDescriptor &) = delete;
  TDescriptor &operator=(const TDescriptor &) = delete;
  void Reset(int fd) {
    if (m_Fd >= 0)
      ::close(m_Fd);
    m_Fd = fd;
  }
  int Get() const { return m_Fd; }
  int Release() { return std::exchange(m_Fd, -1); }

private:
  int m_Fd;
};
