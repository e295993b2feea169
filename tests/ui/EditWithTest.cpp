// Editing with a program the user picks: the installed applications read from
// desktop entries in data folders of the test's own, their command lines,
// the choice kept per extension for the next plain Edit and in the settings,
// and the update question naming the program. No program is ever started.
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
  void PickedProgramIsKeptAndNamed();

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
  QCOMPARE(Ids(text), QStringList({"alpha.desktop", "fake-edit.desktop", "tools-hex.desktop"}));
  QCOMPARE(text[1].Name, QStringLiteral("Fake Edit"));
  QCOMPARE(Ids(InstalledApplicationsFor(QStringLiteral("image/png"))), QStringList({"picture.desktop"}));
  QVERIFY(FindInstalledApplication(QStringLiteral("quiet.desktop")).has_value());
  QVERIFY(!FindInstalledApplication(QStringLiteral("gone.desktop")).has_value());
  QVERIFY(!FindInstalledApplication(QStringLiteral("missing.desktop")).has_value());

  // The file takes the place of the file codes, whole; other codes go, %% is "%".
  const QString file = QStringLiteral("/tmp/a b.txt");
  QCOMPARE(ProgramCommand(text[1].Exec, file), QStringList({"fakeedit", "--line=1", file, "100%"}));
  QCOMPARE(ProgramCommand(text[2].Exec, file), QStringList({"/opt/hex tool/hex", file}));
  QCOMPARE(ProgramCommand(QStringLiteral("plain -x"), file), QStringList({"plain", "-x", file}));
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

  // Without a kept program, the desktop's default program, named when the desktop knows it.
  desktop.OpenResult = TDesktopServices::orOpened;
  TDesktopApplication viewer;
  viewer.Name = QStringLiteral("Default Viewer");
  desktop.DefaultApp = viewer;
  session.Select({QStringLiteral("d.cfg")});
  session.Command("MenuActionsEdit");
  QCOMPARE(desktop.StartedPrograms.size(), 3);
  QCOMPARE(desktop.OpenedFiles.size(), 1);
  changedCopy(desktop.OpenedFiles[0], QStringLiteral("d.cfg was changed by Default Viewer. Update it in the archive?"));

  // The kept choice goes into the settings,
  session.Main.reset();
  QCOMPARE(session.Settings->value(QStringLiteral("Editors/txt")).toString(), QStringLiteral("fake-edit.desktop"));
  QVERIFY(!session.Settings->contains(QStringLiteral("Editors/wav")));
  // and comes back with the next window.
  session.Start();
  QCOMPARE(session.Session().Values().Editors.value(QStringLiteral("txt")), QStringLiteral("fake-edit.desktop"));
}

QTEST_MAIN(EditWithTest)
#include "EditWithTest.moc"
