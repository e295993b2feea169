// SPDX-License-Identifier: GPL-3.0-or-later
// The command table shown: the program's help and each command's, and the
// parts of the man page and the bash completion that the build makes from
// the table.
#include "CliCommands.h"
#include "CliOutput.h"
#include "VarnelProduct.h"

#include <algorithm>
#include <map>
#include <stdexcept>

namespace {

// The program's options line up at this column wherever help shows them.
constexpr size_t ProgramOptionColumn = 21;

std::string OptionLabel(const TOptionDef &option) {
  std::string label;
  if (option.Short != NoShort)
    label = std::string("-") + option.Short + ", ";
  label += "--" + std::string(option.Long);
  // A value from a fixed few is shown joined, as it is usually written.
  if (option.TakesValue())
    label += (option.Choices.empty() ? " " : "=") + std::string(option.Value);
  return label;
}

size_t WidestLabel(const std::vector<TOptionDef> &options) {
  size_t widest = 0;
  for (const TOptionDef &option : options)
    widest = std::max(widest, OptionLabel(option).size());
  return widest;
}

// One line an option, its help starting at column; with notes, their lines below it.
std::string OptionLines(const std::vector<TOptionDef> &options, size_t column, bool withNotes) {
  std::string text;
  for (const TOptionDef &option : options) {
    std::string line = "  " + OptionLabel(option);
    line.resize(std::max(column, line.size() + 1), ' ');
    text += line + std::string(option.Help) + "\n";
    if (!withNotes || option.Note.empty())
      continue;
    std::string_view note = option.Note;
    while (!note.empty()) {
      const size_t end = std::min(note.find('\n'), note.size());
      text += std::string(column, ' ') + std::string(note.substr(0, end)) + "\n";
      note.remove_prefix(std::min(end + 1, note.size()));
    }
  }
  return text;
}

std::vector<TOptionDef> NameRuleOptions() {
  std::vector<TOptionDef> options;
  for (const TProgramOption &option : ProgramOptions())
    if (option.Place == opNameRule)
      options.push_back(option.Option);
  return options;
}

// Roff text: a hyphen is "\-" (a minus sign that copies as "-"), a backslash "\e".
std::string Roff(std::string_view text) {
  std::string roff;
  for (char c : text)
    roff += c == '-' ? "\\-" : c == '\\' ? "\\e" : std::string(1, c);
  return roff;
}

// A usage line in roff: options bold, operands (words beginning with a
// capital) italic, brackets, bars and ellipses roman.
std::string RoffSynopsis(std::string_view synopsis) {
  std::string roff;
  size_t at = 0;
  while (at < synopsis.size()) {
    const size_t end = std::min(synopsis.find_first_of(" []|", at), synopsis.size());
    if (end == at) {
      roff += synopsis[at++];
      continue;
    }
    std::string_view word = synopsis.substr(at, end - at);
    std::string_view ellipsis;
    if (word.ends_with("...")) {
      ellipsis = "...";
      word.remove_suffix(3);
    }
    const char *font = word.front() == '-' ? "\\fB" : "\\fI";
    roff += font + Roff(word) + "\\fR" + std::string(ellipsis);
    at = end;
  }
  return roff;
}

std::string ManSynopsis() {
  std::string roff;
  for (const TCommand &command : CommandTable()) {
    if (!roff.empty())
      roff += ".br\n";
    roff += ".B " + Roff(ProgramName) + "\n.RI [ OPTIONS ]\n.B " + Roff(command.Name) + "\n" +
            RoffSynopsis(command.Synopsis) + "\n";
  }
  // The marker has a line of its own, which ends it.
  roff.pop_back();
  return roff;
}

const char *CompletionName(TCompletion completion) {
  switch (completion) {
  case cpNothing:
    return "nothing";
  case cpWords:
    return "words";
  case cpFolder:
    return "folder";
  case cpFile:
    return "file";
  case cpArchive:
    return "archive";
  case cpEntry:
    return "entry";
  case cpPicture:
    return "picture";
  case cpPalette:
    return "palette";
  }
  return "nothing";
}

// A word of a bash array's item, quoted.
std::string BashQuoted(std::string_view text) {
  std::string quoted = "'";
  for (char c : text)
    quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

// The words that complete the program's options, with or without those
// only given before the command; an option whose value is one of a few
// words completes as "--name=".
std::string BashProgramOptions(bool beforeCommand) {
  std::string words;
  for (const TProgramOption &option : ProgramOptions()) {
    if (!beforeCommand && option.Place == opBeforeCommand)
      continue;
    words +=
        (words.empty() ? "--" : " --") + std::string(option.Option.Long) + (option.Option.Choices.empty() ? "" : "=");
  }
  return words;
}

// Every option that takes a value, by each of its names, with what completes
// it, as items of a bash associative array: [-o]=folder [--output]=folder.
// With choices, its words instead, for the options that have them.
std::string BashOptionValues(bool choices) {
  std::vector<TOptionDef> options = OptionsBeforeCommand();
  for (const TCommand &command : CommandTable())
    options.insert(options.end(), command.Options.begin(), command.Options.end());
  std::map<std::string, std::string> items;
  for (const TOptionDef &option : options) {
    if (!option.TakesValue() || (choices && option.Choices.empty()))
      continue;
    const std::string value = choices ? std::string(option.Choices) : CompletionName(option.Completes);
    std::vector<std::string> names{"--" + std::string(option.Long)};
    if (option.Short != NoShort)
      names.push_back(std::string("-") + option.Short);
    for (const std::string &name : names) {
      // The shell knows an option by its name alone: the same name must
      // complete alike in every command.
      auto [item, added] = items.emplace(name, value);
      if (!added && item->second != value)
        throw std::runtime_error("option " + name + " completes differently in two commands");
    }
  }
  std::string text;
  for (const auto &[name, value] : items)
    text += (text.empty() ? "[" : " [") + name + "]=" + BashQuoted(value);
  return text;
}

// One item a command, [NAME]=WHAT, WHAT made by what.
template <typename TWhat> std::string BashCommandItems(TWhat what) {
  std::string text;
  for (const TCommand &command : CommandTable())
    text += (text.empty() ? "[" : " [") + std::string(command.Name) + "]=" + BashQuoted(what(command));
  return text;
}

std::string BashCommandOptions(const TCommand &command) {
  std::string words;
  for (const TOptionDef &option : command.Options) {
    if (option.Short != NoShort)
      words += (words.empty() ? "-" : " -") + std::string(1, option.Short);
    words += (words.empty() ? "--" : " --") + std::string(option.Long);
  }
  return words;
}

} // namespace

std::string ProgramHelp() {
  std::string text = "Usage: " + std::string(ProgramName) +
                     " [OPTIONS] COMMAND [ARGS...]\n"
                     "\n"
                     "Lists, extracts, checks and edits Quake PAK archives with the engine of\n"
                     "the Varnel editor. Edits are saved as the editor saves: an archive file is\n"
                     "replaced only by a complete new one.\n"
                     "\n"
                     "Commands:\n";
  for (const TCommand &command : CommandTable()) {
    std::string name(command.Name);
    name.resize(10, ' ');
    text += "  " + name + std::string(command.Summary) + "\n";
  }
  text += "\nOptions (also after the command):\n" + OptionLines(OptionsBeforeCommand(), ProgramOptionColumn, false) +
          "\n"
          "Exit status: 0 all went well; 1 the check found problems, or some entries\n"
          "or files could not be done (each reported); 2 a usage error, or a failure\n"
          "that stopped the command.\n"
          "\n"
          "'varnel-cli COMMAND --help' shows a command's options; man varnel-cli tells more.\n";
  return text;
}

std::string CommandHelp(const TCommand &command) {
  std::string text = "Usage: " + std::string(ProgramName) + " " + std::string(command.Name) + " " +
                     std::string(command.Synopsis) + "\n\n" + std::string(command.Description);
  if (!command.Options.empty() || command.MakesNames)
    text += "\n";
  // A command's own options line up among themselves, and no further left
  // than the name-rule options when it shows those too.
  size_t column = 2 + WidestLabel(command.Options) + 3;
  if (command.MakesNames)
    column = std::max(column, ProgramOptionColumn);
  text += OptionLines(command.Options, column, true);
  if (command.MakesNames)
    text += OptionLines(NameRuleOptions(), ProgramOptionColumn, true);
  return text + std::string(command.Epilogue);
}

std::string FillTemplate(std::string_view text) {
  const std::map<std::string, std::string, std::less<>> parts = {
      {"VERSION", VarnelVersion},
      {"RELEASE_DATE", VarnelReleaseDate},
      {"HOMEPAGE", VarnelHomepage},
      {"COPYRIGHT", VarnelCopyright},
      {"MAN_SETTINGS_FILE", Roff(VarnelSettingsFileName)},
      {"MAN_SYNOPSIS", ManSynopsis()},
      {"BASH_COMMANDS",
       [] {
         std::string names;
         for (const TCommand &command : CommandTable()) {
           if (!names.empty())
             names += ' ';
           names += command.Name;
         }
         return names;
       }()},
      {"BASH_PROGRAM_OPTIONS", BashProgramOptions(true)},
      {"BASH_COMMON_OPTIONS", BashProgramOptions(false)},
      {"BASH_OPTION_VALUES", BashOptionValues(false)},
      {"BASH_OPTION_CHOICES", BashOptionValues(true)},
      {"BASH_COMMAND_OPTIONS", BashCommandItems(BashCommandOptions)},
      {"BASH_FIRST_OPERANDS",
       BashCommandItems([](const TCommand &command) { return std::string(CompletionName(command.FirstOperand)); })},
      {"BASH_LATER_OPERANDS",
       BashCommandItems([](const TCommand &command) { return std::string(CompletionName(command.LaterOperands)); })},
  };
  // A marker is @NAME@, NAME of capitals and underscores; nothing else the
  // templates hold looks so.
  std::string filled;
  size_t at = 0;
  while (at < text.size()) {
    const size_t open = text.find('@', at);
    const size_t close = open == std::string_view::npos ? open : text.find('@', open + 1);
    if (close == std::string_view::npos) {
      filled += text.substr(at);
      break;
    }
    const std::string_view name = text.substr(open + 1, close - open - 1);
    const bool isMarker = !name.empty() && std::all_of(name.begin(), name.end(),
                                                       [](char c) { return (c >= 'A' && c <= 'Z') || c == '_'; });
    if (!isMarker) {
      filled += text.substr(at, close - at);
      at = close;
      continue;
    }
    auto part = parts.find(name);
    if (part == parts.end())
      throw std::runtime_error("unknown marker @" + std::string(name) + "@");
    filled += text.substr(at, open - at);
    filled += part->second;
    at = close + 1;
  }
  return filled;
}
