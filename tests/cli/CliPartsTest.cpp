// SPDX-License-Identifier: GPL-3.0-or-later
// The parts of varnel-cli that need no process: the argument parser, JSON
// strings, shell patterns and the window's settings file.
#include "CliArchive.h"
#include "CliArgs.h"
#include "CliOutput.h"
#include "CliTestSupport.h"
#include "WindowSettings.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <sstream>

TEST(CliArgs, ParsesOptionsInTheGnuManner) {
  const std::vector<TOptionDef> known = {Flag('l', "long", {}), Flag('q', "quiet", {}),
                                         Valued('o', "output", "DIR", {}, cpFolder),
                                         Valued(NoShort, "to", "DIR", {}, cpNothing)};
  TArgs args = ParseArgs({"a.pak", "-lq", "-oout", "x", "--to=", "--output", "final", "--", "-y", "--to"}, known);
  EXPECT_EQ(args.Operands, (std::vector<std::string>{"a.pak", "x", "-y", "--to"}));
  EXPECT_TRUE(args.Has("long"));
  EXPECT_TRUE(args.Has("quiet"));
  EXPECT_EQ(args.Value("output"), "final"); // the last one given
  EXPECT_TRUE(args.Has("to"));
  EXPECT_EQ(args.Value("to", "unset"), "");
  EXPECT_EQ(ParseArgs({"-o", "-"}, known).Value("output"), "-");
  EXPECT_EQ(ParseArgs({"-"}, known).Operands, (std::vector<std::string>{"-"}));

  // Stopping at the first operand leaves the rest as it is.
  args = ParseArgs({"-q", "list", "-l", "--bogus"}, known, true);
  EXPECT_TRUE(args.Has("quiet"));
  EXPECT_EQ(args.Rest, (std::vector<std::string>{"list", "-l", "--bogus"}));

  for (const std::vector<std::string> &wrong :
       std::vector<std::vector<std::string>>{{"--bogus"}, {"-x"}, {"-lx"}, {"-o"}, {"--output"}, {"--long=yes"}})
    EXPECT_THROW(ParseArgs(wrong, known), EUsage) << wrong.front();
}

TEST(JsonString, EscapesWhatJsonNeedsAndReadsBytesAsLatin1) {
  EXPECT_EQ(JsonString("maps/e1m1.bsp"), "\"maps/e1m1.bsp\"");
  EXPECT_EQ(JsonString("a\"b\\c\nd\x01\x7f"), "\"a\\\"b\\\\c\\nd\\u0001\\u007f\"");
  EXPECT_EQ(JsonString("caf\xe9"), "\"caf\xc3\xa9\"");
  // Every byte comes back through a JSON reader.
  std::string all;
  for (int byte = 1; byte < 256; ++byte)
    all += static_cast<char>(byte);
  EXPECT_EQ(ParseJsonLine("{\"name\":" + JsonString(all) + "}").at("name"), all);
  // C1 controls, which a terminal would act on in their UTF-8 form too.
  EXPECT_EQ(JsonString("\x9b\x85\xa0"), "\"\\u009b\\u0085\xc2\xa0\"");
}

namespace {
// Reads what TerminalText shows back into bytes.
std::string FromTerminalText(const std::string &text) {
  std::string bytes;
  for (size_t at = 0; at < text.size(); ++at) {
    const char next = at + 1 < text.size() ? text[at + 1] : '\0';
    if (text[at] != '\\' || std::string_view("\\xtnr").find(next) == std::string_view::npos || next == '\0') {
      bytes += text[at];
      continue;
    }
    ++at;
    if (next == 'x') {
      bytes += static_cast<char>(std::stoi(text.substr(at + 1, 2), nullptr, 16));
      at += 2;
    } else {
      bytes += next == 't' ? '\t' : next == 'n' ? '\n' : next == 'r' ? '\r' : '\\';
    }
  }
  return bytes;
}
} // namespace

TEST(TerminalText, ShowsControlBytesAsEscapesAndTellsEveryNameApart) {
  struct TCase {
    std::string Bytes;
    std::string OnUtf8;
    std::string OnOther;
  };
  const std::vector<TCase> cases = {
      {"maps/e1m1.bsp", "maps/e1m1.bsp", "maps/e1m1.bsp"},
      {"a\rb\tc\nd", "a\\rb\\tc\\nd", "a\\rb\\tc\\nd"},
      {std::string("\x1b[2K\0\x7f", 6), "\\x1b[2K\\x00\\x7f", "\\x1b[2K\\x00\\x7f"},
      // UTF-8 shows as it is where the terminal shows UTF-8, C1 controls aside.
      {"caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80", "caf\xc3\xa9 \xe2\x82\xac \xf0\x9f\x98\x80",
       "caf\\xc3\\xa9 \\xe2\\x82\\xac \\xf0\\x9f\\x98\\x80"},
      {"\x9b\xc2\x9b\xc2\x85", "\\x9b\\xc2\\x9b\\xc2\\x85", "\\x9b\\xc2\\x9b\\xc2\\x85"},
      // Not UTF-8: Latin-1, overlong, a surrogate, past U+10FFFF, cut short.
      {"caf\xe9", "caf\\xe9", "caf\\xe9"},
      {"\xc0\xaf\xed\xa0\x80\xf4\x90\x80\x80\xe2\x82", "\\xc0\\xaf\\xed\\xa0\\x80\\xf4\\x90\\x80\\x80\\xe2\\x82",
       "\\xc0\\xaf\\xed\\xa0\\x80\\xf4\\x90\\x80\\x80\\xe2\\x82"},
      // A backslash doubles only where it would read as an escape.
      {"gfx\\palette.lmp", "gfx\\palette.lmp", "gfx\\palette.lmp"},
      {"maps\\x.bsp a\\\\b c\\", "maps\\\\x.bsp a\\\\\\b c\\", "maps\\\\x.bsp a\\\\\\b c\\"},
      {"a\\\x1b", "a\\\\\\x1b", "a\\\\\\x1b"},
  };
  for (const TCase &item : cases) {
    EXPECT_EQ(TerminalText(item.Bytes, true), item.OnUtf8) << item.Bytes;
    EXPECT_EQ(TerminalText(item.Bytes, false), item.OnOther) << item.Bytes;
  }

  // Every string of up to four bytes from those that matter: nothing shown
  // acts on a terminal, and the bytes come back from what is shown.
  const std::string alphabet("\\xtnr0a\x1b\r\x7f\x9b\xc2\xe9\0", 14);
  std::vector<std::string> strings = {""};
  for (size_t start = 0, length = 1; length <= 4; ++length) {
    const size_t end = strings.size();
    for (size_t i = start; i < end; ++i)
      for (char byte : alphabet)
        strings.push_back(strings[i] + byte);
    start = end;
  }
  for (const std::string &bytes : strings) {
    for (bool utf8 : {true, false}) {
      const std::string shown = TerminalText(bytes, utf8);
      EXPECT_EQ(FromTerminalText(shown), bytes) << shown;
      const bool acts = std::any_of(shown.begin(), shown.end(), [&](char c) {
        const auto byte = static_cast<unsigned char>(c);
        return byte < 0x20 || byte == 0x7F || (!utf8 && byte >= 0x80);
      });
      EXPECT_FALSE(acts || shown.find("\xc2\x9b") != std::string::npos) << shown;
    }
  }
}

TEST(WindowSettings, ReadTheQuakeDirectoryAsTheWindowStoresIt) {
  std::istringstream settings("[Options]\nDirectory=/not/this/\n"
                              "[Quake]\r\nOther=1\r\n  Directory = \"/games/quake; 1\\\\\\\"\\x44\"\r\n"
                              "[Add]\nDirectory=/nor/this/\n");
  EXPECT_EQ(IniSetting(settings, "Quake", "Directory"), "/games/quake; 1\\\"D");
  std::istringstream missing("[Quake]\nOther=1\n");
  EXPECT_EQ(IniSetting(missing, "Quake", "Directory"), "");
  EXPECT_EQ(IniValue("@@at"), "@at");
  EXPECT_EQ(IniValue("caf\\xe9"), "caf\xc3\xa9");
}
