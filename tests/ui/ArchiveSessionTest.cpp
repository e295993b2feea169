// SPDX-License-Identifier: GPL-3.0-or-later
// The archive session without a window: the scripted desktop and scripted
// dialogs answer every question, and the one change signal is recorded.
// Every archive is built byte by byte in a temporary folder.
#include "ArchiveSession.h"
#include "EntryText.h"
#include "ScriptedDesktop.h"
#include "ScriptedDialogs.h"
#include "UiTestSupport.h"

#include <QFileSystemWatcher>
#include <QMimeData>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <memory>

namespace {

// A session on its own folder, with a Quake installation whose stock archive
// holds gfx/a.lmp, and a record of every change it reports.
struct TSessionFixture {
  QTemporaryDir Folder;
  TScriptedDesktop Desktop;
  TScriptedDialogs Dialogs;
  TArchiveSession Session{Desktop, Dialogs};
  QList<TArchiveSession::TChanges> Changes;

  TSessionFixture() {
    const QString quake = Folder.filePath(QStringLiteral("quake"));
    WriteBytes(quake + QStringLiteral("/id1/pak0.pak"), BuildPak({{"gfx/a.lmp", "12345678"}}));
    Session.Pak().SetQuakeDirectory(quake.toStdString());
    QObject::connect(&Session, &TArchiveSession::Changed,
                     [this](TArchiveSession::TChanges changes) { Changes << changes; });
  }

  QString Archive(const QString &name, const TFixture &entries) {
    const QString path = Folder.filePath(name);
    WriteBytes(path, BuildPak(entries));
    return path;
  }

  // The changes reported since the last call.
  QList<TArchiveSession::TChanges> TakeChanges() { return std::exchange(Changes, {}); }
};

using TChanges = TArchiveSession::TChanges;

} // namespace

class ArchiveSessionTest : public QObject {
  Q_OBJECT
private slots:
  void OpeningReportsTheArchiveAndRemembersIt();
  void EditsReportTheirEntries();
  void DropAsksThroughTheDialogs();
  void ExtractAndView();
  void ExtractionAsksBeforeReplacingFiles();
  void DragsOfferOnlyTheirOwnFolder();
  void OptionsProgressAndErrorReport();
  void EditedCopiesComeBackWhenTheUserSaysSo();
  void HandedCopiesComeBackOrTheUserDecides();
  void ProgramsThatEndWithAnErrorAreSaid();
  void ChangesWaitForTheRunningAdd();
};

namespace {
// The question asked before an archive goes while copies are out.
const QString HandedCopiesQuestion = QStringLiteral(
    "Entries handed to other programs were changed there and not updated in the archive, or are still open there. "
    "Update the archive with their changes?");

// The lines of the question's detail that name the copies.
QStringList NamedCopies(const QString &detail) { return detail.section(QStringLiteral("\n\n"), 0, 0).split(u'\n'); }
} // namespace

void ArchiveSessionTest::OpeningReportsTheArchiveAndRemembersIt() {
  TSessionFixture f;
  const QString first = f.Archive(QStringLiteral("one/first.pak"), {{"x.txt", "1"}});
  const QString second = f.Archive(QStringLiteral("two/second.pak"), {{"y.txt", "2"}});
  f.Session.OpenFile(first);
  QCOMPARE(f.TakeChanges(), QList<TChanges>({TArchiveSession::chArchive | TArchiveSession::chRecentFiles}));
  QCOMPARE(f.Session.Values().OpenPath, f.Folder.filePath(QStringLiteral("one/")));

  // The Open command starts where the last archive was, and the recent files keep the newest first.
  f.Desktop.OpenFilesAnswers.enqueue({second});
  f.Session.Open();
  QCOMPARE(f.Desktop.FileRequests.last().Directory, f.Folder.filePath(QStringLiteral("one/")));
  QCOMPARE(f.Session.Values().OldFiles[0], second);
  QCOMPARE(f.Session.Values().OldFiles[1], first);
  f.Session.OpenRecent(1);
  QCOMPARE(QString::fromStdString(f.Session.Pak().FileName()), first);
  QCOMPARE(f.Session.Values().OldFiles[0], first);

  // A file that is no archive is said, stays out of the recent files, and still refreshes.
  const QString text = f.Archive(QStringLiteral("notes.pak"), {});
  WriteBytes(text, "just text");
  f.TakeChanges();
  f.Session.OpenFile(text);
  QCOMPARE(f.Desktop.Texts("error"), QStringList({"This is not a valid PAK file."}));
  QCOMPARE(f.TakeChanges(), QList<TChanges>({TArchiveSession::chArchive}));
  QCOMPARE(f.Session.Values().OldFiles[0], first);

  // Gaps in stored recent files close up.
  TSessionValues values;
  values.OldFiles = {QString(), first, QString(), second};
  f.Session.SetValues(values);
  QCOMPARE(f.Session.Values().OldFiles, (std::array<QString, 4>{first, second, QString(), QString()}));
}

void ArchiveSessionTest::EditsReportTheirEntries() {
  TSessionFixture f;
  f.Session.OpenFile(f.Archive(QStringLiteral("e.pak"), {{"a.wav", "1"}, {"b.wav", "22"}, {"B.WAV", "333"}}));
  f.TakeChanges();

  // Renames find the entry by its exact bytes; a refusal says why.
  QCOMPARE(f.Session.Rename("B.WAV", "c.wav"), std::optional<std::string>("c.wav"));
  QCOMPARE(f.Session.Pak().EntryName(1), std::string("b.wav"));
  QVERIFY(!f.Session.Rename("a.wav", "b.wav"));
  QVERIFY(!f.Session.Rename("gone.wav", "d.wav"));
  QCOMPARE(f.TakeChanges(), QList<TChanges>(3, TArchiveSession::chState));

  // Delete asks first; No changes nothing, Yes deletes and reports the entries.
  f.Desktop.ConfirmAnswers.enqueue(QMessageBox::No);
  f.Session.Delete({"a.wav", "b.wav"});
  QCOMPARE(f.Desktop.Texts("confirm"), QStringList({"Are you sure you want to delete these 2 files?"}));
  QVERIFY(f.TakeChanges().isEmpty());
  f.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
  f.Session.Delete({"a.wav", "b.wav"});
  QCOMPARE(f.Session.Pak().EntryCount(), 1);
  QCOMPARE(f.TakeChanges(), QList<TChanges>({TArchiveSession::chEntries}));

  // Move goes to the typed directory; a cancelled move reports nothing.
  f.Session.Move({"c.wav"});
  QVERIFY(f.TakeChanges().isEmpty());
  f.Dialogs.MoveAnswers.enqueue(QStringLiteral("sound"));
  f.Session.Move({"c.wav"});
  QCOMPARE(f.Session.Pak().EntryName(0), std::string("sound/c.wav"));

  // Undo reports the entries even with nothing left to undo.
  f.Session.Undo();
  f.Session.Undo();
  f.Session.Undo();
  f.Session.Undo();
  QCOMPARE(f.Session.Pak().EntryCount(), 3);
  QVERIFY(!f.Session.Pak().CanUndo());
  QCOMPARE(f.TakeChanges(), QList<TChanges>(5, TArchiveSession::chEntries));

  // A target that leaves the archive's tree moves nothing, and the error names the part.
  f.Dialogs.MoveAnswers.enqueue(QStringLiteral("sound/../.."));
  f.Session.Move({"a.wav"});
  QVERIFY(f.Session.Pak().FindEntry("a.wav") >= 0);
  QCOMPARE(f.Desktop.Texts("error").last(), QStringLiteral("Some of the entries could not be moved."));
  QVERIFY2(f.Desktop.Details("error").last().contains(QStringLiteral("\"..\" part")),
           qPrintable(f.Desktop.Details("error").last()));
  QVERIFY(!f.Session.Rename("a.wav", "a/../c.wav"));
  QVERIFY2(f.Desktop.Texts("error").last().contains(QStringLiteral("\"..\" part")),
           qPrintable(f.Desktop.Texts("error").last()));

  // A delete the engine refuses (the stock archive is protected) is said, with the reason.
  f.Session.OpenFile(f.Folder.filePath(QStringLiteral("quake/id1/pak0.pak")));
  f.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
  f.Session.Delete({"gfx/a.lmp"});
  QCOMPARE(f.Session.Pak().EntryCount(), 1);
  QCOMPARE(f.Desktop.Texts("error").last(), QStringLiteral("The entries could not be deleted."));
  QVERIFY(f.Desktop.Details("error").last().contains(QString::fromUtf8(ResultText(prProtected))));
}

void ArchiveSessionTest::DropAsksThroughTheDialogs() {
  TSessionFixture f;
  const QString loose = f.Folder.filePath(QStringLiteral("in/a.lmp"));
  WriteBytes(loose, "new data");

  // Nothing open: asked whether to start one, then the add dialog with the dropped path.
  f.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
  f.Dialogs.AddAnswers.enqueue({{loose}, QStringLiteral("gfx"), f.Folder.filePath(QStringLiteral("in/"))});
  f.Session.Drop({loose});
  QCOMPARE(f.Dialogs.AddProposals, QList<QStringList>({{loose}}));
  QVERIFY(f.Session.Pak().IsUntitled());
  QCOMPARE(f.Session.Pak().EntryName(0), std::string("gfx/a.lmp"));

  // A clash asks about the entry by its name; Cancel adds nothing.
  f.Dialogs.AddAnswers.enqueue({{loose}, QStringLiteral("gfx"), f.Folder.filePath(QStringLiteral("in/"))});
  f.Session.Add();
  QCOMPARE(f.Dialogs.Asked, QStringList({"add", "add", "replace gfx/a.lmp"}));
  QCOMPARE(f.Session.Pak().EntryCount(), 1);

  // A PAK file dropped while one is open: open or add; Cancel does neither.
  const QString other = f.Archive(QStringLiteral("other.pak"), {{"z", "1"}});
  f.Session.Drop({other});
  QCOMPARE(f.Dialogs.Asked.last(), QStringLiteral("open-or-add"));
  QVERIFY(f.Session.Pak().IsUntitled());
  // Open: the unsaved archive is offered for saving first.
  f.Dialogs.OpenOrAddAnswers.enqueue(oaOpen);
  f.Desktop.ConfirmAnswers.enqueue(QMessageBox::No);
  f.Session.Drop({other});
  QCOMPARE(QString::fromStdString(f.Session.Pak().FileName()), other);
  QCOMPARE(f.Desktop.Texts("confirm").last(), QStringLiteral("Save changes to (Untitled)?"));
}

void ArchiveSessionTest::ExtractAndView() {
  TSessionFixture f;
  // pic.lmp: a 2 x 2 picture lump (width, height, four palette indexes).
  const QByteArray picture = Int32LE(2) + Int32LE(2) + QByteArray("\x01\x02\x03\x04", 4);
  const QString archive =
      f.Archive(QStringLiteral("x/v.pak"), {{"docs/readme.txt", "hello"}, {"pic.lmp", picture}, {"a.wad", "W"}});
  f.Session.OpenFile(archive);

  // Nothing selected: the dialog proposes all entries, in the archive's folder.
  const QString out = f.Folder.filePath(QStringLiteral("out"));
  f.Dialogs.ExtractAnswers.enqueue({out, true, true});
  f.Session.Extract({}, {"docs/readme.txt", "pic.lmp"});
  QCOMPARE(f.Dialogs.ExtractProposals.first().TargetDirectory, f.Folder.filePath(QStringLiteral("x/")));
  QVERIFY(f.Dialogs.ExtractProposals.first().AllFiles);
  QCOMPARE(ReadBytes(out + QStringLiteral("/docs/readme.txt")), QByteArray("hello"));
  QVERIFY(QFile::exists(out + QStringLiteral("/pic.lmp")));
  // The choices are kept for the next extraction, which proposes the selection.
  f.Session.Extract({"pic.lmp"}, {"docs/readme.txt", "pic.lmp"});
  QCOMPARE(f.Dialogs.ExtractProposals.last().TargetDirectory, out);
  QVERIFY(f.Dialogs.ExtractProposals.last().MaintainDirectory);
  QVERIFY(!f.Dialogs.ExtractProposals.last().AllFiles);

  // Viewing: the desktop's program, else the picture for a lump, else a message.
  f.Desktop.OpenResult = TDesktopServices::orOpened;
  f.Session.View("docs/readme.txt");
  QCOMPARE(ReadBytes(f.Desktop.OpenedFiles.last()), QByteArray("hello"));
  f.Desktop.OpenResult = TDesktopServices::orNoApplication;
  f.Session.View("pic.lmp");
  QCOMPARE(f.Dialogs.Asked.last(), QStringLiteral("picture pic.lmp"));
  QCOMPARE(f.Dialogs.PictureSizes, QList<QSize>({QSize(2, 2)}));
  f.Session.View("a.wad");
  QCOMPARE(f.Desktop.Texts("confirm"), QStringList({"There is no application associated with this file type."}));
  QCOMPARE(f.Session.ViewedFiles().size(), size_t(3));
}

void ArchiveSessionTest::ExtractionAsksBeforeReplacingFiles() {
  TSessionFixture f;
  f.Session.OpenFile(f.Archive(QStringLiteral("x.pak"), {{"maps/arena.bsp", "archived arena"},
                                                         {"maps/b.bsp", "archived b"},
                                                         {"c.txt", "archived c"},
                                                         {"new.txt", "archived new"}}));
  const TStringList all = {"maps/arena.bsp", "maps/b.bsp", "c.txt", "new.txt"};
  const QString out = f.Folder.filePath(QStringLiteral("out/"));
  const auto userFiles = [&] {
    for (const char *name : {"maps/arena.bsp", "maps/b.bsp", "c.txt"})
      WriteBytes(out + name, QByteArray("mine ") + name);
    QFile::remove(out + "new.txt");
  };
  const auto contents = [&] {
    QStringList texts;
    for (const char *name : {"maps/arena.bsp", "maps/b.bsp", "c.txt", "new.txt"})
      texts << QString::fromLatin1(ReadBytes(out + name));
    return texts;
  };

  // Cancel at the first question ends the extraction quietly: nothing of the user's is replaced.
  userFiles();
  f.Dialogs.ExtractAnswers.enqueue({out, true, true});
  f.Dialogs.ReplaceAnswers.enqueue(frCancel);
  f.Session.Extract({}, all);
  QCOMPARE(f.Dialogs.Asked, QStringList({"extract", "replace file " + out + "maps/arena.bsp"}));
  QCOMPARE(contents(), QStringList({"mine maps/arena.bsp", "mine maps/b.bsp", "mine c.txt", "<missing>"}));
  QVERIFY(f.Desktop.Asked.isEmpty());

  // Skip keeps one file; Replace All answers the rest of that extraction, and only of that one.
  f.Dialogs.Asked.clear();
  f.Dialogs.ExtractAnswers.enqueue({out, true, true});
  f.Dialogs.ReplaceAnswers << frSkip << frReplaceAll;
  f.Session.Extract({}, all);
  QCOMPARE(f.Dialogs.Asked,
           QStringList({"extract", "replace file " + out + "maps/arena.bsp", "replace file " + out + "maps/b.bsp"}));
  QCOMPARE(contents(), QStringList({"mine maps/arena.bsp", "archived b", "archived c", "archived new"}));
  userFiles();
  f.Dialogs.Asked.clear();
  f.Dialogs.ExtractAnswers.enqueue({out, true, true});
  f.Dialogs.ReplaceAnswers << frReplace << frSkipAll;
  f.Session.Extract({}, all);
  QCOMPARE(f.Dialogs.Asked.size(), 3);
  QCOMPARE(contents(), QStringList({"archived arena", "mine maps/b.bsp", "mine c.txt", "archived new"}));
  QVERIFY(f.Desktop.Asked.isEmpty());
  // The question belongs to the command: other extractions of the session's own copies never ask.
  QVERIFY(!f.Session.Pak().OnExtractFileExists);
}

void ArchiveSessionTest::DragsOfferOnlyTheirOwnFolder() {
  TSessionFixture f;
  f.Session.OpenFile(f.Archive(QStringLiteral("d.pak"), {{"evil/../../../victim/x.wav", "X"},
                                                         {"sound/a/hit.wav", "A"},
                                                         {"sound/b/hit.wav", "B"},
                                                         {"x.txt", "first"},
                                                         {"./x.txt", "second"}}));
  const auto offered = [](const QMimeData &data) {
    QStringList paths;
    for (const QUrl &url : data.urls())
      paths << url.toLocalFile();
    return paths;
  };

  // The tree's folder "evil/../../../victim/": dragged from its parent, which
  // names a place far above the drag's folder. It is offered inside, under
  // the name extraction gives it, and the user is told.
  std::unique_ptr<QMimeData> data(f.Session.DragData({"evil/../../../victim/x.wav"}, "evil/../../../"));
  QVERIFY(data);
  const QString drag = QString::fromStdString(f.Session.Pak().PrivateDirectory()) + QStringLiteral("drag/");
  QStringList paths = offered(*data);
  QCOMPARE(paths, QStringList({drag + "1/evil/victim"}));
  QCOMPARE(ReadBytes(paths.first() + "/x.wav"), QByteArray("X"));
  QCOMPARE(f.Desktop.Texts("warning"),
           QStringList({"Some of the dragged entries are offered under other names or not at all."}));
  QCOMPARE(f.Desktop.Details("warning").last(),
           QStringLiteral("evil/../../../victim/x.wav: offered as evil/victim/x.wav"));

  // Rows of the list: files of one name in different folders arrive in their
  // own folders, asking nothing; a name that comes to another's file is left
  // out, and said once for the drag.
  f.Desktop.Asked.clear();
  data.reset(f.Session.DragData({"sound/a/hit.wav", "sound/b/hit.wav", "x.txt", "./x.txt"}, "sound/"));
  paths = offered(*data);
  QCOMPARE(paths, QStringList({drag + "2/sound/a", drag + "2/sound/b", drag + "2/x.txt"}));
  QCOMPARE(ReadBytes(drag + "2/sound/a/hit.wav"), QByteArray("A"));
  QCOMPARE(ReadBytes(drag + "2/sound/b/hit.wav"), QByteArray("B"));
  QCOMPARE(ReadBytes(drag + "2/x.txt"), QByteArray("first"));
  QVERIFY(f.Dialogs.Asked.isEmpty());
  QCOMPARE(f.Desktop.Texts("warning").size(), 1);
  QCOMPARE(f.Desktop.Details("warning").last(), QStringLiteral("./x.txt: left out, another entry is offered as x.txt"));
  QVERIFY(!f.Session.Pak().Modified());
}

void ArchiveSessionTest::OptionsProgressAndErrorReport() {
  TSessionFixture f;
  f.Session.OpenFile(f.Archive(QStringLiteral("o.pak"), {{"a.txt", "1"}}));
  f.TakeChanges();

  // Options not yet filled in hold what a new component holds.
  QCOMPARE(TOptionValues().Spaces, TQuakePak().HandleSpaces());
  // Options: cancelled, then applied; a cleared Quake directory closes the archive.
  f.Session.Options();
  f.Dialogs.OptionEdits.enqueue([](TOptionValues &values) { values.ForceLowercase = false; });
  f.Session.Options();
  QVERIFY(!f.Session.Pak().ForceLowercase());
  f.Dialogs.OptionEdits.enqueue([](TOptionValues &values) { values.QuakeDirectory.clear(); });
  f.Session.Options();
  QVERIFY(f.Session.Pak().FileName().empty());
  QCOMPARE(f.TakeChanges(), QList<TChanges>({TArchiveSession::chState, TArchiveSession::chState,
                                             TArchiveSession::chState | TArchiveSession::chEntries}));

  // A long operation reports its progress from start to end.
  QSignalSpy started(&f.Session, &TArchiveSession::ProgressStarted);
  QSignalSpy moved(&f.Session, &TArchiveSession::ProgressMoved);
  QSignalSpy ended(&f.Session, &TArchiveSession::ProgressEnded);
  f.Session.Pak().OnStartCallback(f.Session.Pak());
  f.Session.Pak().OnCallback(f.Session.Pak(), 42);
  f.Session.Pak().OnEndCallback(f.Session.Pak());
  QCOMPARE(started.size(), 1);
  QCOMPARE(moved.first().first().toInt(), 42);
  QCOMPARE(ended.size(), 1);

  // The error report: a failure's message in an error box, the session goes on.
  f.Session.Run([] { throw EInOutError("/x/y.pak", "Input/output error"); });
  f.Session.Run([] { throw 1; });
  const QStringList errors = f.Desktop.Texts("error");
  QCOMPARE(errors.size(), 2);
  QVERIFY(errors[0].contains(QStringLiteral("y.pak")));
  QCOMPARE(errors[1], QStringLiteral("An unexpected error occurred."));
}

QTEST_MAIN(ArchiveSessionTest)
#include "ArchiveSessionTest.moc"

void ArchiveSessionTest::EditedCopiesComeBackWhenTheUserSaysSo() {
  TSessionFixture f;
  f.Session.OpenFile(f.Archive(QStringLiteral("mod.pak"), {{"scripts/a.cfg", "old"}, {"b.txt", "2"}}));
  f.Desktop.OpenResult = TDesktopServices::orOpened;
  f.Session.Edit("scripts/a.cfg");
  QCOMPARE(f.Desktop.OpenedFiles.size(), 1);
  const QString copy = f.Desktop.OpenedFiles.front();
  QCOMPARE(ReadBytes(copy), QByteArray("old"));
  const QString asked = QStringLiteral("scripts/a.cfg was changed by another program. Update it in the archive?");

  // No: the archive stays as it is, and the edit waits.
  f.Desktop.ConfirmAnswers.enqueue(QMessageBox::No);
  WriteBytes(copy, "new data");
  QTRY_COMPARE(f.Desktop.Texts("confirm"), QStringList({asked}));
  QVERIFY(!f.Session.Pak().Modified());
  QCOMPARE(f.Session.PendingEdits(), 1);

  // Yes at the next save of the copy: the entry takes its bytes, as one undoable edit.
  f.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
  WriteBytes(copy, "newer data!");
  QTRY_COMPARE(f.Desktop.Texts("confirm").size(), 2);
  QCOMPARE(f.Session.PendingEdits(), 0);
  QVERIFY(f.Session.Pak().Modified());
  const int32_t index = f.Session.Pak().FindEntry("scripts/a.cfg");
  QCOMPARE(f.Session.Pak().EntryName(index), std::string("scripts/a.cfg"));
  QCOMPARE(f.Session.Pak().EntrySize(index), 11);
  f.Session.Undo();
  QCOMPARE(f.Session.Pak().EntrySize(f.Session.Pak().FindEntry("scripts/a.cfg")), 3);

  // Closing with a change not taken back asks first; Cancel keeps the archive open.
  f.Desktop.ConfirmAnswers.enqueue(QMessageBox::No);
  WriteBytes(copy, "x");
  QTRY_COMPARE(f.Desktop.Texts("confirm").size(), 3);
  f.Desktop.ConfirmAnswers.enqueue(QMessageBox::Cancel);
  QVERIFY(!f.Session.QuerySaveChanges());
  QCOMPARE(f.Desktop.Texts("confirm").last(), HandedCopiesQuestion);
  QCOMPARE(NamedCopies(f.Desktop.Details("confirm").last()),
           QStringList({"scripts/a.cfg was changed by another program."}));
  // Yes takes the change back before the archive's own question.
  f.Desktop.ConfirmAnswers << QMessageBox::Yes << QMessageBox::No;
  QVERIFY(f.Session.QuerySaveChanges());
  QCOMPARE(f.Desktop.Texts("confirm").last(), QStringLiteral("Save changes to %1?").arg(f.Folder.filePath("mod.pak")));
  QCOMPARE(f.Session.Pak().EntrySize(f.Session.Pak().FindEntry("scripts/a.cfg")), 1);
}

void ArchiveSessionTest::HandedCopiesComeBackOrTheUserDecides() {
  QString kept;
  {
    TSessionFixture f;
    f.Session.OpenFile(f.Archive(QStringLiteral("mod.pak"), {{"docs/read me.txt", "old"}, {"b.cfg", "b"}}));
    f.Desktop.OpenResult = TDesktopServices::orOpened;

    // A viewed copy, under a name safe for shells, is watched as an edited one is.
    f.Session.View("docs/read me.txt");
    const QString viewed = f.Desktop.OpenedFiles.last();
    QCOMPARE(QFileInfo(viewed).fileName(), QStringLiteral("read_me.txt"));
    f.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
    WriteBytes(viewed, "seen and changed");
    QTRY_COMPARE(f.Desktop.Texts("confirm"),
                 QStringList({"docs/read me.txt was changed by another program. Update it in the archive?"}));
    QCOMPARE(f.Session.Pak().EntrySize(f.Session.Pak().FindEntry("docs/read me.txt")), 16);
    // A second view has a copy of its own: the first one stays as its program left it.
    f.Session.View("docs/read me.txt");
    QVERIFY(f.Desktop.OpenedFiles.last() != viewed);
    QCOMPARE(ReadBytes(viewed), QByteArray("seen and changed"));

    // A program Varnel started that still runs: the archive does not go without a word.
    f.Dialogs.EditorAnswers.enqueue({QStringLiteral("/usr/bin/fake-editor"), false});
    f.Session.EditWith("b.cfg");
    const QString edited = f.Desktop.StartedPrograms.last().value(1);
    f.Desktop.Asked.clear();
    QVERIFY(!f.Session.QuerySaveChanges()); // closed box: Cancel
    QCOMPARE(f.Desktop.Texts("confirm"), QStringList({HandedCopiesQuestion}));
    QCOMPARE(NamedCopies(f.Desktop.Details("confirm").first()), QStringList({"b.cfg is still open in fake-editor."}));
    QVERIFY(QFileInfo::exists(edited));

    // No: the archive goes, and the copy decided on with it; the viewed ones
    // stay, since the desktop's program may still have them open.
    f.Desktop.ConfirmAnswers << QMessageBox::No << QMessageBox::No;
    f.Session.New();
    QVERIFY(f.Session.Pak().IsUntitled());
    QVERIFY(!QFileInfo::exists(edited));
    QVERIFY(QFileInfo::exists(viewed));
    kept = viewed;
  }
  // They outlive the session, and the first copy of a later one sweeps them up.
  QVERIFY(QFileInfo::exists(kept));
  TSessionFixture later;
  QVERIFY(!later.Session.HandedCopyArea().isEmpty());
  QVERIFY(!QFileInfo::exists(kept));
}

void ArchiveSessionTest::ProgramsThatEndWithAnErrorAreSaid() {
  TSessionFixture f;
  f.Session.OpenFile(f.Archive(QStringLiteral("mod.pak"), {{"a.cfg", "a"}, {"b.cfg", "b"}}));
  f.Dialogs.EditorAnswers << TEditorChoice{QStringLiteral("/usr/bin/fake-editor"), false}
                          << TEditorChoice{QStringLiteral("/usr/bin/other-editor"), false};
  f.Session.EditWith("a.cfg");
  f.Session.EditWith("b.cfg");
  QCOMPARE(f.Desktop.Programs.size(), 2);
  f.Desktop.Programs[0]->End(3, false, QStringLiteral("fake-editor: no terminal"));
  f.Desktop.Programs[1]->End(11, true);
  QCOMPARE(f.Desktop.Texts("error"), QStringList({"fake-editor ended with exit status 3.", "other-editor crashed."}));
  QCOMPARE(f.Desktop.Details("error").first(), QStringLiteral("fake-editor: no terminal"));
  // Ended: nothing is open any more, and nothing changed; the archive goes without a question.
  QVERIFY(f.Session.QuerySaveChanges());
  QVERIFY(f.Desktop.Texts("confirm").isEmpty());

  // The real desktop: a program's status and the last lines of its error output.
  TSystemDesktop desktop;
  const QString errors = f.Folder.filePath(QStringLiteral("program.errors"));
  std::unique_ptr<TStartedProgram> program(desktop.StartProgram(
      {QStringLiteral("sh"), QStringLiteral("-c"), QStringLiteral("echo first >&2; echo 'no display' >&2; exit 3")},
      errors));
  QVERIFY(program != nullptr);
  QSignalSpy ended(program.get(), &TStartedProgram::Ended);
  QVERIFY(ended.wait());
  QCOMPARE(ended.first(), QVariantList({3, false, QStringLiteral("first\nno display")}));
  QVERIFY(!program->IsRunning());
  QVERIFY(desktop.StartProgram({f.Folder.filePath(QStringLiteral("no-such-program"))}, errors) == nullptr);
}

void ArchiveSessionTest::ChangesWaitForTheRunningAdd() {
  TSessionFixture f;
  f.Session.OpenFile(f.Archive(QStringLiteral("mod.pak"), {{"a.cfg", "old"}}));
  f.Desktop.OpenResult = TDesktopServices::orOpened;
  f.Session.Edit("a.cfg");
  const QString copy = f.Desktop.OpenedFiles.last();
  // Ten blocks' worth of data: the add reports its progress, and the event loop turns meanwhile.
  const QString big = f.Folder.filePath(QStringLiteral("in/big.bin"));
  WriteBytes(big, QByteArray(10 * 65528, 'x'));
  f.Dialogs.AddAnswers.enqueue({{big}, QString(), f.Folder.filePath(QStringLiteral("in/"))});
  f.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);

  // The copy is saved in the middle of the add, and the change reaches the session's watcher then.
  QFileSystemWatcher watcher({copy});
  bool seen = false;
  QObject::connect(&watcher, &QFileSystemWatcher::fileChanged, [&seen] { seen = true; });
  bool saved = false;
  bool askedDuringAdd = false;
  QObject::connect(&f.Session, &TArchiveSession::ProgressMoved, [&] {
    if (saved)
      return;
    saved = true;
    WriteBytes(copy, "new");
    QTRY_VERIFY(seen);
    askedDuringAdd = !f.Desktop.Texts("confirm").isEmpty();
  });
  f.Session.Add();
  QVERIFY(saved);
  QVERIFY(!askedDuringAdd);
  // Offered once the add is done; both edits are there.
  QTRY_COMPARE(f.Desktop.Texts("confirm"),
               QStringList({"a.cfg was changed by another program. Update it in the archive?"}));
  QCOMPARE(f.Session.Pak().EntryCount(), 2);
  QCOMPARE(f.Session.Pak().EntrySize(f.Session.Pak().FindEntry("big.bin")), 10 * 65528);
  QCOMPARE(f.Session.Pak().EntrySize(f.Session.Pak().FindEntry("a.cfg")), 3);
  QCOMPARE(ReadBytes(copy), QByteArray("new"));
  const QString out = f.Folder.filePath(QStringLiteral("out/"));
  QCOMPARE(f.Session.Pak().ExtractEntries({"a.cfg"}, PathFromQ(out), false), uint8_t(prDone));
  QCOMPARE(ReadBytes(out + QStringLiteral("a.cfg")), QByteArray("new"));
}
