// SPDX-License-Identifier: GPL-3.0-or-later
// The main window's editing actions driven headless through whole sessions:
// a scripted desktop answers message boxes, choosers and open-with; the real
// modal dialogs (add, confirm-replace, open-or-add, move, extract, lump viewer)
// are answered by a dialog script once their modal loop runs. Every archive and
// disk file is made by the test in a temporary folder.
#include "EntryBrowser.h"
#include "LumpViewDlg.h"
#include "WindowSession.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListWidget>
#include <QMimeData>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <QTreeView>
#include <QUrl>
#include <QtTest>

#include <algorithm>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

namespace {

// Every file below folder, as relative paths, sorted.
QStringList FilesBelow(const QString &folder) {
  QStringList files;
  QDirIterator it(folder, QDir::Files | QDir::Hidden, QDirIterator::Subdirectories);
  while (it.hasNext())
    files << QDir(folder).relativeFilePath(it.next());
  files.sort();
  return files;
}

// One window, made at once, on its own folder; the stock archive holds one
// entry, gfx/a.lmp.
struct TSession : TWindowSession {
  explicit TSession(bool withQuake = true) : TWindowSession(withQuake, {{"gfx/a.lmp", "12345678"}}) { Start(); }
};

} // namespace

class ActionsTest : public QObject {
  Q_OBJECT
private slots:
  void AddFilesAndTreeWithClashes();
  void AddReportsFilesThatCouldNotBeAdded();
  void DropWithoutArchive();
  void DropWithArchiveOpen();
  void DeleteAndUndo();
  void MoveAndUndo();
  void ExtractFlatAndWithPaths();
  void ExtractAllNamesTheFilesThatGo();
  void ExtractReportsWhereTheFilesWent();
  void ViewEntries();
  void ProgressReachesTheBar();
};

void ActionsTest::AddFilesAndTreeWithClashes() {
  TSession session;
  TMain &main = *session.Main;
  session.OpenFresh(session.Archive(QStringLiteral("base.pak"),
                                    {{"maps/e1m1.bsp", "old1"}, {"sound/x.wav", "oldx"}, {"readme.txt", "r"}}));
  const QString src = session.Path(QStringLiteral("src"));
  WriteBytes(src + QStringLiteral("/maps/e1m1.bsp"), "new1");
  WriteBytes(src + QStringLiteral("/maps/e1m2.bsp"), "new2");
  WriteBytes(src + QStringLiteral("/sound/x.wav"), "newx");
  WriteBytes(src + QStringLiteral("/sound/deep/y.wav"), "yy");
  QVERIFY(main.Session().Values().RecurseSubDirs);

  // Cancel: nothing is added, but the recurse box's state is kept.
  session.Dialogs.Expect("AddDialog", [](QWidget &dialog) {
    auto *recurse = Child<QCheckBox>(dialog, "RecurseCheck");
    QVERIFY(recurse->isChecked());
    recurse->setChecked(false);
    Click(dialog, "CancelBtn");
  });
  session.Command("MenuActionsAdd");
  QVERIFY(session.Dialogs.Finish());
  QVERIFY(!main.Session().Values().RecurseSubDirs);
  QCOMPARE(session.Entries().size(), 3);
  QVERIFY(!main.Session().Pak().Modified());

  // The tree, relative to src, with sub-directories; the first clash kept, the second replaced.
  QStringList asked;
  bool normalCursorWhileAsking = true;
  auto answer = [&](const char *button) {
    return [&, button](QWidget &dialog) {
      asked << Child<QLabel>(dialog, "FileNameLabel")->text();
      normalCursorWhileAsking = normalCursorWhileAsking && QApplication::overrideCursor() == nullptr;
      Click(dialog, button);
    };
  };
  session.Desktop.DirectoryAnswers.enqueue(src);
  session.Dialogs.Expect("AddDialog", [&](QWidget &dialog) {
    QVERIFY(!Child<QCheckBox>(dialog, "RecurseCheck")->isChecked());
    Child<QCheckBox>(dialog, "RecurseCheck")->setChecked(true);
    Click(dialog, "AddDirBtn");
    QCOMPARE(Child<QListWidget>(dialog, "FileListBox")->count(), 1);
    Child<QComboBox>(dialog, "BaseDirCombo")->setEditText(src + QLatin1Char('/'));
    Click(dialog, "OKBtn");
  });
  session.Dialogs.Expect("ConfirmReplaceDialog", answer("NoBtn"));
  session.Dialogs.Expect("ConfirmReplaceDialog", answer("YesBtn"));
  session.Command("MenuActionsAdd");
  QVERIFY(session.Dialogs.Finish());
  QCOMPARE(asked, QStringList({"maps/e1m1.bsp", "sound/x.wav"}));
  QVERIFY(normalCursorWhileAsking);
  QCOMPARE(QApplication::overrideCursor(), nullptr); // every hourglass taken back
  QVERIFY(main.Session().Values().RecurseSubDirs);
  QCOMPARE(session.Entries(),
           QStringList({"maps/e1m1.bsp", "maps/e1m2.bsp", "readme.txt", "sound/deep/y.wav", "sound/x.wav"}));
  QCOMPARE(session.EntryData("maps/e1m1.bsp"), QByteArray("old1"));
  QCOMPARE(session.EntryData("sound/x.wav"), QByteArray("newx"));
  QVERIFY(session.Entry("sound/x.wav")->Position <= 0);
  // The refresh ran: the list shows the new entries and the commands follow.
  QCOMPARE(main.ListModel().RowCount(), 5);
  QCOMPARE(main.StatusText(0), QStringLiteral("5 files"));
  QCOMPARE(main.StatusText(2), QStringLiteral("Modified"));
  QCOMPARE(main.findChild<QAction *>("MenuActionsUndo")->text(), QStringLiteral("&Undo Add File(s)"));
  QVERIFY(session.Desktop.Texts("error").isEmpty());

  session.Command("MenuActionsUndo");
  QCOMPARE(session.Entries(), QStringList({"maps/e1m1.bsp", "readme.txt", "sound/x.wav"}));
  QCOMPARE(session.EntryData("sound/x.wav"), QByteArray("oldx"));
  QCOMPARE(main.ListModel().RowCount(), 3);

  // Yes To All answers every clash at once; without recursion the sub-directory stays out.
  asked.clear();
  session.Desktop.DirectoryAnswers.enqueue(src + QStringLiteral("/maps"));
  session.Desktop.DirectoryAnswers.enqueue(src + QStringLiteral("/sound"));
  session.Dialogs.Expect("AddDialog", [&](QWidget &dialog) {
    Child<QCheckBox>(dialog, "RecurseCheck")->setChecked(false);
    Click(dialog, "AddDirBtn");
    Click(dialog, "AddDirBtn");
    Child<QComboBox>(dialog, "BaseDirCombo")->setEditText(src + QLatin1Char('/'));
    Click(dialog, "OKBtn");
  });
  session.Dialogs.Expect("ConfirmReplaceDialog", answer("YesToAllBtn"));
  session.Command("MenuActionsAdd");
  QVERIFY(session.Dialogs.Finish());
  QCOMPARE(asked.size(), 1);
  QCOMPARE(session.Entries(), QStringList({"maps/e1m1.bsp", "maps/e1m2.bsp", "readme.txt", "sound/x.wav"}));
  QCOMPARE(session.EntryData("maps/e1m1.bsp"), QByteArray("new1"));
  QCOMPARE(session.EntryData("sound/x.wav"), QByteArray("newx"));

  // Cancel in the question ends the add with nothing added and nothing said.
  WriteBytes(src + QStringLiteral("/maps/e1m3.bsp"), "new3");
  session.Desktop.DirectoryAnswers.enqueue(src);
  session.Dialogs.Expect("AddDialog", [&](QWidget &dialog) {
    Child<QCheckBox>(dialog, "RecurseCheck")->setChecked(true);
    Click(dialog, "AddDirBtn");
    Child<QComboBox>(dialog, "BaseDirCombo")->setEditText(src + QLatin1Char('/'));
    Click(dialog, "OKBtn");
  });
  session.Dialogs.Expect("ConfirmReplaceDialog", answer("CancelBtn"));
  session.Command("MenuActionsAdd");
  QVERIFY(session.Dialogs.Finish());
  QCOMPARE(session.Entries().size(), 4);
  QVERIFY(session.Desktop.Texts("error").isEmpty());
  QCOMPARE(QApplication::overrideCursor(), nullptr);
}

void ActionsTest::AddReportsFilesThatCouldNotBeAdded() {
  TSession session;
  TMain &main = *session.Main;
  session.OpenFresh(session.Archive(QStringLiteral("base.pak"), {{"a.txt", "old"}}));
  const QString dir = session.Path(QStringLiteral("dir"));
  WriteBytes(dir + QStringLiteral("/a.txt"), "new a");
  WriteBytes(dir + QStringLiteral("/b.txt"), "new b");

  // b.txt goes away while the question about a.txt is open, after the add has listed it.
  session.Dialogs.Expect("AddDialog", [&](QWidget &dialog) {
    session.Desktop.DirectoryAnswers.enqueue(dir);
    Click(dialog, "AddDirBtn");
    Child<QComboBox>(dialog, "BaseDirCombo")->setEditText(dir + QLatin1Char('/'));
    Click(dialog, "OKBtn");
  });
  session.Dialogs.Expect("ConfirmReplaceDialog", [&](QWidget &dialog) {
    QVERIFY(QFile::remove(dir + QStringLiteral("/b.txt")));
    Click(dialog, "YesBtn");
  });
  session.Command("MenuActionsAdd");
  QVERIFY(session.Dialogs.Finish());
  QCOMPARE(session.Desktop.Texts("error"), QStringList({"Some of the files could not be added to the PAK file."}));
  QCOMPARE(session.Desktop.Details("error"), QStringList({dir + QStringLiteral("/b.txt: no such file")}));
  QCOMPARE(session.Entries(), QStringList({"a.txt"}));
  QCOMPARE(session.EntryData("a.txt"), QByteArray("new a"));
  QCOMPARE(main.ListModel().RowCount(), 1);
  QVERIFY(main.Session().Pak().CanUndo());
}

void ActionsTest::DropWithoutArchive() {
  {
    TSession session(false);
    session.Main->DropFiles({session.Archive(QStringLiteral("maps.pak"), {{"a", "1"}})});
    QCOMPARE(session.Desktop.Asked.size(), 1);
    QCOMPARE(session.Desktop.Texts("error"), QStringList({QStringLiteral("Invalid Quake Directory.")}));
    QVERIFY(session.Main->Session().Pak().FileName().empty());
  }

  TSession session;
  TMain &main = *session.Main;
  // One PAK file, whatever the case of its extension, dropped from the desktop: opened at once.
  const QString maps = session.Archive(QStringLiteral("MAPS.PAK"), {{"maps/e1m1.bsp", "1"}});
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(maps)});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&main, &enter);
  QVERIFY(enter.isAccepted());
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&main, &drop);
  QVERIFY(main.Session().Pak().FileName().empty()); // handled once the drop event has been answered
  QCoreApplication::processEvents();
  QVERIFY(session.Desktop.Asked.isEmpty());
  QCOMPARE(QString::fromStdString(main.Session().Pak().FileName()), maps);
  QCOMPARE(main.ListModel().RowCount(), 1);
  QCOMPARE(main.windowTitle(), QStringLiteral("Varnel - ") + maps);

  TSession empty;
  TMain &fresh = *empty.Main;
  const QString file = empty.Path(QStringLiteral("files/one.wav"));
  const QString folder = empty.Path(QStringLiteral("files/sub"));
  WriteBytes(file, "1");
  WriteBytes(folder + QStringLiteral("/two.wav"), "22");
  const QString question =
      QStringLiteral("There is no PAK file open for you to add to.\r\nWould you like to create a new one?");

  // No: nothing at all.
  empty.Desktop.ConfirmAnswers.enqueue(QMessageBox::No);
  fresh.DropFiles({file, folder});
  QVERIFY(empty.Dialogs.Finish());
  QCOMPARE(empty.Desktop.Texts("confirm"), QStringList({question}));
  QVERIFY(fresh.Session().Pak().FileName().empty());

  // Yes: a new untitled archive and the add dialog with the dropped paths.
  empty.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
  QStringList listed;
  empty.Dialogs.Expect("AddDialog", [&](QWidget &dialog) {
    const auto *list = Child<QListWidget>(dialog, "FileListBox");
    for (int i = 0; i < list->count(); ++i)
      listed << list->item(i)->text();
    Click(dialog, "OKBtn");
  });
  fresh.DropFiles({file, folder});
  QVERIFY(empty.Dialogs.Finish());
  QCOMPARE(listed, QStringList({file, folder}));
  QCOMPARE(fresh.Session().Pak().FileName(), std::string("(Untitled)"));
  QCOMPARE(empty.Entries(), QStringList({"one.wav", "sub/two.wav"}));
  QCOMPARE(fresh.ListModel().RowCount(), 2);
  QVERIFY(empty.Desktop.Texts("error").isEmpty());
}

void ActionsTest::DropWithArchiveOpen() {
  TSession session;
  TMain &main = *session.Main;
  const QString maps = session.Archive(QStringLiteral("maps.PAK"), {{"maps/e1m1.bsp", "1"}});
  const QString notPak = session.Path(QStringLiteral("fake.pak"));
  WriteBytes(notPak, "not an archive");
  const QString other = session.Path(QStringLiteral("other.txt"));
  WriteBytes(other, "o");
  session.Command("MenuFileNew");

  // An archive is open: the open-or-add question. Cancel changes nothing.
  session.Dialogs.Expect("OpenOrAddDialog", [](QWidget &dialog) { Click(dialog, "CancelBtn"); });
  main.DropFiles({maps});
  QVERIFY(session.Dialogs.Finish());
  QCOMPARE(main.Session().Pak().FileName(), std::string("(Untitled)"));
  QVERIFY(session.Entries().isEmpty());

  // Add: the archive goes into the open one as a file.
  session.Dialogs.Expect("OpenOrAddDialog", [](QWidget &dialog) { Click(dialog, "AddBtn"); });
  session.Dialogs.Expect("AddDialog", [](QWidget &dialog) { Click(dialog, "OKBtn"); });
  main.DropFiles({maps});
  QVERIFY(session.Dialogs.Finish());
  QCOMPARE(session.Entries(), QStringList({"maps.pak"}));
  QVERIFY(main.Session().Pak().Modified());

  // A PAK file with another file, or a ".pak" that is no archive: an add, never the question.
  session.Dialogs.Expect("AddDialog", [](QWidget &dialog) { Click(dialog, "CancelBtn"); });
  main.DropFiles({maps, other});
  session.Dialogs.Expect("AddDialog", [](QWidget &dialog) { Click(dialog, "CancelBtn"); });
  main.DropFiles({notPak});
  QVERIFY(session.Dialogs.Finish());

  // Open with unsaved changes: the save question first; Cancel keeps everything.
  const QString saveQuestion = QStringLiteral("Save changes to (Untitled)?");
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Cancel);
  session.Dialogs.Expect("OpenOrAddDialog", [](QWidget &dialog) { Click(dialog, "OpenBtn"); });
  main.DropFiles({maps});
  QVERIFY(session.Dialogs.Finish());
  QCOMPARE(session.Desktop.Texts("confirm"), QStringList({saveQuestion}));
  QCOMPARE(main.Session().Pak().FileName(), std::string("(Untitled)"));
  QCOMPARE(session.Entries(), QStringList({"maps.pak"}));

  // No: the dropped archive replaces the open one.
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::No);
  session.Dialogs.Expect("OpenOrAddDialog", [](QWidget &dialog) { Click(dialog, "OpenBtn"); });
  main.DropFiles({maps});
  QVERIFY(session.Dialogs.Finish());
  QCOMPARE(QString::fromStdString(main.Session().Pak().FileName()), maps);
  QCOMPARE(session.Entries(), QStringList({"maps/e1m1.bsp"}));
  QCOMPARE(main.ListModel().RowCount(), 1);

  // A protected stock archive takes no drop: said before any dialog.
  session.OpenFresh(session.Quake + QStringLiteral("id1/pak0.pak"));
  QVERIFY(main.Session().Pak().IsProtected());
  main.DropFiles({other});
  QVERIFY(session.Dialogs.Finish());
  QCOMPARE(session.Desktop.Texts("error"),
           QStringList({QStringLiteral("Files cannot be added to a protected PAK file.")}));
  QCOMPARE(session.Entries(), QStringList({"gfx/a.lmp"}));
}

void ActionsTest::DeleteAndUndo() {
  TSession session;
  TMain &main = *session.Main;
  session.OpenFresh(session.Archive(QStringLiteral("base.pak"),
                                    {{"a.wav", "1"}, {"maps/b.bsp", "22"}, {"c.txt", "333"}, {"gfx/d.lmp", "4444"}}));

  // Nothing selected: nothing asked.
  session.Select({});
  session.Command("MenuActionsDel");
  QVERIFY(session.Desktop.Asked.isEmpty());

  session.Select({"maps/b.bsp"});
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::No);
  session.Command("MenuActionsDel");
  QCOMPARE(session.Desktop.Texts("confirm"), QStringList({"Are you sure you want to delete this file?"}));
  QCOMPARE(session.Entries().size(), 4);

  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
  session.Command("MenuActionsDel");
  QCOMPARE(session.Entries(), QStringList({"a.wav", "c.txt", "gfx/d.lmp"}));
  QCOMPARE(main.ListModel().RowCount(), 3);
  QCOMPARE(main.StatusText(0), QStringLiteral("3 files"));
  QCOMPARE(main.StatusText(2), QStringLiteral("Modified"));

  session.Select({"a.wav", "gfx/d.lmp"});
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
  session.Command("MenuActionsDel");
  QCOMPARE(session.Desktop.Texts("confirm").last(), QStringLiteral("Are you sure you want to delete these 2 files?"));
  QCOMPARE(session.Entries(), QStringList({"c.txt"}));
  QCOMPARE(session.Rows(), QStringList({"c.txt"}));
  QCOMPARE(main.findChild<QAction *>("MenuActionsUndo")->text(), QStringLiteral("&Undo Delete File(s)"));

  session.Command("MenuActionsUndo");
  QCOMPARE(session.Entries(), QStringList({"a.wav", "c.txt", "gfx/d.lmp"}));
  QCOMPARE(session.EntryData("gfx/d.lmp"), QByteArray("4444"));
  session.Command("MenuActionsUndo");
  QCOMPARE(session.Entries().size(), 4);
  QCOMPARE(main.ListModel().RowCount(), 4);
  QVERIFY(!main.Session().Pak().CanUndo());
  // With nothing left to undo the list is still refilled: a selection does not survive.
  session.Select({"c.txt"});
  session.Command("MenuActionsUndo");
  QCOMPARE(main.OneViewList()->SelectedCount(), 0);
  QCOMPARE(main.ListModel().RowCount(), 4);
}

void ActionsTest::MoveAndUndo() {
  TSession session;
  TMain &main = *session.Main;
  session.OpenFresh(
      session.Archive(QStringLiteral("base.pak"), {{"a.wav", "1"}, {"maps/b.bsp", "22"}, {"c.txt", "3"}}));

  session.Select({"a.wav", "maps/b.bsp"});
  session.Dialogs.Expect("MoveDialog", [](QWidget &dialog) {
    Child<QComboBox>(dialog, "MoveDirCombo")->setEditText(QStringLiteral("maps"));
    Click(dialog, "CancelBtn");
  });
  session.Command("MenuActionsMove");
  QVERIFY(session.Dialogs.Finish());
  QCOMPARE(session.Entries(), QStringList({"a.wav", "c.txt", "maps/b.bsp"}));

  session.Dialogs.Expect("MoveDialog", [](QWidget &dialog) {
    Child<QComboBox>(dialog, "MoveDirCombo")->setEditText(QStringLiteral("Sound/New"));
    Click(dialog, "OKBtn");
  });
  session.Command("MenuActionsMove");
  QVERIFY(session.Dialogs.Finish());
  QCOMPARE(session.Entries(), QStringList({"c.txt", "sound/new/a.wav", "sound/new/b.bsp"}));
  QCOMPARE(main.ListModel().RowCount(), 3);
  QCOMPARE(session.EntryData("sound/new/b.bsp"), QByteArray("22"));
  QCOMPARE(main.findChild<QAction *>("MenuActionsUndo")->text(), QStringLiteral("&Undo Move File(s)"));

  session.Command("MenuActionsUndo");
  QCOMPARE(session.Entries(), QStringList({"a.wav", "c.txt", "maps/b.bsp"}));
  QCOMPARE(session.Rows().size(), 3);
}

void ActionsTest::ExtractFlatAndWithPaths() {
  TSession session;
  TMain &main = *session.Main;
  const QString archive = session.Archive(QStringLiteral("arc/test.pak"),
                                          {{"maps/e1m1.bsp", "AB"}, {"sound/x.wav", "XYZ"}, {"readme.txt", "R"}});
  session.OpenFresh(archive);
  const QString flat = session.Path(QStringLiteral("out/flat"));
  const QString tree = session.Path(QStringLiteral("out/tree"));

  // First extract: starts in the archive's folder, proposes the selection.
  session.Select({"sound/x.wav"});
  QString proposed;
  session.Dialogs.Expect("ExtractDialog", [&](QWidget &dialog) {
    proposed = Child<QLineEdit>(dialog, "ExtractPathBox")->text();
    QVERIFY(Child<QRadioButton>(dialog, "SelFilesRadio")->isChecked());
    Child<QLineEdit>(dialog, "ExtractPathBox")->setText(flat);
    Child<QCheckBox>(dialog, "ExtractPathCheck")->setChecked(false);
    Click(dialog, "OkBtn");
  });
  session.Command("MenuActionsExtract");
  QVERIFY(session.Dialogs.Finish());
  QCOMPARE(proposed, QFileInfo(archive).absolutePath() + QLatin1Char('/'));
  QCOMPARE(FilesBelow(flat), QStringList({"x.wav"}));
  QCOMPARE(ReadBytes(flat + QStringLiteral("/x.wav")), QByteArray("XYZ"));
  QCOMPARE(main.Session().Values().ExtractPath, flat);
  QVERIFY(!main.Session().Values().MaintainDirectory);

  // Second: nothing selected, so all files; the path is remembered; an
  // existing file is replaced when the user says so, and only then.
  WriteBytes(tree + QStringLiteral("/maps/e1m1.bsp"), "OLD CONTENT");
  QString asked;
  session.Select({});
  session.Dialogs.Expect("ExtractDialog", [&](QWidget &dialog) {
    proposed = Child<QLineEdit>(dialog, "ExtractPathBox")->text();
    QVERIFY(Child<QRadioButton>(dialog, "AllFilesRadio")->isChecked());
    QVERIFY(!Child<QRadioButton>(dialog, "SelFilesRadio")->isEnabled());
    Child<QLineEdit>(dialog, "ExtractPathBox")->setText(tree);
    Child<QCheckBox>(dialog, "ExtractPathCheck")->setChecked(true);
    Click(dialog, "OkBtn");
  });
  session.Dialogs.Expect("ConfirmReplaceDialog", [&](QWidget &dialog) {
    const QLabel *label = Child<QLabel>(dialog, "FileNameLabel");
    asked = label->toolTip().isEmpty() ? label->text() : label->toolTip(); // a long path is shortened
    Click(dialog, "YesBtn");
  });
  session.Command("MenuActionsExtract");
  QVERIFY(session.Dialogs.Finish());
  QCOMPARE(asked, tree + QStringLiteral("/maps/e1m1.bsp"));
  QCOMPARE(proposed, flat);
  QCOMPARE(FilesBelow(tree), QStringList({"maps/e1m1.bsp", "readme.txt", "sound/x.wav"}));
  QCOMPARE(ReadBytes(tree + QStringLiteral("/maps/e1m1.bsp")), QByteArray("AB"));
  QVERIFY(main.Session().Values().MaintainDirectory);
  QVERIFY(session.Desktop.Asked.isEmpty());

  // Cancel keeps the remembered values.
  session.Dialogs.Expect("ExtractDialog", [](QWidget &dialog) {
    Child<QLineEdit>(dialog, "ExtractPathBox")->setText(QStringLiteral("/elsewhere"));
    Click(dialog, "CancelBtn");
  });
  session.Command("MenuActionsExtract");
  QVERIFY(session.Dialogs.Finish());
  QCOMPARE(main.Session().Values().ExtractPath, tree);

  // Failures are said: no folder at all, and a folder that cannot be written.
  const QString blocker = session.Path(QStringLiteral("blocker"));
  WriteBytes(blocker, "a file where a folder should be");
  session.Dialogs.Expect("ExtractDialog", [](QWidget &dialog) {
    Child<QLineEdit>(dialog, "ExtractPathBox")->clear();
    Click(dialog, "OkBtn");
  });
  session.Dialogs.Expect("ExtractDialog", [&](QWidget &dialog) {
    Child<QLineEdit>(dialog, "ExtractPathBox")->setText(blocker);
    Click(dialog, "OkBtn");
  });
  session.Command("MenuActionsExtract");
  session.Command("MenuActionsExtract");
  QVERIFY(session.Dialogs.Finish());
  const QStringList errors = session.Desktop.Texts("error");
  QCOMPARE(errors.size(), 2);
  QCOMPARE(errors[0], QStringLiteral("No folder was given to extract the files to."));
  QCOMPARE(errors[1], QStringLiteral("The files could not be extracted."));
  QVERIFY2(session.Desktop.Details("error")[1].contains(blocker), qPrintable(session.Desktop.Details("error")[1]));
  QCOMPARE(QApplication::overrideCursor(), nullptr);

  // The last choices are the defaults of the next run. Esc at the question
  // about a file already there ends the extraction without a word.
  session.Desktop.Asked.clear();
  session.Dialogs.Expect("ExtractDialog", [&](QWidget &dialog) {
    Child<QLineEdit>(dialog, "ExtractPathBox")->setText(tree);
    Click(dialog, "OkBtn");
  });
  session.Dialogs.Expect("ConfirmReplaceDialog", [](QWidget &dialog) { Press(dialog, Qt::Key_Escape); });
  session.Command("MenuActionsExtract");
  QVERIFY(session.Dialogs.Finish());
  QVERIFY(session.Desktop.Asked.isEmpty());
  QCOMPARE(QApplication::overrideCursor(), nullptr);
  session.Main.reset();
  QCOMPARE(session.Settings->value(QStringLiteral("Extract/Path")).toString(), tree);
  QCOMPARE(session.Settings->value(QStringLiteral("Extract/Maintain Directory")).toString(), QStringLiteral("1"));
}

void ActionsTest::ExtractAllNamesTheFilesThatGo() {
  TSession session;
  const QString archive = session.Archive(QStringLiteral("scope.pak"), {{"maps/e1m1.bsp", "A"},
                                                                        {"maps/sub/e1m2.bsp", "B"},
                                                                        {"sound/x.wav", "X"}});
  session.OpenFresh(archive);
  // A folder chosen in the tree: "all" is that folder's entries, and the label says so.
  const std::vector<std::pair<std::string, QStringList>> cases = {
      {"maps/", {"maps/e1m1.bsp", "maps/sub/e1m2.bsp"}},
      {"maps/sub/", {"maps/sub/e1m2.bsp"}},
      {"", {"maps/e1m1.bsp", "maps/sub/e1m2.bsp", "sound/x.wav"}}};
  QStringList labels;
  for (const auto &[folder, extracted] : cases) {
    const QString out = session.Path(QStringLiteral("out%1").arg(labels.size()));
    session.Main->Browser()->SelectFolder(folder);
    session.Select({});
    session.Dialogs.Expect("ExtractDialog", [&](QWidget &dialog) {
      labels << Child<QRadioButton>(dialog, "AllFilesRadio")->text();
      Child<QLineEdit>(dialog, "ExtractPathBox")->setText(out);
      Child<QCheckBox>(dialog, "ExtractPathCheck")->setChecked(true);
      Click(dialog, "OkBtn");
    });
    session.Command("MenuActionsExtract");
    QVERIFY(session.Dialogs.Finish());
    QCOMPARE(FilesBelow(out), extracted);
  }
  QCOMPARE(labels, QStringList({"All 2 files in maps/", "All 1 file in maps/sub/", "All 3 files"}));
}

void ActionsTest::ExtractReportsWhereTheFilesWent() {
  TSession session;
  TMain &main = *session.Main;
  session.OpenFresh(session.Archive(QStringLiteral("report.pak"), {{"a.txt", "A"}, {"b.txt", "B"}}));
  const QString out = session.Path(QStringLiteral("out/"));
  auto extract = [&](const QStringList &selected) {
    QDir(out).removeRecursively();
    session.Select(selected);
    session.Dialogs.Expect("ExtractDialog", [&](QWidget &dialog) {
      Child<QLineEdit>(dialog, "ExtractPathBox")->setText(out);
      Click(dialog, "OkBtn");
    });
    session.Command("MenuActionsExtract");
    const bool finished = session.Dialogs.Finish();
    auto *notice = main.findChild<QLabel *>("NoticePanel");
    auto *button = main.findChild<QToolButton *>("OpenFolderBtn");
    // At the window's first size the report keeps room for its start, the
    // count, beside the button; the tooltip says it all.
    main.statusBar()->layout()->activate();
    const int countWidth = notice->fontMetrics().horizontalAdvance(QStringLiteral("Extracted 2 files to "));
    if (notice->width() < countWidth || notice->geometry().intersects(button->geometry()))
      return QStringLiteral("notice squeezed to %1 px").arg(notice->width());
    return finished ? notice->toolTip() : QStringLiteral("dialogs unfinished");
  };
  main.show(); // at its first size, for the bar's layout
  QVERIFY(QTest::qWaitForWindowExposed(&main));
  auto *openFolder = main.findChild<QToolButton *>("OpenFolderBtn");
  QVERIFY(openFolder != nullptr);
  QVERIFY(!openFolder->isVisibleTo(&main));

  QCOMPARE(extract({}), QStringLiteral("Extracted 2 files to ") + out);
  QCOMPARE(extract({"b.txt"}), QStringLiteral("Extracted 1 file to ") + out);
  QVERIFY(openFolder->isVisibleTo(&main));
  openFolder->click(); // the desktop has nothing to open folders with
  QCOMPARE(session.Desktop.Texts("error"), QStringList({"The folder could not be opened."}));
  session.Desktop.OpenResult = TDesktopServices::orOpened;
  openFolder->click();
  QCOMPARE(session.Desktop.OpenedFiles, QStringList({out, out}));
  QCOMPARE(session.Desktop.Texts("error").size(), 1);
}

void ActionsTest::ViewEntries() {
  TSession session;
  TMain &main = *session.Main;
  // gfx/pic.lmp: a 2 x 2 picture lump (width, height, four palette indexes).
  const QByteArray picture = Int32LE(2) + Int32LE(2) + QByteArray("\x01\x02\x03\x04", 4);
  // gfx/bomb.lmp: a header asking for 1 x 1,000,000,000 pixels, with 4 of them.
  const QByteArray bomb = Int32LE(1) + Int32LE(1000000000) + QByteArray("\x01\x02\x03\x04", 4);
  session.OpenFresh(session.Archive(QStringLiteral("view.pak"), {{"docs/readme.txt", "hello"},
                                                                 {"gfx/pic.lmp", picture},
                                                                 {"gfx/bomb.lmp", bomb},
                                                                 {"gfx/foo.wad", "WAD2"},
                                                                 {"~TMPPAK.PAK", "not the working file"},
                                                                 {"odd/..", "no file name"},
                                                                 {"docs/blocked.txt", "b"}}));
  const QString copyArea = main.Session().HandedCopyArea();

  // A desktop program opens the copy, and its saves are offered back; a
  // second view extracts the entry afresh into a copy of its own, and lists it too.
  session.Desktop.OpenResult = TDesktopServices::orOpened;
  session.Select({"docs/readme.txt"});
  session.Command("MenuActionsView");
  QCOMPARE(session.Desktop.OpenedFiles.size(), 1);
  const QString copy = session.Desktop.OpenedFiles.first();
  QVERIFY2(copy.startsWith(copyArea), qPrintable(copy));
  QCOMPARE(QFileInfo(copy).fileName(), QStringLiteral("readme.txt"));
  QCOMPARE(ReadBytes(copy), QByteArray("hello"));
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::No);
  WriteBytes(copy, "edited by the viewer");
  QTRY_COMPARE(session.Desktop.Texts("confirm"),
               QStringList({"docs/readme.txt was changed by another program. Update it in the archive?"}));
  session.Desktop.Asked.clear();
  session.Command("MenuActionsView");
  const QString second = session.Desktop.OpenedFiles.last();
  QVERIFY(second != copy);
  QCOMPARE(ReadBytes(second), QByteArray("hello"));
  QCOMPARE(ReadBytes(copy), QByteArray("edited by the viewer"));
  QCOMPARE(main.Session().ViewedFiles(), TStringList({copy.toStdString(), second.toStdString()}));

  // An entry named like the working file does not touch the working file.
  const QString added = session.Path(QStringLiteral("added.txt"));
  WriteBytes(added, "fresh data");
  session.Dialogs.Expect("AddDialog", [&](QWidget &dialog) {
    session.Desktop.OpenFilesAnswers.enqueue({added});
    Click(dialog, "AddBtn");
    Click(dialog, "OKBtn");
  });
  session.Command("MenuActionsAdd");
  QVERIFY(session.Dialogs.Finish());
  session.Select({"~TMPPAK.PAK"});
  session.Command("MenuActionsView");
  const QString namedLikeWorkingFile = session.Desktop.OpenedFiles.last();
  QCOMPARE(ReadBytes(namedLikeWorkingFile), QByteArray("not the working file"));
  QCOMPARE(session.EntryData("added.txt"), QByteArray("fresh data"));

  // No program for a picture lump: the lump viewer shows it.
  session.Desktop.OpenResult = TDesktopServices::orNoApplication;
  session.Select({"gfx/pic.lmp"});
  QString caption;
  QSize pictureSize;
  session.Dialogs.Expect("LumpViewForm", [&](QWidget &dialog) {
    caption = dialog.windowTitle();
    pictureSize = static_cast<TLumpViewForm &>(dialog).Picture().size();
    Click(dialog, "CloseBtn");
  });
  session.Command("MenuActionsView");
  QVERIFY(session.Dialogs.Finish());
  QCOMPARE(caption, QStringLiteral("Lump Viewer - gfx/pic.lmp"));
  QCOMPARE(pictureSize, QSize(2, 2));
  QVERIFY(session.Desktop.Texts("error").isEmpty());

  // A picture that needs more bytes than the entry has: no picture, and why.
  session.Select({"gfx/bomb.lmp"});
  QString shown;
  session.Dialogs.Expect("LumpViewForm", [&](QWidget &dialog) {
    pictureSize = static_cast<TLumpViewForm &>(dialog).Picture().size();
    shown = Child<QLabel>(dialog, "LumpImage")->text();
    Click(dialog, "CloseBtn");
  });
  session.Command("MenuActionsView");
  QVERIFY(session.Dialogs.Finish());
  QVERIFY(pictureSize.isEmpty());
  QCOMPARE(shown, QStringLiteral("The picture of 1 x 1000000000 pixels is too large to show."));
  QCOMPARE(QApplication::overrideCursor(), nullptr);

  // No program for anything else: said so; the copy is still listed for deletion.
  session.Select({"gfx/foo.wad"});
  session.Command("MenuActionsView");
  QCOMPARE(session.Desktop.Texts("confirm"),
           QStringList({QStringLiteral("There is no application associated with this file type.")}));
  QCOMPARE(main.Session().ViewedFiles().size(), 6u);

  // A program that fails to start, and an entry with no file name, are said too.
  session.Desktop.OpenResult = TDesktopServices::orFailed;
  session.Command("MenuActionsView");
  session.Select({"odd/.."});
  session.Command("MenuActionsView");
  QCOMPARE(session.Desktop.Texts("confirm").last(),
           QStringLiteral("The program for this file type could not be started."));
  QCOMPARE(session.Desktop.Texts("error"), QStringList({"This entry has no file name and cannot be viewed."}));

  // Only one selected row is viewed.
  const auto opened = session.Desktop.OpenedFiles.size();
  session.Select({"docs/readme.txt", "gfx/foo.wad"});
  session.Command("MenuActionsView");
  QCOMPARE(session.Desktop.OpenedFiles.size(), opened);

  // A copy that cannot be written is said, and nothing is opened: a file
  // stands where the folder of the copies was, for one view.
  const QString areaFolder = copyArea.chopped(1);
  QVERIFY(QDir().rename(areaFolder, areaFolder + QStringLiteral(".aside")));
  WriteBytes(areaFolder, "in the way");
  session.Desktop.OpenResult = TDesktopServices::orOpened;
  session.Select({"docs/blocked.txt"});
  session.Command("MenuActionsView");
  QVERIFY(QFile::remove(areaFolder));
  QVERIFY(QDir().rename(areaFolder + QStringLiteral(".aside"), areaFolder));
  QCOMPARE(session.Desktop.OpenedFiles.size(), opened);
  QCOMPARE(session.Desktop.Texts("error").last(), QStringLiteral("The entry could not be extracted for viewing."));

  // The copies that went to no program go with the window; those the
  // desktop's program may still have open stay until a later run sweeps them up.
  const TStringList viewed = main.Session().ViewedFiles();
  session.Main.reset();
  const QStringList handed{copy, second, namedLikeWorkingFile};
  for (const std::string &file : viewed) {
    const QString path = QString::fromStdString(file);
    QVERIFY2(QFileInfo::exists(path) == handed.contains(path), file.c_str());
  }
  session.Start();
  session.Session().HandedCopyArea();
  for (const QString &file : handed)
    QVERIFY2(!QFileInfo::exists(file), qPrintable(file));
}

void ActionsTest::ProgressReachesTheBar() {
  TSession session;
  TMain &main = *session.Main;
  session.OpenFresh(session.Archive(QStringLiteral("base.pak"), {{"a.txt", "a"}}));
  main.show();
  QVERIFY(QTest::qWaitForWindowExposed(&main));
  auto *bar = main.findChild<QProgressBar *>(QStringLiteral("ProgressBar"));
  QVERIFY(bar != nullptr);
  QVERIFY(bar->isHidden());

  // Ten blocks' worth of data: the bar steps through several values.
  const QString big = session.Path(QStringLiteral("big.bin"));
  WriteBytes(big, QByteArray(10 * 65528, 'x'));
  std::vector<std::pair<int, bool>> seen; // value, shown
  bool closeRefused = true;
  bool dropRefused = true;
  QObject::connect(bar, &QProgressBar::valueChanged, bar, [&](int value) {
    seen.emplace_back(value, bar->isVisible());
    if (seen.size() == 2) {
      // The window runs its events while busy: a close or a drop must not start another command.
      QCloseEvent close;
      QApplication::sendEvent(&main, &close);
      closeRefused = !close.isAccepted();
      QMimeData mime;
      mime.setUrls({QUrl::fromLocalFile(big)});
      QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
      QApplication::sendEvent(&main, &enter);
      dropRefused = !enter.isAccepted();
    }
  });
  session.Dialogs.Expect("AddDialog", [&](QWidget &dialog) {
    session.Desktop.OpenFilesAnswers.enqueue({big});
    Click(dialog, "AddBtn");
    Click(dialog, "OKBtn");
  });
  session.Command("MenuActionsAdd");
  QVERIFY(session.Dialogs.Finish());
  QVERIFY(seen.size() >= 5);
  QVERIFY(std::all_of(seen.begin(), seen.end(), [](const auto &step) { return step.second; }));
  QVERIFY(std::is_sorted(seen.begin(), seen.end()));
  QCOMPARE(seen.back().first, 100);
  QVERIFY(bar->isHidden());
  QVERIFY(closeRefused);
  QVERIFY(dropRefused);
  QVERIFY(session.Desktop.Texts("confirm").isEmpty());
  QVERIFY(main.isVisible());

  // Extraction reports too; once it ends the window takes drops again.
  seen.clear();
  session.Select({"big.bin"});
  session.Dialogs.Expect("ExtractDialog", [&](QWidget &dialog) {
    Child<QLineEdit>(dialog, "ExtractPathBox")->setText(session.Path(QStringLiteral("out")));
    Click(dialog, "OkBtn");
  });
  session.Command("MenuActionsExtract");
  QVERIFY(session.Dialogs.Finish());
  QVERIFY(seen.size() >= 5);
  QCOMPARE(seen.back().first, 100);
  QVERIFY(bar->isHidden());
  QCOMPARE(QFileInfo(session.Path(QStringLiteral("out/big.bin"))).size(), 10 * 65528);
  QMimeData mime;
  mime.setUrls({QUrl::fromLocalFile(big)});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(&main, &enter);
  QVERIFY(enter.isAccepted());
}

QTEST_MAIN(ActionsTest)
#include "ActionsTest.moc"
