// SPDX-License-Identifier: GPL-3.0-or-later
// Opening and reading the files that AddFiles copies; not part of the public interface.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <sys/stat.h>
#include <thread>
#include <vector>

// One file to add, opened and examined: a descriptor (or -1 and the error of
// the open), and its status taken through the descriptor (Error of fstat in
// StatError). A small regular file may come read already: Read is set, Data
// holds its Info.st_size bytes (valid until the file is released) unless
// DataError says why not (-1: the file ended early), and Fd is closed (-1).
struct TOpenedSource {
  int Fd = -1;
  int Error = 0;
  int StatError = 0;
  struct stat Info {};
  bool Read = false;
  const char *Data = nullptr;
  int DataError = 0;
};

// Read-ahead data of files taken one after another that lies back to back
// in one buffer: their entries are listed already, and the data goes into
// the working file with one write instead of one per file; their names join
// the added names once it is written.
struct TDeferredData {
  struct TFile {
    size_t Index = 0;      // in the opener's list
    TOpenedSource Opened;  // its Data stays valid until the file is released
    std::string EntryName; // as listed
  };
  const char *Data = nullptr;
  int64_t Length = 0;
  int64_t Start = 0; // where the data goes in the working file
  std::vector<TFile> Files;
  bool Joined = false; // set when a file's data joins

  // Whether a file read ahead can join: its data follows on in memory.
  bool Continues(const TOpenedSource &opened) const {
    return opened.Read && opened.DataError == 0 && (Files.empty() || opened.Data == Data + Length);
  }
};

// Opens a list of files in order, each relative to its folder (kept open
// while its files come one after another). With many files the work runs
// ahead on a second thread, so that the kernel's work of finding, opening,
// examining and reading each file overlaps the writing of the ones before:
// the thread touches nothing but these files and its own buffers, and the
// caller takes the files in list order. Small files are read whole into a
// few fixed buffers (memory bounded whatever the files' sizes); larger ones
// are handed over open, to be copied by the kernel.
class TSourceOpener {
public:
  explicit TSourceOpener(const std::vector<std::string> &files);
  // Stops the thread and closes every descriptor that was not taken.
  ~TSourceOpener();
  TSourceOpener(const TSourceOpener &) = delete;
  TSourceOpener &operator=(const TSourceOpener &) = delete;

  // File index (taken in order, each once); its descriptor is the caller's.
  TOpenedSource Take(size_t index);
  // The caller is done with file index (and its Data).
  void Release(size_t index);

private:
  void OpenNext();
  void ReadSmall(TOpenedSource &opened, std::unique_lock<std::mutex> &guard);
  void Run();
  // Waits (the lock held by guard) until ready(), letting a waiting caller go on.
  void WaitForCaller(std::unique_lock<std::mutex> &guard, const std::function<bool()> &ready);
  // Wakes the opening thread if what it waits for has come (the lock held).
  void WakeOpener();

  // The slot of file index: files are opened at most MaxAhead ahead of the
  // caller, so the slots are used round.
  TOpenedSource &Slot(size_t index) { return m_Opened[index % m_Opened.size()]; }

  const std::vector<std::string> &m_Files;
  std::vector<TOpenedSource> m_Opened;
  std::vector<int> m_BufferOf; // the buffer holding a file's data, or -1
  size_t m_Next = 0;           // the next file to open
  size_t m_Taken = 0;          // files handed to the caller
  std::string m_FolderPath;
  int m_Folder = -1;
  // Buffers used round, each with the files in it not yet released.
  std::vector<std::unique_ptr<char[]>> m_Buffers;
  std::vector<size_t> m_BufferUsed;
  std::vector<size_t> m_BufferPending;
  size_t m_Current = 0;
  bool m_Threaded = false;
  bool m_Stop = false;
  bool m_CallerWaits = false;
  size_t m_CallerWaitsFor = 0; // the caller wakes once this file is open
  // While the opening thread waits for the caller: what it waits for.
  std::function<bool()> m_OpenerReady;
  std::mutex m_Lock;
  std::condition_variable m_Changed;
  std::thread m_Thread;
};
