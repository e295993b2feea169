// What varnel-cli writes: the requested data on standard output, every
// error and note on standard error, a progress line on a terminal; and how
// an interruption by a signal reaches the engine's callbacks.
#pragma once

#include "PakQuake.h"

#include <chrono>
#include <exception>
#include <string>
#include <string_view>

inline constexpr const char *ProgramName = "varnel-cli";

// Exit statuses.
inline constexpr int ExitDone = 0;
// The check found problems, or some entries or files could not be done (each reported).
inline constexpr int ExitProblems = 1;
// A usage error, or a failure that stopped the command.
inline constexpr int ExitFailed = 2;

// A failure that stops the command: reported as it stands, exit status 2.
class ECliFailure : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

// "varnel-cli: message" on standard error.
void ReportError(const std::string &message);
// Writes to standard output (buffered); failures show at FinishOutput.
void WriteOut(std::string_view text);
// Flushes standard output; raises ECliFailure naming it and the reason when writing failed.
void FinishOutput();

// A JSON string holding the bytes: every byte is one character, U+0000 to
// U+00FF (bytes from 0x80 on read as Latin-1), so a script gets the exact
// bytes back by encoding the text as Latin-1.
std::string JsonString(std::string_view bytes);

// --- interruption

// Raised at the next callback once SIGINT, SIGTERM or SIGHUP arrived; the
// engine unwinds (removing its unfinished files) and main ends the process
// by the same signal.
class EInterrupted : public std::exception {
public:
  explicit EInterrupted(int signal) : m_Signal(signal) {}
  int Signal() const { return m_Signal; }
  const char *what() const noexcept override { return "interrupted"; }

private:
  int m_Signal;
};

void InstallInterruptHandlers();
void ThrowIfInterrupted();

// --- progress

// Shows "varnel-cli: LABEL NN%" on standard error while the engine reports
// progress, when standard error is a terminal, -q was not given and the work
// has run for a second; interruption is noticed at every step either way.
// The callbacks are taken back when it goes.
class TProgressLine {
public:
  TProgressLine(TQuakePak &pak, const char *label, bool quiet);
  ~TProgressLine();
  TProgressLine(const TProgressLine &) = delete;
  TProgressLine &operator=(const TProgressLine &) = delete;

private:
  void Clear();

  TQuakePak &m_Pak;
  const char *m_Label;
  bool m_Enabled;
  bool m_Shown = false;
  std::chrono::steady_clock::time_point m_Start;
};
