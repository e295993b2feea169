// SPDX-License-Identifier: GPL-3.0-or-later
// The archive check: what in an archive the game or Varnel will lose or
// misread (errors), and what will likely not work as meant (warnings). Used
// by every front end; the findings are plain values to show as they like.
// Included through PakQuake.h.
#pragma once

#include "PakFormat.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <vector>

class TQuakePak;

enum TCheckSeverity : uint8_t { csError, csWarning };

// Which rule found it.
enum TCheckKind : uint8_t {
  ckDamage,   // the file falls short of a sound archive, as found reading it
  ckNotPak,   // the file is no PAK file at all
  ckTooMany,  // more entries than the game loads
  ckOverlap,  // data overlapping another entry's, the header or the directory
  ckEmpty,    // an entry of size 0
  ckSameName, // two entries of one name, in the same or other letter case
  ckName,     // a name the game cannot find
  ckShadowed, // never loaded: a place searched before it in the game holds the name (GameFolder.h)
  ckCaseTwin, // a file elsewhere in the game's search path differs from it in letter case only
};

struct TCheckFinding {
  TCheckSeverity Severity = csError;
  // The entry's place in the directory; -1 for the archive as a whole.
  int32_t Index = -1;
  // The entry's name as its record holds it; empty for the archive as a whole.
  std::string Entry;
  // One plain sentence.
  std::string Message;
  TCheckKind Kind = ckDamage;
};
using TCheckFindings = std::vector<TCheckFinding>;

// The finding as one line: "entry: message", or the message alone for the archive as a whole.
std::string FindingText(const TCheckFinding &finding);

// True when an entry's data lies wholly inside an archive file of fileSize
// bytes; an entry of size 0 always does, one of negative size never.
bool EntryDataInFile(const TDirEntry &entry, int64_t fileSize);

// Checks the archive file at path as it is on disk. Rules, in the order the
// findings of one entry come: damage found while reading (errors: a short
// header, a directory outside the file, fewer records than the header
// claims, a negative size, data outside the file); data overlapping another
// entry's, the header or the directory (error); size 0 (warning); a name
// that another entry has too (error), or has in other letter case (error:
// engines that ignore case find only one of them); names the game cannot
// find: all 56 bytes used, leaving no terminating zero (error), upper-case
// letters, a backslash, a leading "/", "." or ".." parts, empty parts, bytes
// outside printable ASCII (warnings); more than PakFormat::MaxGameEntries
// entries (error). Findings of the archive as a whole come first, then those
// of each entry in directory order. A file that is not a PAK file gives one
// error. Raises EInOutError when the file cannot be opened or read. Never
// allocates from header fields. The directory is read once, in batches
// through one bounded buffer, and never held whole: eachBatch, when given, is
// shown every batch of records (the first at index first) as they are read,
// so that a caller's own look at the entries needs no second reading.
using TRecordBatchVisitor = std::function<void(int64_t first, std::span<const TRecordView> records)>;
TCheckFindings CheckArchiveFile(const std::string &path, const TRecordBatchVisitor &eachBatch = {});

// Checks the open archive as it stands, unsaved changes included, by the
// same rules. The damage found when it was opened comes first: each of
// DamageFindings() as a finding of the archive as a whole, its message the
// line Damage() gives, its kind ckDamage. Overlaps are looked for among the
// entries whose data lies in the archive file. Nothing open: no findings.
// Never raises.
TCheckFindings CheckArchive(const TQuakePak &pak);
