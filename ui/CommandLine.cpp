#include "CommandLine.h"

#include <QCommandLineParser>
#include <QCoreApplication>

#include <cstdio>

namespace {
// The status of a command line that asks for something the program does not
// offer, as command-line tools use it for wrong usage.
constexpr int UsageErrorStatus = 2;

void Print(FILE *stream, const QString &text) {
  std::fputs(text.toLocal8Bit().constData(), stream);
  std::fflush(stream);
}
} // namespace

TCommandLine ReadCommandLine(const QStringList &arguments) {
  QCommandLineParser parser;
  parser.setApplicationDescription(QStringLiteral("Varnel edits the PAK archives of the game Quake."));
  const QCommandLineOption helpOption = parser.addHelpOption();
  const QCommandLineOption versionOption = parser.addVersionOption();
  parser.addPositionalArgument(QStringLiteral("archive"), QStringLiteral("The PAK archive to open."),
                               QStringLiteral("[archive.pak]"));

  TCommandLine result;
  const QString program = QStringLiteral("varnel");
  if (!parser.parse(arguments)) {
    Print(stderr, program + QStringLiteral(": ") + parser.errorText() + u'\n' +
                      QStringLiteral("Usage: %1 [options] [archive.pak]\n").arg(program) +
                      QStringLiteral("Try '%1 --help' for more information.\n").arg(program));
    result.ExitStatus = UsageErrorStatus;
  } else if (parser.isSet(helpOption) || parser.isSet(QStringLiteral("help-all"))) {
    Print(stdout, parser.helpText());
    result.ExitStatus = 0;
  } else if (parser.isSet(versionOption)) {
    Print(stdout, QStringLiteral("Varnel %1\n").arg(QCoreApplication::applicationVersion()));
    result.ExitStatus = 0;
  } else {
    result.Archives = parser.positionalArguments();
  }
  return result;
}
