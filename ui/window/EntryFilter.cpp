// SPDX-License-Identifier: GPL-3.0-or-later
#include "EntryFilter.h"

#include <algorithm>

namespace {
char LowerAscii(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool ContainsIgnoringCase(std::string_view name, const std::string &text) {
  return std::search(name.begin(), name.end(), text.begin(), text.end(),
                     [](char a, char b) { return LowerAscii(a) == LowerAscii(b); }) != name.end();
}
} // namespace

TCompiledFilter::TCompiledFilter(const TEntryFilter &filter) : m_Filter(filter) {
  TNamePattern pattern(filter.Text);
  if (!pattern.IsLiteral())
    m_Pattern.emplace(std::move(pattern));
}

bool TCompiledFilter::ShowsName(std::string_view entryName) const {
  if (m_Filter.Text.empty())
    return true;
  if (m_Pattern)
    return m_Pattern->Matches(entryName);
  return ContainsIgnoringCase(entryName, m_Filter.Text);
}
