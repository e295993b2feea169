// SPDX-License-Identifier: GPL-3.0-or-later
// The programs installed on the desktop, as freedesktop desktop entries
// (applications/*.desktop below the user's and the system's data folders),
// and how one of them is started on a file.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

struct TDesktopApplication {
  QString Id;   // the desktop file id: its path below applications/, "/" as "-"
  QString Name; // what the user knows it by
  QString Exec; // its command line, with field codes such as %f
  QString Icon; // a theme icon name or an icon file; may be empty
  QString File; // the desktop file it was read from
  QStringList MimeTypes;
  bool NoDisplay = false; // kept out of the lists the user picks from
  bool Terminal = false;  // a program for a terminal: it runs in the desktop's terminal
};

// The [Desktop Entry] group of a desktop file; none when the file cannot be
// read, is hidden (deleted), has no Exec, or its TryExec program is missing.
std::optional<TDesktopApplication> ReadDesktopEntry(const QString &fileName, const QString &id);

// The applications that declare the MIME type, or a type it inherits, and
// are shown to the user, sorted by name; programs for a terminal only when
// the desktop has a terminal to run them in. Where two data folders hold one id,
// the first in the search order (the user's, then the system's) counts.
QList<TDesktopApplication> InstalledApplicationsFor(const QString &mimeType);

// The installed application of that desktop file id, shown or not.
std::optional<TDesktopApplication> FindInstalledApplication(const QString &id);

// The desktop's terminal with the option that runs a command in it:
// $TERMINAL, else x-terminal-emulator, then "-e". Empty when neither is found.
QStringList TerminalCommand();

// The program and arguments that start the application on the file, by the
// quoting rules of the Exec key: arguments split at blanks outside double
// quotes; inside them \" \` \$ \\ stand for the character. %f %F %u %U
// stand for path (the file last when none is there), %c for the name, %k for
// the desktop file, %i for "--icon" and the icon (nothing without one), %%
// for "%"; deprecated and unknown codes go. Inside a quoted argument, which
// is a shell's command line in practice ("sh -c ..."), what a code stands for
// is put in a shell's single quotes, so the shell takes it as one word. A
// program for a terminal is started in the desktop's terminal. Empty when
// exec names no program, or when a terminal is needed and there is none.
QStringList ProgramCommand(const TDesktopApplication &application, const QString &path);
