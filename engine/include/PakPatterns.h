// SPDX-License-Identifier: GPL-3.0-or-later
// Patterns that choose entries by name: one rule for the window's filter box
// and the command line. Included through PakQuake.h.
#pragma once

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A shell pattern, compiled once and matched against many entry names.
//
// "*" matches any run of bytes but "/", "**" any run including "/", "?" one
// byte but "/", "[...]" one byte of a set ("[!...]" or "[^...]" one not in
// it; ranges "a-z" and the classes "[:alpha:]", "[:digit:]", "[:alnum:]",
// "[:upper:]", "[:lower:]", "[:space:]", "[:punct:]", "[:xdigit:]" count ASCII
// bytes only) but never "/", and "\" makes the byte after it stand for
// itself. "**/" matches nothing or any run of whole folders ("maps/**/*.bsp"
// finds maps/e1m1.bsp too). Letter case is ignored for A to Z, as the engine
// ignores it.
//
// A pattern without "/" is matched against each part of the name on its own
// (the file name, and each folder's): "*.bsp" finds every map at any depth.
// A pattern with "/" is matched against the whole name from its start. Either
// way a pattern that matches a folder matches everything below it: "maps"
// and "m*" find maps/e1m1.bsp.
class TNamePattern {
public:
  explicit TNamePattern(std::string_view pattern);

  bool Matches(std::string_view name) const;
  // True when the pattern holds no wildcard: it then names one entry, Literal()
  // (the pattern without its escapes), and a caller may look that name up
  // instead of matching every entry.
  bool IsLiteral() const { return m_Literal; }
  const std::string &Literal() const { return m_LiteralText; }

private:
  enum TTokenKind : uint8_t {
    tkByte,      // one byte, letter case folded
    tkSlash,     // "/"
    tkAnyByte,   // "?"
    tkSet,       // "[...]"
    tkStar,      // "*"
    tkDeep,      // "**"
    tkDeepFolder // "**/"
  };
  struct TToken {
    TTokenKind Kind;
    uint32_t Value; // tkByte: the byte in lower case; tkSet: the index of its set
  };
  void AddSet(std::string_view pattern, size_t &at);
  bool MatchesFrom(const char *at, const char *end) const;
  // Whether the part ending at partEnd (at least m_MinPartLength long) ends in m_PartTail.
  bool TailFits(const char *partEnd) const;

  std::vector<TToken> m_Tokens;
  // Bytes each "[...]" takes, both letter cases already in; never "/".
  std::vector<std::bitset<256>> m_Sets;
  bool m_Anchored = false; // the pattern has a "/": matched against the whole name
  bool m_Literal = true;
  // No "/" nor "**": a match is one whole part of the name, at least
  // m_MinPartLength bytes long and ending in m_PartTail (lower case).
  bool m_PartWise = false;
  size_t m_MinPartLength = 0;
  std::string m_PartTail;
  std::string m_LiteralText;
};
