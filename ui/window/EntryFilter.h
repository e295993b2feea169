// SPDX-License-Identifier: GPL-3.0-or-later
// What the entry list shows of the archive: the entries below one folder of
// the folder tree, narrowed by the filter box's text.
#pragma once

#include <string>

struct TEntryRow;

struct TEntryFilter {
  // The folder's stored path ending in "/"; empty: the whole archive.
  std::string Folder;
  // Text the name contains (letter case ignored), or a shell pattern ("*",
  // "?", "[...]") the whole name matches, "*" also across "/"; empty: any.
  std::string Text;

  bool ShowsAll() const { return Folder.empty() && Text.empty(); }
  bool Shows(const TEntryRow &row) const;
  bool operator==(const TEntryFilter &) const = default;
};

// Whether the filter text is a shell pattern rather than text to look for.
bool IsShellPattern(const std::string &text);
