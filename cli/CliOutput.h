// SPDX-License-Identifier: GPL-3.0-or-later
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

// "varnel-cli: message" on standard error; on a terminal as TerminalText.
void ReportError(const std::string &message);
// Writes to standard output (buffered); failures show at FinishOutput.
void WriteOut(std::string_view text);
// Writes one line of data, such as an entry's name, and its newline: on a
// terminal as TerminalText, else byte for byte.
void WriteOutLine(std::string_view line);
// Appends line and its newline to buffer as WriteOutLine writes them, for
// output gathered in one buffer.
void AppendOutLine(std::string &buffer, std::string_view line);
// Whether AppendOutLine takes lines byte for byte (standard output is no
// terminal), so that a caller writing many may copy them itself.
bool OutLinesAreBytes();
// Flushes standard output; raises ECliFailure naming it and the reason when writing failed.
void FinishOutput();

// A count as people read it: thousands set apart by commas ("1,204").
std::string GroupedNumber(uint64_t count);

// Bytes as a terminal may show them. Names are byte strings chosen by
// whoever made the archive, and control bytes in them would act on the
// terminal (move the cursor, erase a warning) rather than show. These show as
// escapes: C0 controls and DEL, C1 controls (U+0080 to U+009F), and every
// byte from 0x80 on that is not part of valid UTF-8, or every such byte at
// all when utf8 is false (the terminal's character set is not UTF-8, where
// they may be C1 controls themselves). Tab, newline and carriage return show
// as "\t", "\n" and "\r", the others as "\xHH" (lower-case hex), one per
// byte. A backslash shows doubled only where it would otherwise read as the
// start of an escape: before a backslash, "x", "t", "n", "r" or an escaped
// byte. So names with backslashes read as before, and the text shown still
// tells the bytes unambiguously.
std::string TerminalText(std::string_view bytes, bool utf8);

// A JSON string holding the bytes: every byte is one character, U+0000 to
// U+00FF (bytes from 0x80 on read as Latin-1), so a script gets the exact
// bytes back by encoding the text as Latin-1. Control characters, C1 ones
// too, are escaped, so the text is also safe on a terminal.
std::string JsonString(std::string_view bytes);
// Appends JsonString(bytes) to text.
void AppendJsonString(std::string &text, std::string_view bytes);

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
