// SPDX-License-Identifier: GPL-3.0-or-later
// Entry names and disk paths: the small string routines shared by the engine,
// the main window and the dialogs.
#include "PakInternal.h"
#include "PakQuake.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <filesystem>
#include <sys/stat.h>

namespace {
// Index of the last "/" or "\", or npos.
std::string::size_type LastSeparator(const std::string &name) { return name.find_last_of("/\\"); }
} // namespace

std::string AsciiLower(std::string text) {
  for (char &c : text)
    if (c >= 'A' && c <= 'Z')
      c = static_cast<char>(c - 'A' + 'a');
  return text;
}

std::string AsciiUpper(std::string text) {
  for (char &c : text)
    if (c >= 'a' && c <= 'z')
      c = static_cast<char>(c - 'a' + 'A');
  return text;
}

std::optional<uint32_t> ParseHex(std::string_view text) {
  if (text.empty())
    return std::nullopt;
  uint32_t value = 0;
  const char *end = text.data() + text.size();
  // from_chars takes no sign for an unsigned number and no "0x" in base 16.
  const auto [stop, error] = std::from_chars(text.data(), end, value, 16);
  if (error != std::errc() || stop != end)
    return std::nullopt;
  return value;
}

bool SameTextAscii(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
           return lower(x) == lower(y);
         });
}

TNamePartFaults NamePartFaults(std::string_view name) {
  TNamePartFaults faults;
  faults.LeadingSlash = !name.empty() && name.front() == '/';
  faults.EmptyPart = name.empty();
  for (size_t start = 0; start <= name.size();) {
    size_t end = name.find('/', start);
    if (end == std::string_view::npos)
      end = name.size();
    const std::string_view part = name.substr(start, end - start);
    if (faults.DotPart.empty() && (part == "." || part == ".."))
      faults.DotPart = part;
    // A leading "/" has a rule of its own.
    faults.EmptyPart = faults.EmptyPart || (part.empty() && start > 0);
    start = end + 1;
  }
  return faults;
}

std::string NamePartRefusal(const std::string &name) {
  const TNamePartFaults faults = NamePartFaults(name);
  const std::string quoted = "The name \"" + name + "\" ";
  const char *staying = " Entry names are paths inside the archive.";
  if (faults.LeadingSlash)
    return quoted + "begins with \"/\"." + staying;
  if (!faults.DotPart.empty())
    return quoted + "has a \"" + std::string(faults.DotPart) + "\" part." + staying;
  if (faults.EmptyPart)
    return quoted + "has an empty part (\"//\", or \"/\" at its end)." + staying;
  return {};
}

std::string EntryFileName(const std::string &name) {
  auto at = LastSeparator(name);
  return at == std::string::npos ? name : name.substr(at + 1);
}

std::string EntryDirectory(const std::string &name, bool addSlash) {
  auto at = LastSeparator(name);
  if (at == std::string::npos || at == 0)
    return {};
  std::string directory = name.substr(0, at);
  if (addSlash)
    directory += '/';
  return directory;
}

std::string EntryExtension(const std::string &name, bool withDot) {
  auto at = name.rfind('.');
  if (at == std::string::npos)
    return name;
  return name.substr(withDot ? at : at + 1);
}

std::string SplitAt(std::string &text, char separator) {
  auto at = text.find(separator);
  if (at == std::string::npos) {
    std::string head;
    head.swap(text);
    return head;
  }
  std::string head = text.substr(0, at);
  text.erase(0, at + 1);
  return head;
}

int64_t FileSizeOf(const std::string &path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0)
    return errno == ENOENT || errno == ENOTDIR ? 0 : -1;
  if (!S_ISREG(info.st_mode))
    return -1;
  return info.st_size;
}

std::string WithTrailingSlash(std::string path) {
  if (path.empty() || path.back() != '/')
    path += '/';
  return path;
}

std::string PathDirectory(const std::string &path) {
  auto at = path.rfind('/');
  return at == std::string::npos ? std::string() : path.substr(0, at + 1);
}

void ForceDirectories(const std::string &directory) {
  if (directory.empty())
    return;
  std::error_code ignored; // the file operation that follows reports the failure
  std::filesystem::create_directories(directory, ignored);
}

std::string TQuakePak::ToEntrySlashes(const std::string &name) {
  std::string result = name;
  std::replace(result.begin(), result.end(), '\\', '/');
  return result;
}

std::string TQuakePak::ToPathSlashes(const std::string &name) {
  // The native separator is "/": nothing to turn.
  return name;
}

std::string TQuakePak::ApplySpaceRule(const std::string &name) const {
  switch (m_HandleSpaces) {
  case shLeave:
    return name;
  case shDelete: {
    std::string result = name;
    result.erase(std::remove(result.begin(), result.end(), ' '), result.end());
    return result;
  }
  default: {
    std::string result = name;
    std::replace(result.begin(), result.end(), ' ', '_');
    return result;
  }
  }
}

std::string TQuakePak::MakeEntryName(const std::string &name) const {
  return ApplyCaseAndSpaceRules(ToEntrySlashes(name));
}

std::string TQuakePak::ApplyCaseAndSpaceRules(const std::string &name) const {
  return ApplySpaceRule(m_ForceLowercase ? AsciiLower(name) : name);
}
