// Opening the files to add, ahead of the copy.
#include "PakSourceOpener.h"

#include "PakQuake.h"

#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>

namespace {
// O_NONBLOCK, so that a FIFO never hangs the program (regular files ignore it).
constexpr int SourceFlags = O_RDONLY | O_CLOEXEC | O_NONBLOCK;
// Below this many files a second thread costs more than it saves.
constexpr size_t ThreadedFrom = 64;
// Descriptors opened ahead of the copy at most.
constexpr size_t MaxAhead = 128;
} // namespace

TSourceOpener::TSourceOpener(const std::vector<std::string> &files) : m_Files(files), m_Opened(files.size()) {
  if (files.size() >= ThreadedFrom) {
    try {
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
    if (m_Opened[i].Fd >= 0)
      ::close(m_Opened[i].Fd);
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
  m_Opened[m_Next] = opened;
}

void TSourceOpener::Run() {
  std::unique_lock<std::mutex> guard(m_Lock);
  while (!m_Stop && m_Next < m_Files.size()) {
    if (m_Next >= m_Taken + MaxAhead) {
      m_Changed.wait(guard);
      continue;
    }
    guard.unlock();
    OpenNext(); // m_Next and its slot are this thread's until m_Next moves on
    guard.lock();
    ++m_Next;
    m_Changed.notify_all();
  }
}

TOpenedSource TSourceOpener::Take(size_t index) {
  if (!m_Threaded) {
    while (m_Next <= index) {
      OpenNext();
      ++m_Next;
    }
  } else {
    std::unique_lock<std::mutex> guard(m_Lock);
    m_Changed.wait(guard, [&] { return m_Next > index; });
  }
  TOpenedSource opened = m_Opened[index];
  std::lock_guard<std::mutex> guard(m_Lock);
  m_Taken = index + 1;
  m_Changed.notify_all();
  return opened;
}
