// SPDX-License-Identifier: GPL-3.0-or-later
// Command-line arguments in the GNU manner: options and operands may mix,
// short flags bundle ("-lq"), a value follows its option as "-o DIR",
// "-oDIR", "--output DIR" or "--output=DIR", "--" ends the options, and a
// lone "-" is an operand.
#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

// What the shell offers to complete an option's value or an operand.
enum TCompletion : uint8_t {
  cpNothing, // free text
  cpWords,   // one of the option's Choices
  cpFolder,
  cpFile,
  cpArchive, // a .pak file
  cpEntry,   // an entry name of the archive given first
  cpPicture, // a picture lump or an image file
  cpPalette  // a .lmp file
};

// One option, as the parser reads it, help shows it and the shell completes it.
struct TOptionDef {
  char Short = '\0'; // '\0': no short form
  std::string_view Long;
  // The name of its value in help ("DIR"); empty for a flag.
  std::string_view Value;
  // One line of help.
  std::string_view Help;
  // More lines of help, shown in a command's help only.
  std::string_view Note;
  TCompletion Completes = cpNothing;
  // The values it takes, blank-separated, where they are a fixed few.
  std::string_view Choices;

  bool TakesValue() const { return !Value.empty(); }
};

inline constexpr char NoShort = '\0';
// An option without a value.
inline TOptionDef Flag(char shortName, std::string_view longName, std::string_view help, std::string_view note = {}) {
  return {shortName, longName, {}, help, note, cpNothing, {}};
}
// An option with a value named value, which the shell completes as completes says.
inline TOptionDef Valued(char shortName, std::string_view longName, std::string_view value, std::string_view help,
                         TCompletion completes, std::string_view choices = {}) {
  return {shortName, longName, value, help, {}, completes, choices};
}

// A mistake in the command line: the program says what and exits with 2.
class EUsage : public std::runtime_error {
public:
  using std::runtime_error::runtime_error;
};

class TArgs {
public:
  bool Has(std::string_view name) const;
  // The value given last to the option named by its long form, or fallback.
  std::string Value(std::string_view name, const std::string &fallback = {}) const;

  // Raises EUsage when both options were given.
  void Exclusive(std::string_view a, std::string_view b) const;

  // Long name and value (empty for a flag), in the order given.
  std::vector<std::pair<std::string, std::string>> Options;
  std::vector<std::string> Operands;
  // With stopAtOperand: the first operand and everything after it, untouched.
  std::vector<std::string> Rest;
};

// Raises EUsage for an unknown option, a missing value, or a value given to a flag.
TArgs ParseArgs(const std::vector<std::string> &args, const std::vector<TOptionDef> &known, bool stopAtOperand = false);
