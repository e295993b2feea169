// SPDX-License-Identifier: GPL-3.0-or-later
// Shell patterns for entry names: compiling and matching.
#include "PakPatterns.h"

#include <array>
#include <cstring>

namespace {
constexpr std::array<uint8_t, 256> LowerTable = [] {
  std::array<uint8_t, 256> table{};
  for (size_t i = 0; i < table.size(); ++i)
    table[i] = static_cast<uint8_t>(i >= 'A' && i <= 'Z' ? i - 'A' + 'a' : i);
  return table;
}();

uint8_t Lower(char c) { return LowerTable[static_cast<uint8_t>(c)]; }

// The ASCII bytes of a bracket class such as "alpha"; false for a name it does not know.
bool AddClass(std::string_view name, std::bitset<256> &set) {
  static constexpr const char *Punctuation = "!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~";
  for (int c = 0; c < 128; ++c) {
    const bool upper = c >= 'A' && c <= 'Z';
    const bool lower = c >= 'a' && c <= 'z';
    const bool digit = c >= '0' && c <= '9';
    bool member;
    if (name == "alpha")
      member = upper || lower;
    else if (name == "digit")
      member = digit;
    else if (name == "alnum")
      member = upper || lower || digit;
    else if (name == "upper")
      member = upper;
    else if (name == "lower")
      member = lower;
    else if (name == "space")
      member = c == ' ' || (c >= '\t' && c <= '\r');
    else if (name == "punct")
      member = c != 0 && std::strchr(Punctuation, c) != nullptr;
    else if (name == "xdigit")
      member = digit || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
    else
      return false;
    if (member)
      set.set(static_cast<size_t>(c));
  }
  return true;
}
} // namespace

TNamePattern::TNamePattern(std::string_view pattern) {
  for (size_t at = 0; at < pattern.size();) {
    const char c = pattern[at];
    if (c == '*') {
      const size_t stars = std::min(pattern.find_first_not_of('*', at), pattern.size()) - at;
      const bool folderStart = m_Tokens.empty() || m_Tokens.back().Kind == tkSlash;
      at += stars;
      m_Literal = false;
      if (stars == 1) {
        m_Tokens.push_back({tkStar, 0});
      } else if (folderStart && at < pattern.size() && pattern[at] == '/') {
        m_Tokens.push_back({tkDeepFolder, 0});
        m_Anchored = true;
        ++at;
      } else {
        m_Tokens.push_back({tkDeep, 0});
      }
      continue;
    }
    if (c == '?') {
      m_Tokens.push_back({tkAnyByte, 0});
      m_Literal = false;
      ++at;
      continue;
    }
    if (c == '[') {
      const size_t before = m_Sets.size();
      AddSet(pattern, at);
      if (m_Sets.size() != before) {
        m_Literal = false;
        continue;
      }
      // Without its closing "]", a "[" stands for itself.
    }
    char byte = c;
    if (c == '\\' && at + 1 < pattern.size())
      byte = pattern[++at];
    ++at;
    m_LiteralText += byte;
    if (byte == '/') {
      m_Tokens.push_back({tkSlash, 0});
      m_Anchored = true;
    } else {
      m_Tokens.push_back({tkByte, Lower(byte)});
    }
  }
  if (!m_Literal)
    m_LiteralText.clear();
  // Without "/" and "**" nothing crosses a "/": each part must match whole,
  // so its length and its last bytes rule most parts out at once.
  m_PartWise = !m_Anchored;
  for (const TToken &token : m_Tokens) {
    m_PartWise = m_PartWise && token.Kind != tkDeep;
    m_MinPartLength += token.Kind != tkStar && token.Kind != tkDeep ? 1 : 0;
  }
  for (size_t i = m_Tokens.size(); i-- > 0 && m_Tokens[i].Kind == tkByte;)
    m_PartTail.insert(m_PartTail.begin(), static_cast<char>(m_Tokens[i].Value));
}

void TNamePattern::AddSet(std::string_view pattern, size_t &at) {
  size_t i = at + 1;
  const bool negated = i < pattern.size() && (pattern[i] == '!' || pattern[i] == '^');
  if (negated)
    ++i;
  std::bitset<256> set;
  // One member byte at i, its escape taken off.
  const auto member = [&]() {
    if (pattern[i] == '\\' && i + 1 < pattern.size())
      ++i;
    return static_cast<uint8_t>(pattern[i++]);
  };
  for (bool first = true;; first = false) {
    if (i >= pattern.size())
      return; // no closing "]": no set
    if (pattern[i] == ']' && !first)
      break;
    if (pattern.compare(i, 2, "[:") == 0) {
      const size_t close = pattern.find(":]", i + 2);
      if (close != std::string_view::npos && AddClass(pattern.substr(i + 2, close - i - 2), set)) {
        i = close + 2;
        continue;
      }
    }
    const uint8_t low = member();
    if (i + 1 < pattern.size() && pattern[i] == '-' && pattern[i + 1] != ']') {
      ++i;
      const uint8_t high = member();
      for (unsigned b = low; b <= high; ++b)
        set.set(b);
    } else {
      set.set(low);
    }
  }
  at = i + 1;
  // Letter case is ignored: each letter brings its other case.
  for (unsigned b = 'a'; b <= 'z'; ++b)
    if (set.test(b) || set.test(b - 'a' + 'A')) {
      set.set(b);
      set.set(b - 'a' + 'A');
    }
  if (negated)
    set.flip();
  set.reset('/');
  m_Tokens.push_back({tkSet, static_cast<uint32_t>(m_Sets.size())});
  m_Sets.push_back(set);
}

bool TNamePattern::MatchesFrom(const char *at, const char *end) const {
  const TToken *token = m_Tokens.data();
  const TToken *const last = token + m_Tokens.size();
  // Where to go on after a mismatch: the latest "*" may take one more byte
  // (never a "/"), else the latest "**" one more byte or "**/" one more
  // folder. A later "**" makes an earlier one's choices needless, since it
  // can take whatever they would; and as "*" never crosses "/", a "*" that
  // reached one cannot help either.
  // Where a "*" followed by next may next stop: when next is one byte, at
  // its next occurrence, or at the "/" or the end that comes first, where
  // the "*" gives up.
  const auto skipToCandidate = [](const TToken &next, const char *from, const char *to) {
    if (next.Kind == tkByte)
      while (from != to && *from != '/' && Lower(*from) != next.Value)
        ++from;
    return from;
  };
  const TToken *starToken = nullptr;
  const char *starAt = nullptr;
  const TToken *deepToken = nullptr;
  const char *deepAt = nullptr;
  bool deepTakesFolders = false;
  for (;;) {
    if (token == last) {
      // A match of a folder matches everything below it.
      if (at == end || *at == '/')
        return true;
    } else {
      const TToken &current = *token;
      bool taken = false;
      switch (current.Kind) {
      case tkByte:
        taken = at != end && Lower(*at) == current.Value;
        break;
      case tkSlash:
        taken = at != end && *at == '/';
        break;
      case tkAnyByte:
        taken = at != end && *at != '/';
        break;
      case tkSet:
        taken = at != end && m_Sets[current.Value].test(static_cast<uint8_t>(*at));
        break;
      case tkStar:
        // A "*" that ends the pattern takes the rest of this part, and a
        // match up to a "/" is a match.
        if (token + 1 == last)
          return true;
        starToken = ++token;
        starAt = skipToCandidate(*starToken, at, end);
        at = starAt;
        continue;
      case tkDeep:
      case tkDeepFolder:
        deepToken = ++token;
        deepAt = at;
        deepTakesFolders = current.Kind == tkDeepFolder;
        starToken = nullptr;
        continue;
      }
      if (taken) {
        ++token;
        ++at;
        continue;
      }
    }
    if (starToken != nullptr && starAt != end && *starAt != '/') {
      token = starToken;
      starAt = skipToCandidate(*starToken, starAt + 1, end);
      at = starAt;
    } else if (deepToken != nullptr && deepAt != end) {
      if (deepTakesFolders) {
        const void *slash = std::memchr(deepAt, '/', static_cast<size_t>(end - deepAt));
        if (slash == nullptr)
          return false;
        deepAt = static_cast<const char *>(slash);
      }
      token = deepToken;
      at = ++deepAt;
      starToken = nullptr;
    } else {
      return false;
    }
  }
}

bool TNamePattern::TailFits(const char *partEnd) const {
  const char *at = partEnd - m_PartTail.size();
  for (char wanted : m_PartTail)
    if (Lower(*at++) != static_cast<uint8_t>(wanted))
      return false;
  return true;
}

bool TNamePattern::Matches(std::string_view name) const {
  const char *const end = name.data() + name.size();
  if (m_Anchored)
    return MatchesFrom(name.data(), end);
  if (m_PartWise) {
    for (const char *part = name.data();;) {
      const void *slash = part == end ? nullptr : std::memchr(part, '/', static_cast<size_t>(end - part));
      const char *partEnd = slash != nullptr ? static_cast<const char *>(slash) : end;
      const size_t length = static_cast<size_t>(partEnd - part);
      if (length >= m_MinPartLength && TailFits(partEnd) && MatchesFrom(part, partEnd))
        return true;
      if (partEnd == end)
        return false;
      part = partEnd + 1;
    }
  }
  // Each part of the name on its own: the first, then each after a "/".
  for (const char *part = name.data();;) {
    if (MatchesFrom(part, end))
      return true;
    if (part == end)
      return false;
    const void *slash = std::memchr(part, '/', static_cast<size_t>(end - part));
    if (slash == nullptr)
      return false;
    part = static_cast<const char *>(slash) + 1;
  }
}
