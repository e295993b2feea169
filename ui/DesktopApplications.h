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
  QStringList MimeTypes;
  bool NoDisplay = false; // kept out of the lists the user picks from
};

// The [Desktop Entry] group of a desktop file; none when the file cannot be
// read, is hidden (deleted), has no Exec, or its TryExec program is missing.
std::optional<TDesktopApplication> ReadDesktopEntry(const QString &fileName, const QString &id);

// The applications that declare the MIME type, or a type it inherits, and
// are shown to the user, sorted by name. Where two data folders hold one id,
// the first in the search order (the user's, then the system's) counts.
QList<TDesktopApplication> InstalledApplicationsFor(const QString &mimeType);

// The installed application of that desktop file id, shown or not.
std::optional<TDesktopApplication> FindInstalledApplication(const QString &id);

// The program and arguments that start exec on the file: %f %F %u %U stand
// for path, %% for "%", every other field code is dropped. Empty when exec
// names no program.
QStringList ProgramCommand(const QString &exec, const QString &path);
