#include "CliOutput.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
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
} // namespace

void ReportError(const std::string &message) {
  std::fflush(stdout);
  std::string line = std::string(ProgramName) + ": " + message + "\n";
  std::fwrite(line.data(), 1, line.size(), stderr);
}

void WriteOut(std::string_view text) { std::fwrite(text.data(), 1, text.size(), stdout); }

void FinishOutput() {
  errno = 0;
  if (std::fflush(stdout) != 0 || std::ferror(stdout))
    throw ECliFailure(std::string("standard output: ") + std::strerror(errno != 0 ? errno : EIO));
}

std::string JsonString(std::string_view bytes) {
  static const char hex[] = "0123456789abcdef";
  std::string text = "\"";
  text.reserve(bytes.size() + 2);
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
      if (byte < 0x20 || byte == 0x7F) {
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
  return text + "\"";
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
    std::fprintf(stderr, "\r%s: %s %3u%%", ProgramName, m_Label, static_cast<unsigned>(percent));
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
