// SPDX-License-Identifier: GPL-3.0-or-later
#include "WindowSettings.h"

#include "PakQuake.h"
#include "VarnelProduct.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <fstream>

namespace {
std::string_view Trimmed(std::string_view text) {
  const auto first = text.find_first_not_of(" \t\r");
  if (first == std::string_view::npos)
    return {};
  return text.substr(first, text.find_last_not_of(" \t\r") - first + 1);
}

void AppendUtf8(std::string &text, unsigned long code) {
  if (code < 0x80) {
    text += static_cast<char>(code);
  } else if (code < 0x800) {
    text += static_cast<char>(0xC0 | (code >> 6));
    text += static_cast<char>(0x80 | (code & 0x3F));
  } else {
    text += static_cast<char>(0xE0 | ((code >> 12) & 0x0F));
    text += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
    text += static_cast<char>(0x80 | (code & 0x3F));
  }
}

} // namespace

std::string IniValue(std::string_view stored) {
  std::string_view text = Trimmed(stored);
  if (text.substr(0, 2) == "@@")
    text.remove_prefix(1);
  std::string value;
  for (size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c == '"')
      continue;
    if (c != '\\' || i + 1 == text.size()) {
      value += c;
      continue;
    }
    const char escaped = text[++i];
    switch (escaped) {
    case 'n':
      value += '\n';
      break;
    case 't':
      value += '\t';
      break;
    case 'r':
      value += '\r';
      break;
    case 'x': {
      // As many hexadecimal digits as follow; the character is their low 16 bits.
      size_t end = i + 1;
      while (end < text.size() && std::isxdigit(static_cast<unsigned char>(text[end])))
        ++end;
      const std::string_view digits = text.substr(i + 1, end - (i + 1));
      i = end - 1;
      AppendUtf8(value,
                 digits.empty() ? 0 : *ParseHex(digits.substr(digits.size() - std::min<size_t>(digits.size(), 4))));
      break;
    }
    default:
      value += escaped; // \" \\ and anything else stand for themselves
    }
  }
  return value;
}

std::string IniSetting(std::istream &in, std::string_view section, std::string_view key) {
  std::string line;
  std::string value;
  bool inSection = false;
  while (std::getline(in, line)) {
    const std::string_view text = Trimmed(line);
    if (text.empty() || text.front() == ';' || text.front() == '#')
      continue;
    if (text.front() == '[') {
      inSection = text.size() == section.size() + 2 && text.back() == ']' && text.substr(1, section.size()) == section;
      continue;
    }
    const auto equals = text.find('=');
    if (inSection && equals != std::string_view::npos && Trimmed(text.substr(0, equals)) == key)
      value = IniValue(text.substr(equals + 1));
  }
  return value;
}

std::string WindowQuakeDirectory() {
  const char *config = std::getenv("XDG_CONFIG_HOME");
  std::string folder;
  if (config != nullptr && config[0] == '/') {
    folder = config;
  } else {
    const char *home = std::getenv("HOME");
    if (home == nullptr || home[0] != '/')
      return {};
    folder = std::string(home) + "/.config";
  }
  std::ifstream file(folder + "/" + VarnelSettingsFileName);
  return file ? IniSetting(file, "Quake", "Directory") : std::string();
}
