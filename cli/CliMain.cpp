// SPDX-License-Identifier: GPL-3.0-or-later
// varnel-cli as a whole: the program's options, choosing the command,
// help and version, and turning what escapes a command into an exit status.
#include "CliArchive.h"
#include "CliCommands.h"
#include "CliOutput.h"
#include "VarnelProduct.h"

#include <algorithm>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace {

// The run of each command of the table, joined by name.
TCommandRun FindRun(std::string_view name) {
  static const std::vector<TNamedRun> runs = [] {
    std::vector<TNamedRun> all = ReadingCommands();
    for (const std::vector<TNamedRun> &more :
         {EditingCommands(), PictureCommands(), QuakeCommands(), GameFolderCommands()})
      all.insert(all.end(), more.begin(), more.end());
    return all;
  }();
  auto found = std::find_if(runs.begin(), runs.end(), [&](const TNamedRun &run) { return run.Name == name; });
  if (found == runs.end())
    throw std::logic_error("the command " + std::string(name) + " has no run");
  return found->Run;
}

// Archives are read by position and replaced whole, which a pipe cannot do:
// "-" as an archive is refused rather than taken for a file of that name.
void RefuseStreamArchives(const TCommand &command, const std::vector<std::string> &operands) {
  for (size_t i = 0; i < operands.size(); ++i)
    if (operands[i] == "-" && (i == 0 ? command.FirstOperand : command.LaterOperands) == cpArchive)
      throw EUsage("-: an archive cannot be read from standard input or written to standard output; "
                   "name a file (./- for a file named -)");
}

// The build's own use: "--generate TEMPLATE OUTPUT" writes the man page or
// the bash completion with the command table filled in. Not in the help.
int Generate(const std::string &templatePath, const std::string &outputPath) {
  std::ifstream in(templatePath, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  if (!in)
    throw ECliFailure(templatePath + ": cannot be read");
  std::ofstream out(outputPath, std::ios::binary | std::ios::trunc);
  out << FillTemplate(text.str());
  out.close();
  if (!out)
    throw ECliFailure(outputPath + ": cannot be written");
  return ExitDone;
}

int Run(const std::vector<std::string> &arguments) {
  if (arguments.size() == 3 && arguments[0] == "--generate")
    return Generate(arguments[1], arguments[2]);
  const TArgs program = ParseArgs(arguments, OptionsBeforeCommand(), true);
  if (program.Has("version")) {
    WriteOut(std::string(ProgramName) + " " + VarnelVersion + "\n" + VarnelCopyright + "\n" + VarnelLicenceNotice);
    FinishOutput();
    return ExitDone;
  }
  if (program.Rest.empty()) {
    if (!program.Has("help"))
      throw EUsage("no command given");
    WriteOut(ProgramHelp());
    FinishOutput();
    return ExitDone;
  }
  std::string name = program.Rest.front();
  std::vector<std::string> rest(program.Rest.begin() + 1, program.Rest.end());
  // "help COMMAND" is "COMMAND --help".
  if (name == "help") {
    if (rest.empty()) {
      WriteOut(ProgramHelp());
      FinishOutput();
      return ExitDone;
    }
    name = rest.front();
    rest = {"--help"};
  }
  const TCommand *command = FindCommand(name);
  if (command == nullptr)
    throw EUsage("unknown command '" + name + "'");
  try {
    TArgs args = ParseArgs(rest, OptionsOfCommand(*command));
    // The program's options count as the command's own, given first.
    args.Options.insert(args.Options.begin(), program.Options.begin(), program.Options.end());
    if (args.Has("help")) {
      WriteOut(CommandHelp(*command));
      FinishOutput();
      return ExitDone;
    }
    if (args.Operands.size() < command->MinOperands)
      throw EUsage("too few arguments");
    if (args.Operands.size() > command->MaxOperands)
      throw EUsage("too many arguments");
    RefuseStreamArchives(*command, args.Operands);
    // A wrong --spaces is a usage error for every command, also those that make no names.
    SpaceRule(args);
    return FindRun(command->Name)(args);
  } catch (const EUsage &mistake) {
    throw EUsage(std::string(command->Name) + ": " + mistake.what() + " (see varnel-cli " + std::string(command->Name) +
                 " --help)");
  }
}

} // namespace

int RunCli(const std::vector<std::string> &args) {
  try {
    return Run(args);
  } catch (const EUsage &mistake) {
    std::string text = mistake.what();
    if (text.find("--help)") == std::string::npos)
      text += " (see varnel-cli --help)";
    ReportError(text);
  } catch (const EInterrupted &interruption) {
    return -interruption.Signal();
  } catch (const std::exception &failure) {
    ReportError(failure.what());
  }
  return ExitFailed;
}
