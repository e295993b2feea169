// SPDX-License-Identifier: GPL-3.0-or-later
// The table of varnel-cli's commands and options, the one place each is
// written: the parser, the help texts, the man page's synopsis and the bash
// completion are all made from it (CliTable.cpp holds it, CliHelp.cpp shows
// it). The commands' runs live with their code and join the table by name.
#pragma once

#include "CliArgs.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct TCommand {
  std::string_view Name;
  // What follows the name on the command line, as help's usage line shows it.
  std::string_view Synopsis;
  // One line for the program's help.
  std::string_view Summary;
  // What the command does: the text of its help between the usage line and the options.
  std::string_view Description;
  // Beyond the program's options.
  std::vector<TOptionDef> Options;
  // Help's last lines, after the options.
  std::string_view Epilogue;
  // It makes entry names, so its help tells the options of the name rules.
  bool MakesNames = false;
  size_t MinOperands = 0;
  size_t MaxOperands = 0;
  // What the shell completes for the first operand and for those after it.
  TCompletion FirstOperand = cpNothing;
  TCompletion LaterOperands = cpNothing;
};

// Where an option of the program may be given.
enum TOptionPlace : uint8_t {
  opBeforeCommand, // only before the command (--version)
  opAnywhere,      // before or after the command
  opNameRule       // anywhere; the commands that make names tell it in their help
};

struct TProgramOption {
  TOptionDef Option;
  TOptionPlace Place = opAnywhere;
};

// The commands in the order help lists them.
const std::vector<TCommand> &CommandTable();
// The options of the program itself.
const std::vector<TProgramOption> &ProgramOptions();
// nullptr for an unknown name.
const TCommand *FindCommand(std::string_view name);
// Everything the parser knows before the command, or after it (the
// program's options given there, then the command's own).
std::vector<TOptionDef> OptionsBeforeCommand();
std::vector<TOptionDef> OptionsOfCommand(const TCommand &command);

// The program's help, and a command's.
std::string ProgramHelp();
std::string CommandHelp(const TCommand &command);

// A template with the table's parts put in for its markers: @VERSION@,
// @MAN_SETTINGS_FILE@, @MAN_SYNOPSIS@ for the man page, @BASH_...@ for the
// bash completion (see varnel-cli.1.in and varnel-cli.bash.in). Raises
// std::runtime_error for a marker it does not know.
std::string FillTemplate(std::string_view text);

// The run of one command: returns the exit status; raises for failures that
// stop the command.
using TCommandRun = int (*)(const TArgs &args);
struct TNamedRun {
  std::string_view Name;
  TCommandRun Run = nullptr;
};
// list, cat, extract, check.
std::vector<TNamedRun> ReadingCommands();
// create, add, delete, rename, move.
std::vector<TNamedRun> EditingCommands();
// convert.
std::vector<TNamedRun> PictureCommands();
// textures.
std::vector<TNamedRun> QuakeCommands();
// which, overview, diff.
std::vector<TNamedRun> GameFolderCommands();

struct TEngineProfile;
// The engine profile --profile names (the original engine's when it is not
// given); raises EUsage for an unknown one.
const TEngineProfile *GameProfile(const TArgs &args);
// The profiles' names, blank-separated.
std::string ProfileNames();

// The whole program, from the arguments after its name to the exit status;
// an interruption by a signal comes back as minus the signal's number.
int RunCli(const std::vector<std::string> &args);
