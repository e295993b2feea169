// SPDX-License-Identifier: GPL-3.0-or-later
// Copying extracted entries on a second thread.
#include "PakCopyWorker.h"

#include <chrono>
#include <fcntl.h>
#include <unistd.h>

namespace {
// Files created ahead of the copy at most.
constexpr size_t MaxQueued = 64;
// How often a waiting caller gets to report progress.
constexpr std::chrono::milliseconds ProgressInterval{50};
} // namespace

TCopyWorker::TCopyWorker() : m_Thread([this] { Run(); }) {}

TCopyWorker::~TCopyWorker() {
  {
    std::lock_guard<std::mutex> guard(m_Lock);
    m_Stop = true;
  }
  m_Changed.notify_all();
  m_Thread.join();
}

void TCopyWorker::Submit(TJob job) {
  std::unique_lock<std::mutex> guard(m_Lock);
  m_Changed.wait(guard, [&] { return m_Jobs.size() < MaxQueued; });
  m_Jobs.push_back(std::move(job));
  m_Changed.notify_all();
}

void TCopyWorker::Finish(const std::function<void(int64_t)> &progress) {
  std::unique_lock<std::mutex> guard(m_Lock);
  for (;;) {
    const bool done = m_Changed.wait_for(guard, ProgressInterval, [&] { return m_Jobs.empty() && m_Busy == 0; });
    guard.unlock();
    if (int64_t copied = TakeCopied(); copied > 0)
      progress(copied);
    if (done)
      return;
    guard.lock();
  }
}

void TCopyWorker::Run() {
  std::unique_lock<std::mutex> guard(m_Lock);
  for (;;) {
    m_Changed.wait(guard, [&] { return m_Stop || !m_Jobs.empty(); });
    if (m_Jobs.empty())
      return; // stopped, and nothing left
    TJob job = std::move(m_Jobs.front());
    m_Jobs.pop_front();
    ++m_Busy;
    m_Changed.notify_all();
    guard.unlock();

    bool keep = false;
    if (!m_Failed.load()) {
      TCopyOutcome outcome = CopyBetween(job.Source, job.Offset, job.Target, job.Size,
                                         [this](int64_t moved) { m_Copied.fetch_add(moved); });
      const int closed = ::close(job.Target) == 0 ? 0 : errno;
      if (outcome.Error == 0 && closed != 0 && closed != EINTR)
        outcome = {closed, false};
      keep = outcome.Error == 0;
      if (!keep) {
        m_FailedPath = outcome.AtSource ? job.SourcePath : job.TargetPath;
        m_FailedError = outcome.Error;
        m_Failed.store(true);
      }
    } else {
      ::close(job.Target);
    }
    // No half-written file stays, nor any file after a failure.
    if (!keep)
      ::unlinkat(job.Folder->Get(), job.Leaf.c_str(), 0);

    guard.lock();
    --m_Busy;
    m_Changed.notify_all();
  }
}
