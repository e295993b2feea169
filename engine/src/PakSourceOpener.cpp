// SPDX-License-Identifier: GPL-3.0-or-later
// Opening the files to add, ahead of the copy.
#include "PakSourceOpener.h"

#include "PakQuake.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace {
// O_NONBLOCK, so that a FIFO never hangs the program (regular files ignore it).
constexpr int SourceFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;
// Below this many files a second thread costs more than it saves.
constexpr size_t ThreadedFrom = 64;
// Files opened ahead of the copy at most.
constexpr size_t MaxAhead = 128;
// Each side that waits for the other is woken once this many files can be
// taken (or opened) again, not after every file: a hand-off per file would
// cost two thread switches per file.
constexpr size_t HandOff = 16;
// Files up to this size are read ahead whole; larger ones the kernel copies.
constexpr int64_t SmallFile = 256 * 1024;
// The read-ahead buffers: their number and size bound the memory used. A
// buffer holds at least one small file whole; four of them keep the
// reading well ahead of the writing.
constexpr size_t BufferCount = 4;
constexpr size_t BufferSize = SmallFile;
} // namespace

TSourceOpener::TSourceOpener(const std::vector<std::string> &files)
    : m_Files(files), m_Opened(std::min(files.size(), MaxAhead)), m_BufferOf(files.size(), -1) {
  if (files.size() >= ThreadedFrom) {
    try {
      for (size_t i = 0; i < BufferCount; ++i)
        m_Buffers.push_back(std::make_unique_for_overwrite<char[]>(BufferSize));
      m_BufferUsed.assign(BufferCount, 0);
      m_BufferPending.assign(BufferCount, 0);
      m_Thread = std::thread([this] { Run(); });
      m_Threaded = true;
    } catch (const std::system_error &) {
      // No thread to be had: the files are opened as they are taken.
    }
  }
}

TSourceOpener::~TSourceOpener() {
  if (m_Threaded) {
    {
      std::lock_guard<std::mutex> guard(m_Lock);
      m_Stop = true;
    }
    m_Changed.notify_all();
    m_Thread.join();
  }
  for (size_t i = m_Taken; i < m_Next; ++i)
    if (Slot(i).Fd >= 0)
      ::close(Slot(i).Fd);
  if (m_Folder >= 0)
    ::close(m_Folder);
}

void TSourceOpener::OpenNext() {
  const std::string &file = m_Files[m_Next];
  std::string directory = PathDirectory(file);
  if (m_Folder < 0 || directory != m_FolderPath) {
    if (m_Folder >= 0)
      ::close(m_Folder);
    m_FolderPath = directory;
    m_Folder = ::open(directory.empty() ? "." : directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  }
  TOpenedSource opened;
  opened.Fd = m_Folder >= 0 ? ::openat(m_Folder, file.c_str() + directory.size(), SourceFlags)
                            : ::open(file.c_str(), SourceFlags);
  if (opened.Fd < 0)
    opened.Error = errno;
  else if (::fstat(opened.Fd, &opened.Info) != 0)
    opened.StatError = errno;
  Slot(m_Next) = opened;
}

void TSourceOpener::ReadSmall(TOpenedSource &opened, std::unique_lock<std::mutex> &guard) {
  const auto size = static_cast<size_t>(opened.Info.st_size);
  // A file goes whole into one buffer: the next one round once this one is
  // full, as soon as the caller has released the files in it.
  if (m_BufferUsed[m_Current] + size > BufferSize) {
    m_Current = (m_Current + 1) % BufferCount;
    WaitForCaller(guard, [&] { return m_BufferPending[m_Current] == 0; });
    if (m_Stop)
      return;
    m_BufferUsed[m_Current] = 0;
  }
  char *data = m_Buffers[m_Current].get() + m_BufferUsed[m_Current];
  m_BufferUsed[m_Current] += size;
  ++m_BufferPending[m_Current];
  m_BufferOf[m_Next] = static_cast<int>(m_Current);
  guard.unlock();
  size_t done = 0;
  while (done < size) {
    ssize_t got = ::read(opened.Fd, data + done, size - done);
    if (got < 0 && errno == EINTR)
      continue;
    if (got <= 0) {
      opened.DataError = got < 0 ? errno : -1;
      break;
    }
    done += static_cast<size_t>(got);
  }
  ::close(opened.Fd);
  opened.Fd = -1;
  opened.Read = true;
  opened.Data = data;
  guard.lock();
}

void TSourceOpener::Run() {
  std::unique_lock<std::mutex> guard(m_Lock);
  while (!m_Stop && m_Next < m_Files.size()) {
    if (m_Next >= m_Taken + MaxAhead) {
      WaitForCaller(guard, [&] { return m_Next + HandOff <= m_Taken + MaxAhead; });
      continue;
    }
    guard.unlock();
    OpenNext(); // m_Next and its slot are this thread's until m_Next moves on
    guard.lock();
    TOpenedSource &opened = Slot(m_Next);
    if (opened.Fd >= 0 && opened.StatError == 0 && S_ISREG(opened.Info.st_mode) && opened.Info.st_size <= SmallFile)
      ReadSmall(opened, guard); // leaves the file open when stopped on the way
    ++m_Next;
    if (m_CallerWaits && (m_Next > m_CallerWaitsFor || m_Next == m_Files.size()))
      m_Changed.notify_all();
  }
  // Stopped, or every file opened: a caller still waiting takes what there is.
  if (m_CallerWaits)
    m_Changed.notify_all();
}

void TSourceOpener::WaitForCaller(std::unique_lock<std::mutex> &guard, const std::function<bool()> &ready) {
  // The caller may be waiting for more files than are open: it must not wait
  // for this thread while this thread waits for it.
  m_OpenerReady = ready;
  if (m_CallerWaits)
    m_Changed.notify_all();
  m_Changed.wait(guard, [&] { return m_Stop || ready(); });
  m_OpenerReady = nullptr;
}

void TSourceOpener::WakeOpener() {
  if (m_OpenerReady && m_OpenerReady())
    m_Changed.notify_all();
}

void TSourceOpener::Release(size_t index) {
  if (m_BufferOf[index] < 0)
    return;
  std::lock_guard<std::mutex> guard(m_Lock);
  --m_BufferPending[static_cast<size_t>(m_BufferOf[index])];
  m_BufferOf[index] = -1;
  WakeOpener();
}

TOpenedSource TSourceOpener::Take(size_t index) {
  if (!m_Threaded) {
    while (m_Next <= index) {
      OpenNext();
      ++m_Next;
    }
    m_Taken = index + 1;
    return Slot(index);
  }
  std::unique_lock<std::mutex> guard(m_Lock);
  if (m_Next <= index) {
    // Behind the opener: wait until a batch is open, or the opener waits itself.
    m_CallerWaits = true;
    m_CallerWaitsFor = index + HandOff;
    m_Changed.wait(guard, [&] {
      return m_Next > index && (m_Next > m_CallerWaitsFor || m_Next == m_Files.size() || m_OpenerReady || m_Stop);
    });
    m_CallerWaits = false;
  }
  m_Taken = index + 1;
  WakeOpener();
  return Slot(index);
}
