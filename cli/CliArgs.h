// Command-line arguments in the GNU manner: options and operands may mix,
// short flags bundle ("-lq"), a value follows its option as "-o DIR",
// "-oDIR", "--output DIR" or "--output=DIR", "--" ends the options, and a
// lone "-" is an operand.
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

struct TOptionDef {
  char Short = '\0'; // '\0': no short form
  std::string_view Long;
  bool TakesValue = false;
};

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
