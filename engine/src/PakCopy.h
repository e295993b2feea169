// SPDX-License-Identifier: GPL-3.0-or-later
// Copying bytes between open files; not part of the public interface.
#pragma once

#include <cstdint>
#include <functional>
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
