// The parts of varnel-cli that need no process: the argument parser, JSON
// strings, shell patterns and the window's settings file.
#include "CliArchive.h"
#include "CliArgs.h"
#include "CliOutput.h"
#include "CliTestSupport.h"
#include "WindowSettings.h"

#include <gtest/gtest.h>
#include <sstream>

TEST(CliArgs, ParsesOptionsInTheGnuManner) {
  const std::vector<TOptionDef> known = {
      {'l', "long", false}, {'q', "quiet", false}, {'o', "output", true}, {'\0', "to", true}};
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
}

TEST(Patterns, MatchAsTheEngineComparesNames) {
  EXPECT_TRUE(MatchesPattern("maps/*.bsp", "maps/e1m1.bsp"));
  EXPECT_TRUE(MatchesPattern("maps/*.bsp", "MAPS/E1M1.BSP"));
  EXPECT_FALSE(MatchesPattern("maps/*.bsp", "maps/b/e1m1.bsp")); // "*" stops at "/"
  EXPECT_FALSE(MatchesPattern("*.bsp", "maps/e1m1.bsp"));
  EXPECT_TRUE(MatchesPattern("*/*.bsp", "maps/e1m1.bsp"));
  EXPECT_TRUE(MatchesPattern("maps", "maps/b/e1m1.bsp")); // a folder matches what is below it
  EXPECT_FALSE(MatchesPattern("map", "maps/e1m1.bsp"));
  EXPECT_TRUE(MatchesPattern("sound/?.wav", "sound/a.wav"));
  EXPECT_TRUE(MatchesPattern("sound/[ab].wav", "sound/B.wav"));
  EXPECT_FALSE(MatchesPattern("gfx/palette.lmp", "gfx\\palette.lmp"));
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
