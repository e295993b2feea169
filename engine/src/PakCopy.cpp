// Copying bytes between open files, by the kernel where it can.
#include "PakCopy.h"

#include "PakQuake.h"

#include <algorithm>
#include <cerrno>
#include <memory>

namespace {
// The largest kernel copy step, in blocks: 4 MiB.
constexpr int64_t KernelCopySteps = 64;

// copy_file_range answers these when it cannot copy between the two files
// (another file system, a kernel without it): the copy goes through memory.
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
} // namespace

TCopyOutcome CopyBetween(int source, int64_t offset, int target, int64_t count,
                         const std::function<void(int64_t)> &copied) {
  bool byKernel = true;
  int64_t step = PakFormat::BlockSize;
  std::unique_ptr<char[]> buffer;
  while (count > 0) {
    int64_t moved = 0;
    if (byKernel) {
      loff_t from = offset;
      ssize_t done = ::copy_file_range(source, &from, target, nullptr, static_cast<size_t>(std::min(count, step)), 0);
      if (done < 0) {
        if (errno == EINTR)
          continue;
        if (!KernelCannotCopy(errno))
          return {errno, false};
        byKernel = false;
        continue;
      }
      moved = done;
      step = std::min(step * 2, KernelCopySteps * PakFormat::BlockSize);
    } else {
      if (!buffer)
        buffer = std::make_unique_for_overwrite<char[]>(PakFormat::BlockSize);
      ssize_t got = ::pread(source, buffer.get(), static_cast<size_t>(std::min<int64_t>(count, PakFormat::BlockSize)),
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
