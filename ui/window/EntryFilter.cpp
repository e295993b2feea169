#include "EntryFilter.h"

#include "EntryListModel.h"

#include <algorithm>
#include <fnmatch.h>

namespace {
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool ContainsIgnoringCase(std::string_view name, const std::string &text) {
  return std::search(name.begin(), name.end(), text.begin(), text.end(),
                     [](char a, char b) { return LowerAscii(a) == LowerAscii(b); }) != name.end();
}
} // namespace

bool IsShellPattern(const std::string &text) { return text.find_first_of("*?[") != std::string::npos; }

bool TEntryFilter::Shows(const TEntryRow &row) const {
  if (!Folder.empty() && row.Path.compare(0, Folder.size(), Folder) != 0)
    return false;
  if (Text.empty())
    return true;
  if (IsShellPattern(Text))
    return ::fnmatch(Text.c_str(), row.EntryName.data(), FNM_CASEFOLD) == 0; // the name ends in a zero byte
  return ContainsIgnoringCase(row.EntryName, Text);
}
