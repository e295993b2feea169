// SPDX-License-Identifier: GPL-3.0-or-later
// Copying bytes between open files, by the kernel where it can.
#include "PakCopy.h"

#include "PakQuake.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <pthread.h>

namespace {
// The largest kernel copy step, in blocks: 4 MiB.
constexpr int64_t KernelCopySteps = 64;

constexpr int64_t PageSize = 4096;
// copy_file_range between page cache files moves data through a pipe of 16
// pages inside the kernel. Where source and target sit at different places
// within a page, as the data of an archive does (it starts 12 bytes after
// the header), each such batch ends inside a target page, which is then
// cleared and written twice: about a tenth more work on large copies. A pipe
// of our own, 256 pages long, brings that down to one page per MiB.
constexpr int64_t SplicePipeSize = 1 << 20;
// Below this a copy fits in one batch of the kernel's own pipe.
constexpr int64_t SpliceFrom = 16 * PageSize;

// The calling thread's pipe for splice, made when first needed and kept
// for the thread's later copies.
class TSplicePipe {
public:
  bool Usable() {
    if (!m_Tried) {
      m_Tried = true;
      // A child made by fork must not share its parent's pipe: bytes of
      // both would pass through it.
      static const bool forkHandled = ::pthread_atfork(nullptr, nullptr, DiscardInChild) == 0;
      (void)forkHandled;
      int ends[2];
      if (::pipe2(ends, O_CLOEXEC) == 0) {
        m_Read.Reset(ends[0]);
        m_Write.Reset(ends[1]);
        // Past the user's limit on pipe space the pipe keeps 16 pages and
        // still copies, only in smaller batches.
        (void)::fcntl(m_Write.Get(), F_SETPIPE_SZ, static_cast<int>(SplicePipeSize));
      }
    }
    return m_Read.Get() >= 0;
  }
  // A pipe that may still hold bytes after a failure: the next copy makes a fresh one.
  void Discard() {
    m_Read.Reset(-1);
    m_Write.Reset(-1);
    m_Tried = false;
  }
  int ReadEnd() const { return m_Read.Get(); }
  int WriteEnd() const { return m_Write.Get(); }

private:
  static void DiscardInChild();

  bool m_Tried = false;
  TDescriptor m_Read;
  TDescriptor m_Write;
};

thread_local TSplicePipe SplicePipe;

// The forking thread is the child's only one: its pipe is the one inherited.
void TSplicePipe::DiscardInChild() { SplicePipe.Discard(); }

// copy_file_range and splice answer these when they cannot copy between the
// two files (another file system, a kernel or file without them): the copy
// then goes another way.
bool KernelCannotCopy(int error) {
  return error == EXDEV || error == EINVAL || error == ENOSYS || error == EOPNOTSUPP || error == EBADF ||
         error == ETXTBSY;
}

// Writes all of count bytes, or answers the error.
int WriteAll(int target, const char *bytes, int64_t count) {
  while (count > 0) {
    ssize_t put = ::write(target, bytes, static_cast<size_t>(count));
    if (put < 0 && errno == EINTR)
      continue;
    if (put <= 0)
      return put < 0 ? errno : ENOSPC;
    bytes += put;
    count -= put;
  }
  return 0;
}

// Whether source data at offset lands at another place within a page at
// target's position.
bool PlacedDifferently(int64_t offset, int target) {
  off_t at = ::lseek(target, 0, SEEK_CUR);
  return at >= 0 && (offset - at) % PageSize != 0;
}

// Moves the bytes the pipe holds into target through buffer, for a target
// that does not take them by splice.
int DrainThroughBuffer(int target, char *buffer, int64_t left) {
  while (left > 0) {
    ssize_t got = ::read(SplicePipe.ReadEnd(), buffer, static_cast<size_t>(std::min<int64_t>(left, PakFormat::BlockSize)));
    if (got < 0 && errno == EINTR)
      continue;
    if (got <= 0)
      return got < 0 ? errno : EIO;
    if (int error = WriteAll(target, buffer, got); error != 0)
      return error;
    left -= got;
  }
  return 0;
}
} // namespace

TCopyOutcome CopyBetween(int source, int64_t offset, int target, int64_t count,
                         const std::function<void(int64_t)> &copied) {
  // Each way is tried in turn until one works: copy_file_range, which may
  // share blocks, first unless the pipe does better; splice also copies
  // between file systems, where copy_file_range refuses.
  enum class TWay { Splice, KernelCopy, Buffer };
  const bool spliceFirst = count >= SpliceFrom && PlacedDifferently(offset, target);
  const std::array<TWay, 3> ways = spliceFirst ? std::array{TWay::Splice, TWay::KernelCopy, TWay::Buffer}
                                               : std::array{TWay::KernelCopy, TWay::Splice, TWay::Buffer};
  size_t wayIndex = 0;
  auto nextWay = [&] {
    do
      ++wayIndex;
    while (ways[wayIndex] == TWay::Splice && !SplicePipe.Usable());
  };
  if (ways[0] == TWay::Splice && !SplicePipe.Usable())
    nextWay();
  int64_t step = PakFormat::BlockSize;
  std::unique_ptr<char[]> buffer;
  auto bufferSpace = [&buffer] {
    if (!buffer)
      buffer = std::make_unique_for_overwrite<char[]>(PakFormat::BlockSize);
    return buffer.get();
  };
  while (count > 0) {
    int64_t moved = 0;
    const TWay way = ways[wayIndex];
    if (way == TWay::Splice) {
      loff_t from = offset;
      ssize_t got = ::splice(source, &from, SplicePipe.WriteEnd(), nullptr,
                             static_cast<size_t>(std::min({count, step, SplicePipeSize})), SPLICE_F_MOVE);
      if (got < 0) {
        if (errno == EINTR)
          continue;
        if (!KernelCannotCopy(errno))
          return {errno, true};
        nextWay();
        continue;
      }
      for (int64_t left = got; left > 0;) {
        ssize_t put = ::splice(SplicePipe.ReadEnd(), nullptr, target, nullptr, static_cast<size_t>(left), SPLICE_F_MOVE);
        if (put < 0 && errno == EINTR)
          continue;
        if (put < 0 && KernelCannotCopy(errno)) {
          nextWay();
          put = left;
          if (int error = DrainThroughBuffer(target, bufferSpace(), left); error != 0) {
            SplicePipe.Discard();
            return {error, false};
          }
        } else if (put <= 0) {
          SplicePipe.Discard();
          return {put < 0 ? errno : ENOSPC, false};
        }
        left -= put;
      }
      moved = got;
      step = std::min(step * 2, SplicePipeSize);
    } else if (way == TWay::KernelCopy) {
      loff_t from = offset;
      ssize_t done = ::copy_file_range(source, &from, target, nullptr, static_cast<size_t>(std::min(count, step)), 0);
      if (done < 0) {
        if (errno == EINTR)
          continue;
        if (!KernelCannotCopy(errno))
          return {errno, false};
        nextWay();
        continue;
      }
      moved = done;
      step = std::min(step * 2, KernelCopySteps * PakFormat::BlockSize);
    } else {
      ssize_t got = ::pread(source, bufferSpace(), static_cast<size_t>(std::min<int64_t>(count, PakFormat::BlockSize)),
                            static_cast<off_t>(offset));
      if (got < 0) {
        if (errno == EINTR)
          continue;
        return {errno, true};
      }
      if (int error = WriteAll(target, buffer.get(), got); error != 0)
        return {error, false};
      moved = got;
    }
    // A source that ends early fails the copy.
    if (moved == 0)
      return {-1, true};
    copied(moved);
    offset += moved;
    count -= moved;
  }
  return {};
}

void RaiseCopyFailure(const TCopyOutcome &outcome, const std::string &source, const std::string &target) {
  if (outcome.Error == -1)
    throw EInOutError(source, "Read beyond end of file");
  throw EInOutError(outcome.AtSource ? source : target, outcome.Error);
}

TGatheringCopy::TGatheringCopy(int target, std::function<void(int64_t)> copied)
    : m_Target(target), m_Copied(std::move(copied)) {}

TCopyOutcome TGatheringCopy::Copy(int source, int64_t offset, int64_t count) {
  if (count >= PakFormat::BlockSize) {
    if (TCopyOutcome flushed = Flush(); flushed.Error != 0)
      return flushed;
    return CopyBetween(source, offset, m_Target, count, m_Copied);
  }
  if (!m_Gathered) {
    m_Gathered = std::make_unique_for_overwrite<char[]>(PakFormat::BlockSize);
    m_Read = std::make_unique_for_overwrite<char[]>(PakFormat::BlockSize);
  }
  while (count > 0) {
    if (source != m_ReadSource || offset < m_ReadStart || offset >= m_ReadStart + m_ReadLength) {
      ssize_t got = ::pread(source, m_Read.get(), PakFormat::BlockSize, static_cast<off_t>(offset));
      if (got < 0 && errno == EINTR)
        continue;
      // A failed read leaves no block that could be taken for another.
      m_ReadSource = got > 0 ? source : -1;
      if (got < 0)
        return {errno, true};
      if (got == 0)
        return {-1, true}; // the source ended early
      m_ReadStart = offset;
      m_ReadLength = got;
    }
    const int64_t take =
        std::min({count, m_ReadStart + m_ReadLength - offset, int64_t{PakFormat::BlockSize} - m_GatheredLength});
    std::memcpy(m_Gathered.get() + m_GatheredLength, m_Read.get() + (offset - m_ReadStart), static_cast<size_t>(take));
    m_GatheredLength += take;
    offset += take;
    count -= take;
    if (m_GatheredLength == PakFormat::BlockSize)
      if (TCopyOutcome flushed = Flush(); flushed.Error != 0)
        return flushed;
  }
  return {};
}

TCopyOutcome TGatheringCopy::Flush() {
  if (m_GatheredLength == 0)
    return {};
  if (int error = WriteAll(m_Target, m_Gathered.get(), m_GatheredLength); error != 0)
    return {error, false};
  m_Copied(std::exchange(m_GatheredLength, 0));
  return {};
}
