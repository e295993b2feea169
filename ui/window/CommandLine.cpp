// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include "VarnelProduct.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {
// The status of a command line that asks for something the program does not
// offer, as command-line tools use it for wrong usage.
constexpr int UsageErrorStatus = 2;

const char *const UsageLine = "Usage: varnel [options] [archive.pak]";

void Print(FILE *stream, const QString &text) {
  std::fputs(text.toLocal8Bit().constData(), stream);
  std::fflush(stream);
}

// The options that QGuiApplication and QApplication take out of the command
// line, so that the whole line can be read before the window system starts.
void AddQtOptions(QCommandLineParser &parser) {
  const char *const withValue[] = {"platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry",
                                   "geometry", "qwindowtitle", "title", "qwindowicon", "icon", "session", "display",
                                   "name", "style", "stylesheet", "qmljsdebugger"};
  const char *const flags[] = {"reverse", "widgetcount", "sync", "nograb", "dograb"};
  const auto add = [&parser](const char *name, const QString &valueName) {
    QCommandLineOption option(QString::fromLatin1(name), QString(), valueName);
    option.setFlags(QCommandLineOption::HiddenFromHelp);
    parser.addOption(option);
  };
  for (const char *name : withValue)
    add(name, QStringLiteral("value"));
  for (const char *name : flags)
    add(name, QString());
}

TCommandLine Read(const QStringList &arguments) {
  QCommandLineParser parser;
  // Qt's options are words after one dash ("-platform offscreen").
  parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
  parser.setApplicationDescription(QStringLiteral("Varnel edits the PAK archives of the game Quake."));
  const QCommandLineOption helpOption = parser.addHelpOption();
  const QCommandLineOption versionOption = parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("archive"), QStringLiteral("The PAK archive to open."),
                               QStringLiteral("[archive.pak]"));
  AddQtOptions(parser);

  TCommandLine result;
  if (!parser.parse(arguments)) {
    Print(stderr, QStringLiteral("varnel: %1\n%2\nTry 'varnel --help' for more information.\n")
                      .arg(parser.errorText(), QLatin1String(UsageLine)));
    result.ExitStatus = UsageErrorStatus;
  } else if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
    // The parser's own usage line names the program by the path it was started with.
    const QString help = parser.helpText();
    Print(stdout, QLatin1String(UsageLine) + help.mid(help.indexOf(u'\n')));
    result.ExitStatus = 0;
  } else if (parser.isSet(versionOption)) {
    Print(stdout, QStringLiteral("Varnel %1\n%2\n%3")
                      .arg(QCoreApplication::applicationVersion(), QLatin1String(VarnelCopyright),
                           QLatin1String(VarnelLicenceNotice)));
    result.ExitStatus = 0;
  } else {
    result.Archives = parser.positionalArguments();
  }
  return result;
}
} // namespace

std::optional<int> AnswerWithoutDisplay(int argc, char *argv[]) {
  QStringList arguments;
  for (int i = 0; i < argc; ++i)
    arguments << QString::fromLocal8Bit(argv[i]);
  return Read(arguments).ExitStatus;
}

TCommandLine ReadCommandLine(const QStringList &arguments) { return Read(arguments); }
