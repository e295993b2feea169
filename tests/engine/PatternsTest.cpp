// SPDX-License-Identifier: GPL-3.0-or-later
// The shell patterns that choose entries by name: one table of the rule.
#include "PakQuake.h"

#include <gtest/gtest.h>

namespace {
struct TPatternCase {
  const char *Pattern;
  const char *Name;
  bool Matches;
};

const TPatternCase PatternCases[] = {
    // Without "/": the file name, or a folder's, at any depth.
    {"*.bsp", "e1m1.bsp", true},
    {"*.bsp", "maps/e1m1.bsp", true},
    {"*.bsp", "maps/sub/x.BSP", true},
    {"*.bsp", "maps/e1m1.lit", false},
    {"e1m1.*", "maps/e1m1.bsp", true},
    {"?1m1.bsp", "maps/e1m1.bsp", true},
    {"?", "ab/cd", false},
    {"?", "a/bc", true}, // the folder a
    {"maps", "maps/e1m1.bsp", true},
    {"m*", "maps/e1m1.bsp", true},
    {"sub", "maps/sub/x.bsp", true},
    {"map", "maps/e1m1.bsp", false},
    {"*.bsp", "maps.bsp/readme", true},
    {"*.wav", ".wav", true},
    {"?.wav", ".wav", false},
    {"**.bsp", "maps/sub/x.bsp", true},
    // With "/": the whole name from its start; "*" stops at "/", "**" does not.
    {"maps/*.bsp", "maps/e1m1.bsp", true},
    {"maps/*.bsp", "maps/sub/x.bsp", false},
    {"maps/*.bsp", "id1/maps/e1m1.bsp", false},
    {"maps/**.bsp", "maps/sub/x.bsp", true},
    {"maps/**/*.bsp", "maps/e1m1.bsp", true},
    {"maps/**/*.bsp", "maps/a/b/x.bsp", true},
    {"maps/**/*.bsp", "maps/a/b/x.lit", false},
    {"**/x.bsp", "x.bsp", true},
    {"**/x.bsp", "a/b/x.bsp", true},
    {"**/x.bsp", "a/bx.bsp", false},
    {"m*/*1.b[s]p", "maps/e1m1.bsp", true},
    {"m*/*1.b[s]p", "maps/sub/x1.bsp", false},
    {"*/*", "a/b/c", true},
    {"a*b*c/d", "aXbYc/d", true},
    {"a*b*c/d", "aXb/c/d", false},
    {"maps/*", "maps/sub/x.bsp", true}, // the folder maps/sub matches
    {"MAPS/E1M1.BSP", "maps/e1m1.bsp", true},
    {"maps/e1m1.bsp", "maps/e1m1.bsp2", false},
    {"gfx/palette.lmp", "gfx\\palette.lmp", false}, // only "/" parts names
    // Sets, classes, escapes.
    {"e[0-9]m1.bsp", "E1M1.BSP", true},
    {"e[!0-9]m1.bsp", "e1m1.bsp", false},
    {"e[^a-z]m1.bsp", "eXm1.bsp", false},
    {"[A-C]*", "b.txt", true},
    {"[]x]", "]", true},
    {"a[/]b", "a/b", false},
    {"[[:digit:]][[:alpha:]]", "1z", true},
    {"[[:upper:]]", "q", true}, // letter case is ignored
    {"\\*.txt", "*.txt", true},
    {"\\*.txt", "a.txt", false},
    {"[abc", "[abc", true},
    {"a\\", "a\\", true},
    {"", "", true},
};
} // namespace

TEST(NamePattern, MatchesByTheRuleOfTheTable) {
  for (const TPatternCase &item : PatternCases)
    EXPECT_EQ(TNamePattern(item.Pattern).Matches(item.Name), item.Matches)
        << "pattern " << item.Pattern << ", name " << item.Name;
}

TEST(NamePattern, SaysWhenItIsAPlainNameToLookUp) {
  const TNamePattern plain("Maps/E\\1M1.bsp");
  EXPECT_TRUE(plain.IsLiteral());
  EXPECT_EQ(plain.Literal(), "Maps/E1M1.bsp");
  EXPECT_TRUE(TNamePattern("[abc").IsLiteral());
  for (const char *wild : {"*.bsp", "a?", "[ab]", "**/x"}) {
    EXPECT_FALSE(TNamePattern(wild).IsLiteral()) << wild;
    EXPECT_EQ(TNamePattern(wild).Literal(), "") << wild;
  }
}
