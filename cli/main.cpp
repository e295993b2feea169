// SPDX-License-Identifier: GPL-3.0-or-later
// varnel-cli: the archive engine of Varnel from the command line.
#include "CliCommands.h"
#include "CliOutput.h"

#include <csignal>
#include <string>
#include <vector>

int main(int argc, char **argv) {
  InstallInterruptHandlers();
  const int status = RunCli(std::vector<std::string>(argv + 1, argv + argc));
  if (status < 0) {
    // Everything is cleaned up: end by the signal, so that the caller (a
    // shell loop, make) knows the command was interrupted.
    std::signal(-status, SIG_DFL);
    std::raise(-status);
  }
  return status;
}
