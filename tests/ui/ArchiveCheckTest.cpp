// The archive check in the window: the findings' rows, a row selecting its
// entry, the check shown when an archive with errors opens, and the question
// before an archive with errors is saved.
#include "CheckArchiveDlg.h"
#include "WindowSession.h"

#include <QSignalSpy>
#include <QTreeView>
#include <QtTest>

namespace {
// Two entries under one name: an error the check finds (the second is lost to the game).
const TFixture Doubled = {{"a.wav", "1"}, {"maps/e1m1.bsp", "22"}, {"a.wav", "333"}, {"readme.txt", "4"}};
} // namespace

class ArchiveCheckTest : public QObject {
  Q_OBJECT
private slots:
  void OpeningShowsTheFindingsAndRowsSelectEntries();
  void SavingWithErrorsAsksFirst();
  void CheckOfTheCommandLineArchiveComesToTheFront();
  void AnArchiveOfTheGameIsJudgedByTheSearchPath();
};

void ArchiveCheckTest::OpeningShowsTheFindingsAndRowsSelectEntries() {
  TWindowSession session;
  session.Start();
  const QString clean = session.Archive(QStringLiteral("clean.pak"), {{"x.txt", "1"}});
  session.Open(clean);
  QVERIFY(session.Main->ArchiveCheck() == nullptr);

  session.Open(session.Archive(QStringLiteral("doubled.pak"), Doubled));
  TCheckArchiveDlg *check = session.Main->ArchiveCheck();
  QVERIFY(check != nullptr);
  QVERIFY(check->isVisible());
  const TCheckFindings findings = CheckArchive(session.Pak());
  QVERIFY(CountFindings(findings, csError) > 0);
  const QAbstractItemModel *rows = check->Rows()->model();
  QCOMPARE(rows->rowCount(), static_cast<int>(findings.size()));

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
  QVERIFY(session.Desktop.Texts("confirm").last().endsWith(QStringLiteral("Save anyway?")));
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
  TCheckArchiveDlg *check = main.ArchiveCheck();
  QVERIFY(check != nullptr);
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
