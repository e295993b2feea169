// SPDX-License-Identifier: GPL-3.0-or-later
// Entry kinds by name, read from the table in PakKinds.h.
#include "PakKinds.h"

#include "PakQuake.h"

#include <algorithm>
#include <cstring>

namespace {
// The first eight bytes of a word (zero after its end), ASCII capitals
// folded to lower case all at once (as NameHash folds them), as one number:
// most words are told apart by one comparison, and nothing is copied.
uint64_t WordKey(std::string_view word) {
  uint64_t key = 0;
  if (word.size() >= 8)
    std::memcpy(&key, word.data(), 8);
  else
    for (size_t i = 0; i < word.size(); ++i)
      key |= uint64_t{static_cast<unsigned char>(word[i])} << (8 * i);
  constexpr uint64_t Ones = 0x0101010101010101ull;
  const uint64_t low = key & (Ones * 0x7F);
  const uint64_t capitals = (low + Ones * 0x3F) & ~(low + Ones * 0x25) & ~key & (Ones * 0x80);
  return key | (capitals >> 2);
}

// One word of the table's lists and the kind of its row.
struct TKindWord {
  uint64_t Key = 0;
  std::string_view Word;
  TFileKind Kind = fkUnknown;
};

// The words of one of the table's columns in a small open-addressing table
// keyed by WordKey, so that classifying a name (the entry list and the check
// ask it of every entry) costs a multiplication and a comparison or two.
// Every word belongs to one row only.
class TWordTable {
public:
  void Add(std::string_view word, TFileKind kind) {
    for (size_t at = Slot(WordKey(word));; at = (at + 1) % Slots)
      if (m_Slots[at].Word.empty()) {
        m_Slots[at] = {WordKey(word), word, kind};
        break;
      }
    m_Longest = std::max(m_Longest, word.size());
  }
  // The kind whose word text is in any letter case, or fkUnknown.
  TFileKind Find(std::string_view text) const {
    if (text.empty() || text.size() > m_Longest)
      return fkUnknown;
    const uint64_t key = WordKey(text);
    for (size_t at = Slot(key); !m_Slots[at].Word.empty(); at = (at + 1) % Slots) {
      const TKindWord &word = m_Slots[at];
      if (word.Key == key && word.Word.size() == text.size() &&
          (text.size() <= 8 || SameTextAscii(word.Word.substr(8), text.substr(8))))
        return word.Kind;
    }
    return fkUnknown;
  }

private:
  // Room for the table's words at most a quarter full.
  static constexpr size_t Slots = 128;
  static size_t Slot(uint64_t key) { return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 57); }
  TKindWord m_Slots[Slots];
  size_t m_Longest = 0;
};

struct TKindWords {
  TWordTable FileNames;
  TWordTable Extensions;
};

const TKindWords &KindWordLists() {
  static const TKindWords lists = [] {
    TKindWords made;
    for (const TFileKindInfo &info : FileKinds) {
      for (std::string_view word : KindWords(info.FileNames))
        made.FileNames.Add(word, info.Kind);
      for (std::string_view word : KindWords(info.Extensions))
        made.Extensions.Add(word, info.Kind);
    }
    return made;
  }();
  return lists;
}
} // namespace

std::vector<std::string_view> KindWords(std::string_view list) {
  std::vector<std::string_view> words;
  while (!list.empty()) {
    const size_t end = std::min(list.find(' '), list.size());
    if (end > 0)
      words.push_back(list.substr(0, end));
    list.remove_prefix(std::min(end + 1, list.size()));
  }
  return words;
}

TFileKind FileKindOf(std::string_view name) {
  const TKindWords &lists = KindWordLists();
  // The file part follows the last "/" or "\\"; the extension the last "."
  // (before the file part too, when the file part has none).
  auto last = [](std::string_view text, char c) {
    const void *at = text.empty() ? nullptr : ::memrchr(text.data(), c, text.size());
    return at == nullptr ? std::string_view::npos : static_cast<size_t>(static_cast<const char *>(at) - text.data());
  };
  size_t separator = last(name, '/');
  const size_t afterSlash = separator == std::string_view::npos ? 0 : separator + 1;
  if (const size_t backslash = last(name.substr(afterSlash), '\\'); backslash != std::string_view::npos)
    separator = afterSlash + backslash;
  const std::string_view file = separator == std::string_view::npos ? name : name.substr(separator + 1);
  // A whole file name (palette.lmp) decides before the extension that it
  // shares with another kind (picture lumps).
  if (const TFileKind kind = lists.FileNames.Find(file); kind != fkUnknown)
    return kind;
  const size_t dot = last(name, '.');
  return lists.Extensions.Find(dot == std::string_view::npos ? name : name.substr(dot + 1));
}
