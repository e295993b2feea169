// SPDX-License-Identifier: GPL-3.0-or-later
// The game folder view on a Quake folder built byte by byte:
//   id1/pak0.pak    gfx/palette.lmp, progs.dat "stock", sound/talk.wav "id1 talk", autoexec.cfg "id1 cfg"
//   id1/pak1.pak    maps/e1m1.bsp, progs.dat "pak1"
//   mymod/pak0.pak  progs.dat "mod0", sound/talk.wav "mod talk"
//   mymod/pak1.pak  progs.dat "mod1"
//   mymod/          sound/talk.wav "loose talk", autoexec.cfg "mod cfg", maps/new.bsp (loose files)
#include "GameFolderDlg.h"
#include "GameFolderWindow.h"
#include "PreviewPane.h"
#include "ScriptedDesktop.h"
#include "ScriptedDialogs.h"
#include "UiTestSupport.h"
#include "WindowSession.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QTableView>
#include <QUrl>
#include <QtTest>

namespace {
QByteArray Palette() { return QByteArray(768, '\x10'); }
} // namespace

class GameFolderTest : public QObject {
  Q_OBJECT

private:
  QTemporaryDir m_Temp;
  QString m_Quake;
  TScriptedDesktop m_Desktop;
  TScriptedDialogs m_Dialogs;

  std::unique_ptr<TGameFolderWindow> Open(const char *profile = "quake", const char *mod = "mymod") {
    TGameSetup setup{m_Quake.toStdString(), {}, mod, FindEngineProfile(profile)};
    return std::make_unique<TGameFolderWindow>(m_Desktop, &m_Dialogs, setup, ReadGameView(setup), m_Temp.path());
  }

  // Each row as "name|from|shadowed by".
  static QStringList Rows(TGameFolderWindow &window) {
    QStringList rows;
    const TGameFolderModel &model = window.Model();
    for (int row = 0; row < model.rowCount(); ++row) {
      QStringList cells;
      for (int column = 0; column < TGameFolderModel::ColumnCount; ++column)
        if (column != TGameFolderModel::colSize)
          cells << model.index(row, column).data().toString();
      rows << cells.join('|');
    }
    return rows;
  }

  // Selects the row "name|from|...".
  static void Select(TGameFolderWindow &window, const QString &nameAndFrom) {
    const int row =
        static_cast<int>(Rows(window).indexOf(QRegularExpression(QRegularExpression::escape(nameAndFrom) + ".*")));
    QVERIFY2(row >= 0, qPrintable(nameAndFrom));
    window.List()->clearSelection();
    window.List()->selectRow(row);
  }

private slots:
  void initTestCase() {
    QVERIFY(m_Temp.isValid());
    m_Quake = m_Temp.path() + "/quake";
    WriteBytes(m_Quake + "/id1/pak0.pak", BuildPak({{"gfx/palette.lmp", Palette()},
                                                    {"progs.dat", "stock"},
                                                    {"sound/talk.wav", "id1 talk"},
                                                    {"autoexec.cfg", "id1 cfg"}}));
    WriteBytes(m_Quake + "/id1/pak1.pak", BuildPak({{"maps/e1m1.bsp", "map"}, {"progs.dat", "pak1"}}));
    WriteBytes(m_Quake + "/mymod/pak0.pak", BuildPak({{"progs.dat", "mod0"}, {"sound/talk.wav", "mod talk"}}));
    WriteBytes(m_Quake + "/mymod/pak1.pak", BuildPak({{"progs.dat", "mod1"}}));
    WriteBytes(m_Quake + "/mymod/sound/talk.wav", "loose talk");
    WriteBytes(m_Quake + "/mymod/autoexec.cfg", "mod cfg");
    WriteBytes(m_Quake + "/mymod/maps/new.bsp", "new");
  }

  void init() {
    m_Desktop = TScriptedDesktop();
    m_Dialogs = TScriptedDialogs();
  }

  void RowsAndFilters_data() {
    QTest::addColumn<bool>("modChanges");
    QTest::addColumn<bool>("shadowed");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("rows");
    const QString cfg = "autoexec.cfg|mymod/ (loose file)|";
    const QString cfgHidden = "autoexec.cfg|id1/pak0.pak|mymod/ (loose file)";
    const QStringList progs = {"progs.dat|mymod/pak1.pak|", "progs.dat|mymod/pak0.pak|mymod/pak1.pak",
                               "progs.dat|id1/pak1.pak|mymod/pak1.pak", "progs.dat|id1/pak0.pak|mymod/pak1.pak"};
    // The original engine: archives before the folder's loose files.
    const QStringList talk = {"sound/talk.wav|mymod/pak0.pak|", "sound/talk.wav|mymod/ (loose file)|mymod/pak0.pak",
                              "sound/talk.wav|id1/pak0.pak|mymod/pak0.pak"};
    const QString map = "maps/e1m1.bsp|id1/pak1.pak|";
    const QString added = "maps/new.bsp|mymod/ (loose file)|";
    const QString palette = "gfx/palette.lmp|id1/pak0.pak|";
    QTest::newRow("all") << false << false << "" << QStringList{cfg, cfgHidden, palette, map, added} + progs + talk;
    QTest::newRow("mod changes") << true << false << "" << QStringList{cfg, cfgHidden, added} + progs + talk;
    QTest::newRow("shadowed") << false << true << "" << QStringList{cfg, cfgHidden} + progs + talk;
    QTest::newRow("name pattern") << false << false << "*.wav" << talk;
    QTest::newRow("name text") << false << false << "E1M" << QStringList{map};
    QTest::newRow("both and text") << true << true << "prog" << progs;
  }
  void RowsAndFilters() {
    QFETCH(bool, modChanges);
    QFETCH(bool, shadowed);
    QFETCH(QString, name);
    QFETCH(QStringList, rows);
    const auto window = Open();
    Child<QCheckBox>(*window, "ModChangesCheck")->setChecked(modChanges);
    Child<QCheckBox>(*window, "ShadowedCheck")->setChecked(shadowed);
    Child<QLineEdit>(*window, "GameNameFilter")->setText(name);
    QCOMPARE(Rows(*window), rows);
    QVERIFY2(window->StatusText().startsWith("6 files the game loads"), qPrintable(window->StatusText()));
  }

  void ExtractWritesTheCopyTheGameLoads_data() {
    QTest::addColumn<QString>("profile");
    QTest::addColumn<QString>("selected");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QByteArray>("bytes");
    // A shadowed copy's row extracts the winner, from an archive or loose.
    QTest::newRow("archive wins") << "quake"
                                  << "progs.dat|id1/pak0.pak"
                                  << "progs.dat" << QByteArray("mod1");
    QTest::newRow("archive over loose") << "quake"
                                        << "sound/talk.wav|id1"
                                        << "sound/talk.wav" << QByteArray("mod talk");
    QTest::newRow("loose first") << "darkplaces"
                                 << "sound/talk.wav|id1"
                                 << "sound/talk.wav" << QByteArray("loose talk");
  }
  void ExtractWritesTheCopyTheGameLoads() {
    QFETCH(QString, profile);
    QFETCH(QString, selected);
    QFETCH(QString, file);
    QFETCH(QByteArray, bytes);
    const auto window = Open(qPrintable(profile));
    Select(*window, selected);
    const QString target = m_Temp.path() + "/out-" + QTest::currentDataTag();
    m_Dialogs.ExtractAnswers.enqueue({target, true, false});
    window->ExtractAction()->trigger();
    QCOMPARE(ReadBytes(target + "/" + file), bytes);
    QVERIFY(m_Desktop.Asked.isEmpty());

    // Again: the file there is asked about, and kept on Skip.
    WriteBytes(target + "/" + file, "mine");
    m_Dialogs.ExtractAnswers.enqueue({target, true, false});
    m_Dialogs.ReplaceAnswers.enqueue(frSkip);
    window->ExtractAction()->trigger();
    QCOMPARE(m_Dialogs.Asked.last(), "replace file " + target + "/" + file);
    QCOMPARE(ReadBytes(target + "/" + file), QByteArray("mine"));
  }

  void ViewPreviewAndDragTakeTheWinner() {
    const auto window = Open();
    Select(*window, "autoexec.cfg|id1/pak0.pak");
    window->Preview()->Flush();
    QCOMPARE(window->Preview()->Preview().Text, QString("mod cfg"));

    m_Desktop.OpenResult = TDesktopServices::orOpened;
    window->ViewAction()->trigger();
    QCOMPARE(m_Desktop.OpenedFiles.size(), 1);
    QVERIFY(m_Desktop.OpenedFiles[0].endsWith("/autoexec.cfg"));
    QCOMPARE(ReadBytes(m_Desktop.OpenedFiles[0]), QByteArray("mod cfg"));

    Select(*window, "progs.dat|id1/pak1.pak");
    const std::unique_ptr<QMimeData> drag(window->DragData(window->List()->selectionModel()->selectedRows()));
    QVERIFY(drag != nullptr);
    QCOMPARE(drag->urls().size(), 1);
    QCOMPARE(ReadBytes(drag->urls()[0].toLocalFile()), QByteArray("mod1"));
    // Nothing in the game's folders changed.
    QCOMPARE(ReadBytes(m_Quake + "/mymod/autoexec.cfg"), QByteArray("mod cfg"));
  }

  void AnArchiveChangedSinceIsReportedNotMisread() {
    const auto window = Open();
    const QString archive = m_Quake + "/mymod/pak1.pak";
    const QByteArray before = ReadBytes(archive);
    WriteBytes(archive, BuildPak({{"other.txt", "x"}, {"progs.dat", "new!"}}));
    Select(*window, "progs.dat|mymod/pak1.pak");
    const QString target = m_Temp.path() + "/changed";
    m_Dialogs.ExtractAnswers.enqueue({target, true, false});
    window->ExtractAction()->trigger();
    WriteBytes(archive, before);
    QCOMPARE(m_Desktop.Texts("warning"), QStringList{"Some files were not extracted."});
    QVERIFY2(m_Desktop.Details("warning").value(0).contains("changed on disk"),
             qPrintable(m_Desktop.Details("warning").value(0)));
    QVERIFY(!QFile::exists(target + "/progs.dat"));
  }

  void DoubleClickOnFromOpensThatArchive() {
    const auto window = Open();
    const QStringList rows = Rows(*window);
    const int archiveRow = static_cast<int>(rows.indexOf("progs.dat|id1/pak1.pak|mymod/pak1.pak"));
    window->Activate(window->Model().index(archiveRow, TGameFolderModel::colFrom));
    QCOMPARE(m_Desktop.StartedPrograms.size(), 1);
    QCOMPARE(m_Desktop.StartedPrograms[0],
             (QStringList{QCoreApplication::applicationFilePath(), m_Quake + "/id1/pak1.pak"}));

    // A loose file has no archive to open: its From views the file instead.
    const int looseRow = static_cast<int>(rows.indexOf("autoexec.cfg|mymod/ (loose file)|"));
    m_Desktop.OpenResult = TDesktopServices::orOpened;
    window->Activate(window->Model().index(looseRow, TGameFolderModel::colFrom));
    QCOMPARE(m_Desktop.StartedPrograms.size(), 1);
    QCOMPARE(m_Desktop.OpenedFiles.size(), 1);
  }

  void SetupDialogOffersTheFolders() {
    WriteBytes(m_Quake + "/rogue/pak0.pak", BuildPak({}));
    TGameFolderDialog dialog(m_Desktop, m_Quake);
    const QStringList mods = Items(Child<QComboBox>(dialog, "ModBox"));
    QCOMPARE(mods, (QStringList{"(none: id1 only)", "mymod", "rogue"}));
    Child<QComboBox>(dialog, "ModBox")->setCurrentIndex(1);
    Child<QCheckBox>(dialog, "Pack_rogue")->setChecked(true);
    Child<QComboBox>(dialog, "ProfileBox")->setCurrentIndex(1);
    const TGameSetup setup = dialog.Setup();
    QCOMPARE(setup.Mod, std::string("mymod"));
    QCOMPARE(setup.MissionPacks, (std::vector<std::string>{"rogue"}));
    QCOMPARE(setup.Profile, &EngineProfiles()[1]);
    QCOMPARE(Child<QComboBox>(dialog, "ProfileBox")->itemText(0).toStdString(),
             std::string(OriginalEngineProfile().Title));

    // A folder without id1 is refused, the dialog stays.
    Child<QLineEdit>(dialog, "QuakeDirBox")->setText(m_Quake + "/mymod");
    QCOMPARE(Items(Child<QComboBox>(dialog, "ModBox")), (QStringList{"(none: id1 only)", "maps", "sound"}));
    dialog.accept();
    QCOMPARE(m_Desktop.Texts("error"), QStringList{"This folder holds no Quake installation: it has no folder id1."});
    QCOMPARE(dialog.result(), int(QDialog::Rejected));
  }

  void FileMenuOpensTheViewOfTheOptionsQuakeDirectory() {
    TWindowSession session;
    TMain &main = session.Start();
    QStringList menu;
    for (const QAction *action : session.Find<QMenu>("MenuFile")->actions().mid(0, 3))
      menu << action->text();
    QCOMPARE(menu, (QStringList{"&New...", "&Open...", "Open &Game Folder..."}));
    QString proposed;
    WhenShown([&](QWidget &dialog) {
      proposed = Child<QLineEdit>(dialog, "QuakeDirBox")->text();
      Click(dialog, "OkBtn");
    });
    session.Command("MenuFileOpenGameFolder");
    QCOMPARE(QDir(proposed), QDir(session.Quake));
    auto *window = main.findChild<TGameFolderWindow *>();
    QVERIFY(window != nullptr && window->isVisible());
    QCOMPARE(Rows(*window), (QStringList{"b.wav|id1/pak0.pak|", "gfx/a.lmp|id1/pak0.pak|"}));

    // With an archive of a mod folder open, that folder is the mod proposed.
    QVERIFY(QDir(session.Quake).mkdir(QStringLiteral("mymod")));
    session.Open(session.Archive(QStringLiteral("quake/mymod/pak0.pak"), {{"b.wav", "mine"}}));
    QString mod;
    WhenShown([&](QWidget &dialog) {
      mod = Child<QComboBox>(dialog, "ModBox")->currentText();
      Click(dialog, "CancelBtn");
    });
    session.Command("MenuFileOpenGameFolder");
    QCOMPARE(mod, QStringLiteral("mymod"));
  }
};

QTEST_MAIN(GameFolderTest)
#include "GameFolderTest.moc"
