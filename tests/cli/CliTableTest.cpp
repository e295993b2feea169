// SPDX-License-Identifier: GPL-3.0-or-later
// The places varnel-cli's command table is shown: the man page and the bash
// completion the build made, read as a user meets them (the page's prose,
// the completion run in bash), each against every command and option of
// the table, and the version they and the program name.
#include "CliCommands.h"
#include "CliTestSupport.h"
#include "VarnelProduct.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <gtest/gtest.h>
#include <set>
#include <sstream>

namespace {

std::string RoffName(std::string_view text) {
  std::string roff;
  for (char c : text)
    roff += c == '-' ? std::string("\\-") : std::string(1, c);
  return roff;
}

// The text from the line beginning with start to the next line beginning
// with any of ends (or the end); empty when start is missing.
std::string Section(const std::string &page, const std::string &start, const std::vector<std::string> &ends) {
  const size_t from = page.find("\n" + start);
  if (from == std::string::npos)
    return {};
  size_t to = page.size();
  for (const std::string &end : ends)
    to = std::min(to, page.find("\n" + end, from + 1));
  return page.substr(from, to - from);
}

// The option "--name" or "-n" in roff, not as the start of a longer one ("--skip" in "--skip-existing").
bool Mentions(const std::string &text, const std::string &option) {
  const std::string roff = RoffName(option);
  for (size_t at = text.find(roff); at != std::string::npos; at = text.find(roff, at + 1)) {
    const std::string_view after = std::string_view(text).substr(at + roff.size());
    if (after.empty() || !(std::isalnum(static_cast<unsigned char>(after.front())) || after.starts_with("\\-")))
      return true;
  }
  return false;
}

std::vector<std::string> OptionNames(const TOptionDef &option) {
  std::vector<std::string> names{"--" + std::string(option.Long)};
  if (option.Short != NoShort)
    names.push_back(std::string("-") + option.Short);
  return names;
}

// A program option as the completion offers it: "--spaces=" for one whose value is one of a few words.
std::string CompletionWord(const TOptionDef &option) {
  return "--" + std::string(option.Long) + (option.Choices.empty() ? "" : "=");
}

} // namespace

TEST(CliTable, ManPageTellsEveryCommandAndOptionAndTheProgramsVersion) {
  const std::string page = ReadFileBytes(VARNEL_CLI_MAN_PAGE);
  TTempDir scratch;
  EXPECT_EQ(RunCli(scratch, scratch.Path(), {"--version"}).Out,
            std::string("varnel-cli ") + VarnelVersion + "\n" + VarnelCopyright + "\n" + VarnelLicenceNotice);
  const size_t title = page.find("\n.TH ") + 1;
  EXPECT_EQ(page.substr(title, page.find('\n', title) - title),
            std::string(".TH VARNEL-CLI 1 \"") + VarnelReleaseDate + "\" \"Varnel " + VarnelVersion + "\" \"User Commands\"");

  const std::string synopsis = Section(page, ".SH SYNOPSIS", {".SH"});
  const std::string commands = Section(page, ".SH COMMANDS", {".SH"});
  for (const TCommand &command : CommandTable()) {
    const std::string name(command.Name);
    EXPECT_NE(synopsis.find("\n.B " + name + "\n"), std::string::npos) << name;
    // Each command's paragraph tells each of its options.
    const std::string paragraph = Section(commands, ".BI " + name + " ", {".TP", ".SH"});
    ASSERT_FALSE(paragraph.empty()) << "no paragraph for " << name;
    for (const TOptionDef &option : command.Options)
      for (const std::string &optionName : OptionNames(option))
        EXPECT_TRUE(Mentions(paragraph, optionName)) << name << " " << optionName;
  }
  const std::string options = Section(page, ".SH OPTIONS", {".SH"});
  for (const TProgramOption &option : ProgramOptions())
    for (const std::string &optionName : OptionNames(option.Option))
      EXPECT_TRUE(Mentions(options, optionName)) << optionName;
  // The window's settings file, by the name the program reads.
  EXPECT_NE(page.find(RoffName(VarnelSettingsFileName)), std::string::npos);
}

TEST(CliTable, CompletionOffersEveryCommandAndOption) {
  // bash-completion's helpers stand in: each query sets the words and the
  // cursor, and prints what the completion offers, one line.
  TTempDir scratch;
  WriteFileBytes(scratch.File("a.pak"), BuildPak({}));
  std::string script = "cd '" + scratch.Path() +
                       "'\nsource " VARNEL_CLI_COMPLETION "\n"
                       "_init_completion() { words=(\"${COMP_WORDS[@]}\"); cword=$COMP_CWORD;"
                       " cur=${words[cword]}; prev=${words[cword-1]}; }\n"
                       "_filedir() { COMPREPLY+=(\"<files $*>\"); }\n"
                       "compopt() { :; }\n"
                       // The entries of a.pak: a plain name, one with a space, and one
                       // with a quote and what the shell would expand.
                       "varnel-cli() { [[ $3 == a.pak ]] && printf '%s\\n' maps/e1m1.bsp 'maps/my map.bsp'"
                       " \"it's \\$(date).wav\"; }\n"
                       "query() { COMP_WORDS=(varnel-cli \"$@\"); COMP_CWORD=$#; COMPREPLY=();"
                       " _varnel_cli; echo \"${COMPREPLY[*]}\"; }\n";
  std::vector<std::vector<std::string>> queries{{""}, {"-"}};
  for (const TCommand &command : CommandTable())
    queries.push_back({std::string(command.Name), "-"});
  // An option's value is no operand: the entries of a.pak come next.
  queries.push_back({"extract", "-o", "out", "a.pak", ""});
  queries.push_back({"add", "a.pak", "--spaces", ""});
  // Entry names are offered quoted for the shell, matched against the word
  // as typed: escaped, or inside an opening quote.
  const std::vector<std::pair<std::string, std::string>> names{
      {"", "maps/e1m1.bsp maps/my\\ map.bsp it\\'s\\ \\$\\(date\\).wav"},
      {"maps/my", "maps/my\\ map.bsp"},
      {"maps/my\\ m", "maps/my\\ map.bsp"},
      {"'maps/my", "maps/my map.bsp"},
      {"it\\'s\\ $", "it\\'s\\ \\$\\(date\\).wav"},
  };
  for (const auto &name : names) {
    std::string word;
    for (char c : name.first)
      word += c == '\'' ? std::string("'\\''") : std::string(1, c);
    queries.push_back({"cat", "a.pak", word});
  }
  for (const std::vector<std::string> &query : queries) {
    script += "query";
    for (const std::string &word : query)
      script += " '" + word + "'";
    script += "\n";
  }
  WriteFileBytes(scratch.File("complete.sh"), script);
  std::string output;
  if (FILE *bash = ::popen(("bash " + scratch.File("complete.sh") + " 2>&1").c_str(), "r")) {
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, bash)) > 0;)
      output.append(buffer, got);
    ASSERT_EQ(::pclose(bash), 0) << output;
  }
  const std::vector<std::string> offered = Lines(output);
  ASSERT_EQ(offered.size(), queries.size()) << output;
  auto words = [](const std::string &line) {
    std::set<std::string> set;
    std::istringstream in(line);
    for (std::string word; in >> word;)
      set.insert(word);
    return set;
  };

  const std::set<std::string> commandWords = words(offered[0]);
  const std::set<std::string> programWords = words(offered[1]);
  for (const TProgramOption &option : ProgramOptions())
    EXPECT_TRUE(programWords.contains(CompletionWord(option.Option))) << option.Option.Long;
  for (size_t i = 0; i < CommandTable().size(); ++i) {
    const TCommand &command = CommandTable()[i];
    EXPECT_TRUE(commandWords.contains(std::string(command.Name))) << command.Name;
    const std::set<std::string> optionWords = words(offered[2 + i]);
    for (const TOptionDef &option : command.Options)
      for (const std::string &name : OptionNames(option))
        EXPECT_TRUE(optionWords.contains(name)) << command.Name << " " << name;
    for (const TProgramOption &option : ProgramOptions())
      if (option.Place != opBeforeCommand) {
        EXPECT_TRUE(optionWords.contains(CompletionWord(option.Option))) << command.Name << " " << option.Option.Long;
      }
  }
  const size_t firstName = queries.size() - names.size();
  EXPECT_EQ(offered[firstName - 2], names.front().second);
  EXPECT_EQ(offered[firstName - 1], "keep delete underscore");
  for (size_t i = 0; i < names.size(); ++i)
    EXPECT_EQ(offered[firstName + i], names[i].second) << "typed: " << names[i].first;
}
