// SPDX-License-Identifier: GPL-3.0-or-later
// Entry kinds by name, read from the table in PakKinds.h.
#include "PakKinds.h"

#include "PakQuake.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {
constexpr uint64_t Ones = 0x0101010101010101ull;

// Eight bytes with ASCII capitals folded to lower case all at once.
inline uint64_t FoldedKey(uint64_t key) {
  const uint64_t low = key & (Ones * 0x7F);
  const uint64_t capitals = (low + Ones * 0x3F) & ~(low + Ones * 0x25) & ~key & (Ones * 0x80);
  return key | (capitals >> 2);
}

// The first eight bytes of a word (zero after its end), ASCII capitals
// folded to lower case all at once (as NameHash folds them), as one number:
// most words are told apart by one comparison, and nothing is copied.
[[gnu::always_inline]] inline uint64_t WordKey(std::string_view word) {
  uint64_t key = 0;
  const size_t size = word.size();
  const auto byte = [&](size_t at) { return uint64_t{static_cast<unsigned char>(word[at])} << (8 * at); };
  if (size >= 8) {
    std::memcpy(&key, word.data(), 8);
  } else if (size >= 4) {
    // Two loads of four bytes that overlap in the middle, where they agree.
    uint32_t first = 0;
    uint32_t last = 0;
    std::memcpy(&first, word.data(), 4);
    std::memcpy(&last, word.data() + size - 4, 4);
    key = uint64_t{first} | uint64_t{last} << (8 * (size - 4));
  } else if (size > 0) {
    key = byte(0) | byte(size / 2) | byte(size - 1);
  }
  return FoldedKey(key);
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
    const auto last = static_cast<unsigned char>(word.back());
    m_LastBytes[last] = true;
    if (last >= 'a' && last <= 'z')
      m_LastBytes[last - 'a' + 'A'] = true;
    if (std::find(m_Lengths.begin(), m_Lengths.end(), word.size()) == m_Lengths.end())
      m_Lengths.push_back(word.size());
  }
  // The lengths of the words, each once.
  const std::vector<size_t> &Lengths() const { return m_Lengths; }
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
  // The same for a word of size 1 to 8 whose key (WordKey) is known.
  TFileKind FindShort(uint64_t key, size_t size) const {
    for (size_t at = Slot(key); !m_Slots[at].Word.empty(); at = (at + 1) % Slots)
      if (m_Slots[at].Key == key && m_Slots[at].Word.size() == size)
        return m_Slots[at].Kind;
    return fkUnknown;
  }
  // Whether some word ends in byte (in any letter case): most names end in
  // none of the whole file names' last letters and are not looked up.
  bool MayEndIn(char byte) const { return m_LastBytes[static_cast<unsigned char>(byte)]; }

  size_t Longest() const { return m_Longest; }

private:
  // Room for the table's words at most a quarter full.
  static constexpr size_t Slots = 128;
  static size_t Slot(uint64_t key) { return static_cast<size_t>((key * 0x9E3779B97F4A7C15ull) >> 57); }
  TKindWord m_Slots[Slots];
  size_t m_Longest = 0;
  std::vector<size_t> m_Lengths;
  bool m_LastBytes[256] = {};
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
  // A whole file name (palette.lmp) decides before the extension that it
  // shares with another kind (picture lumps). The file part follows the last
  // "/" or "\\": it is a word of length n when the name's last n bytes are
  // that word (which holds no separator) and a separator or nothing comes
  // before them.
  if (!name.empty() && lists.FileNames.MayEndIn(name.back()))
    for (const size_t length : lists.FileNames.Lengths())
      if (name.size() >= length) {
        const char before = name.size() == length ? '/' : name[name.size() - length - 1];
        if (before == '/' || before == '\\')
          if (const TFileKind kind = lists.FileNames.Find(name.substr(name.size() - length)); kind != fkUnknown)
            return kind;
      }
  // The extension follows the last "." (a name without one counts whole).
  // Only an extension of at most the longest word's length can match, so
  // only that many bytes and the dot before them are looked at: a dot further
  // back, or none in a name longer than that, matches nothing.
  const size_t longest = lists.Extensions.Longest();
  if (name.size() >= 8 && longest < 8) {
    // The name's last eight bytes as one number (the last byte highest): the
    // last "." among them is found at once, and the bytes after it are the
    // extension's key.
    uint64_t tail;
    std::memcpy(&tail, name.data() + name.size() - 8, 8);
    const uint64_t t = tail ^ (Ones * '.');
    const uint64_t dots = ~(((t & (Ones * 0x7F)) + Ones * 0x7F) | t | (Ones * 0x7F));
    if (dots == 0)
      return fkUnknown;
    const auto dot = static_cast<size_t>(63 - std::countl_zero(dots)) / 8;
    const size_t size = 7 - dot;
    if (size == 0 || size > longest)
      return fkUnknown;
    return lists.Extensions.FindShort(FoldedKey(tail >> (8 * (dot + 1))), size);
  }
  const size_t window = std::min(name.size(), longest + 1);
  for (size_t at = name.size(); at > name.size() - window; --at)
    if (name[at - 1] == '.')
      return lists.Extensions.Find(name.substr(at));
  return name.size() <= longest ? lists.Extensions.Find(name) : fkUnknown;
}
