// SPDX-License-Identifier: GPL-3.0-or-later
// How the engine's operations fail: result codes and exceptions. Included
// through PakQuake.h.
//
// Each operation reports a refusal one way, fixed per kind of operation:
// - Opening (OpenPak), setting the Quake directory and renaming raise the
//   typed exceptions below; RenameEntry on an archive that may not be changed
//   raises EPakFileProtected.
// - Every other editing operation (adding, replacing, deleting, moving,
//   extracting, undo) and every save returns a TResultCode; on an archive
//   that may not be changed (a stock archive while ProtectID1Pak is set) it
//   returns prProtected and changes nothing. Results are [[nodiscard]]: a
//   caller that drops one drops a refusal.
// - A file that cannot be read or written raises EInOutError, naming it.
// The lines of TQuakePak::Failures() say, file by file, what a failing
// operation could not do and why.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

// Result codes of the editing and saving operations, one numbering across the
// engine; the numbers never change.
enum TResultCode : uint8_t {
  prDone = 0,
  prEmptyList = 1,
  prNoPath = 3,
  prBadSize = 4,
  prProtected = 5,
  prNoArchive = 7,
  prNoFile = 9,
  prFileTooShort = 13,
  prWriteFailed = 14,
  prCancelled = 15,
  prNothingToUndo = 16,
};

// One plain sentence that says what a result code means; a number without a
// name gets a sentence that says so.
const char *ResultText(uint8_t code);

class EInvalidQuakeDir : public std::runtime_error {
public:
  EInvalidQuakeDir() : std::runtime_error("Invalid Quake directory") {}
};

class EInvalidPakFile : public std::runtime_error {
public:
  EInvalidPakFile() : std::runtime_error("Not a valid PAK file.") {}
};

class EPakFileProtected : public std::runtime_error {
public:
  EPakFileProtected() : std::runtime_error("Cannot rename file in protected PAK file.") {}
};

// A new entry name refused; the message is one of the three below, or the
// sentence that names a part of the name leading out of the archive's tree.
class EInvalidFileName : public std::runtime_error {
public:
  explicit EInvalidFileName(const std::string &message) : std::runtime_error(message) {}
};

inline constexpr const char *NameExistsMessage = "Specified file name already exists in PAK file.";
inline constexpr const char *NameTooLongMessage = "File name too long: an entry name holds at most 56 bytes.";
inline constexpr const char *NameEmptyMessage = "The new name names no file.";

// An input/output failure; the message names the file and the system's reason.
class EInOutError : public std::runtime_error {
public:
  EInOutError(const std::string &fileName, int errorCode);
  EInOutError(const std::string &fileName, const std::string &reason);
  const std::string &FileName() const { return m_FileName; }

private:
  std::string m_FileName;
};

// A number in an undo record that is not a decimal integer.
class EConvertError : public std::runtime_error {
public:
  explicit EConvertError(const std::string &text) : std::runtime_error("'" + text + "' is not a valid integer value") {}
};
