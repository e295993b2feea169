// SPDX-License-Identifier: GPL-3.0-or-later
// Entry kinds by name, read from the table in PakKinds.h.
#include "PakKinds.h"

#include "PakQuake.h"

#include <algorithm>

namespace {
// The first eight bytes of a word (zero after its end) as one number, so
// that most words are told apart by one comparison.
uint64_t WordKey(std::string_view word) {
  uint64_t key = 0;
  for (size_t i = 0; i < std::min<size_t>(word.size(), 8); ++i)
    key |= uint64_t{static_cast<unsigned char>(word[i])} << (8 * i);
  return key;
}

// One word of the table's lists and the kind of the row it is first met in.
struct TKindWord {
  uint64_t Key;
  std::string_view Word;
  TFileKind Kind;
};

// The table's whole file names and extensions as two lists of words, in
// table order, made once: classifying a name (the entry list and the check
// ask it of every entry) then costs a few comparisons of numbers.
struct TKindWords {
  std::vector<TKindWord> FileNames;
  std::vector<TKindWord> Extensions;
  size_t Longest = 0;
};

const TKindWords &KindWordLists() {
  static const TKindWords lists = [] {
    TKindWords made;
    for (const TFileKindInfo &info : FileKinds) {
      for (std::string_view word : KindWords(info.FileNames))
        made.FileNames.push_back({WordKey(word), word, info.Kind});
      for (std::string_view word : KindWords(info.Extensions))
        made.Extensions.push_back({WordKey(word), word, info.Kind});
    }
    for (const auto *list : {&made.FileNames, &made.Extensions})
      for (const TKindWord &word : *list)
        made.Longest = std::max(made.Longest, word.Word.size());
    return made;
  }();
  return lists;
}

// The kind of the first word of list that is text (already lower case), or fkUnknown.
TFileKind KindOfWord(const std::vector<TKindWord> &list, std::string_view text) {
  const uint64_t key = WordKey(text);
  for (const TKindWord &word : list)
    if (word.Key == key && word.Word == text)
      return word.Kind;
  return fkUnknown;
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
  // Each part is lower-cased into a small buffer; a longer one is no word of the table.
  char lower[32];
  auto lowered = [&](std::string_view part) -> std::string_view {
    if (part.size() > lists.Longest || part.size() > sizeof lower)
      return {};
    for (size_t i = 0; i < part.size(); ++i)
      lower[i] = (part[i] >= 'A' && part[i] <= 'Z') ? static_cast<char>(part[i] - 'A' + 'a') : part[i];
    return {lower, part.size()};
  };
  // The file part follows the last "/" or "\\"; the extension the last ".".
  size_t separator = std::string_view::npos;
  size_t dot = std::string_view::npos;
  for (size_t i = name.size(); i-- > 0 && separator == std::string_view::npos;) {
    if (name[i] == '/' || name[i] == '\\')
      separator = i;
    else if (name[i] == '.' && dot == std::string_view::npos)
      dot = i;
  }
  if (dot == std::string_view::npos && separator != std::string_view::npos)
    dot = name.rfind('.', separator);
  // A whole file name (palette.lmp) decides before the extension that it
  // shares with another kind (picture lumps).
  const std::string_view file = separator == std::string_view::npos ? name : name.substr(separator + 1);
  if (const std::string_view word = lowered(file); !word.empty())
    if (const TFileKind kind = KindOfWord(lists.FileNames, word); kind != fkUnknown)
      return kind;
  const std::string_view extension = dot == std::string_view::npos ? name : name.substr(dot + 1);
  if (const std::string_view word = lowered(extension); !word.empty())
    return KindOfWord(lists.Extensions, word);
  return fkUnknown;
}
