// SPDX-License-Identifier: GPL-3.0-or-later
// Shared by the command-line tests: running the built varnel-cli in a
// scratch folder, reading its JSON lines back, and comparing trees.
#pragma once

#include "TestSupport.h"

#include <map>
#include <string>
#include <vector>

struct TRun {
  // The exit status; 128 + the signal's number when a signal ended it.
  int Status = -1;
  std::string Out;
  std::string Err;
};

// Runs varnel-cli with args in folder cwd, with TMPDIR and XDG_CONFIG_HOME
// pointing at folders below scratch (so no settings of the window are read
// unless a test writes them there).
TRun RunCli(const TTempDir &scratch, const std::string &cwd, const std::vector<std::string> &args);

// Where a run's standard output and standard error go, for
// RunCliAttached: each to a pseudo-terminal of its own (raw: bytes arrive as
// written), or else to a pipe; and the locale the program runs in.
struct TAttachment {
  bool OutputOnTerminal = false;
  bool ErrorsOnTerminal = false;
  std::string Locale = "C.UTF-8";
};
TRun RunCliAttached(const TTempDir &scratch, const std::string &cwd, const std::vector<std::string> &args,
                    const TAttachment &attachment);

// One JSON object of a line of output: each value as text (strings decoded,
// characters U+0000..U+00FF back to bytes). Raises std::runtime_error for
// anything that is not one flat JSON object.
std::map<std::string, std::string> ParseJsonLine(const std::string &line);
std::vector<std::string> Lines(const std::string &text);

// Every file below root with its bytes, by relative path; folders as "path/".
std::map<std::string, std::string> TreeOf(const std::string &root);
