// SPDX-License-Identifier: GPL-3.0-or-later
// Copying extracted entries on a second thread; not part of the public interface.
#pragma once

#include "PakCopy.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

// Copies the data of entries into files the caller has created, one after
// another in the order given, on a second thread, while the caller goes on
// creating the next files: writing one file's data overlaps finding and
// creating the next. Events and progress stay with the caller, which takes
// the bytes copied so far whenever it likes. After a failing copy, its file
// and those of every later job are removed and nothing more is copied, so
// that what stays is exactly what a copy one file at a time would leave.
class TCopyWorker {
public:
  struct TJob {
    int Source = -1; // read at Offset, not taken over
    int64_t Offset = 0;
    int64_t Size = 0;
    int Target = -1; // taken over: closed by the worker
    std::shared_ptr<TDescriptor> Folder;
    std::string Leaf; // the target's name in Folder
    std::string SourcePath;
    std::string TargetPath;
  };

  TCopyWorker();
  // Waits for the jobs given, then stops the thread.
  ~TCopyWorker();
  TCopyWorker(const TCopyWorker &) = delete;
  TCopyWorker &operator=(const TCopyWorker &) = delete;

  // Queues a job, waiting while many wait already.
  void Submit(TJob job);
  // Bytes copied since the last call.
  int64_t TakeCopied() { return m_Copied.exchange(0); }
  bool Failed() const { return m_Failed.load(); }
  // Waits until every job is done, handing progress the bytes copied as they come.
  void Finish(const std::function<void(int64_t)> &progress);
  // After a failure: the file that failed and the system's error (-1: the source ended early).
  const std::string &FailedPath() const { return m_FailedPath; }
  int FailedError() const { return m_FailedError; }

private:
  void Run();

  std::deque<TJob> m_Jobs;
  bool m_Stop = false;
  size_t m_Busy = 0; // jobs taken but not done
  std::atomic<int64_t> m_Copied{0};
  std::atomic<bool> m_Failed{false};
  std::string m_FailedPath;
  int m_FailedError = 0;
  std::mutex m_Lock;
  std::condition_variable m_Changed;
  std::thread m_Thread;
};
