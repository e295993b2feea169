// SPDX-License-Identifier: GPL-3.0-or-later
// The program's command line: options answered at once, and the archives to open.
#pragma once

#include <QStringList>

#include <optional>

struct TCommandLine {
  // The files named on the command line, in order; the window opens the first.
  QStringList Archives;
  // Set when the program ends at once: after --help or --version (0), or after
  // a wrong option (2). The text has been printed by then.
  std::optional<int> ExitStatus;
};

// Reads the whole command line, Qt's own options known, before the window
// system starts: --help, --version and a wrong option are answered without a
// display, and their exit status returned; nothing when the window is to start.
std::optional<int> AnswerWithoutDisplay(int argc, char *argv[]);

// Reads arguments (the program's name first, as QCoreApplication::arguments()
// gives it once the application has taken its own options out). Help and
// version go to standard output, errors with a usage line to standard error.
TCommandLine ReadCommandLine(const QStringList &arguments);
