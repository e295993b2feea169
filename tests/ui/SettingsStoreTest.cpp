// SPDX-License-Identifier: GPL-3.0-or-later
#include "SettingsStore.h"
#include "EntryText.h"
#include "UiTestSupport.h"
#include "VarnelProduct.h"

#include <QGuiApplication>
#include <QScreen>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QWidget>
#include <QtTest>

class SettingsStoreTest : public QObject {
  Q_OBJECT

  QTemporaryDir m_Dir;
  int m_FileNumber = 0;

  // A settings file of its own for every case.
  QString NewSettingsFile() { return m_Dir.filePath(QStringLiteral("settings%1.ini").arg(++m_FileNumber)); }

  // The component, the window values and the window, all changed away from
  // the defaults so that a reading that applies nothing is caught.
  static void MakeNonDefault(TQuakePak &pak, TMainSettings &values) {
    pak.SetForceLowercase(false);
    pak.SetHandleSpaces(shUnderscore);
    pak.SetAllowUndo(false);
    pak.SetMaxUndoLevels(7);
    pak.SetProtectID1Pak(false);
    values.OpenPath = "/somewhere";
    values.ExtractPath = "/elsewhere";
    values.MaintainDirectory = true;
    values.RecurseSubDirs = false;
    values.SortOrder = {skPosition, false};
    values.OldFiles = {"/a.pak", "/b.pak", "/c.pak", "/d.pak"};
  }

  // Stores the given texts under "Section/Key" and reads them all back.
  QString ReadWith(const QMap<QString, QString> &stored, TQuakePak &pak, TMainSettings &values, QWidget &window) {
    QSettings settings(NewSettingsFile(), QSettings::IniFormat);
    for (auto it = stored.begin(); it != stored.end(); ++it)
      settings.setValue(it.key(), it.value());
    return TSettingsStore(settings).Read(pak, values, window);
  }

private slots:
  void initTestCase() { QVERIFY(m_Dir.isValid()); }

  void EmptyStoreGivesEveryDefault() {
    TQuakePak pak;
    TMainSettings values;
    MakeNonDefault(pak, values);
    const std::string ownTemp = pak.TempDirectory();
    QWidget window;
    window.setGeometry(269, 112, 541, 385);

    QCOMPARE(ReadWith({}, pak, values, window), QString());
    QCOMPARE(pak.QuakeDirectory(), std::string());
    QCOMPARE(pak.TempDirectory(), ownTemp);
    QCOMPARE(values.OpenPath, QString());
    QCOMPARE(values.ExtractPath, QString());
    QCOMPARE(values.MaintainDirectory, false);
    QCOMPARE(pak.ForceLowercase(), true);
    QCOMPARE(pak.HandleSpaces(), shLeave);
    QCOMPARE(values.RecurseSubDirs, true);
    QCOMPARE(pak.AllowUndo(), true);
    QCOMPARE(pak.MaxUndoLevels(), -1);
    QCOMPARE(values.SortOrder, (TSortOrder{skName, false}));
    QCOMPARE(window.geometry(), QRect(269, 112, 541, 385));
    QVERIFY(!window.isMaximized());
    for (const QString &file : values.OldFiles)
      QCOMPARE(file, QString());
    QCOMPARE(pak.ProtectID1Pak(), true);
  }

  void WrittenValuesReadBack() {
    QTemporaryDir quake;
    QTemporaryDir temp;
    TQuakePak pak;
    pak.SetQuakeDirectory(PathFromQ(MakeQuakeDirectory(quake.path())));
    pak.SetTempDirectory(PathFromQ(temp.path()));
    pak.SetForceLowercase(false);
    pak.SetHandleSpaces(shDelete);
    pak.SetAllowUndo(false);
    pak.SetMaxUndoLevels(25);
    TMainSettings values;
    values.OpenPath = "/games/quake/";
    values.ExtractPath = "/tmp/out, with a comma";
    values.MaintainDirectory = true;
    values.RecurseSubDirs = false;
    values.SortOrder = {skPosition, true};
    values.OldFiles = {"/x/one.pak", "", "/x/three.pak", ""};
    QWidget window;
    window.setGeometry(40, 50, 300, 200);

    const QString file = NewSettingsFile();
    {
      QSettings settings(file, QSettings::IniFormat);
      TSettingsStore(settings).Write(pak, values, window);
    }

    // Every value is stored as text; Booleans as "0" and "1".
    QSettings raw(file, QSettings::IniFormat);
    QCOMPARE(raw.value("Quake/Directory").toString(), quake.path() + "/");
    QCOMPARE(raw.value("Add/Handle Spaces").toString(), QString("1"));
    QCOMPARE(raw.value("Add/Force Lowercase").toString(), QString("0"));
    QCOMPARE(raw.value("Add/Recurse Sub-Directories").toString(), QString("0"));
    QCOMPARE(raw.value("Extract/Maintain Directory").toString(), QString("1"));
    QCOMPARE(raw.value("Window/Maximised").toString(), QString("0"));
    QCOMPARE(raw.value("Window/Width").toString(), QString("300"));
    QCOMPARE(raw.value("Old Files/File2").toString(), QString(""));
    QVERIFY(raw.contains("Old Files/File4")); // empty ones are written too
    QCOMPARE(raw.childGroups(), QStringList({"Add", "Extract", "Old Files", "Options", "Quake", "Undo", "Window"}));

    TQuakePak readPak;
    TMainSettings readValues;
    MakeNonDefault(readPak, readValues);
    QWidget readWindow;
    readWindow.setGeometry(269, 112, 541, 385);
    QSettings settings(file, QSettings::IniFormat);
    QCOMPARE(TSettingsStore(settings).Read(readPak, readValues, readWindow), QString());
    QCOMPARE(readPak.QuakeDirectory(), pak.QuakeDirectory());
    QCOMPARE(readPak.TempDirectory(), pak.TempDirectory());
    QCOMPARE(readPak.ForceLowercase(), false);
    QCOMPARE(readPak.HandleSpaces(), shDelete);
    QCOMPARE(readPak.AllowUndo(), false);
    QCOMPARE(readPak.MaxUndoLevels(), 25);
    QCOMPARE(readPak.ProtectID1Pak(), true);
    QCOMPARE(readValues.OpenPath, values.OpenPath);
    QCOMPARE(readValues.ExtractPath, values.ExtractPath);
    QCOMPARE(readValues.MaintainDirectory, true);
    QCOMPARE(readValues.RecurseSubDirs, false);
    QCOMPARE(readValues.SortOrder, (TSortOrder{skPosition, true}));
    QCOMPARE(readValues.OldFiles, values.OldFiles);
    QCOMPARE(readWindow.geometry(), QRect(40, 50, 300, 200));
  }

  // Integers: decimal, "0x"/"0X" and "$" hexadecimal, anything else the
  // default; the out-of-range values of each setting give a safe value.
  void NumbersFollowTheReadingRules_data() {
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("levels 0x19") << "Undo/Maximum Undo Levels"
                                 << "0x19" << 25;
    QTest::newRow("levels $19") << "Undo/Maximum Undo Levels"
                                << "$19" << 25;
    QTest::newRow("levels decimal") << "Undo/Maximum Undo Levels"
                                    << "12" << 12;
    QTest::newRow("levels bare 0x") << "Undo/Maximum Undo Levels"
                                    << "0x" << -1;
    QTest::newRow("levels no number") << "Undo/Maximum Undo Levels"
                                      << "ten" << -1;
    QTest::newRow("levels trailing text") << "Undo/Maximum Undo Levels"
                                          << "12a" << -1;
    QTest::newRow("levels too big") << "Undo/Maximum Undo Levels"
                                    << "99999999999" << -1;
    QTest::newRow("levels negative") << "Undo/Maximum Undo Levels"
                                     << "-7" << -1;
    QTest::newRow("spaces 2") << "Add/Handle Spaces"
                              << "2" << int(shUnderscore);
    QTest::newRow("spaces 0x1") << "Add/Handle Spaces"
                                << "0x1" << int(shDelete);
    QTest::newRow("spaces 3") << "Add/Handle Spaces"
                              << "3" << int(shLeave);
    QTest::newRow("spaces -1") << "Add/Handle Spaces"
                               << "-1" << int(shLeave);
    QTest::newRow("sort 9") << "Options/Sort By"
                            << "9" << 9;
    QTest::newRow("sort 10") << "Options/Sort By"
                             << "10" << 0;
    QTest::newRow("lowercase 0") << "Add/Force Lowercase"
                                 << "0" << 0;
    QTest::newRow("lowercase 2") << "Add/Force Lowercase"
                                 << "2" << 1;
    QTest::newRow("lowercase 0x0") << "Add/Force Lowercase"
                                   << "0x0" << 0;
    QTest::newRow("undo $0") << "Undo/Allow Undo"
                             << "$0" << 0;
    QTest::newRow("undo empty") << "Undo/Allow Undo"
                                << "" << 1;
  }

  void NumbersFollowTheReadingRules() {
    QFETCH(QString, key);
    QFETCH(QString, text);
    QFETCH(int, expected);
    TQuakePak pak;
    TMainSettings values;
    MakeNonDefault(pak, values);
    QWidget window;
    ReadWith({{key, text}}, pak, values, window);
    int actual = -100;
    if (key == "Undo/Maximum Undo Levels")
      actual = pak.MaxUndoLevels();
    else if (key == "Add/Handle Spaces")
      actual = pak.HandleSpaces();
    else if (key == "Options/Sort By")
      actual = values.SortOrder.Number();
    else if (key == "Add/Force Lowercase")
      actual = pak.ForceLowercase();
    else if (key == "Undo/Allow Undo")
      actual = pak.AllowUndo();
    QCOMPARE(actual, expected);
  }

  void MaximisedOrMinimisedWindowKeepsStoredBounds() {
    const Qt::WindowState states[] = {Qt::WindowMaximized, Qt::WindowMinimized};
    for (const Qt::WindowState state : states) {
      const QString file = NewSettingsFile();
      {
        QSettings settings(file, QSettings::IniFormat);
        settings.setValue("Window/Left", "11");
        settings.setValue("Window/Top", "12");
        settings.setValue("Window/Height", "113");
        settings.setValue("Window/Width", "114");
        TQuakePak pak;
        QWidget window;
        window.setGeometry(200, 210, 320, 330);
        window.setWindowState(state);
        TSettingsStore(settings).Write(pak, TMainSettings(), window);
      }
      QSettings settings(file, QSettings::IniFormat);
      QCOMPARE(settings.value("Window/Maximised").toString(), QString(state == Qt::WindowMaximized ? "1" : "0"));
      QCOMPARE(settings.value("Window/Left").toString(), QString("11"));
      QCOMPARE(settings.value("Window/Top").toString(), QString("12"));
      QCOMPARE(settings.value("Window/Height").toString(), QString("113"));
      QCOMPARE(settings.value("Window/Width").toString(), QString("114"));
    }
  }

  void WindowBoundsAndStateAreApplied() {
    TQuakePak pak;
    TMainSettings values;
    QWidget window;
    window.setGeometry(269, 112, 541, 385);
    ReadWith({{"Window/Left", "30"},
              {"Window/Top", "0x28"},
              {"Window/Height", "220"},
              {"Window/Width", "330"},
              {"Window/Maximised", "1"}},
             pak, values, window);
    QCOMPARE(window.geometry(), QRect(30, 40, 330, 220));
    QVERIFY(window.windowState().testFlag(Qt::WindowMaximized));

    // Only some bounds stored: the others keep the window's own.
    QWidget partial;
    partial.setGeometry(269, 112, 541, 385);
    ReadWith({{"Window/Width", "400"}, {"Window/Maximised", "0"}}, pak, values, partial);
    QCOMPARE(partial.geometry(), QRect(269, 112, 400, 385));
    QVERIFY(!partial.isMaximized());
  }

  void BoundsOffEveryScreenAreNotApplied() {
    QRect united;
    for (const QScreen *screen : QGuiApplication::screens())
      united = united.united(screen->availableGeometry());
    QVERIFY(!united.isEmpty());
    TQuakePak pak;
    TMainSettings values;
    QWidget window;
    window.setGeometry(269, 112, 541, 385);
    ReadWith({{"Window/Left", QString::number(united.right() + 100)}, {"Window/Top", "10"}}, pak, values, window);
    QCOMPARE(window.geometry(), QRect(269, 112, 541, 385));
    ReadWith({{"Window/Left", "10"}, {"Window/Top", QString::number(united.top() - 2000)}, {"Window/Height", "300"}},
             pak, values, window);
    QCOMPARE(window.geometry(), QRect(269, 112, 541, 385));
    // An empty window shows on no screen either.
    ReadWith({{"Window/Width", "0"}}, pak, values, window);
    QCOMPARE(window.geometry(), QRect(269, 112, 541, 385));
  }

  // The window comes back on its screen and no larger than it, from Qt's
  // geometry record or, without one, from the four bounds (as a scaled
  // desktop may have stored them, twice the screen's size).
  void WindowComesBackOnTheScreen() {
    const QRect available = QGuiApplication::primaryScreen()->availableGeometry();
    const auto recordOf = [](const QRect &bounds) {
      QWidget saved;
      saved.setGeometry(bounds);
      return saved.saveGeometry();
    };
    const QRect inside(available.topLeft() + QPoint(20, 30), QSize(300, 200));
    const QSize twice = available.size() * 2;
    struct TCase {
      const char *Name;
      QMap<QString, QString> Bounds;
      QByteArray Record;
      QRect Expected; // empty: anywhere on the screen
    };
    const TCase cases[] = {
        {"record", {}, recordOf(inside), inside},
        {"record over the bounds", {{"Window/Width", "100"}}, recordOf(inside), inside},
        {"record twice the screen", {}, recordOf(QRect(available.topLeft(), twice)), {}},
        {"record off the screen", {}, recordOf(QRect(available.bottomRight() + QPoint(500, 500), inside.size())), {}},
        {"bounds twice the screen",
         {{"Window/Left", "0"},
          {"Window/Top", "0"},
          {"Window/Width", QString::number(twice.width())},
          {"Window/Height", QString::number(twice.height())}},
         {},
         {}},
        {"bounds past the edge",
         {{"Window/Left", QString::number(available.right() - 100)}, {"Window/Top", "0"}},
         {},
         {}},
    };
    for (const TCase &c : cases) {
      QSettings settings(NewSettingsFile(), QSettings::IniFormat);
      for (auto it = c.Bounds.begin(); it != c.Bounds.end(); ++it)
        settings.setValue(it.key(), it.value());
      if (!c.Record.isEmpty())
        settings.setValue("Window/Geometry", c.Record);
      TQuakePak pak;
      TMainSettings values;
      QWidget window;
      window.setGeometry(269, 112, 541, 385);
      TSettingsStore(settings).Read(pak, values, window);
      QVERIFY2(available.contains(window.frameGeometry()), c.Name);
      QVERIFY2(c.Expected.isEmpty() || window.geometry() == c.Expected, c.Name);
    }

    // Written beside the four bounds, and read back.
    QSettings settings(NewSettingsFile(), QSettings::IniFormat);
    QWidget window;
    window.setGeometry(inside);
    TQuakePak pak;
    TMainSettings values;
    TSettingsStore(settings).Write(pak, values, window);
    QVERIFY(!settings.value("Window/Geometry").toByteArray().isEmpty());
    QCOMPARE(settings.value("Window/Width").toString(), QString::number(inside.width()));
    QWidget readBack;
    TSettingsStore(settings).Read(pak, values, readBack);
    QCOMPARE(readBack.geometry(), inside);
  }

  void RejectedQuakeDirectoryStillReadsTheRest() {
    QTemporaryDir notQuake;
    TQuakePak pak;
    TMainSettings values;
    MakeNonDefault(pak, values);
    QWidget window;
    const QString message = ReadWith({{"Quake/Directory", notQuake.path()},
                                      {"Options/Sort By", "4"},
                                      {"Old Files/File1", "/q/last.pak"},
                                      {"Undo/Maximum Undo Levels", "50"}},
                                     pak, values, window);
    QCOMPARE(message, QString("Invalid Quake directory"));
    QCOMPARE(pak.QuakeDirectory(), std::string());
    QCOMPARE(values.SortOrder, (TSortOrder{skSize, false}));
    QCOMPARE(values.OldFiles[0], QString("/q/last.pak"));
    QCOMPARE(pak.MaxUndoLevels(), 50);
    QCOMPARE(pak.ProtectID1Pak(), true);
  }

  void UserSettingsLiveInTheConfigurationFolder() {
    const std::unique_ptr<QSettings> settings = OpenUserSettings();
    QCOMPARE(settings->format(), QSettings::IniFormat);
    QCOMPARE(settings->scope(), QSettings::UserScope);
    QCOMPARE(settings->fileName(), QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
                                       "/" + VarnelSettingsFileName);
  }
};

QTEST_MAIN(SettingsStoreTest)
#include "SettingsStoreTest.moc"
