// SPDX-License-Identifier: GPL-3.0-or-later
// Helpers shared by the engine's sources; not part of the public interface.
#pragma once

#include <bit>
#include <cstdint>
#include <cstring>
#include <string>

#include "PakQuake.h"

class TPakFile;
struct stat;

// The working file's name inside the component's private folder.
inline constexpr const char *WorkingFileTitle = "~TMPPAK.PAK";

// Little-endian 32-bit fields, inline: the directory's readers and writers
// call them for every record.
inline int32_t ReadInt32(const unsigned char *bytes) {
  uint32_t value = static_cast<uint32_t>(bytes[0]) | static_cast<uint32_t>(bytes[1]) << 8 |
                   static_cast<uint32_t>(bytes[2]) << 16 | static_cast<uint32_t>(bytes[3]) << 24;
  return static_cast<int32_t>(value);
}
inline void WriteInt32(unsigned char *bytes, int32_t value) {
  auto bits = static_cast<uint32_t>(value);
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(bytes, &bits, 4); // one store
  } else {
    for (int i = 0; i < 4; ++i)
      bytes[i] = static_cast<unsigned char>(bits >> (8 * i));
  }
}
// The header of an archive that is still being written: "PACK" and -1 for the
// directory's position and size.
void FormatBareHeader(unsigned char *header);

// The path with one "/" at its end.
std::string WithTrailingSlash(std::string path);

// Names in undo records: "%", ":" and "," are written as "%XX", and so is a
// name of one character (its piece would look like a kind marker). Any other
// name is written as it stands.
std::string EscapeRecordName(const std::string &name);
// The same without the rule for one character, for names where no piece can
// look like a marker: entry records and the names of rename and move records.
std::string EscapeRecordField(const std::string &name);
// The same appended to text.
void AppendEscapedField(std::string &text, std::string_view name);
// Appends an entry's "name,position,size:" piece of a record (TQuakePak::EntryRecord).
void AppendEntryRecord(std::string &record, std::string_view name, int32_t position, int32_t size);
std::string UnescapeRecordName(const std::string &text);

// The parts of an entry name that lead out of, or nowhere in, the archive's
// tree of folders, split at "/" as the game splits them (the operations that
// make names turn "\\" into "/" first): one rule for the archive check and
// for every operation that makes names.
struct TNamePartFaults {
  bool LeadingSlash = false;
  // The first "." or ".." part; empty when there is none.
  std::string_view DotPart;
  // An empty part other than the one a leading "/" makes ("//", a "/" at
  // the end, or an empty name).
  bool EmptyPart = false;
  bool Any() const { return LeadingSlash || !DotPart.empty() || EmptyPart; }
};
TNamePartFaults NamePartFaults(std::string_view name);
// Why a new entry name may not be made, one sentence that quotes it and
// names its part: a leading "/", or an empty, "." or ".." part ("/"
// separates; names are made with ToEntrySlashes first). Empty for a name
// that stays inside the archive's tree.
std::string NamePartRefusal(const std::string &name);

// Whether a save may follow the symbolic link link (as lstat tells of it)
// that stands in folder (as stat tells of it), by the rule the Linux kernel
// follows links by under fs.protected_symlinks: in a folder that everyone may
// write to and whose sticky bit is set, only a link of the user saving (the
// effective user) or of the folder's owner is followed; anywhere else every
// link is.
bool MayFollowLink(const struct stat &folder, const struct stat &link);

// The file named title (any letter case) in the "id1" folder (any letter case)
// of a Quake directory ending in "/"; empty when there is none.
std::string FindStockFile(const std::string &quakeDirectory, const std::string &title);

// File-system predicates; each is false when the path cannot be examined.
bool IsRegularFile(const std::string &path);
bool IsDirectory(const std::string &path);
// Both paths name the same file (device and inode).
bool SameFile(const std::string &a, const std::string &b);
// Absolute, with links, "." and ".." resolved as far as the path exists.
std::string ResolvedPath(const std::string &path);
// Writes one 64-byte directory record at record: the name, zeros to the end
// of its field, position and size.
void FormatRecord(unsigned char *record, const TEntryName &name, int32_t position, int32_t size);

// What reading a directory learnt of the file besides its entries.
struct TDirectoryReport {
  int64_t FileSize = 0;
  // Where the records that were read lie in the file; length 0 when none were.
  int64_t DirectoryOffset = 0;
  int64_t DirectoryLength = 0;
  // Every way in which the file falls short of a sound archive.
  TCheckFindings Damage;
};

// Reads the directory of an open PAK file into list, never trusting a header
// field for an allocation or a read beyond the file. With a report, it is
// filled in, and entries whose data cannot lie in the file get a position
// past its end, so that reading them fails instead of reading other bytes.
// With roomToGrow the list's capacity leaves room for half as many entries
// again, for an archive that may be added to; without, it holds just the
// entries read.
void ReadDirectoryOf(TPakFile &file, std::vector<TDirEntry> &list, TDirectoryReport *report, bool roomToGrow = true);
// Asks for huge pages for a large block of memory not yet touched, and has
// its first used bytes made ready.
void AdviseLargeMemory(void *start, size_t bytes, size_t used);
// The magic at the start of an open file (any letter case).
bool HasPakMagic(TPakFile &file);
