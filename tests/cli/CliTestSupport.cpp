#include "CliTestSupport.h"

#include <fcntl.h>
#include <filesystem>
#include <spawn.h>
#include <stdexcept>
#include <sys/wait.h>

extern char **environ;

namespace fs = std::filesystem;

TRun RunCli(const TTempDir &scratch, const std::string &cwd, const std::vector<std::string> &args) {
  fs::create_directories(scratch.File("run-temp"));
  fs::create_directories(scratch.File("run-config"));
  std::vector<std::string> environment;
  for (char **variable = environ; *variable != nullptr; ++variable) {
    const std::string text = *variable;
    if (text.rfind("TMPDIR=", 0) != 0 && text.rfind("XDG_CONFIG_HOME=", 0) != 0)
      environment.push_back(text);
  }
  environment.push_back("TMPDIR=" + scratch.File("run-temp"));
  environment.push_back("XDG_CONFIG_HOME=" + scratch.File("run-config"));

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

  const std::string out = scratch.File("run.out");
  const std::string err = scratch.File("run.err");
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 1, out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addopen(&actions, 2, err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
  posix_spawn_file_actions_addchdir_np(&actions, cwd.c_str());
  pid_t child = -1;
  const int failed = posix_spawn(&child, VARNEL_CLI, &actions, nullptr, argv.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  if (failed != 0)
    throw std::runtime_error("cannot run " VARNEL_CLI);
  int status = 0;
  ::waitpid(child, &status, 0);
  TRun run;
  run.Status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  run.Out = ReadFileBytes(out);
  run.Err = ReadFileBytes(err);
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
