// varnel-cli as a whole: the program's options, choosing the command,
// help and version, and turning what escapes a command into an exit status.
#include "CliArchive.h"
#include "CliCommands.h"
#include "CliOutput.h"

#include <algorithm>

#ifndef VARNEL_VERSION
#define VARNEL_VERSION "unknown"
#endif

namespace {

const std::vector<TCommand> &Commands() {
  static const std::vector<TCommand> commands = [] {
    std::vector<TCommand> all = ReadingCommands();
    std::vector<TCommand> editing = EditingCommands();
    all.insert(all.end(), editing.begin(), editing.end());
    std::vector<TCommand> pictures = PictureCommands();
    all.insert(all.end(), pictures.begin(), pictures.end());
    return all;
  }();
  return commands;
}

const TCommand *FindCommand(std::string_view name) {
  auto found =
      std::find_if(Commands().begin(), Commands().end(), [&](const TCommand &command) { return command.Name == name; });
  return found == Commands().end() ? nullptr : &*found;
}

std::string ProgramHelp() {
  std::string text = "Usage: varnel-cli [OPTIONS] COMMAND [ARGS...]\n"
                     "\n"
                     "Lists, extracts, checks and edits Quake PAK archives with the engine of\n"
                     "the Varnel editor. Edits are saved as the editor saves: an archive file is\n"
                     "replaced only by a complete new one.\n"
                     "\n"
                     "Commands:\n";
  for (const TCommand &command : Commands()) {
    std::string name(command.Name);
    name.resize(10, ' ');
    text += "  " + name + std::string(command.Summary) + "\n";
  }
  text += "\n"
          "Options (also after the command):\n"
          "  -h, --help         help of the program, or of a command\n"
          "  --version          the program's version\n"
          "  -q, --quiet        no progress line\n"
          "  --keep-case        keep upper-case letters in new entry names\n"
          "  --spaces=RULE      spaces in new entry names: keep (default), delete, underscore\n"
          "\n"
          "Exit status: 0 all went well; 1 the check found problems, or some entries\n"
          "or files could not be done (each reported); 2 a usage error, or a failure\n"
          "that stopped the command.\n"
          "\n"
          "'varnel-cli COMMAND --help' shows a command's options; man varnel-cli tells more.\n";
  return text;
}

int Run(const std::vector<std::string> &arguments) {
  std::vector<TOptionDef> programOptions = WithCommonOptions({{'\0', "version", false}});
  const TArgs program = ParseArgs(arguments, programOptions, true);
  if (program.Has("version")) {
    WriteOut(std::string(ProgramName) + " " + VARNEL_VERSION + "\n");
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
    TArgs args = ParseArgs(rest, WithCommonOptions(command->Options));
    // The program's options count as the command's own, given first.
    args.Options.insert(args.Options.begin(), program.Options.begin(), program.Options.end());
    if (args.Has("help")) {
      WriteOut(command->Help);
      FinishOutput();
      return ExitDone;
    }
    if (args.Operands.size() < command->MinOperands)
      throw EUsage("too few arguments");
    if (args.Operands.size() > command->MaxOperands)
      throw EUsage("too many arguments");
    // A wrong --spaces is a usage error for every command, also those that make no names.
    SpaceRule(args);
    return command->Run(args);
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
