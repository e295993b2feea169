// SPDX-License-Identifier: GPL-3.0-or-later
// Editing with a program the user picks: the installed applications read from
// desktop entries in data folders of the test's own, their command lines by
// the Exec key's rules, the choice kept per extension for the next plain Edit
// and in the settings, and the update question naming the program. The
// session's programs are never started; one command line is run by the test.
#include "DesktopApplications.h"
#include "WindowSession.h"

#include <QCheckBox>
#include <QListWidget>
#include <QtTest>

namespace {
QByteArray DesktopEntry(const QByteArray &lines) { return "[Desktop Entry]\nType=Application\n" + lines; }

QStringList Ids(const QList<TDesktopApplication> &applications) {
  QStringList ids;
  for (const TDesktopApplication &application : applications)
    ids << application.Id;
  return ids;
}
} // namespace

class EditWithTest : public QObject {
  Q_OBJECT
private slots:
  void initTestCase();
  void ReadsTheInstalledApplications();
  void BuildsCommandLinesByTheExecRules();
  void PickedProgramIsKeptAndNamed();
  void EntryNamesReachNoShell();

private:
  QTemporaryDir m_Data;
};

void EditWithTest::initTestCase() {
  // The user's data folder, then the system's: an entry of the user's hides the system's entry of that id.
  const QString user = m_Data.filePath(QStringLiteral("user/applications/"));
  const QString system = m_Data.filePath(QStringLiteral("system/applications/"));
  WriteBytes(user + "fake-edit.desktop",
             DesktopEntry("Name=Fake Edit\nName[de]=Falsch\nExec=fakeedit --line=1 %U %i 100%%\nMimeType=text/plain;\n"
                          "\n[Desktop Action New]\nName=Other\nMimeType=image/png;\n"));
  WriteBytes(user + "tools/hex.desktop",
             DesktopEntry("Name=Hex Tool\nTryExec=sh\nExec=\"/opt/hex tool/hex\" %f\nMimeType=text/plain;\n"));
  WriteBytes(user + "gone.desktop", DesktopEntry("Name=Gone\nExec=gone\nHidden=true\n"));
  WriteBytes(user + "quiet.desktop", DesktopEntry("Name=Quiet\nExec=quiet %f\nNoDisplay=true\nMimeType=text/plain;\n"));
  WriteBytes(user + "missing.desktop",
             DesktopEntry("Name=Missing\nTryExec=/nonexistent/missing\nExec=missing\nMimeType=text/plain;\n"));
  WriteBytes(user + "picture.desktop", DesktopEntry("Name=Picture\nExec=picture %F\nMimeType=image/png;\n"));
  WriteBytes(system + "fake-edit.desktop", DesktopEntry("Name=System Fake\nExec=sysfake\nMimeType=text/plain;\n"));
  WriteBytes(system + "gone.desktop", DesktopEntry("Name=Gone\nExec=gone\nMimeType=text/plain;\n"));
  WriteBytes(system + "alpha.desktop", DesktopEntry("Name=alpha writer\nExec=alpha\nMimeType=text/plain;\n"));
  WriteBytes(system + "console.desktop",
             DesktopEntry("Name=Console Edit\nExec=vi %f\nTerminal=true\nMimeType=text/x-python;\n"));
  // Not offered for any type: kept for .txt by one test only. Its command line wraps the file in a shell's.
  WriteBytes(user + "shell-edit.desktop", DesktopEntry("Name=Shell Edit\nExec=sh -c \"cat %f > copied.out\"\n"));
  // The desktop's terminal, as $TERMINAL names it.
  const QString terminal = m_Data.filePath(QStringLiteral("bin/my-terminal"));
  WriteBytes(terminal, "#!/bin/sh\n");
  QFile::setPermissions(terminal, QFile::ReadOwner | QFile::ExeOwner);
  qputenv("TERMINAL", terminal.toLocal8Bit());
  // The system's MIME database stays in reach: the types are read from the data folders too.
  const QString types = QStandardPaths::locate(QStandardPaths::GenericDataLocation, QStringLiteral("mime/mime.cache"));
  if (!types.isEmpty())
    QFile::link(QFileInfo(types).absolutePath(), m_Data.filePath(QStringLiteral("system/mime")));
  qputenv("XDG_DATA_HOME", m_Data.filePath(QStringLiteral("user")).toLocal8Bit());
  qputenv("XDG_DATA_DIRS", m_Data.filePath(QStringLiteral("system")).toLocal8Bit());
}

void EditWithTest::ReadsTheInstalledApplications() {
  // A type inheriting text/plain finds the text programs, by name; hidden, not shown and unusable ones stay out.
  const QList<TDesktopApplication> text = InstalledApplicationsFor(QStringLiteral("text/x-python"));
  QCOMPARE(Ids(text), QStringList({"alpha.desktop", "console.desktop", "fake-edit.desktop", "tools-hex.desktop"}));
  QCOMPARE(text[2].Name, QStringLiteral("Fake Edit"));
  QCOMPARE(Ids(InstalledApplicationsFor(QStringLiteral("image/png"))), QStringList({"picture.desktop"}));
  QVERIFY(FindInstalledApplication(QStringLiteral("quiet.desktop")).has_value());
  QVERIFY(!FindInstalledApplication(QStringLiteral("gone.desktop")).has_value());
  QVERIFY(!FindInstalledApplication(QStringLiteral("missing.desktop")).has_value());

  // A program for a terminal runs in the desktop's terminal; without one it is neither offered nor started.
  const QString file = QStringLiteral("/tmp/a b.txt");
  const QString terminal = qEnvironmentVariable("TERMINAL");
  QCOMPARE(ProgramCommand(text[1], file), QStringList({terminal, "-e", "vi", file}));
  const QByteArray path = qgetenv("PATH");
  qputenv("TERMINAL", "/nonexistent/terminal");
  // A search path with a shell (a TryExec wants it) and no terminal.
  const QString bin = m_Data.filePath(QStringLiteral("path"));
  QVERIFY(QDir().mkpath(bin));
  QFile::link(QStringLiteral("/bin/sh"), bin + QStringLiteral("/sh"));
  qputenv("PATH", bin.toLocal8Bit());
  const QList<TDesktopApplication> withoutTerminal = InstalledApplicationsFor(QStringLiteral("text/x-python"));
  const QStringList withoutCommand = ProgramCommand(text[1], file);
  qputenv("PATH", path);
  qputenv("TERMINAL", terminal.toLocal8Bit());
  QCOMPARE(Ids(withoutTerminal), QStringList({"alpha.desktop", "fake-edit.desktop", "tools-hex.desktop"}));
  QVERIFY(withoutCommand.isEmpty());
}

void EditWithTest::BuildsCommandLinesByTheExecRules() {
  // Exec values as they read after the desktop file's own escapes; FILE is the file handed over.
  struct TCase {
    const char *Exec;
    QStringList Expected;
  };
  const TCase cases[] = {
      {"fakeedit --line=1 %U %i 100%%", {"fakeedit", "--line=1", "FILE", "--icon", "fake-icon", "100%"}},
      {"\"/opt/hex tool/hex\" %f", {"/opt/hex tool/hex", "FILE"}},
      {"plain -x", {"plain", "-x", "FILE"}},
      // Quoted arguments keep blanks and reserved characters; \" \` \$ \\ stand for the character.
      {R"(prog "a  b" "say \"hi\"" "\$HOME \`x\`" "back\\slash" "" end)",
       {"prog", "a  b", "say \"hi\"", "$HOME `x`", "back\\slash", "", "end", "FILE"}},
      // %i is "--icon" and the icon, %c the name, %k the desktop file; deprecated codes go.
      {"prog %i %c %k --x=%d%N %m %F",
       {"prog", "--icon", "fake-icon", "Fake Name", "/apps/fake.desktop", "--x=", "FILE"}},
      // A shell's command line: the file is one word of it, whatever it holds.
      {"sh -c \"vim %f\"", {"sh", "-c", "vim '/tmp/it'\\''s;touch PWNED;.txt'"}},
  };
  TDesktopApplication application;
  application.Name = QStringLiteral("Fake Name");
  application.Icon = QStringLiteral("fake-icon");
  application.File = QStringLiteral("/apps/fake.desktop");
  const QString hostile = QStringLiteral("/tmp/it's;touch PWNED;.txt");
  for (const TCase &c : cases) {
    application.Exec = QString::fromUtf8(c.Exec);
    QStringList expected = c.Expected;
    expected.replaceInStrings(QStringLiteral("FILE"), hostile);
    QCOMPARE(ProgramCommand(application, hostile), expected);
  }
  // Without an icon, %i is nothing at all.
  application.Icon.clear();
  application.Exec = QStringLiteral("prog %i %f");
  QCOMPARE(ProgramCommand(application, hostile), QStringList({"prog", hostile}));
}

void EditWithTest::PickedProgramIsKeptAndNamed() {
  TWindowSession session;
  session.Start();
  session.OpenFresh(session.Archive(QStringLiteral("mod.pak"),
                                    {{"docs/a.txt", "a"}, {"docs/b.txt", "b"}, {"c.wav", "c"}, {"d.cfg", "d"}}));
  TScriptedDesktop &desktop = session.Desktop;
  auto changedCopy = [&](const QString &copy, const QString &question) {
    desktop.ConfirmAnswers.enqueue(QMessageBox::No);
    WriteBytes(copy, "changed " + copy.toUtf8());
    QTRY_COMPARE(desktop.Texts("confirm").size(), 1);
    QCOMPARE(desktop.Texts("confirm").first(), question);
    desktop.Asked.clear();
  };

  // Edit With offers the programs for the type; the one picked gets the copy and is kept for ".txt".
  session.Select({QStringLiteral("docs/a.txt")});
  QVERIFY(session.Enabled("MenuActionsEditWith"));
  session.Dialogs.Expect("EditWithDialog", [](QWidget &dialog) {
    auto *list = Child<QListWidget>(dialog, "Applications");
    QCOMPARE(list->count(), 3);
    QCOMPARE(list->item(1)->text(), QStringLiteral("Fake Edit"));
    auto *remember = Child<QCheckBox>(dialog, "RememberBox");
    QVERIFY(remember->isChecked());
    QCOMPARE(remember->text(), QStringLiteral("Always use this program for .txt files"));
    list->setCurrentRow(1);
    Click(dialog, "OKBtn");
  });
  session.Command("MenuActionsEditWith");
  QVERIFY(session.Dialogs.Finish());
  QCOMPARE(desktop.StartedPrograms.size(), 1);
  const QString copyA = desktop.StartedPrograms[0].value(2);
  QCOMPARE(desktop.StartedPrograms[0], QStringList({"fakeedit", "--line=1", copyA, "100%"}));
  QCOMPARE(ReadBytes(copyA), QByteArray("a"));

  // A plain Edit of another .txt goes to it, and the question names it.
  session.Select({QStringLiteral("docs/b.txt")});
  session.Command("MenuActionsEdit");
  QCOMPARE(desktop.StartedPrograms.size(), 2);
  QVERIFY(desktop.OpenedFiles.isEmpty());
  changedCopy(desktop.StartedPrograms[1].value(2),
              QStringLiteral("docs/b.txt was changed by Fake Edit. Update it in the archive?"));

  // Another program file, not kept: named by its file name.
  const QString program = session.Path(QStringLiteral("bin/my-editor"));
  WriteBytes(program, "#!/bin/sh\n");
  QFile::setPermissions(program, QFile::ReadOwner | QFile::ExeOwner);
  desktop.OpenFilesAnswers.enqueue({program});
  session.Select({QStringLiteral("c.wav")});
  session.Dialogs.Expect("EditWithDialog", [](QWidget &dialog) {
    Child<QCheckBox>(dialog, "RememberBox")->setChecked(false);
    Click(dialog, "OtherProgramBtn");
  });
  session.Command("MenuActionsEditWith");
  QVERIFY(session.Dialogs.Finish());
  QCOMPARE(desktop.StartedPrograms.size(), 3);
  QCOMPARE(desktop.StartedPrograms[2].value(0), program);
  changedCopy(desktop.StartedPrograms[2].value(1),
              QStringLiteral("c.wav was changed by my-editor. Update it in the archive?"));

  // Without a kept program, the desktop's opener: what it starts is its own
  // affair (not always the default xdg-mime names), so no program is named.
  desktop.OpenResult = TDesktopServices::orOpened;
  session.Select({QStringLiteral("d.cfg")});
  session.Command("MenuActionsEdit");
  QCOMPARE(desktop.StartedPrograms.size(), 3);
  QCOMPARE(desktop.OpenedFiles.size(), 1);
  changedCopy(desktop.OpenedFiles[0],
              QStringLiteral("d.cfg was changed by another program. Update it in the archive?"));

  // The kept choice goes into the settings,
  session.Main.reset();
  QCOMPARE(session.Settings->value(QStringLiteral("Editors/txt")).toString(), QStringLiteral("fake-edit.desktop"));
  QVERIFY(!session.Settings->contains(QStringLiteral("Editors/wav")));
  // and comes back with the next window.
  session.Start();
  QCOMPARE(session.Session().Values().Editors.value(QStringLiteral("txt")), QStringLiteral("fake-edit.desktop"));
}

void EditWithTest::EntryNamesReachNoShell() {
  // A program whose command line is a shell's gets the copy of an entry whose
  // name is shell code: the copy's name is made safe, and the shell reads it
  // as one word. The test runs the command line the session built.
  TWindowSession session;
  session.Settings->setValue(QStringLiteral("Editors/txt"), QStringLiteral("shell-edit.desktop"));
  session.Start();
  const QByteArray hostile = "notes;touch PWNED;.txt";
  session.OpenFresh(session.Archive(QStringLiteral("mod.pak"), {{hostile, "entry data"}}));
  session.Select({QString::fromLatin1(hostile)});
  session.Command("MenuActionsEdit");
  QCOMPARE(session.Desktop.StartedPrograms.size(), 1);
  const QStringList command = session.Desktop.StartedPrograms.first();
  QCOMPARE(command.mid(0, 2), QStringList({"sh", "-c"}));
  const QString copy = command.value(2).section(u'\'', 1, 1);
  QCOMPARE(QFileInfo(copy).fileName(), QStringLiteral("notes_touch_PWNED_.txt"));

  const QString run = session.Path(QStringLiteral("run"));
  QVERIFY(QDir().mkpath(run));
  QProcess shell;
  shell.setWorkingDirectory(run);
  shell.start(command.first(), command.mid(1));
  QVERIFY(shell.waitForFinished());
  QCOMPARE(ReadBytes(run + QStringLiteral("/copied.out")), QByteArray("entry data"));
  QVERIFY(!QFileInfo::exists(run + QStringLiteral("/PWNED")));

  // The questions name the entry as it is; its data comes back to it.
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
  WriteBytes(copy, "changed");
  QTRY_COMPARE(session.Desktop.Texts("confirm"),
               QStringList({"notes;touch PWNED;.txt was changed by Shell Edit. Update it in the archive?"}));
  QCOMPARE(session.EntryData(hostile.constData()), QByteArray("changed"));
  // Undo says what it takes back.
  QCOMPARE(session.Find<QAction>("MenuActionsUndo")->text(), QStringLiteral("&Undo Update of notes;touch PWNED;.txt"));
}

QTEST_MAIN(EditWithTest)
#include "EditWithTest.moc"
