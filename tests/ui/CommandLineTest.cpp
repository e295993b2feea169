// SPDX-License-Identifier: GPL-3.0-or-later
#include "CommandLine.h"

#include <QtTest>

// What the program prints and its exit statuses are checked on the built
// program (tests/dist/CommandLine.cmake); here, what reaches the window.
class CommandLineTest : public QObject {
  Q_OBJECT

private slots:
  void FilesReachTheWindowAndOptionsEndTheProgram() {
    const TCommandLine plain = ReadCommandLine({"varnel", "maps.pak", "other.pak"});
    QVERIFY(!plain.ExitStatus);
    QCOMPARE(plain.Archives, QStringList({"maps.pak", "other.pak"}));
    QVERIFY(ReadCommandLine({"varnel"}).Archives.isEmpty());

    // After "--" a name that looks like an option is a file.
    const TCommandLine dashed = ReadCommandLine({"varnel", "--", "-odd.pak"});
    QVERIFY(!dashed.ExitStatus);
    QCOMPARE(dashed.Archives, QStringList({"-odd.pak"}));

    QCOMPARE(ReadCommandLine({"varnel", "--help-all"}).ExitStatus, std::optional<int>(0));
    const TCommandLine wrong = ReadCommandLine({"varnel", "a.pak", "--bogus"});
    QCOMPARE(wrong.ExitStatus, std::optional<int>(2));
    QVERIFY(wrong.Archives.isEmpty());
  }

  // Before the window system starts the whole line is read, Qt's own options
  // known: help, version and a wrong option are answered, and only a line
  // that starts the window waits for it.
  void AnswersWithoutDisplay() {
    const auto answer = [](QList<QByteArray> arguments) {
      std::vector<char *> argv;
      for (QByteArray &argument : arguments)
        argv.push_back(argument.data());
      return AnswerWithoutDisplay(static_cast<int>(argv.size()), argv.data());
    };
    QCOMPARE(answer({"varnel", "--version"}), std::optional<int>(0));
    QCOMPARE(answer({"varnel", "a.pak", "-h"}), std::optional<int>(0));
    QCOMPARE(answer({"varnel", "-platform", "offscreen", "--version"}), std::optional<int>(0));
    QCOMPARE(answer({"varnel", "--bogus"}), std::optional<int>(2));
    QCOMPARE(answer({"varnel", "-style", "fusion", "-bogus", "a.pak"}), std::optional<int>(2));
    QCOMPARE(answer({"varnel", "a.pak"}), std::nullopt);
    QCOMPARE(answer({"varnel", "-platform", "offscreen", "--reverse", "-qwindowtitle", "T", "a.pak"}), std::nullopt);
    // Qt's options and their values are not archives.
    QCOMPARE(ReadCommandLine({"varnel", "-style", "fusion", "a.pak"}).Archives, QStringList({"a.pak"}));
  }
};

QTEST_GUILESS_MAIN(CommandLineTest)
#include "CommandLineTest.moc"
