// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliOutput.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <langinfo.h>
#include <locale.h>
#include <unistd.h>

namespace {
volatile std::sig_atomic_t g_Signal = 0;

extern "C" void OnInterrupt(int signal) {
  // A second signal ends the process at once, without cleaning up.
  if (g_Signal != 0) {
    std::signal(signal, SIG_DFL);
    std::raise(signal);
    return;
  }
  g_Signal = signal;
}

// Keeps errno across a callback: the engine's caller may still read it.
class TErrnoKeeper {
public:
  TErrnoKeeper() : m_Saved(errno) {}
  ~TErrnoKeeper() { errno = m_Saved; }

private:
  int m_Saved;
};

// Whether the stream is a terminal, asked once: it does not change during a run.
bool IsTerminal(int fd) {
  static const bool output = ::isatty(STDOUT_FILENO) == 1;
  static const bool errors = ::isatty(STDERR_FILENO) == 1;
  return fd == STDOUT_FILENO ? output : errors;
}

// Whether the user's locale (LC_ALL, LC_CTYPE, LANG) says the terminal shows
// UTF-8; the program's own locale stays "C".
bool TerminalShowsUtf8() {
  static const bool utf8 = [] {
    const locale_t locale = ::newlocale(LC_CTYPE_MASK, "", static_cast<locale_t>(0));
    if (locale == static_cast<locale_t>(0))
      return false;
    const bool result = std::strcmp(::nl_langinfo_l(CODESET, locale), "UTF-8") == 0;
    ::freelocale(locale);
    return result;
  }();
  return utf8;
}

// The text as it goes to the stream fd: escaped on a terminal, else as it is.
std::string ForStream(int fd, std::string_view text) {
  return IsTerminal(fd) ? TerminalText(text, TerminalShowsUtf8()) : std::string(text);
}

// The length of the valid UTF-8 sequence at the start of bytes (no overlong
// forms, surrogates or code points past U+10FFFF), or 0.
size_t Utf8SequenceLength(std::string_view bytes) {
  const auto byte = [&](size_t i) { return static_cast<unsigned char>(bytes[i]); };
  const unsigned char lead = byte(0);
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    low = lead == 0xE0 ? 0xA0 : 0x80;
    high = lead == 0xED ? 0x9F : 0xBF;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    low = lead == 0xF0 ? 0x90 : 0x80;
    high = lead == 0xF4 ? 0x8F : 0xBF;
  }
  if (length == 0 || bytes.size() < length || byte(1) < low || byte(1) > high)
    return 0;
  for (size_t i = 2; i < length; ++i)
    if (byte(i) < 0x80 || byte(i) > 0xBF)
      return 0;
  return length;
}
} // namespace

std::string GroupedNumber(uint64_t count) {
  const std::string digits = std::to_string(count);
  std::string text;
  for (size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0)
      text += ',';
    text += digits[i];
  }
  return text;
}

std::string TerminalText(std::string_view bytes, bool utf8) {
  static const char hex[] = "0123456789abcdef";
  std::string text;
  text.reserve(bytes.size());
  // A backslash waits for what follows it to know whether it must be doubled.
  bool backslashWaits = false;
  const auto append = [&](std::string_view shown) {
    if (backslashWaits) {
      const bool readsAsEscape =
          !shown.empty() && std::string_view("\\xtnr").find(shown.front()) != std::string_view::npos;
      text += readsAsEscape ? "\\\\" : "\\";
    }
    backslashWaits = false;
    text += shown;
  };
  const auto escape = [&](unsigned char byte) {
    const char shown[] = {'\\', 'x', hex[byte >> 4], hex[byte & 0xF]};
    append(std::string_view(shown, sizeof shown));
  };
  for (size_t at = 0; at < bytes.size();) {
    const auto byte = static_cast<unsigned char>(bytes[at]);
    if (byte == '\\') {
      if (backslashWaits)
        text += "\\\\";
      backslashWaits = true;
      ++at;
    } else if (byte == '\t' || byte == '\n' || byte == '\r') {
      append(byte == '\t' ? "\\t" : byte == '\n' ? "\\n" : "\\r");
      ++at;
    } else if (byte < 0x20 || byte == 0x7F) {
      escape(byte);
      ++at;
    } else if (byte < 0x80) {
      append(bytes.substr(at, 1));
      ++at;
    } else if (const size_t length = utf8 ? Utf8SequenceLength(bytes.substr(at)) : 0; length == 0) {
      escape(byte);
      ++at;
    } else if (byte == 0xC2 && static_cast<unsigned char>(bytes[at + 1]) < 0xA0) {
      // U+0080 to U+009F, the C1 controls, as their two bytes.
      escape(byte);
      escape(static_cast<unsigned char>(bytes[at + 1]));
      at += 2;
    } else {
      append(bytes.substr(at, length));
      at += length;
    }
  }
  append({});
  return text;
}

void ReportError(const std::string &message) {
  std::fflush(stdout);
  std::string line = std::string(ProgramName) + ": " + ForStream(STDERR_FILENO, message) + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
}

void WriteOut(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void AppendOutLine(std::string &buffer, std::string_view line) {
  if (IsTerminal(STDOUT_FILENO))
    buffer += TerminalText(line, TerminalShowsUtf8());
  else
    buffer += line;
  buffer += '\n';
}

bool OutLinesAreBytes() { return !IsTerminal(STDOUT_FILENO); }

void WriteOutLine(std::string_view line) {
  std::string text;
  AppendOutLine(text, line);
  WriteOut(text);
}

void FinishOutput() {
  errno = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout))
    throw ECliFailure(std::string("standard output: ") + std::strerror(errno != 0 ? errno : EIO));
}

std::string JsonString(std::string_view bytes) {
  std::string text;
  text.reserve(bytes.size() + 2);
  AppendJsonString(text, bytes);
  return text;
}

void AppendJsonString(std::string &text, std::string_view bytes) {
  static const char hex[] = "0123456789abcdef";
  text += '"';
  for (char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    switch (byte) {
    case '"':
      text += "\\\"";
      break;
    case '\\':
      text += "\\\\";
      break;
    case '\n':
      text += "\\n";
      break;
    case '\t':
      text += "\\t";
      break;
    case '\r':
      text += "\\r";
      break;
    default:
      if (byte < 0x20 || (byte >= 0x7F && byte < 0xA0)) {
        text += "\\u00";
        text += hex[byte >> 4];
        text += hex[byte & 0xF];
      } else if (byte >= 0x80) {
        // U+0080 to U+00FF in UTF-8.
        text += static_cast<char>(0xC0 | (byte >> 6));
        text += static_cast<char>(0x80 | (byte & 0x3F));
      } else {
        text += c;
      }
    }
  }
  text += '"';
}

void InstallInterruptHandlers() {
  struct sigaction action {};
  action.sa_handler = OnInterrupt;
  sigemptyset(&action.sa_mask);
  for (int signal : {SIGINT, SIGTERM, SIGHUP})
    sigaction(signal, &action, nullptr);
}

void ThrowIfInterrupted() {
  if (g_Signal != 0)
    throw EInterrupted(g_Signal);
}

TProgressLine::TProgressLine(TQuakePak &pak, const char *label, bool quiet)
    : m_Pak(pak), m_Label(label), m_Enabled(!quiet && ::isatty(STDERR_FILENO) == 1) {
  m_Pak.OnStartCallback = [this](TQuakePak &) { m_Start = std::chrono::steady_clock::now(); };
  m_Pak.OnCallback = [this](TQuakePak &, uint8_t percent) {
    TErrnoKeeper keeper;
    ThrowIfInterrupted();
    if (!m_Enabled || std::chrono::steady_clock::now() - m_Start < std::chrono::seconds(1))
      return;
    std::fprintf(stderr, "\r%s: %s %3u%%", ProgramName, ForStream(STDERR_FILENO, m_Label).c_str(),
                 static_cast<unsigned>(percent));
    std::fflush(stderr);
    m_Shown = true;
  };
  m_Pak.OnEndCallback = [this](TQuakePak &) {
    TErrnoKeeper keeper;
    Clear();
  };
}

TProgressLine::~TProgressLine() {
  Clear();
  m_Pak.OnStartCallback = nullptr;
  m_Pak.OnCallback = nullptr;
  m_Pak.OnEndCallback = nullptr;
}

void TProgressLine::Clear() {
  if (!m_Shown)
    return;
  // Carriage return, then erase to the end of the line.
  std::fputs("\r\033[K", stderr);
  std::fflush(stderr);
  m_Shown = false;
}
