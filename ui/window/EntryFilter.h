// SPDX-License-Identifier: GPL-3.0-or-later
// What the entry list shows of the archive: the entries below one folder of
// the folder tree, narrowed by the filter box's text.
#pragma once

#include "PakQuake.h"

#include <optional>
#include <string>
#include <string_view>

struct TEntryFilter {
  // The folder's stored path ending in "/"; empty: the whole archive.
  std::string Folder;
  // Text the name contains (letter case ignored), or a shell pattern with
  // wildcards ("*", "?", "[...]"), matched by the engine's rule for patterns
  // (TNamePattern: "*.wav" is every sound at any depth, "maps/*.bsp" the
  // maps directly in maps); empty: any.
  std::string Text;

  bool ShowsAll() const { return Folder.empty() && Text.empty(); }
  bool operator==(const TEntryFilter &) const = default;
};

// A filter made ready to test many rows: its pattern is compiled once, and
// no row costs an allocation.
class TCompiledFilter {
public:
  explicit TCompiledFilter(const TEntryFilter &filter);
  // Whether the text lets the entry through; the folder is the caller's to
  // test, once per folder rather than once per row.
  bool ShowsName(std::string_view entryName) const;

private:
  const TEntryFilter &m_Filter;
  std::optional<TNamePattern> m_Pattern; // set when the text has wildcards
};
