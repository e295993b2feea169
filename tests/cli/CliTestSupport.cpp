// SPDX-License-Identifier: GPL-3.0-or-later
#include "CliTestSupport.h"

#include <cerrno>
#include <fcntl.h>
#include <filesystem>
#include <poll.h>
#include <pty.h>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

extern char **environ;

namespace fs = std::filesystem;

namespace {
// Starts varnel-cli with args in folder cwd as RunCli describes, its
// standard output and error set up by actions; the locale LC_ALL when given.
pid_t SpawnCli(const TTempDir &scratch, const std::string &cwd, const std::vector<std::string> &args,
               posix_spawn_file_actions_t &actions, const std::string &locale = {}) {
  fs::create_directories(scratch.File("run-temp"));
  fs::create_directories(scratch.File("run-config"));
  std::vector<std::string> environment;
  for (char **variable = environ; *variable != nullptr; ++variable) {
    const std::string text = *variable;
    if (text.rfind("TMPDIR=", 0) != 0 && text.rfind("XDG_CONFIG_HOME=", 0) != 0 &&
        (locale.empty() || text.rfind("LC_ALL=", 0) != 0))
      environment.push_back(text);
  }
  environment.push_back("TMPDIR=" + scratch.File("run-temp"));
  environment.push_back("XDG_CONFIG_HOME=" + scratch.File("run-config"));
  if (!locale.empty())
    environment.push_back("LC_ALL=" + locale);

  std::vector<std::string> words{VARNEL_CLI};
  words.insert(words.end(), args.begin(), args.end());
  auto pointers = [](std::vector<std::string> &texts) {
    std::vector<char *> list;
    for (std::string &text : texts)
      list.push_back(text.data());
    list.push_back(nullptr);
    return list;
  };
  std::vector<char *> argv = pointers(words);
  std::vector<char *> envp = pointers(environment);
  posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  pid_t child = -1;
  const int failed = posix_spawn(&child, VARNEL_CLI, &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0)
    throw std::runtime_error("cannot run " VARNEL_CLI);
  return child;
}

int ExitStatus(pid_t child) {
  int status = 0;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
} // namespace

TRun RunCli(const TTempDir &scratch, const std::string &cwd, const std::vector<std::string> &args) {
  const std::string out = scratch.File("run.out");
  const std::string err = scratch.File("run.err");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  const pid_t child = SpawnCli(scratch, cwd, args, actions);
  TRun run;
  run.Status = ExitStatus(child);
  run.Out = ReadFileBytes(out);
  run.Err = ReadFileBytes(err);
  return run;
}

TRun RunCliAttached(const TTempDir &scratch, const std::string &cwd, const std::vector<std::string> &args,
                    const TAttachment &attachment) {
  // For each stream, the end the program writes to and the end read here.
  int ends[2][2];
  for (int stream = 0; stream < 2; ++stream) {
    const bool terminal = stream == 0 ? attachment.OutputOnTerminal : attachment.ErrorsOnTerminal;
    int &reading = ends[stream][0];
    int &writing = ends[stream][1];
    if (terminal ? ::openpty(&reading, &writing, nullptr, nullptr, nullptr) != 0 : ::pipe(ends[stream]) != 0)
      throw std::runtime_error("cannot make a terminal or a pipe");
    ::fcntl(reading, F_SETFD, FD_CLOEXEC);
    ::fcntl(writing, F_SETFD, FD_CLOEXEC);
    if (terminal) {
      termios settings{};
      ::tcgetattr(writing, &settings);
      ::cfmakeraw(&settings);
      ::tcsetattr(writing, TCSANOW, &settings);
    }
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ends[0][1], 1);
  posix_spawn_file_actions_adddup2(&actions, ends[1][1], 2);
  const pid_t child = SpawnCli(scratch, cwd, args, actions, attachment.Locale);
  ::close(ends[0][1]);
  ::close(ends[1][1]);

  // Both are read as the program writes, so that neither fills up: a pipe
  // ends with end of file, a terminal with EIO once the program is gone.
  std::string received[2];
  pollfd waiting[2] = {{ends[0][0], POLLIN, 0}, {ends[1][0], POLLIN, 0}};
  for (int open = 2; open > 0;) {
    if (::poll(waiting, 2, -1) < 0)
      continue;
    for (int stream = 0; stream < 2; ++stream) {
      if (waiting[stream].fd < 0 || waiting[stream].revents == 0)
        continue;
      char buffer[4096];
      const ssize_t got = ::read(waiting[stream].fd, buffer, sizeof buffer);
      if (got > 0) {
        received[stream].append(buffer, static_cast<size_t>(got));
      } else if (got == 0 || errno != EINTR) {
        ::close(waiting[stream].fd);
        waiting[stream].fd = -1;
        --open;
      }
    }
  }
  TRun run;
  run.Status = ExitStatus(child);
  run.Out = received[0];
  run.Err = received[1];
  return run;
}

namespace {
class TJsonReader {
public:
  explicit TJsonReader(const std::string &text) : m_Text(text) {}

  std::map<std::string, std::string> Object() {
    std::map<std::string, std::string> fields;
    Expect('{');
    while (Peek() != '}') {
      if (!fields.empty())
        Expect(',');
      std::string key = String();
      Expect(':');
      fields[key] = Peek() == '"' ? String() : Number();
    }
    Expect('}');
    if (m_At != m_Text.size())
      Fail();
    return fields;
  }

private:
  [[noreturn]] void Fail() const { throw std::runtime_error("not a flat JSON object: " + m_Text); }
  char Peek() const { return m_At < m_Text.size() ? m_Text[m_At] : '\0'; }
  void Expect(char c) {
    if (Peek() != c)
      Fail();
    ++m_At;
  }
  std::string Number() {
    const size_t start = m_At;
    if (Peek() == '-')
      ++m_At;
    while (Peek() >= '0' && Peek() <= '9')
      ++m_At;
    if (m_At == start)
      Fail();
    return m_Text.substr(start, m_At - start);
  }
  // Decodes to code points, each of which must be one byte.
  std::string String() {
    Expect('"');
    std::string bytes;
    for (;;) {
      const auto c = static_cast<unsigned char>(Peek());
      ++m_At;
      unsigned code = c;
      if (c == '"')
        return bytes;
      if (c == '\0' || c < 0x20)
        Fail();
      if (c == '\\') {
        const char escaped = Peek();
        ++m_At;
        const std::string simple = "\"\\/bfnrt";
        const std::string meaning = "\"\\/\b\f\n\r\t";
        if (escaped == 'u') {
          code = static_cast<unsigned>(std::stoul(m_Text.substr(m_At, 4), nullptr, 16));
          m_At += 4;
        } else if (simple.find(escaped) != std::string::npos) {
          code = static_cast<unsigned char>(meaning[simple.find(escaped)]);
        } else {
          Fail();
        }
      } else if (c >= 0xC0 && c < 0xE0) {
        code = (c & 0x1Fu) << 6 | (static_cast<unsigned char>(Peek()) & 0x3Fu);
        ++m_At;
      } else if (c >= 0x80) {
        Fail(); // beyond U+00FF, or not UTF-8
      }
      if (code > 0xFF)
        Fail();
      bytes += static_cast<char>(code);
    }
  }

  const std::string &m_Text;
  size_t m_At = 0;
};
} // namespace

std::map<std::string, std::string> ParseJsonLine(const std::string &line) { return TJsonReader(line).Object(); }

std::vector<std::string> Lines(const std::string &text) {
  std::vector<std::string> lines;
  size_t start = 0;
  for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
    lines.push_back(text.substr(start, end - start));
  if (start < text.size())
    lines.push_back(text.substr(start));
  return lines;
}

std::map<std::string, std::string> TreeOf(const std::string &root) {
  std::map<std::string, std::string> tree;
  if (!fs::exists(root))
    return tree;
  for (const auto &item : fs::recursive_directory_iterator(root)) {
    const std::string relative = fs::relative(item.path(), root).string();
    if (item.is_directory())
      tree[relative + "/"] = "";
    else
      tree[relative] = ReadFileBytes(item.path().string());
  }
  return tree;
}
