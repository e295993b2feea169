// SPDX-License-Identifier: GPL-3.0-or-later
// The move, confirm-replace and open-or-add dialogs.
#include "MoveDlg.h"
#include "OpenQueryDlg.h"
#include "PromptReplaceDlg.h"
#include "UiTestSupport.h"

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

class SmallDialogsTest : public QObject, protected TArchiveFixture {
  Q_OBJECT

private slots:
  void initTestCase() { QVERIFY(PrepareScratch()); }

  void MoveOffersEachDirectoryOnceInArchiveOrder() {
    OpenArchive({"A/x.wav", "top.cfg", "b/C/d.wav", "a/y.wav", "b/c/e.wav"});
    TMoveDialog dialog(m_Pak);
    QString target = "not shown";
    QStringList offered;
    QString textShown = "?";
    WhenShown([&](QWidget &shown) {
      auto *combo = Child<QComboBox>(shown, "MoveDirCombo");
      offered = Items(combo);
      textShown = combo->currentText();
      combo->setCurrentIndex(1);
      Click(shown, "OKBtn");
    });
    QVERIFY(dialog.Execute(target));
    QCOMPARE(offered, QStringList({"a", "b/c"}));
    QCOMPARE(textShown, QString());
    QCOMPARE(target, QString("b/c"));
    QCOMPARE(dialog.windowTitle(), QString("Move Files"));
  }

  void MoveTypedEmptyAndCancelled() {
    OpenArchive({"a.wav", "b.wav"});
    TMoveDialog dialog(m_Pak);
    QString target = "before";
    int offered = -1;
    // Top-level entries offer nothing, but a directory can be typed; Enter is OK.
    WhenShown([&](QWidget &shown) {
      auto *combo = Child<QComboBox>(shown, "MoveDirCombo");
      offered = combo->count();
      combo->lineEdit()->setFocus();
      QTest::keyClicks(combo->lineEdit(), "sound/new");
      QTest::keyClick(combo->lineEdit(), Qt::Key_Return);
    });
    QVERIFY(dialog.Execute(target));
    QCOMPARE(offered, 0);
    QCOMPARE(target, QString("sound/new"));

    // OK with nothing typed means the top level.
    WhenShown([](QWidget &shown) { Click(shown, "OKBtn"); });
    QVERIFY(dialog.Execute(target));
    QCOMPARE(target, QString());

    target = "kept";
    WhenShown([](QWidget &shown) {
      Child<QComboBox>(shown, "MoveDirCombo")->setEditText("typed");
      Press(shown, Qt::Key_Escape);
    });
    QVERIFY(!dialog.Execute(target));
    QCOMPARE(target, QString("kept"));
  }

  void ConfirmReplaceButtonsAnswer_data() {
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("answer");
    QTest::newRow("yes") << "YesBtn" << int(frReplace);
    QTest::newRow("yes to all") << "YesToAllBtn" << int(frReplaceAll);
    QTest::newRow("no") << "NoBtn" << int(frSkip);
    QTest::newRow("no to all") << "NoToAllBtn" << int(frSkipAll);
    QTest::newRow("cancel") << "CancelBtn" << int(frCancel);
  }

  void ConfirmReplaceButtonsAnswer() {
    QFETCH(QString, button);
    QFETCH(int, answer);
    TConfirmReplaceDialog dialog;
    const QByteArray name = button.toLatin1();
    WhenShown([&](QWidget &shown) { Click(shown, name.constData()); });
    QCOMPARE(int(dialog.Execute("maps/e1m1.bsp")), answer);
  }

  void ConfirmReplaceKeysAndClose() {
    TConfirmReplaceDialog dialog;
    // Entry names are shown as they are, never as markup.
    const QString name = "<b>maps</b>/e1m1.bsp";
    QString shownName;
    bool yesFocused = false, yesDefault = false;
    WhenShown([&](QWidget &shown) {
      auto *label = Child<QLabel>(shown, "FileNameLabel");
      shownName = label->text();
      QCOMPARE(label->textFormat(), Qt::PlainText);
      yesFocused = shown.focusWidget() == Child<QPushButton>(shown, "YesBtn");
      yesDefault = Child<QPushButton>(shown, "YesBtn")->isDefault();
      Press(shown, Qt::Key_Return);
    });
    QCOMPARE(dialog.Execute(name), frReplace);
    QCOMPARE(shownName, name);
    QVERIFY(yesFocused);
    QVERIFY(yesDefault);
    QCOMPARE(dialog.windowTitle(), QString("Confirm File Replace"));

    // The focus returns to Yes on every use, and Enter on another focused
    // button presses that one.
    WhenShown([](QWidget &shown) {
      Child<QPushButton>(shown, "NoBtn")->setFocus();
      Press(shown, Qt::Key_Return);
    });
    QCOMPARE(dialog.Execute(name), frSkip);
    WhenShown([](QWidget &shown) { Press(shown, Qt::Key_Return); });
    QCOMPARE(dialog.Execute(name), frReplace);

    WhenShown([](QWidget &shown) { Press(shown, Qt::Key_Escape); });
    QCOMPARE(dialog.Execute(name), frCancel);
    // A previous answer does not linger: closing by the title bar is Cancel.
    WhenShown([](QWidget &shown) { Click(shown, "YesToAllBtn"); });
    QCOMPARE(dialog.Execute(name), frReplaceAll);
    WhenShown([](QWidget &shown) { shown.close(); });
    QCOMPARE(dialog.Execute(name), frCancel);
  }

  void ConfirmReplaceOfAFileOnDisk() {
    TConfirmReplaceDialog dialog;
    // The existing file by its path, long ones shortened in the middle; Enter keeps it.
    const QString path = QStringLiteral("/home/user/") + QString(80, QLatin1Char('d')) + QStringLiteral("/arena.bsp");
    QString shownPath, tip, where, question;
    bool noFocused = false, noDefault = false, yesDefault = true;
    WhenShown([&](QWidget &shown) {
      shownPath = Child<QLabel>(shown, "FileNameLabel")->text();
      tip = Child<QLabel>(shown, "FileNameLabel")->toolTip();
      where = Child<QLabel>(shown, "Label3")->text();
      question = Child<QLabel>(shown, "Label4")->text();
      noFocused = shown.focusWidget() == Child<QPushButton>(shown, "NoBtn");
      noDefault = Child<QPushButton>(shown, "NoBtn")->isDefault();
      yesDefault = Child<QPushButton>(shown, "YesBtn")->isDefault();
      Press(shown, Qt::Key_Return);
    });
    QCOMPARE(dialog.ExecuteForFile(path), frSkip);
    QVERIFY2(shownPath.startsWith(QStringLiteral("/home/user/")) && shownPath.endsWith(QStringLiteral("/arena.bsp")) &&
                 shownPath.size() < path.size(),
             qPrintable(shownPath));
    QCOMPARE(tip, path);
    QCOMPARE(where, QStringLiteral("already exists on disk."));
    QCOMPARE(question, QStringLiteral("Do you want to replace it with the entry from the PAK file?"));
    QVERIFY(noFocused && noDefault && !yesDefault);

    // The same dialog asked about an entry again: its own texts, Enter replaces.
    WhenShown([&](QWidget &shown) {
      where = Child<QLabel>(shown, "Label3")->text();
      question = Child<QLabel>(shown, "Label4")->text();
      tip = Child<QLabel>(shown, "FileNameLabel")->toolTip();
      Press(shown, Qt::Key_Return);
    });
    QCOMPARE(dialog.Execute(QStringLiteral("maps/arena.bsp")), frReplace);
    QCOMPARE(where, QStringLiteral("already exists in this PAK file."));
    QCOMPARE(question, QStringLiteral("Do you want to replace it with this new copy?"));
    QVERIFY(tip.isEmpty());
  }

  void OpenOrAddAnswers() {
    TOpenOrAddDialog dialog;
    QString question;
    bool openFocused = false;
    WhenShown([&](QWidget &shown) {
      question = Child<QLabel>(shown, "Label1")->text();
      openFocused = shown.focusWidget() == Child<QPushButton>(shown, "OpenBtn");
      Click(shown, "OpenBtn");
    });
    QCOMPARE(dialog.Execute(), oaOpen);
    QCOMPARE(question, QString("There is already a PAK file open. Do you want to open this one, closing the "
                               "currently open one, or add it to the open PAK file?"));
    QVERIFY(openFocused);
    QCOMPARE(dialog.windowTitle(), QString("Open Or Add?"));

    WhenShown([](QWidget &shown) { Click(shown, "AddBtn"); });
    QCOMPARE(dialog.Execute(), oaAdd);
    // No button is fixed as the default: Enter presses the focused one.
    WhenShown([](QWidget &shown) {
      Child<QPushButton>(shown, "AddBtn")->setFocus();
      Press(shown, Qt::Key_Return);
    });
    QCOMPARE(dialog.Execute(), oaAdd);
    WhenShown([](QWidget &shown) { Click(shown, "CancelBtn"); });
    QCOMPARE(dialog.Execute(), oaCancel);
    WhenShown([](QWidget &shown) { Press(shown, Qt::Key_Escape); });
    QCOMPARE(dialog.Execute(), oaCancel);
    WhenShown([](QWidget &shown) { shown.close(); });
    QCOMPARE(dialog.Execute(), oaCancel);
  }
};

QTEST_MAIN(SmallDialogsTest)
#include "SmallDialogsTest.moc"
