// SPDX-License-Identifier: GPL-3.0-or-later
// Comparing the open archive with another PAK file: the rows and their kinds,
// the counts and the filter, View and Extract of either archive's copy, the
// saved file compared while changes wait, and a drop with Alt held.
#include "CompareModel.h"
#include "CompareWindow.h"
#include "MainActions.h"
#include "WindowSession.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QProgressBar>
#include <QRadioButton>
#include <QTreeView>
#include <QtTest>

namespace {
// This archive and the other, built byte by byte: a name only in each, one
// of the same size with other bytes, one of another size, one alike.
const TFixture Here = {
    {"only-here.txt", "hh"}, {"sound/same.wav", "RIFF same"}, {"maps/bytes.bsp", "1234"}, {"progs/size.mdl", "12"}};
const TFixture There = {
    {"progs/size.mdl", "123"}, {"maps/bytes.bsp", "5678"}, {"sound/same.wav", "RIFF same"}, {"only-there.cfg", "t"}};

struct TCompareSession : TWindowSession {
  TCompareSession() {
    Start();
    HerePath = Archive(QStringLiteral("here.pak"), Here);
    TherePath = Archive(QStringLiteral("there.pak"), There);
    OpenFresh(HerePath);
  }
  // Compare With, choosing the other archive; the window once it has compared.
  TCompareWindow *Compare(const QString &other) {
    Desktop.OpenFilesAnswers.enqueue({other});
    Command("MenuActionsCompareWith");
    return Finished();
  }
  // The newest comparison, once it has compared.
  TCompareWindow *Finished() const {
    const QList<TCompareWindow *> windows = Main->findChildren<TCompareWindow *>();
    TCompareWindow *window = windows.isEmpty() ? nullptr : windows.last();
    if (window != nullptr && !QTest::qWaitFor([window] { return !window->Comparing(); }))
      return nullptr;
    return window;
  }
  QString HerePath;
  QString TherePath;
};

// The shown rows as "name|kind|size here|size there".
QStringList Shown(const TCompareWindow &window) {
  QStringList rows;
  const TCompareModel &model = window.Model();
  for (int row = 0; row < model.rowCount(); ++row) {
    QStringList cells;
    for (int column = 0; column < model.columnCount(); ++column)
      cells << model.index(row, column).data().toString();
    rows << cells.join(QLatin1Char('|'));
  }
  return rows;
}

void SelectName(TCompareWindow &window, const QString &name) {
  window.Rows()->clearSelection();
  const TCompareModel &model = window.Model();
  for (int row = 0; row < model.rowCount(); ++row)
    if (model.index(row, 0).data().toString() == name)
      window.Rows()->selectionModel()->select(model.index(row, 0),
                                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

QAction *Action(TCompareWindow &window, const char *name) { return Child<QAction>(window, name); }
} // namespace

class CompareTest : public QObject {
  Q_OBJECT
private slots:
  void RowsCountsAndFilter();
  void ViewAndExtractEitherCopy();
  void SavedFileIsCompared();
  void RefusalsAreSaid();
  void AltDropCompares();
};

void CompareTest::RowsCountsAndFilter() {
  TCompareSession session;
  session.Desktop.OpenFilesAnswers.enqueue({session.TherePath});
  session.Command("MenuActionsCompareWith");
  QCOMPARE(session.Desktop.FileRequests.last().Title, QStringLiteral("Compare With"));
  // The result comes back through the event loop: until then the window says it is busy.
  TCompareWindow *window = session.Main->findChild<TCompareWindow *>();
  QVERIFY(window != nullptr && window->Comparing());
  QVERIFY(Child<QProgressBar>(*window, "CompareBusy")->isVisible());
  QCOMPARE(Child<QCheckBox>(*window, "ShowDifferent")->text(), QStringLiteral("Different"));
  QVERIFY(!Action(*window, "CompareExtractThis")->isEnabled());
  QCOMPARE(session.Finished(), window);
  QVERIFY(!Child<QProgressBar>(*window, "CompareBusy")->isVisible());
  QCOMPARE(window->FileOf(TCompareWindow::sdThis), session.HerePath);
  QVERIFY(!Child<QLabel>(*window, "UnsavedNote")->isVisible());

  // What agrees is hidden until asked for; the rest in this archive's order, then the other's.
  QCOMPARE(Shown(*window), QStringList({"only-here.txt|Only in this archive|2|", "maps/bytes.bsp|Different|4|4",
                                        "progs/size.mdl|Different|2|3", "only-there.cfg|Only in the other||1"}));
  const struct {
    const char *Box;
    QString Text;
    bool Checked;
  } boxes[] = {{"ShowOnlyHere", "Only in this archive (1)", true},
               {"ShowOnlyThere", "Only in the other (1)", true},
               {"ShowDifferent", "Different (2)", true},
               {"ShowIdentical", "Identical (1)", false}};
  for (const auto &box : boxes) {
    QCOMPARE(Child<QCheckBox>(*window, box.Box)->text(), box.Text);
    QCOMPARE(Child<QCheckBox>(*window, box.Box)->isChecked(), box.Checked);
  }

  // Each box narrows the rows to the kinds it leaves on.
  Child<QCheckBox>(*window, "ShowIdentical")->setChecked(true);
  Child<QCheckBox>(*window, "ShowDifferent")->setChecked(false);
  QCOMPARE(Shown(*window), QStringList({"only-here.txt|Only in this archive|2|", "sound/same.wav|Identical|9|9",
                                        "only-there.cfg|Only in the other||1"}));
  Child<QCheckBox>(*window, "ShowOnlyHere")->setChecked(false);
  Child<QCheckBox>(*window, "ShowIdentical")->setChecked(false);
  QCOMPARE(Shown(*window), QStringList({"only-there.cfg|Only in the other||1"}));
  // Nothing shown that this archive holds: its extraction is not offered.
  QVERIFY(!Action(*window, "CompareExtractThis")->isEnabled());
  QVERIFY(Action(*window, "CompareExtractOther")->isEnabled());

  // A column sorts the rows.
  Child<QCheckBox>(*window, "ShowOnlyHere")->setChecked(true);
  Child<QCheckBox>(*window, "ShowDifferent")->setChecked(true);
  window->Rows()->sortByColumn(TCompareModel::ccName, Qt::AscendingOrder);
  QCOMPARE(window->Model().index(0, 0).data().toString(), QStringLiteral("maps/bytes.bsp"));
  QCOMPARE(window->Model().index(3, 0).data().toString(), QStringLiteral("progs/size.mdl"));
}

void CompareTest::ViewAndExtractEitherCopy() {
  TCompareSession session;
  TCompareWindow *window = session.Compare(session.TherePath);
  QVERIFY(window != nullptr);

  // Which actions a row allows: a side's copy only where the side holds one.
  const struct {
    QString Name;
    bool ViewThis;
    bool ViewOther;
  } offers[] = {{"only-here.txt", true, false}, {"maps/bytes.bsp", true, true}, {"only-there.cfg", false, true}};
  for (const auto &offer : offers) {
    SelectName(*window, offer.Name);
    QCOMPARE(Action(*window, "CompareViewThis")->isEnabled(), offer.ViewThis);
    QCOMPARE(Action(*window, "CompareViewOther")->isEnabled(), offer.ViewOther);
  }

  // View hands each side's own bytes to the desktop's program.
  session.Desktop.OpenResult = TDesktopServices::orOpened;
  SelectName(*window, QStringLiteral("maps/bytes.bsp"));
  Action(*window, "CompareViewOther")->trigger();
  Action(*window, "CompareViewThis")->trigger();
  QCOMPARE(session.Desktop.OpenedFiles.size(), 2);
  QCOMPARE(ReadBytes(session.Desktop.OpenedFiles[0]), QByteArray("5678"));
  QCOMPARE(ReadBytes(session.Desktop.OpenedFiles[1]), QByteArray("1234"));
  QVERIFY(session.Desktop.OpenedFiles[0] != session.Desktop.OpenedFiles[1]);
  // A double click views this archive's copy, or the other's where only it has one.
  SelectName(*window, QStringLiteral("only-there.cfg"));
  emit window->Rows()->doubleClicked(window->Rows()->currentIndex());
  QCOMPARE(ReadBytes(session.Desktop.OpenedFiles.last()), QByteArray("t"));

  // Extract writes the chosen side's bytes, with the paths kept.
  SelectName(*window, QStringLiteral("maps/bytes.bsp"));
  const struct {
    const char *Action;
    QString Folder;
    QByteArray Bytes;
  } extractions[] = {{"CompareExtractOther", session.Path(QStringLiteral("out/there")), "5678"},
                     {"CompareExtractThis", session.Path(QStringLiteral("out/here")), "1234"}};
  for (const auto &extraction : extractions) {
    session.Dialogs.Expect("ExtractDialog", [&](QWidget &dialog) {
      QVERIFY(Child<QRadioButton>(dialog, "SelFilesRadio")->isChecked());
      Child<QLineEdit>(dialog, "ExtractPathBox")->setText(extraction.Folder);
      Child<QCheckBox>(dialog, "ExtractPathCheck")->setChecked(true);
      Click(dialog, "OkBtn");
    });
    Action(*window, extraction.Action)->trigger();
    QVERIFY(session.Dialogs.Finish());
    QCOMPARE(ReadBytes(extraction.Folder + QStringLiteral("/maps/bytes.bsp")), extraction.Bytes);
  }
  QVERIFY(session.Desktop.Texts("error").isEmpty());
  QCOMPARE(ReadBytes(session.HerePath), BuildPak(Here)); // neither archive changed
  QCOMPARE(ReadBytes(session.TherePath), BuildPak(There));
}

void CompareTest::SavedFileIsCompared() {
  TCompareSession session;
  // An unsaved rename: the comparison reads the file as saved, and says so.
  QVERIFY(session.Session().Rename("only-here.txt", "renamed.txt"));
  QVERIFY(session.Pak().Modified());
  TCompareWindow *window = session.Compare(session.TherePath);
  QVERIFY(window != nullptr);
  QVERIFY(Child<QLabel>(*window, "UnsavedNote")->isVisible());
  QCOMPARE(window->Model().index(0, 0).data().toString(), QStringLiteral("only-here.txt"));

  // A new archive has no file to compare: the command is not offered.
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::No); // the changes are dropped
  session.Command("MenuFileNew");
  QVERIFY(!session.Enabled("MenuActionsCompareWith"));
}

void CompareTest::RefusalsAreSaid() {
  TCompareSession session;
  const QString text = session.Path(QStringLiteral("notes.pak"));
  WriteBytes(text, "no archive here");
  TCompareWindow *window = session.Compare(text);
  QVERIFY(window != nullptr);
  QCOMPARE(session.Desktop.Texts("error"), QStringList({"The archives could not be compared."}));
  QCOMPARE(session.Desktop.Details("error"), QStringList({text + QStringLiteral(" is not a valid PAK file.")}));
  QCOMPARE(window->Model().rowCount(), 0);
  QVERIFY(!Action(*window, "CompareExtractOther")->isEnabled());

  // The same file twice: every entry alike, and said so.
  window = session.Compare(session.HerePath);
  QVERIFY(window != nullptr);
  QCOMPARE(Child<QLabel>(*window, "CompareStatus")->text(),
           QStringLiteral("The archives hold the same entries with the same bytes."));
  QCOMPARE(window->Model().Count(edIdentical), 4);
}

void CompareTest::AltDropCompares() {
  TCompareSession session;
  const auto drop = [&](Qt::KeyboardModifiers modifiers) {
    QMimeData mime;
    mime.setUrls({QUrl::fromLocalFile(session.TherePath)});
    QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, modifiers);
    QApplication::sendEvent(session.Main.get(), &enter);
    QDropEvent event(QPointF(5, 5), Qt::CopyAction, &mime, Qt::LeftButton, modifiers);
    QApplication::sendEvent(session.Main.get(), &event);
    QCoreApplication::processEvents();
  };

  // Alt held: the comparison, no question, the open archive untouched.
  drop(Qt::AltModifier);
  TCompareWindow *window = session.Finished();
  QVERIFY(window != nullptr);
  QCOMPARE(window->FileOf(TCompareWindow::sdOther), session.TherePath);
  QCOMPARE(window->Model().Count(edDiffering), 2);
  QVERIFY(session.Dialogs.Finish());
  QCOMPARE(QString::fromStdString(session.Pak().FileName()), session.HerePath);
  window->close();
  QTRY_VERIFY(session.Main->findChild<TCompareWindow *>() == nullptr);

  // No modifier (or Ctrl): the open-or-add question, as ever.
  for (const Qt::KeyboardModifiers modifiers : {Qt::KeyboardModifiers(), Qt::KeyboardModifiers(Qt::ControlModifier)}) {
    session.Dialogs.Expect("OpenOrAddDialog", [](QWidget &dialog) { Click(dialog, "CancelBtn"); });
    drop(modifiers);
    QVERIFY(session.Dialogs.Finish());
    QVERIFY(session.Main->findChild<TCompareWindow *>() == nullptr);
  }
}

QTEST_MAIN(CompareTest)
#include "CompareTest.moc"
