// SPDX-License-Identifier: GPL-3.0-or-later
#include "ExtractDlg.h"
#include "ScriptedDesktop.h"
#include "UiTestSupport.h"

#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

namespace {

struct TRadioState {
  bool AllChecked = false;
  bool SelChecked = false;
  bool SelEnabled = false;
};

TRadioState Radios(QWidget &dialog) {
  return {Child<QRadioButton>(dialog, "AllFilesRadio")->isChecked(),
          Child<QRadioButton>(dialog, "SelFilesRadio")->isChecked(),
          Child<QRadioButton>(dialog, "SelFilesRadio")->isEnabled()};
}

} // namespace

class ExtractDlgTest : public QObject {
  Q_OBJECT

private slots:
  void WithoutSelectionOnlyAllFilesCanBeChosen() {
    TScriptedDesktop desktop;
    TExtractDialog dialog(desktop);
    QString target = "/data/out/";
    bool maintain = true;
    bool allFiles = true;
    TRadioState shown;
    QString pathShown, allLabel;
    WhenShown([&](QWidget &dialogShown) {
      shown = Radios(dialogShown);
      allLabel = Child<QRadioButton>(dialogShown, "AllFilesRadio")->text();
      pathShown = Child<QLineEdit>(dialogShown, "ExtractPathBox")->text();
      Child<QLineEdit>(dialogShown, "ExtractPathBox")->setText("/typed/without/slash");
      Child<QCheckBox>(dialogShown, "ExtractPathCheck")->setChecked(false);
      Child<QPushButton>(dialogShown, "OkBtn")->click();
    });
    QVERIFY(dialog.Execute(target, maintain, allFiles));
    QVERIFY(shown.AllChecked);
    QVERIFY(!shown.SelEnabled);
    QCOMPARE(allLabel, QString("All Files")); // no count given
    QCOMPARE(pathShown, QString("/data/out/"));
    QCOMPARE(target, QString("/typed/without/slash")); // as typed, no slash added
    QVERIFY(!maintain);
    QVERIFY(allFiles);
    QCOMPARE(dialog.windowTitle(), QString("Extract File(s)"));
  }

  void WithSelectionSelectedFilesAreProposed() {
    TScriptedDesktop desktop;
    TExtractDialog dialog(desktop);
    QString target;
    bool maintain = false;
    bool allFiles = false;
    TRadioState shown;
    WhenShown([&](QWidget &dialogShown) {
      shown = Radios(dialogShown);
      QTest::keyClick(&dialogShown, Qt::Key_Return); // Enter is OK
    });
    QVERIFY(dialog.Execute(target, maintain, allFiles));
    QVERIFY(shown.SelChecked);
    QVERIFY(shown.SelEnabled);
    QVERIFY(!allFiles);

    // The user may switch to all entries.
    WhenShown([&](QWidget &dialogShown) {
      Child<QRadioButton>(dialogShown, "AllFilesRadio")->click();
      Child<QPushButton>(dialogShown, "OkBtn")->click();
    });
    QVERIFY(dialog.Execute(target, maintain, allFiles));
    QVERIFY(allFiles);
  }

  void CancelWritesNothingBack() {
    TScriptedDesktop desktop;
    TExtractDialog dialog(desktop);
    QString target = "/keep/";
    bool maintain = false;
    bool allFiles = false;
    auto edit = [](QWidget &dialogShown) {
      Child<QLineEdit>(dialogShown, "ExtractPathBox")->setText("/changed/");
      Child<QCheckBox>(dialogShown, "ExtractPathCheck")->setChecked(true);
      Child<QRadioButton>(dialogShown, "AllFilesRadio")->click();
    };
    WhenShown([&](QWidget &dialogShown) {
      edit(dialogShown);
      Child<QPushButton>(dialogShown, "CancelBtn")->click();
    });
    QVERIFY(!dialog.Execute(target, maintain, allFiles));
    WhenShown([&](QWidget &dialogShown) {
      edit(dialogShown);
      QTest::keyClick(&dialogShown, Qt::Key_Escape);
    });
    QVERIFY(!dialog.Execute(target, maintain, allFiles));
    QCOMPARE(target, QString("/keep/"));
    QVERIFY(!maintain);
    QVERIFY(!allFiles);
  }

  void BrowseFillsThePathAndCreatesTheDirectory() {
    QTemporaryDir temp;
    QVERIFY(temp.isValid());
    const QString fresh = temp.path() + "/new/deeper";
    TScriptedDesktop desktop;
    desktop.DirectoryAnswers.enqueue(fresh);
    TExtractDialog dialog(desktop);
    QString target = "/start/";
    bool maintain = false;
    bool allFiles = true;
    QString afterBrowse, afterCancelledBrowse, tip;
    WhenShown([&](QWidget &dialogShown) {
      auto *browse = Child<QPushButton>(dialogShown, "BrowseBtn");
      tip = browse->toolTip();
      browse->click();
      afterBrowse = Child<QLineEdit>(dialogShown, "ExtractPathBox")->text();
      browse->click(); // cancelled
      afterCancelledBrowse = Child<QLineEdit>(dialogShown, "ExtractPathBox")->text();
      Child<QPushButton>(dialogShown, "OkBtn")->click();
    });
    QVERIFY(dialog.Execute(target, maintain, allFiles));
    QCOMPARE(tip, QString("Browse"));
    QCOMPARE(afterBrowse, fresh);
    QCOMPARE(afterCancelledBrowse, fresh);
    QCOMPARE(target, fresh);
    QVERIFY(QDir(fresh).exists());
    // The chooser may create folders and never starts from the typed path.
    QCOMPARE(desktop.DirectoryCanCreate, QList<bool>({true, true}));
    QCOMPARE(desktop.DirectoryStarts, QStringList({QString(), QString()}));
  }
};

QTEST_MAIN(ExtractDlgTest)
#include "ExtractDlgTest.moc"
