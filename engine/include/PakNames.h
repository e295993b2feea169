// SPDX-License-Identifier: GPL-3.0-or-later
// Entry names, disk paths and the small text routines the engine, the window
// and the command line share. Included through PakQuake.h.
//
// Entry names use "/" (a "\" also separates); disk paths use the native
// separator. Comparisons and case changes touch the ASCII letters only.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What happens to spaces in new entry names: left, removed, or turned into "_".
enum TSpaceHandle : uint8_t { shLeave, shDelete, shUnderscore };
// A new archive component's rule, and the options' until they are read.
inline constexpr TSpaceHandle DefaultSpaceHandle = shUnderscore;

// The part after the last "/" or "\"; the whole name without one.
std::string EntryFileName(const std::string &name);
// The part before the last "/" or "\"; with addSlash a "/" is appended when not empty.
std::string EntryDirectory(const std::string &name, bool addSlash);
// The part after the last "." anywhere in the name (slashes do not stop the
// search); with withDot the dot too. A name without any "." is returned
// whole in both forms: "wav" is its own extension. Callers that want "no
// extension" for such a name test for the dot themselves.
std::string EntryExtension(const std::string &name, bool withDot);
// Cuts the head off text at the first separator (all of it when there is none).
std::string SplitAt(std::string &text, char separator);

// The relative disk path that extraction writes an entry under: its whole
// name with keepPaths, else its file part; confined below the destination
// ("/" and "\\" split, a leading "C:" and empty, "." and ".." parts dropped).
// Empty when the name has no file part: such an entry is passed over.
std::string ExtractionPath(const std::string &name, bool keepPaths);

// Only the letters A to Z (a to z) change; every other byte stays as it is.
std::string AsciiLower(std::string text);
std::string AsciiUpper(std::string text);
// Equal but for the letter case of A to Z.
bool SameTextAscii(std::string_view a, std::string_view b);
// Hexadecimal digits (0-9, a-f, A-F), all of text and nothing else (no sign,
// no "0x"), as a number; none when text is empty, holds anything else, or
// the number needs more than 32 bits.
std::optional<uint32_t> ParseHex(std::string_view text);

// Size of a disk file: 0 when it does not exist, -1 when it cannot be sized.
int64_t FileSizeOf(const std::string &path);
// The directory part of a disk path, up to and including its last "/" (empty without one).
std::string PathDirectory(const std::string &path);
// Creates a directory with every missing parent. Failures are not reported:
// the file operation that follows fails instead.
void ForceDirectories(const std::string &directory);
