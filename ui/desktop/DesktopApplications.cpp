// SPDX-License-Identifier: GPL-3.0-or-later
#include "DesktopApplications.h"

#include <QCollator>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QProcess>
#include <QSet>
#include <QStandardPaths>
#include <QTextStream>
#include <algorithm>

namespace {
// A value's escapes: \s \n \t \r and \\.
QString Unescape(const QString &value) {
  QString result;
  result.reserve(value.size());
  for (qsizetype i = 0; i < value.size(); ++i) {
    if (value[i] != u'\\' || i + 1 == value.size()) {
      result += value[i];
      continue;
    }
    switch (value[++i].unicode()) {
    case 's':
      result += u' ';
      break;
    case 'n':
      result += u'\n';
      break;
    case 't':
      result += u'\t';
      break;
    case 'r':
      result += u'\r';
      break;
    default:
      result += value[i];
      break;
    }
  }
  return result;
}

bool IsTrue(const QString &value) { return value == QLatin1String("true"); }

// The data folders' applications/ folders, the user's first.
QStringList ApplicationFolders() { return QStandardPaths::standardLocations(QStandardPaths::ApplicationsLocation); }

// Calls visit with each desktop file's path and id, in the search order, each
// id once: a file of the user's hides the system's file of that id.
template <typename Visit> void VisitDesktopFiles(Visit visit) {
  QSet<QString> seen;
  for (const QString &folder : ApplicationFolders()) {
    const QString prefix = folder + QLatin1Char('/');
    QDirIterator files(folder, {QStringLiteral("*.desktop")}, QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
      const QString path = files.next();
      QString id = path.mid(prefix.size());
      id.replace(QLatin1Char('/'), QLatin1Char('-'));
      if (seen.contains(id))
        continue;
      seen.insert(id);
      if (!visit(path, id))
        return;
    }
  }
}
} // namespace

std::optional<TDesktopApplication> ReadDesktopEntry(const QString &fileName, const QString &id) {
  QFile file(fileName);
  if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
    return std::nullopt;
  TDesktopApplication application;
  application.Id = id;
  application.File = fileName;
  QString tryExec;
  bool inEntry = false;
  QTextStream lines(&file);
  while (!lines.atEnd()) {
    const QString line = lines.readLine().trimmed();
    if (line.isEmpty() || line.startsWith(u'#'))
      continue;
    if (line.startsWith(u'[')) {
      if (inEntry)
        break; // the entry's own group is over
      inEntry = line == QLatin1String("[Desktop Entry]");
      continue;
    }
    const qsizetype equals = line.indexOf(u'=');
    if (!inEntry || equals < 0)
      continue;
    const QString key = line.left(equals).trimmed();
    const QString value = Unescape(line.mid(equals + 1).trimmed());
    if (key == QLatin1String("Name"))
      application.Name = value;
    else if (key == QLatin1String("Exec"))
      application.Exec = value;
    else if (key == QLatin1String("Icon"))
      application.Icon = value;
    else if (key == QLatin1String("TryExec"))
      tryExec = value;
    else if (key == QLatin1String("MimeType"))
      application.MimeTypes = value.split(u';', Qt::SkipEmptyParts);
    else if (key == QLatin1String("NoDisplay"))
      application.NoDisplay = IsTrue(value);
    else if (key == QLatin1String("Terminal"))
      application.Terminal = IsTrue(value);
    else if (key == QLatin1String("Hidden") && IsTrue(value))
      return std::nullopt;
  }
  if (application.Exec.isEmpty())
    return std::nullopt;
  if (!tryExec.isEmpty() && !(QFileInfo(tryExec).isAbsolute() ? QFileInfo(tryExec).isExecutable()
                                                              : !QStandardPaths::findExecutable(tryExec).isEmpty()))
    return std::nullopt;
  if (application.Name.isEmpty())
    application.Name = QFileInfo(fileName).completeBaseName();
  return application;
}

QList<TDesktopApplication> InstalledApplicationsFor(const QString &mimeType) {
  const QMimeType type = QMimeDatabase().mimeTypeForName(mimeType);
  const bool hasTerminal = !TerminalCommand().isEmpty();
  QList<TDesktopApplication> found;
  VisitDesktopFiles([&](const QString &path, const QString &id) {
    const std::optional<TDesktopApplication> application = ReadDesktopEntry(path, id);
    if (application && !application->NoDisplay && (hasTerminal || !application->Terminal) &&
        std::any_of(application->MimeTypes.begin(), application->MimeTypes.end(), [&](const QString &declared) {
          return declared == mimeType || (type.isValid() && type.inherits(declared));
        }))
      found << *application;
    return true;
  });
  QCollator collator;
  collator.setCaseSensitivity(Qt::CaseInsensitive);
  std::sort(found.begin(), found.end(), [&](const TDesktopApplication &a, const TDesktopApplication &b) {
    return collator.compare(a.Name, b.Name) < 0;
  });
  return found;
}

std::optional<TDesktopApplication> FindInstalledApplication(const QString &id) {
  std::optional<TDesktopApplication> found;
  // Hidden in the user's folder hides the system's entry as well: the first file of the id decides.
  VisitDesktopFiles([&](const QString &path, const QString &fileId) {
    if (fileId != id)
      return true;
    found = ReadDesktopEntry(path, id);
    return false;
  });
  return found;
}

QStringList TerminalCommand() {
  QStringList terminal = QProcess::splitCommand(qEnvironmentVariable("TERMINAL"));
  if (terminal.isEmpty() || QStandardPaths::findExecutable(terminal.first()).isEmpty())
    terminal = QStringList{QStringLiteral("x-terminal-emulator")};
  if (QStandardPaths::findExecutable(terminal.first()).isEmpty())
    return {};
  return terminal << QStringLiteral("-e");
}

namespace {
// text as one word of a shell: in single quotes, each of its own as '\''.
QString ShellQuoted(QString text) {
  text.replace(u'\'', QStringLiteral("'\\''"));
  return u'\'' + text + u'\'';
}

bool IsBlank(QChar c) { return c == u' ' || c == u'\t' || c == u'\n'; }

// Characters that a backslash escapes inside a quoted argument.
bool IsQuotedEscape(QChar c) { return c == u'"' || c == u'`' || c == u'$' || c == u'\\'; }
} // namespace

QStringList ProgramCommand(const TDesktopApplication &application, const QString &path) {
  const QString &exec = application.Exec;
  QStringList command;
  QString argument;
  bool quoted = false;    // inside double quotes
  bool hadQuotes = false; // the argument has quotes: "" is an empty argument of its own
  bool tookFile = false;
  auto endArgument = [&] {
    if (!argument.isEmpty() || hadQuotes)
      command << argument;
    argument.clear();
    hadQuotes = false;
  };
  // What a code stands for, as part of the argument being read.
  auto append = [&](const QString &value) { argument += quoted ? ShellQuoted(value) : value; };
  for (qsizetype i = 0; i < exec.size(); ++i) {
    const QChar c = exec[i];
    if (c == u'"') {
      quoted = !quoted;
      hadQuotes = true;
    } else if (c == u'\\' && i + 1 < exec.size() && (!quoted || IsQuotedEscape(exec[i + 1]))) {
      argument += exec[++i];
    } else if (!quoted && IsBlank(c)) {
      endArgument();
    } else if (c != u'%' || i + 1 == exec.size()) {
      argument += c;
    } else {
      switch (exec[++i].unicode()) {
      case '%':
        argument += u'%';
        break;
      case 'f':
      case 'F':
      case 'u':
      case 'U':
        append(path);
        tookFile = true;
        break;
      case 'c':
        append(application.Name);
        break;
      case 'k':
        append(application.File);
        break;
      case 'i':
        // Two arguments of their own, and only where the code is a whole argument.
        if (!quoted && argument.isEmpty() && !hadQuotes && (i + 1 == exec.size() || IsBlank(exec[i + 1])) &&
            !application.Icon.isEmpty())
          command << QStringLiteral("--icon") << application.Icon;
        break;
      default:
        break; // deprecated (%d %D %n %N %v %m) or unknown: dropped
      }
    }
  }
  endArgument();
  if (command.isEmpty())
    return {};
  // A program that names no file in its command line gets the file last.
  if (!tookFile)
    command << path;
  if (application.Terminal) {
    const QStringList terminal = TerminalCommand();
    if (terminal.isEmpty())
      return {};
    command = terminal + command;
  }
  return command;
}
