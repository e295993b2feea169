// SPDX-License-Identifier: GPL-3.0-or-later
// The archive check in the window: the findings' rows, a row selecting its
// entry, the check run once per open and shown by itself for damage or lost
// data only, the status bar's note of a large archive, and the question
// before an archive with errors is saved.
#include "CheckArchiveDlg.h"
#include "CheckNote.h"
#include "WindowSession.h"

#include <QLabel>
#include <QToolButton>
#include <QSignalSpy>
#include <QTreeView>
#include <QtTest>

namespace {
// Two entries under one name: an error the check finds (the second is lost to the game).
const TFixture Doubled = {{"a.wav", "1"}, {"maps/e1m1.bsp", "22"}, {"a.wav", "333"}, {"readme.txt", "4"}};

// One entry more than the game loads, each a byte long; extra entries at the end.
TFixture OverTheLimit(const TFixture &extra = {}) {
  TFixture entries;
  for (int i = 0; i <= PakFormat::MaxGameEntries; ++i)
    entries.push_back({"sound/s" + QByteArray::number(i) + ".wav", "x"});
  entries.insert(entries.end(), extra.begin(), extra.end());
  return entries;
}

// The check runs once the opened archive is shown.
void LetTheCheckRun() {
  for (int i = 0; i < 3; ++i)
    QCoreApplication::processEvents();
}
} // namespace

class ArchiveCheckTest : public QObject {
  Q_OBJECT
private slots:
  void OpeningShowsTheFindingsAndRowsSelectEntries();
  void SavingWithErrorsAsksFirst();
  void CheckOfTheCommandLineArchiveComesToTheFront();
  void OnlyDamageOrLostDataBringsTheCheckUp();
  void AnArchiveOfTheGameIsJudgedByTheSearchPath();

};

void ArchiveCheckTest::OpeningShowsTheFindingsAndRowsSelectEntries() {
  TWindowSession session;
  session.Start();
  const QString clean = session.Archive(QStringLiteral("clean.pak"), {{"x.txt", "1"}});
  session.Open(clean);
  QVERIFY(session.Main->ArchiveCheck() == nullptr);

  session.Open(session.Archive(QStringLiteral("doubled.pak"), Doubled));
  LetTheCheckRun();
  TCheckArchiveDlg *check = session.Main->ArchiveCheck();
  QVERIFY(check != nullptr);
  QVERIFY(check->isVisible());
  const TCheckFindings findings = CheckArchive(session.Pak());
  QVERIFY(CountFindings(findings, csError) > 0);
  const QAbstractItemModel *rows = check->Rows()->model();
  QCOMPARE(rows->rowCount(), static_cast<int>(findings.size()));
  // The heading counts in plural forms ("1 error", "2 warnings"), never "error(s)".
  const QString summary = check->findChild<QLabel *>(QStringLiteral("Summary"))->text();
  const int errors = CountFindings(findings, csError), warnings = CountFindings(findings, csWarning);
  QCOMPARE(summary, QStringLiteral("The check found %1 error%2 and %3 warning%4.")
                        .arg(errors).arg(errors == 1 ? "" : "s").arg(warnings).arg(warnings == 1 ? "" : "s"));

  // The row of the doubled entry, activated, selects that entry alone in the list: the second of the two.
  int errorRow = -1;
  for (int i = 0; i < rows->rowCount() && errorRow < 0; ++i)
    if (rows->index(i, 0).data().toString() == QStringLiteral("Error") &&
        rows->index(i, 1).data().toString() == "a.wav")
      errorRow = i;
  QVERIFY(errorRow >= 0);
  // Enter selects it and leaves the check open; Go to Entry selects and closes it.
  session.Select({QStringLiteral("readme.txt")});
  check->Rows()->setCurrentIndex(rows->index(errorRow, 0));
  QTest::keyClick(check->Rows(), Qt::Key_Return);
  QCOMPARE(session.Main->OneViewList()->SelectedNames(), TStringList({"a.wav"}));
  QCOMPARE(session.Main->ListModel().Row(session.Main->OneViewList()->SelectedRows().front()).Size, 3);
  QCOMPARE(session.Main->StatusText(1), QStringLiteral("1 file selected"));
  QVERIFY(check->isVisible());
  session.Select({QStringLiteral("readme.txt")});
  Click(*check, "GoToEntryBtn");
  QCOMPARE(session.Main->OneViewList()->SelectedNames(), TStringList({"a.wav"}));
  QVERIFY(!check->isVisible());
  check->show();

  // The command shows the check again, with the archive as it stands: a clean one has no rows but the note.
  check->hide();
  session.Open(clean);
  QVERIFY(!check->isVisible());
  session.Command("MenuActionsCheck");
  QVERIFY(check->isVisible());
  QCOMPARE(rows->rowCount(), 0);
}

void ArchiveCheckTest::OnlyDamageOrLostDataBringsTheCheckUp() {
  // An archive of a byte too short for the header's directory: damaged.
  QByteArray damaged = BuildPak({{"a.wav", "1"}, {"b.wav", "22"}});
  damaged.chop(1);
  const struct {
    const char *File;
    QByteArray Bytes;
    bool CheckComesUp;
    bool Noted; // the status bar's note of an archive over the game's limit
  } cases[] = {
      {"large.pak", BuildPak(OverTheLimit()), false, true},
      {"large-doubled.pak", BuildPak(OverTheLimit({{"sound/s7.wav", "y"}})), true, true},
      {"damaged.pak", damaged, true, false},
      {"empty-entry.pak", BuildPak({{"a.wav", ""}, {"B.WAV", "1"}}), false, false}, // warnings only
  };
  for (const auto &item : cases) {
    TWindowSession session;
    TMain &main = session.Start();
    const QString path = session.Path(QLatin1String(item.File));
    WriteBytes(path, item.Bytes);
    session.Open(path);
    LetTheCheckRun();
    QCOMPARE(main.CheckRuns(), 1);
    const bool shown = main.ArchiveCheck() != nullptr && main.ArchiveCheck()->isVisible();
    QVERIFY2(shown == item.CheckComesUp, item.File);
    QCOMPARE(!main.CheckNote()->isHidden(), item.Noted);
    if (!item.Noted)
      continue;
    QCOMPARE(main.CheckNote()->Text(),
             QStringLiteral("%1 entries: the game loads no archive of more than 2,048")
                 .arg(QLocale().toString(static_cast<int>(main.Session().Pak().EntryCount()))));
    // The note's button shows the findings kept from the open: the check does not run again.
    if (main.ArchiveCheck() != nullptr)
      main.ArchiveCheck()->hide();
    main.CheckNote()->findChild<QToolButton *>(QStringLiteral("CheckNoteBtn"))->click();
    QVERIFY(main.ArchiveCheck()->isVisible());
    QCOMPARE(main.CheckRuns(), 1);
    QCOMPARE(main.ArchiveCheck()->Rows()->model()->index(0, 2).data().toString(),
             QStringLiteral("It holds %1 entries; the game loads no archive of more than 2048.")
                 .arg(main.Session().Pak().EntryCount()));
    // Back under the limit, the note goes; the changed archive is checked anew.
    session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
    main.Session().Delete({"sound/s0.wav", "sound/s1.wav"});
    QVERIFY(main.CheckNote()->isHidden());
    session.Command("MenuActionsCheck");
    QCOMPARE(main.CheckRuns(), 2);
  }
}

void ArchiveCheckTest::SavingWithErrorsAsksFirst() {
  TWindowSession session;
  session.Start();
  const QString path = session.Archive(QStringLiteral("doubled.pak"), Doubled);
  session.OpenFresh(path);
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
  session.Session().Delete({"readme.txt"});
  QVERIFY(session.Pak().Modified());

  // No: nothing is written, the archive stays modified.
  const QByteArray before = ReadBytes(path);
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::No);
  session.Command("MenuFileSave");
  QVERIFY(session.Desktop.Texts("confirm").last().endsWith(QStringLiteral(" in this archive. Save anyway?")));
  QVERIFY(!session.Desktop.Texts("confirm").last().contains(QStringLiteral("(s)")));
  QVERIFY(session.Pak().Modified());
  QCOMPARE(ReadBytes(path), before);

  // Yes: saved as it stands.
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
  session.Command("MenuFileSave");
  QVERIFY(!session.Pak().Modified());
  QVERIFY(ReadBytes(path) != before);

  // An archive without errors is saved without the question.
  session.OpenFresh(session.Archive(QStringLiteral("clean.pak"), {{"x.txt", "1"}}));
  session.Command("MenuFileSave");
  QVERIFY(session.Desktop.Texts("confirm").isEmpty());
}

void ArchiveCheckTest::CheckOfTheCommandLineArchiveComesToTheFront() {
  TWindowSession session;
  const QString path = session.Archive(QStringLiteral("doubled.pak"), Doubled);
  TMain &main = session.Start({path});
  main.show();
  // Checked once the window and its list are up.
  QTRY_VERIFY(main.ArchiveCheck() != nullptr);
  TCheckArchiveDlg *check = main.ArchiveCheck();
  QVERIFY(QTest::qWaitForWindowExposed(&main));
  QTRY_COMPARE(QApplication::activeWindow(), static_cast<QWidget *>(check));
}

void ArchiveCheckTest::AnArchiveOfTheGameIsJudgedByTheSearchPath() {
  // The stock id1/pak0.pak holds gfx/a.lmp; the mod's pak1.pak, searched
  // before its pak0.pak, holds x.txt too.
  TWindowSession session;
  session.Start();
  QVERIFY(QDir().mkpath(session.Quake + "mymod"));
  WriteBytes(session.Quake + "mymod/pak1.pak", BuildPak({{"x.txt", "new"}}));
  const QString pak0 = session.Quake + "mymod/pak0.pak";
  WriteBytes(pak0, BuildPak({{"x.txt", "old"}, {"gfx/A.lmp", "1"}, {"y.txt", "2"}}));
  session.Open(pak0);
  session.Command("MenuActionsCheck");
  const QAbstractItemModel *rows = session.Main->ArchiveCheck()->Rows()->model();
  QStringList shown;
  for (int i = 0; i < rows->rowCount(); ++i)
    shown << rows->index(i, 1).data().toString() + ": " + rows->index(i, 2).data().toString().section(':', 0, 0);
  QVERIFY2(shown.contains("x.txt: The game never loads it"), qPrintable(shown.join('\n')));
  QVERIFY2(shown.contains("gfx/A.lmp: \"gfx/a.lmp\" in id1/pak0.pak differs from its name only in letter case"),
           qPrintable(shown.join('\n')));
  QVERIFY(!shown.join('\n').contains("y.txt"));
}

QTEST_MAIN(ArchiveCheckTest)
#include "ArchiveCheckTest.moc"
