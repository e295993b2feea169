// SPDX-License-Identifier: GPL-3.0-or-later
// Traps a user meets in the window: typed text changed behind their back,
// folders that mean something else, damage and failures without a word,
// selections and keys the commands do not follow. Each case drives the real
// window or dialog headless, or the session with scripted answers.
#include "AddDlg.h"
#include "ArchiveSession.h"
#include "LumpViewDlg.h"
#include "MainActions.h"
#include "MoveDlg.h"
#include "ScriptedDialogs.h"
#include "WindowSession.h"

#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <cerrno>
#include <cstring>

namespace {

// A session on its own folder with a Quake installation, answered by scripts.
struct TScriptedSession {
  QTemporaryDir Folder;
  TScriptedDesktop Desktop;
  TScriptedDialogs Dialogs;
  TArchiveSession Session{Desktop, Dialogs};

  TScriptedSession() {
    const QString quake = Folder.filePath(QStringLiteral("quake"));
    WriteBytes(quake + QStringLiteral("/id1/pak0.pak"), BuildPak({{"gfx/a.lmp", "12345678"}}));
    Session.Pak().SetQuakeDirectory(quake.toStdString());
  }

  QString Archive(const QString &name, const TFixture &entries) {
    const QString path = Folder.filePath(name);
    WriteBytes(path, BuildPak(entries));
    return path;
  }
};

// An archive whose header claims two more records than the file holds.
QByteArray ShortOfRecords(const TFixture &entries) {
  QByteArray bytes = BuildPak(entries);
  bytes.replace(8, 4, Int32LE(static_cast<qint32>((entries.size() + 2) * 64)));
  return bytes;
}

} // namespace

const QString FullPathPlease = QStringLiteral("Please type the folder's full path, starting with / or ~/.");

class UserTrapsTest : public QObject, protected TArchiveFixture {
  Q_OBJECT
private slots:
  void initTestCase() { QVERIFY(PrepareScratch()); }
  void TypedDirectoriesStayAsTyped();
  void TypedFoldersMeanWhatTheySay();
  void DamagedArchiveIsAnnounced();
  void FailuresNameFileAndReason();
  void FailedSaveSaysWhy();
  void CommandLineArchiveFailsAfterTheWindowIsUp();
  void StatusAndCommandsFollowAnySelection();
  void ListKeysAndPlainCounts();
  void FolderChooserTakesANewFolder();
  void ConfirmationSaysWhatItsButtonsDo();
  void AddDialogShowsTheEntryNames();
  void LumpViewerZoomsAndSaysWhy();
};

void UserTrapsTest::TypedDirectoriesStayAsTyped() {
  OpenArchive({"sound/new/a.wav", "Sound/b.wav"});
  // Typing the start of an offered directory and pressing Enter moves into
  // what was typed, not into the offered item that starts the same way.
  TMoveDialog move(m_Pak);
  QString target;
  WhenShown([](QWidget &shown) {
    auto *combo = Child<QComboBox>(shown, "MoveDirCombo");
    combo->lineEdit()->setFocus();
    QTest::keyClicks(combo->lineEdit(), "sound");
    QCOMPARE(combo->currentText(), QStringLiteral("sound"));
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
  });
  QVERIFY(move.Execute(target));
  QCOMPARE(target, QStringLiteral("sound"));
  // Nor does a case-blind match swap the typed text for an item.
  WhenShown([](QWidget &shown) {
    auto *combo = Child<QComboBox>(shown, "MoveDirCombo");
    combo->lineEdit()->setFocus();
    QTest::keyClicks(combo->lineEdit(), "SOUND/NEW");
    QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
  });
  QVERIFY(move.Execute(target));
  QCOMPARE(target, QStringLiteral("SOUND/NEW"));

  // The add dialog's internal and base directories alike.
  TScriptedDesktop desktop;
  TAddDialog add(m_Pak, desktop);
  const QString file = m_Root + QStringLiteral("loose/x.wav");
  WriteBytes(file, "x");
  QStringList files = {file};
  QString internal;
  QString base = m_Root + QStringLiteral("loose/");
  bool recurse = false;
  WhenShown([this](QWidget &shown) {
    auto *dir = Child<QComboBox>(shown, "DirCombo");
    dir->lineEdit()->setFocus();
    QTest::keyClicks(dir->lineEdit(), "sound");
    auto *baseCombo = Child<QComboBox>(shown, "BaseDirCombo");
    baseCombo->setEditText(QString());
    baseCombo->lineEdit()->setFocus();
    QTest::keyClicks(baseCombo->lineEdit(), m_Root);
    QTest::keyClick(baseCombo->lineEdit(), Qt::Key_Return);
  });
  QVERIFY(add.Execute(files, internal, base, recurse));
  QCOMPARE(internal, QStringLiteral("sound"));
  QCOMPARE(base, m_Root);
}

void UserTrapsTest::TypedFoldersMeanWhatTheySay() {
  TScriptedSession s;
  s.Session.OpenFile(s.Archive(QStringLiteral("t.pak"), {{"maps/e1m1.bsp", "bsp"}}));
  const QString home = QDir::homePath();
  QVERIFY(!home.isEmpty());

  // "~/x" and "~" are the home folder.
  s.Dialogs.ExtractAnswers.enqueue({QStringLiteral("~/extracted-here"), false, true});
  s.Session.Extract({}, {"maps/e1m1.bsp"});
  QCOMPARE(ReadBytes(home + QStringLiteral("/extracted-here/e1m1.bsp")), QByteArray("bsp"));
  QVERIFY(!QFileInfo::exists(QStringLiteral("~")));
  QCOMPARE(s.Session.Values().ExtractPath, home + QStringLiteral("/extracted-here"));
  s.Dialogs.ExtractAnswers.enqueue({QStringLiteral("~"), false, true});
  s.Session.Extract({}, {"maps/e1m1.bsp"});
  QCOMPARE(ReadBytes(home + QStringLiteral("/e1m1.bsp")), QByteArray("bsp"));
  QVERIFY(s.Desktop.Texts("error").isEmpty());

  // A relative folder is refused, in every place a folder is typed.
  s.Dialogs.ExtractAnswers.enqueue({QStringLiteral("extracted"), false, true});
  s.Session.Extract({}, {"maps/e1m1.bsp"});
  QVERIFY(!QFileInfo::exists(QStringLiteral("extracted")));
  s.Dialogs.AddAnswers.enqueue({{s.Archive(QStringLiteral("loose.cfg"), {})}, QString(), QStringLiteral("base")});
  s.Session.Add();
  QCOMPARE(s.Session.Pak().EntryCount(), 1);
  s.Dialogs.OptionEdits.enqueue([](TOptionValues &values) {
    values.TempDirectory = QStringLiteral("tmp");
    values.AllowUndo = false;
  });
  s.Session.Options();
  QVERIFY(s.Session.Pak().AllowUndo());
  const QString asked = QStringLiteral("Please type the folder's full path, starting with / or ~/.");
  QCOMPARE(s.Desktop.Texts("error"), QStringList(3, asked));
  QCOMPARE(s.Desktop.Details("error"), QStringList({"extracted", "base", "tmp"}));

  // The options take "~/..." as the home folder too.
  WriteBytes(home + QStringLiteral("/games/quake/id1/pak0.pak"), BuildPak({{"x", "1"}}));
  s.Dialogs.OptionEdits.enqueue([](TOptionValues &values) { values.QuakeDirectory = QStringLiteral("~/games/quake"); });
  s.Session.Options();
  QCOMPARE(QDir(QString::fromStdString(s.Session.Pak().QuakeDirectory())).canonicalPath(),
           QDir(home + QStringLiteral("/games/quake")).canonicalPath());
}

void UserTrapsTest::DamagedArchiveIsAnnounced() {
  TWindowSession session;
  const QString path = session.Path(QStringLiteral("damaged.pak"));
  WriteBytes(path, ShortOfRecords({{"a.wav", "1"}, {"b.wav", "22"}}));
  TMain &main = session.Start();
  session.Open(path);
  QCOMPARE(main.ListModel().RowCount(), 2);
  QTRY_COMPARE(session.Desktop.Texts("warning"), QStringList({"The PAK file " + path + " is damaged."}));
  QVERIFY(!main.Session().Pak().Damage().empty());
  QCOMPARE(session.Desktop.Details("warning").first(), QString::fromStdString(main.Session().Pak().Damage().front()));
  QCOMPARE(main.windowTitle(), "Varnel - " + path + " (damaged)");

  // Saving over it asks first, Save As (No) being the default answer.
  const QByteArray before = ReadBytes(path);
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Cancel);
  session.Command("MenuFileSave");
  QCOMPARE(session.Desktop.Texts("confirm"),
           QStringList({"The PAK file " + path + " is damaged. Replace it with the 2 entries listed?"}));
  QCOMPARE(session.Desktop.Asked.last().Default, QMessageBox::No);
  QCOMPARE(ReadBytes(path), before);
  const QString copy = session.Path(QStringLiteral("repaired.pak"));
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::No);
  session.Desktop.SaveFileAnswers.enqueue(copy);
  session.Command("MenuFileSave");
  QCOMPARE(session.Desktop.Texts("save").size(), 1);
  QCOMPARE(ReadBytes(path), before);
  QCOMPARE(QString::fromStdString(main.Session().Pak().FileName()), copy);
  QCOMPARE(main.windowTitle(), "Varnel - " + copy);

  // Yes replaces the damaged file.
  session.OpenFresh(path);
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
  session.Command("MenuFileSave");
  std::vector<TDirEntry> stored;
  QCOMPARE(TQuakePak::ReadDirectory(path.toStdString(), stored), prDone);
  QCOMPARE(stored.size(), size_t(2));
  QCOMPARE(main.windowTitle(), "Varnel - " + path);
}

void UserTrapsTest::FailuresNameFileAndReason() {
  TWindowSession session;
  const QString path = session.Archive(QStringLiteral("f.pak"), {{"a.txt", "1"}, {"b.txt", "2"}});
  const QString gone = session.Archive(QStringLiteral("gone.pak"), {{"x", "1"}});
  TMain &main = session.Start();
  session.Open(gone);
  session.OpenFresh(path);
  QFile::remove(gone);

  // A recent file that is gone: said with the file and the reason, and offered for removal.
  QCOMPARE(main.Session().Values().OldFiles[1], gone);
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
  session.Command("MenuFileOld2");
  QCOMPARE(session.Desktop.Texts("confirm"), QStringList({"The file " + QFileInfo(gone).fileName() + " no longer exists."}));
  QVERIFY(session.Desktop.Details("confirm").first().startsWith(gone + ": No such file or directory"));
  QVERIFY(session.Desktop.Details("confirm").first().contains("Remove it from the list of recent files?"));
  QCOMPARE(main.Session().Values().OldFiles[1], QString());
  QCOMPARE(QString::fromStdString(main.Session().Pak().FileName()), path);

  // A failed save: today's text, with the file and the reason as the detail.
  const QString blocker = session.Path(QStringLiteral("plain.txt"));
  WriteBytes(blocker, "x");
  session.Desktop.SaveFileAnswers.enqueue(blocker + QStringLiteral("/sub.pak"));
  session.Command("MenuFileSaveAs");
  QCOMPARE(session.Desktop.Texts("error").last(), QStringLiteral("The PAK file could not be saved."));
  QVERIFY2(session.Desktop.Details("error").last().contains(blocker),
           qPrintable(session.Desktop.Details("error").last()));

  // An extraction into a folder that cannot be made names that folder.
  session.Desktop.Asked.clear();
  session.Dialogs.Expect(QStringLiteral("ExtractDialog"), [&blocker](QWidget &dialog) {
    Child<QLineEdit>(dialog, "ExtractPathBox")->setText(blocker + QStringLiteral("/out"));
    Click(dialog, "OkBtn");
  });
  session.Command("MenuActionsExtract");
  QVERIFY(session.Dialogs.Finish());
  QCOMPARE(session.Desktop.Texts("error"), QStringList({"The files could not be extracted."}));
  QVERIFY2(session.Desktop.Details("error").first().startsWith(blocker),
           qPrintable(session.Desktop.Details("error").first()));

  // A refused rename says the engine's reason; the row goes back.
  session.Desktop.Asked.clear();
  TEntryListModel &model = main.ListModel();
  QVERIFY(!model.setData(model.index(session.RowOf(QStringLiteral("b.txt")), 0), QStringLiteral("a.txt")));
  QCOMPARE(session.Desktop.Texts("error"), QStringList({NameExistsMessage}));
  QCOMPARE(session.Desktop.Details("error"), QStringList({"b.txt -> a.txt"}));

  // A view whose program cannot start, or has none: said, with the offer to extract instead.
  for (const TDesktopServices::TOpenResult result : {TDesktopServices::orFailed, TDesktopServices::orNoApplication}) {
    session.Desktop.Asked.clear();
    session.Desktop.OpenResult = result;
    session.Select({QStringLiteral("a.txt")});
    session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
    session.Dialogs.Expect(QStringLiteral("ExtractDialog"), [](QWidget &dialog) { Click(dialog, "CancelBtn"); });
    session.Command("MenuActionsView");
    QVERIFY(session.Dialogs.Finish());
    QCOMPARE(session.Desktop.Texts("confirm"),
             QStringList({result == TDesktopServices::orFailed
                              ? "The program for this file type could not be started."
                              : "There is no application associated with this file type."}));
    QVERIFY(session.Desktop.Details("confirm").first().contains("Extract the entry to a folder instead?"));
  }

  // A refused folder is said while the dialog stays open with what was typed:
  // a Quake directory names what it lacks, a relative folder is refused.
  const QString nowhere = session.Path(QStringLiteral("nowhere"));
  struct TRefusal {
    const char *Dialog, *Action, *Box, *Ok;
    QString Typed, Error, Detail;
  };
  const TRefusal refusals[] = {
      {"SetDirectoryDialog", "MenuViewOptions", "QuakeDirBox", "OKBtn", nowhere, "Invalid Quake directory",
       "id1/pak0.pak was not found under " + nowhere + "."},
      {"SetDirectoryDialog", "MenuViewOptions", "TempDirBox", "OKBtn", "tmp", FullPathPlease, "tmp"},
      {"ExtractDialog", "MenuActionsExtract", "ExtractPathBox", "OkBtn", "out", FullPathPlease, "out"}};
  for (const TRefusal &refusal : refusals) {
    session.Desktop.Asked.clear();
    bool stayed = false;
    QString kept;
    session.Dialogs.Expect(QLatin1String(refusal.Dialog), [&](QWidget &dialog) {
      Child<QLineEdit>(dialog, refusal.Box)->setText(refusal.Typed);
      Click(dialog, refusal.Ok);
      stayed = dialog.isVisible();
      kept = Child<QLineEdit>(dialog, refusal.Box)->text();
      Click(dialog, "CancelBtn");
    });
    session.Command(refusal.Action);
    QVERIFY(session.Dialogs.Finish());
    QVERIFY2(stayed, refusal.Box);
    QCOMPARE(kept, refusal.Typed);
    QCOMPARE(session.Desktop.Texts("error"), QStringList({refusal.Error}));
    QCOMPARE(session.Desktop.Details("error"), QStringList({refusal.Detail}));
  }
}

void UserTrapsTest::FailedSaveSaysWhy() {
  TScriptedSession s;
  s.Session.OpenFile(s.Archive(QStringLiteral("w.pak"), {{"a.txt", "1"}}));
  const QString blocker = s.Folder.filePath(QStringLiteral("plain.txt"));
  WriteBytes(blocker, "a file where a folder must be");
  s.Desktop.SaveFileAnswers.enqueue(blocker + QStringLiteral("/sub.pak"));
  s.Session.SaveAs();
  QCOMPARE(s.Desktop.Texts("error"), QStringList({"The PAK file could not be saved."}));
  const TStringList &failures = s.Session.Pak().Failures();
  if (failures.empty())
    QSKIP("the archive component does not say why this save failed");
  // The detail is the component's own lines: the file and the system's reason, not the path alone.
  QStringList lines;
  for (const std::string &failure : failures)
    lines << QString::fromStdString(failure);
  QCOMPARE(s.Desktop.Details("error"), QStringList({lines.join(QLatin1Char('\n'))}));
  QVERIFY2(lines.join(QLatin1Char('\n')).contains(QString::fromLocal8Bit(std::strerror(ENOTDIR))),
           qPrintable(lines.join(QLatin1Char('\n'))));
}

void UserTrapsTest::CommandLineArchiveFailsAfterTheWindowIsUp() {
  TWindowSession session;
  const QString missing = session.Path(QStringLiteral("missing.pak"));
  TMain &main = session.Start({missing});
  QVERIFY(session.Desktop.Asked.isEmpty());
  QTRY_COMPARE(session.Desktop.Texts("error"), QStringList({"This is not a valid PAK file."}));
  QCOMPARE(session.Desktop.Details("error"), QStringList({missing + ": No such file or directory"}));
  QCOMPARE(main.windowTitle(), QStringLiteral("Varnel"));
}

void UserTrapsTest::StatusAndCommandsFollowAnySelection() {
  TWindowSession session;
  TMain &main = session.Start();
  session.OpenFresh(session.Archive(QStringLiteral("s.pak"), {{"a.txt", "1"}, {"b.txt", "2"}, {"c.txt", "3"}}));
  main.show();
  QVERIFY(QTest::qWaitForWindowActive(&main));
  TEntryListView *list = main.OneViewList();
  list->setFocus();

  // Keyboard: a current row, then Shift+Down.
  list->setCurrentIndex(main.ListModel().index(0, 0));
  QCOMPARE(main.StatusText(1), QStringLiteral("1 file selected"));
  QVERIFY(session.Enabled("ViewBtn"));
  QTest::keyClick(list, Qt::Key_Down, Qt::ShiftModifier);
  QCOMPARE(main.StatusText(1), QStringLiteral("2 files selected"));
  QVERIFY(!session.Enabled("ViewBtn"));

  // Select All, offered in the list's context menu.
  QAction *selectAll = session.Find<QAction>("PopupSelectAll");
  QVERIFY(selectAll != nullptr);
  QVERIFY(session.Find<QMenu>("PopupMenu")->actions().contains(selectAll));
  selectAll->trigger();
  QCOMPARE(main.StatusText(1), QStringLiteral("3 files selected"));
  QVERIFY(session.Enabled("DeleteBtn"));
}

void UserTrapsTest::ListKeysAndPlainCounts() {
  TWindowSession session;
  TMain &main = session.Start();
  session.OpenFresh(session.Archive(QStringLiteral("k.pak"), {{"a.txt", "1"}, {"b.txt", "2"}}));
  main.show();
  QVERIFY(QTest::qWaitForWindowActive(&main));
  TEntryListView *list = main.OneViewList();
  list->setFocus();
  QCOMPARE(main.StatusText(0), QStringLiteral("2 files"));

  // Enter views the current entry.
  session.Select({QStringLiteral("a.txt")});
  session.Desktop.OpenResult = TDesktopServices::orOpened;
  QTest::keyClick(list, Qt::Key_Return);
  QCOMPARE(session.Desktop.Texts("view").size(), 1);
  QVERIFY(session.Desktop.Texts("view").first().endsWith(QStringLiteral("a.txt")));

  // Delete deletes the selection, after the usual question, said in plain English.
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
  QTest::keyClick(list, Qt::Key_Delete);
  QCOMPARE(session.Desktop.Texts("confirm"), QStringList({"Are you sure you want to delete this file?"}));
  QCOMPARE(session.Entries(), QStringList({"b.txt"}));
  QCOMPARE(main.StatusText(0), QStringLiteral("1 file"));

  // The existing shortcuts stay.
  QCOMPARE(session.Find<QAction>("MenuActionsAdd")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_A));
  QCOMPARE(session.Find<QAction>("MenuActionsDel")->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_Delete));
}

void UserTrapsTest::FolderChooserTakesANewFolder() {
  TSystemDesktop desktop;
  const QString fresh = m_Root + QStringLiteral("made/by/typing");
  for (const bool canCreate : {true, false}) {
    WhenShown([&fresh](QWidget &shown) {
      auto *chooser = qobject_cast<QFileDialog *>(&shown);
      QVERIFY(chooser != nullptr);
      Child<QLineEdit>(shown, "fileNameEdit")->setText(fresh);
      // A chooser that cannot make folders says the folder was not found: answer that box.
      QTimer::singleShot(50, [] {
        if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget()))
          box->accept();
      });
      static_cast<QDialog *>(chooser)->accept();
      if (chooser->isVisible())
        chooser->reject();
    });
    const QString chosen = desktop.ChooseDirectory(nullptr, QStringLiteral("Select Directory"), m_Root, canCreate);
    if (canCreate) {
      QCOMPARE(chosen, fresh);
      QVERIFY(QFileInfo(fresh).isDir());
      QVERIFY(QDir(fresh).removeRecursively());
    } else {
      QCOMPARE(chosen, QString());
      QVERIFY(!QFileInfo::exists(fresh));
    }
  }
}

void UserTrapsTest::ConfirmationSaysWhatItsButtonsDo() {
  TSystemDesktop desktop;
  QStringList texts;
  WhenShown([&texts](QWidget &shown) {
    auto *box = qobject_cast<QMessageBox *>(&shown);
    QVERIFY(box != nullptr);
    for (QAbstractButton *button : box->buttons())
      texts << button->text();
    Press(shown, Qt::Key_Return);
  });
  const QMessageBox::StandardButton answer = desktop.Confirm(
      nullptr, QStringLiteral("Overwrite it?"), QMessageBox::Yes | QMessageBox::Save | QMessageBox::Cancel, {},
      QMessageBox::Cancel, {{QMessageBox::Yes, "&Overwrite"}, {QMessageBox::Save, "Save &As..."}});
  QCOMPARE(answer, QMessageBox::Cancel); // Enter: the default
  QCOMPARE(texts.size(), 3);
  QVERIFY2(texts.contains("&Overwrite") && texts.contains("Save &As..."), qPrintable(texts.join(", ")));
}

void UserTrapsTest::AddDialogShowsTheEntryNames() {
  OpenArchive({"a.wav"});
  TScriptedDesktop desktop;
  TAddDialog add(m_Pak, desktop);
  const QString inside = m_Root + QStringLiteral("mod/maps/e1m1.bsp");
  const QString outside = m_Root + QStringLiteral("elsewhere/Notes.TXT");
  WriteBytes(inside, "1");
  WriteBytes(outside, "2");
  QStringList files = {inside, outside};
  QString internal;
  QString base;
  bool recurse = false;
  QStringList shown;
  bool resizable = false;
  bool flatButtons = true;
  WhenShown([&](QWidget &dialog) {
    Child<QComboBox>(dialog, "BaseDirCombo")->setEditText(m_Root + QStringLiteral("mod"));
    Child<QComboBox>(dialog, "DirCombo")->setEditText(QStringLiteral("id1"));
    auto *list = Child<QListWidget>(dialog, "FileListBox");
    for (int row = 0; row < list->count(); ++row)
      shown << list->item(row)->text() + QStringLiteral(" > ") + list->item(row)->toolTip();
    resizable = dialog.minimumSize() != dialog.maximumSize();
    flatButtons = Child<QPushButton>(dialog, "AddBtn")->isFlat();
    Click(dialog, "CancelBtn");
  });
  QVERIFY(!add.Execute(files, internal, base, recurse));
  // The file below the base keeps its folders; the one outside gets its bare name.
  QCOMPARE(shown, QStringList({inside + " > id1/maps/e1m1.bsp", outside + " > id1/notes.txt"}));
  QVERIFY(resizable);
  QVERIFY(!flatButtons);
}

void UserTrapsTest::LumpViewerZoomsAndSaysWhy() {
  TScriptedDesktop desktop;
  TLumpViewForm viewer(desktop);
  TBitmap small(4, 2);
  small.SetPixel(0, 0, 0x0000FF);
  viewer.SetPicture(&small);
  viewer.show();
  QVERIFY(QTest::qWaitForWindowExposed(&viewer));
  auto *image = viewer.findChild<QLabel *>("LumpImage");
  auto *zoom = viewer.findChild<QComboBox *>("ZoomCombo");
  QVERIFY(zoom != nullptr);
  QCOMPARE(image->pixmap().size(), QSize(4, 2));
  zoom->setCurrentIndex(zoom->findData(4));
  QCOMPARE(image->pixmap().size(), QSize(16, 8));
  // Nearest neighbour: a pixel stays one sharp 4 x 4 square.
  const QImage zoomed = image->pixmap().toImage();
  QCOMPARE(zoomed.pixelColor(3, 3), QColor(255, 0, 0));
  QCOMPARE(zoomed.pixelColor(4, 3), zoomed.pixelColor(7, 0));
  // Fit fills the area, keeping the proportions; the window can be resized.
  zoom->setCurrentIndex(zoom->findData(0));
  QCOMPARE(image->pixmap().width(), image->width());
  QVERIFY(viewer.minimumSize() != viewer.maximumSize());

  // No picture: a plain sentence in its place.
  viewer.SetPicture(nullptr, QStringLiteral("gfx/big.lmp: the picture of 9 x 9 pixels is too large to show."));
  QCOMPARE(image->text(), QStringLiteral("The picture of 9 x 9 pixels is too large to show."));
  TBitmap flat(5, 0);
  viewer.SetPicture(&flat);
  QCOMPARE(image->text(), QStringLiteral("The picture's header gives 5 \u00d7 0 pixels: there is nothing to show."));
}

QTEST_MAIN(UserTrapsTest)
#include "UserTrapsTest.moc"
