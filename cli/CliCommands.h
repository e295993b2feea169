// The subcommands of varnel-cli: their names, help texts, options and runs.
#pragma once

#include "CliArgs.h"

#include <cstddef>
#include <string_view>
#include <vector>

struct TCommand {
  std::string_view Name;
  // One line for the program's help.
  std::string_view Summary;
  // The command's own help: its usage line, what it does, its options.
  std::string_view Help;
  // Beyond the common ones.
  std::vector<TOptionDef> Options;
  size_t MinOperands = 0;
  size_t MaxOperands = 0;
  // Returns the exit status; raises for failures that stop the command.
  int (*Run)(const TArgs &args) = nullptr;
};

// list, cat, extract, check.
std::vector<TCommand> ReadingCommands();
// create, add, delete, rename, move.
std::vector<TCommand> EditingCommands();
// convert.
std::vector<TCommand> PictureCommands();

// The whole program, from the arguments after its name to the exit status;
// an interruption by a signal comes back as minus the signal's number.
int RunCli(const std::vector<std::string> &args);
