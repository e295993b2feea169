// Opening the files that AddFiles copies; not part of the public interface.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

// One file to add, opened and examined: a descriptor (or -1 and the error of
// the open), and its status taken through the descriptor (Error of fstat in
// StatError).
struct TOpenedSource {
  int Fd = -1;
  int Error = 0;
  int StatError = 0;
  struct stat Info {};
};

// Opens a list of files in order, each relative to its folder (kept open
// while its files come one after another). With many files the opening runs
// ahead on a second thread, so that the kernel's work of finding, opening
// and examining each file overlaps the copying of the ones before: the thread
// touches nothing but these files, and the caller takes them in list order.
class TSourceOpener {
public:
  explicit TSourceOpener(const std::vector<std::string> &files);
  // Stops the thread and closes every descriptor that was not taken.
  ~TSourceOpener();
  TSourceOpener(const TSourceOpener &) = delete;
  TSourceOpener &operator=(const TSourceOpener &) = delete;

  // File index (taken in order, each once); its descriptor is the caller's.
  TOpenedSource Take(size_t index);

private:
  void OpenNext();
  void Run();

  const std::vector<std::string> &m_Files;
  std::vector<TOpenedSource> m_Opened;
  size_t m_Next = 0;  // the next file to open
  size_t m_Taken = 0; // files handed to the caller
  std::string m_FolderPath;
  int m_Folder = -1;
  bool m_Threaded = false;
  bool m_Stop = false;
  std::mutex m_Lock;
  std::condition_variable m_Changed;
  std::thread m_Thread;
};
