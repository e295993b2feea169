// SPDX-License-Identifier: GPL-3.0-or-later
#include "SetDirDialog.h"
#include "ScriptedDesktop.h"
#include "UiTestSupport.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QToolButton>
#include <QtTest>

#include <functional>

namespace {

const char *const ProtectWarning = "If you make any changes to the ID1 PAK files, Quake may not function correctly. "
                                   "Please be careful what edits you make to it.";

// A Quake installation of that name in the test's scratch folder, ending in "/":
// OK takes only a Quake directory that holds one.
QString Installation(const QString &name) {
  static QTemporaryDir scratch;
  const QString root = scratch.filePath(name) + QLatin1Char('/');
  if (!QFileInfo::exists(root))
    MakeQuakeDirectory(root);
  return root;
}

// The seven values Execute takes, with the ones the main window would pass
// for a fresh component.
struct TOptions {
  QString QuakeDirectory = Installation("games");
  QString TempDirectory = "/tmp/";
  bool ProtectStock = true;
  bool AllowUndo = true;
  bool ForceLowercase = true;
  int32_t MaxUndoLevels = -1;
  TSpaceHandle Spaces = shLeave;

  bool operator==(const TOptions &) const = default;
};

// Check boxes and radio buttons react to clicks on their mark and text only,
// and the layout may make them wider than that: click on the mark.
void ClickMark(QAbstractButton *button) {
  QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
}

QComboBox *LevelCombo(QWidget &dialog) { return Child<QComboBox>(dialog, "UndoLevelCombo"); }

} // namespace

class SetDirDialogTest : public QObject {
  Q_OBJECT

  TScriptedDesktop m_Desktop;

  // Runs one dialog with the values: once it is up, actions run, and then
  // OK (or Cancel) is clicked unless the actions have closed it already.
  bool Run(TOptions &options, const std::function<void(TSetDirectoryDialog &)> &actions, bool confirm = true) {
    TSetDirectoryDialog dialog(m_Desktop);
    QTimer::singleShot(0, &dialog, [&] {
      actions(dialog);
      if (dialog.isVisible())
        QTest::mouseClick(Child<QPushButton>(dialog, confirm ? "OKBtn" : "CancelBtn"), Qt::LeftButton);
    });
    return dialog.Execute(options.QuakeDirectory, options.TempDirectory, options.ProtectStock, options.AllowUndo,
                          options.ForceLowercase, options.MaxUndoLevels, options.Spaces);
  }

private slots:
  void init() { m_Desktop = TScriptedDesktop(); }

  void ShowsTheValuesAndReturnsTheEditedOnes() {
    TOptions options;
    options.ProtectStock = false;
    options.AllowUndo = false;
    options.MaxUndoLevels = 37;
    options.Spaces = shUnderscore;
    const bool confirmed = Run(options, [](TSetDirectoryDialog &dialog) {
      QCOMPARE(dialog.windowTitle(), QString("Options"));
      QCOMPARE(Child<QGroupBox>(dialog, "QuakeGroup")->title(), QString(" Quake Directory "));
      QCOMPARE(Child<QGroupBox>(dialog, "TempGroup")->title(), QString(" Temporary File Directory "));
      QCOMPARE(Child<QGroupBox>(dialog, "SpaceRadio")->title(), QString(" Spaces In File Names "));
      QCOMPARE(Child<QLabel>(dialog, "MaxUndoLabel")->text(), QString("Maximum Undo Levels :"));
      QCOMPARE(Child<QCheckBox>(dialog, "ProtectCheck")->text(), QString("Protect ID1 Pak Files"));
      QCOMPARE(Child<QCheckBox>(dialog, "LowerCheck")->text(), QString("Force File Names To Lowercase"));
      QCOMPARE(Child<QCheckBox>(dialog, "UndoCheck")->text(), QString("Allow Undo"));
      QVERIFY(Child<QPushButton>(dialog, "OKBtn")->isDefault());
      QCOMPARE(dialog.focusWidget(), Child<QLineEdit>(dialog, "QuakeDirBox"));

      QCOMPARE(Child<QLineEdit>(dialog, "QuakeDirBox")->text(), Installation("games"));
      QCOMPARE(Child<QLineEdit>(dialog, "TempDirBox")->text(), QString("/tmp/"));
      QVERIFY(!Child<QCheckBox>(dialog, "ProtectCheck")->isChecked());
      QVERIFY(!Child<QCheckBox>(dialog, "UndoCheck")->isChecked());
      QVERIFY(Child<QCheckBox>(dialog, "LowerCheck")->isChecked());
      QCOMPARE(LevelCombo(dialog)->currentText(), QString("37"));
      QVERIFY(Child<QRadioButton>(dialog, "SpaceRadioUnderscore")->isChecked());
      // The level box does not depend on "Allow Undo".
      QVERIFY(LevelCombo(dialog)->isEnabled());

      Child<QLineEdit>(dialog, "QuakeDirBox")->setText(Installation("other"));
      Child<QLineEdit>(dialog, "TempDirBox")->setText("/other/tmp");
      ClickMark(Child<QRadioButton>(dialog, "SpaceRadioRemove"));
      ClickMark(Child<QCheckBox>(dialog, "LowerCheck"));
      ClickMark(Child<QCheckBox>(dialog, "UndoCheck"));
      ClickMark(Child<QCheckBox>(dialog, "ProtectCheck"));
    });
    QVERIFY(confirmed);
    TOptions expected;
    expected.QuakeDirectory = Installation("other");
    expected.TempDirectory = "/other/tmp";
    expected.ProtectStock = true;
    expected.AllowUndo = true;
    expected.ForceLowercase = false;
    expected.MaxUndoLevels = 37;
    expected.Spaces = shDelete;
    QVERIFY(options == expected);
    // Neither filling a cleared box nor checking it warns.
    QVERIFY(m_Desktop.Texts("warning").isEmpty());
  }

  void CancelWritesNothingBack() {
    const auto changeEverything = [](TSetDirectoryDialog &dialog) {
      Child<QLineEdit>(dialog, "QuakeDirBox")->setText(Installation("other"));
      ClickMark(Child<QRadioButton>(dialog, "SpaceRadioRemove"));
      ClickMark(Child<QCheckBox>(dialog, "LowerCheck"));
      LevelCombo(dialog)->setCurrentIndex(0);
    };
    TOptions options;
    QVERIFY(!Run(options, changeEverything, false));
    QVERIFY(options == TOptions());

    // Escape in the level box cancels too: the box keeps no key for itself.
    QVERIFY(!Run(options, [&](TSetDirectoryDialog &dialog) {
      changeEverything(dialog);
      QTest::keyClick(LevelCombo(dialog), Qt::Key_Escape);
      QVERIFY(!dialog.isVisible());
    }));
    QVERIFY(options == TOptions());
  }

  void LevelBoxInAndOut() {
    struct TCase {
      const char *Name;
      int32_t In;
      std::function<void(QComboBox &)> Edit;
      QString Shown; // after the edit
      int32_t Out;
    };
    // Typing into the focused box of the active dialog, as the user does (the
    // box completes typed text only while it has the focus).
    const auto type = [](const char *text) {
      return [text](QComboBox &combo) {
        combo.window()->activateWindow();
        combo.setFocus();
        QVERIFY(QTest::qWaitForWindowActive(combo.window()));
        QTest::keyClicks(&combo, text);
      };
    };
    const auto nothing = [](QComboBox &) {};
    const TCase cases[] = {
        {"unlimited shown as such", -1, nothing, "Unlimited", -1},
        {"any negative is unlimited", -5, nothing, "Unlimited", -1},
        {"a value that is no item", 37, nothing, "37", 37},
        {"zero", 0, nothing, "0", 0},
        {"picking 100", -1, [](QComboBox &combo) { combo.setCurrentIndex(3); }, "100", 100},
        {"picking unlimited", 25, [](QComboBox &combo) { combo.setCurrentIndex(4); }, "Unlimited", -1},
        {"cleared keeps the value passed in", 25,
         [](QComboBox &combo) {
           QTest::keyClick(&combo, Qt::Key_Backspace);
           QTest::keyClick(&combo, Qt::Key_Backspace);
         },
         "", 25},
        {"a letter is discarded", 37, type("x"), "37", 37},
        {"a digit replaces unlimited", -1, type("5"), "5", 5},
        {"digits typed over unlimited", -1, type("12"), "12", 12},
        {"a typed digit is not completed to an item", -1, type("1"), "1", 1},
        {"backspace clears unlimited", -1, [](QComboBox &combo) { QTest::keyClick(&combo, Qt::Key_Backspace); }, "",
         -1},
        {"a fifth digit is not taken", 1234, type("5"), "1234", 1234},
        {"four digits typed", 7, type("8x9+0"), "7890", 7890},
        {"typing into the edit itself", 7, [](QComboBox &combo) { QTest::keyClicks(combo.lineEdit(), "a12345"); },
         "7123", 7123},
    };
    for (const TCase &c : cases) {
      TOptions options;
      options.MaxUndoLevels = c.In;
      QString shown;
      QVERIFY2(Run(options,
                   [&](TSetDirectoryDialog &dialog) {
                     c.Edit(*LevelCombo(dialog));
                     shown = LevelCombo(dialog)->currentText();
                   }),
               c.Name);
      QVERIFY2(shown == c.Shown, qPrintable(QString("%1: shown %2").arg(c.Name, shown)));
      QVERIFY2(options.MaxUndoLevels == c.Out, qPrintable(QString("%1: %2").arg(c.Name).arg(options.MaxUndoLevels)));
    }
  }

  // A paste brings digits only: a long number is cut to four digits, and
  // text that is no number keeps its digits.
  void PastedTextInTheLevelBox() {
    QGuiApplication::clipboard()->setText("123456");
    if (QGuiApplication::clipboard()->text() != "123456")
      QSKIP("no clipboard on this platform");
    TOptions options;
    QVERIFY(Run(options, [](TSetDirectoryDialog &dialog) {
      LevelCombo(dialog)->lineEdit()->clear();
      LevelCombo(dialog)->lineEdit()->paste();
    }));
    QCOMPARE(options.MaxUndoLevels, 1234);

    QGuiApplication::clipboard()->setText("4x");
    options = TOptions();
    QString shown;
    QVERIFY(Run(options, [&shown](TSetDirectoryDialog &dialog) {
      LevelCombo(dialog)->lineEdit()->clear();
      LevelCombo(dialog)->lineEdit()->paste();
      shown = LevelCombo(dialog)->currentText();
    }));
    QCOMPARE(shown, QString("4"));
    QCOMPARE(options.MaxUndoLevels, 4);
  }

  void WarnsOncePerClickThatClearsProtection() {
    TOptions options;
    QVERIFY(Run(options, [this](TSetDirectoryDialog &dialog) {
      auto *check = Child<QCheckBox>(dialog, "ProtectCheck");
      QVERIFY(m_Desktop.Texts("warning").isEmpty()); // filled checked: nothing
      ClickMark(check);
      QCOMPARE(m_Desktop.Texts("warning"), QStringList({ProtectWarning}));
      ClickMark(check); // checked again: nothing
      QCOMPARE(m_Desktop.Texts("warning").size(), 1);
      ClickMark(check);
      QCOMPARE(m_Desktop.Texts("warning").size(), 2);
      // Changed by the program rather than clicked: no warning.
      check->setChecked(true);
      check->setChecked(false);
      QCOMPARE(m_Desktop.Texts("warning").size(), 2);
    }));
    QCOMPARE(options.ProtectStock, false);
  }

  void FolderChoosersReplaceTheText() {
    m_Desktop.DirectoryAnswers << Installation("chosen") << QString() << "/chosen/tmp";
    TOptions options;
    QVERIFY(Run(options, [this](TSetDirectoryDialog &dialog) {
      QTest::mouseClick(Child<QToolButton>(dialog, "QuakeDirBtn"), Qt::LeftButton);
      QTest::mouseClick(Child<QToolButton>(dialog, "TempDirBtn"), Qt::LeftButton); // cancelled
      QCOMPARE(Child<QLineEdit>(dialog, "TempDirBox")->text(), QString("/tmp/"));
      Child<QLineEdit>(dialog, "TempDirBox")->setText("/typed/");
      QTest::mouseClick(Child<QToolButton>(dialog, "TempDirBtn"), Qt::LeftButton);
    }));
    QCOMPARE(options.QuakeDirectory, Installation("chosen"));
    QCOMPARE(options.TempDirectory, QString("/chosen/tmp"));
    // Each chooser starts at its box's text; only the temporary one may create.
    QCOMPARE(m_Desktop.DirectoryStarts, QStringList({Installation("games"), "/tmp/", "/typed/"}));
    QCOMPARE(m_Desktop.DirectoryCanCreate, QList<bool>({false, true, true}));
  }
};

QTEST_MAIN(SetDirDialogTest)
#include "SetDirDialogTest.moc"
