// SPDX-License-Identifier: GPL-3.0-or-later
// Entry kinds by name, read from the table in PakKinds.h.
#include "PakKinds.h"

#include "PakQuake.h"

#include <algorithm>

namespace {
// Whether a space-separated list of the table holds the word, letter case
// ignored. The entry list asks this for every row: nothing is allocated.
bool ListHolds(std::string_view list, std::string_view word) {
  while (!list.empty()) {
    const size_t end = std::min(list.find(' '), list.size());
    if (end > 0 && SameTextAscii(list.substr(0, end), word))
      return true;
    list.remove_prefix(std::min(end + 1, list.size()));
  }
  return false;
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

TFileKind FileKindOf(const std::string &name) {
  // A whole file name (palette.lmp) decides before the extension that it
  // shares with another kind (picture lumps).
  const std::string file = EntryFileName(name);
  for (const TFileKindInfo &info : FileKinds)
    if (ListHolds(info.FileNames, file))
      return info.Kind;
  const std::string extension = EntryExtension(name, false);
  for (const TFileKindInfo &info : FileKinds)
    if (ListHolds(info.Extensions, extension))
      return info.Kind;
  return fkUnknown;
}
