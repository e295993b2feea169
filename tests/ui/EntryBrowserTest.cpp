// SPDX-License-Identifier: GPL-3.0-or-later
// The folder tree and the filter box: what the list shows for a folder, a
// text and a shell pattern, the counts in the status bar, typing into the
// list, and the commands, sorts and renames on what is shown.
#include "EntryBrowser.h"
#include "WindowSession.h"

#include <QAction>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTreeView>
#include <QtTest>

namespace {
const TFixture Tree = {{"maps/e1m1.bsp", "1234"},
                       {"maps/sub/x.bsp", "1"},
                       {"sound/hit.wav", "12"},
                       {"sound/Boom.WAV", "123"},
                       {"readme.txt", "12345"}};

// The captions of the tree's items, depth first, indented by level.
QStringList TreeCaptions(const QAbstractItemModel &model, const QModelIndex &parent = {}, int level = 0) {
  QStringList captions;
  for (int row = 0; row < model.rowCount(parent); ++row) {
    const QModelIndex index = model.index(row, 0, parent);
    captions << QString(level * 2, QLatin1Char(' ')) + index.data().toString();
    captions << TreeCaptions(model, index, level + 1);
  }
  return captions;
}
// The tree item of that caption, depth first.
QModelIndex TreeItem(const QAbstractItemModel &model, const QString &caption) {
  const QModelIndexList found =
      model.match(model.index(0, 0), Qt::DisplayRole, caption, 1, Qt::MatchExactly | Qt::MatchRecursive);
  return found.isEmpty() ? QModelIndex() : found.first();
}
} // namespace

class EntryBrowserTest : public QObject {
  Q_OBJECT
private slots:
  void FoldersAndFilterNarrowTheList();
  void CommandsWorkOnWhatIsShown();
  void EachArchiveStartsWhole();
};

void EntryBrowserTest::EachArchiveStartsWhole() {
  TWindowSession session;
  session.Start();
  const QString other = session.Archive(QStringLiteral("other.pak"), Tree);
  session.OpenFresh(session.Archive(QStringLiteral("tree.pak"), Tree));
  TEntryBrowser *browser = session.Main->Browser();
  const auto mapsOpen = [&] {
    return browser->Folders()->isExpanded(TreeItem(*browser->Folders()->model(), QStringLiteral("maps")));
  };
  const auto narrow = [&] {
    browser->SelectFolder("maps/");
    browser->Folders()->expand(TreeItem(*browser->Folders()->model(), QStringLiteral("maps")));
    browser->FilterBox()->setText(QStringLiteral("x"));
    QCOMPARE(session.Main->StatusText(0), QStringLiteral("1 of 5 files"));
  };
  const auto shownWhole = [&] {
    QCOMPARE(browser->FilterBox()->text(), QString());
    QCOMPARE(browser->Folders()->currentIndex().row(), 0);
    QVERIFY(!browser->Folders()->currentIndex().parent().isValid());
    QCOMPARE(session.Main->StatusText(0), QStringLiteral("5 files"));
    QVERIFY(!mapsOpen());
  };

  // A save goes on with what is shown.
  narrow();
  session.Desktop.SaveFileAnswers.enqueue(session.Path(QStringLiteral("saved.pak")));
  session.Command("MenuFileSaveAs");
  QCOMPARE(session.Main->StatusText(0), QStringLiteral("1 of 5 files"));
  QVERIFY(mapsOpen());

  // Another archive opened, or a new one, shows whole.
  session.Open(other);
  shownWhole();
  narrow();
  session.Command("MenuFileNew");
  QCOMPARE(browser->FilterBox()->text(), QString());
  QVERIFY(session.Main->ListModel().Filter().ShowsAll());
  session.Open(other);
  shownWhole();

  // Esc in the filter box clears it.
  narrow();
  QTest::keyClick(browser->FilterBox(), Qt::Key_Escape);
  QCOMPARE(browser->FilterBox()->text(), QString());
  QCOMPARE(session.Rows(), QStringList({"maps/e1m1.bsp", "maps/sub/x.bsp"}));
}

void EntryBrowserTest::FoldersAndFilterNarrowTheList() {
  TWindowSession session;
  session.Start();
  session.OpenFresh(session.Archive(QStringLiteral("tree.pak"), Tree));
  TEntryBrowser *browser = session.Main->Browser();
  // A folder holding only maps can be opened; its maps show once it is.
  QAbstractItemModel &tree = *browser->Folders()->model();
  QVERIFY(tree.hasChildren(TreeItem(tree, QStringLiteral("sub"))));
  browser->Folders()->expandAll();
  QCOMPARE(TreeCaptions(tree),
           QStringList({"tree.pak", "  maps", "    sub", "      x.bsp", "    e1m1.bsp", "  sound"}));
  QCOMPARE(session.Main->StatusText(0), QStringLiteral("5 files"));

  // A folder shows the entries below it, sub-folders included.
  browser->SelectFolder("maps/");
  QCOMPARE(session.Rows(), QStringList({"maps/e1m1.bsp", "maps/sub/x.bsp"}));
  QCOMPARE(session.Main->StatusText(0), QStringLiteral("2 of 5 files"));

  // Text anywhere in the name, letter case ignored; a shell pattern matches the whole name.
  browser->SelectFolder("");
  browser->FilterBox()->setText(QStringLiteral("BOOM"));
  QCOMPARE(session.Rows(), QStringList({"sound/Boom.WAV"}));
  browser->FilterBox()->setText(QStringLiteral("*.wav"));
  QCOMPARE(session.Rows(), QStringList({"sound/Boom.WAV", "sound/hit.wav"}));
  browser->SelectFolder("maps/");
  QVERIFY(session.Rows().isEmpty());
  QCOMPARE(session.Main->StatusText(0), QStringLiteral("0 of 5 files"));
  browser->FilterBox()->setText(QStringLiteral("m*/*1.b[s]p"));
  QCOMPARE(session.Rows(), QStringList({"maps/e1m1.bsp"}));
  // The command line's rule: "*" stops at "/", "**" does not, and a pattern
  // without "/" finds a file name at any depth.
  browser->SelectFolder("");
  browser->FilterBox()->setText(QStringLiteral("maps/*.bsp"));
  QCOMPARE(session.Rows(), QStringList({"maps/e1m1.bsp"}));
  browser->FilterBox()->setText(QStringLiteral("maps/**.bsp"));
  QCOMPARE(session.Rows(), QStringList({"maps/e1m1.bsp", "maps/sub/x.bsp"}));
  browser->FilterBox()->setText(QStringLiteral("X.*"));
  QCOMPARE(session.Rows(), QStringList({"maps/sub/x.bsp"}));
  browser->FilterBox()->clear();
  QCOMPARE(session.Rows().size(), 5);

  // Typing while the list has focus goes to the filter box; Ctrl+F's action focuses it.
  session.Main->show();
  QVERIFY(QTest::qWaitForWindowExposed(session.Main.get()));
  session.Main->OneViewList()->setFocus();
  QTest::keyClicks(session.Main->OneViewList(), QStringLiteral("hit"));
  QCOMPARE(browser->FilterBox()->text(), QStringLiteral("hit"));
  QCOMPARE(session.Rows(), QStringList({"sound/hit.wav"}));
  session.Main->OneViewList()->setFocus();
  browser->findChild<QAction *>(QStringLiteral("FilterAction"))->trigger();
  QVERIFY(browser->FilterBox()->hasFocus());
}

void EntryBrowserTest::CommandsWorkOnWhatIsShown() {
  TWindowSession session;
  session.Start();
  session.OpenFresh(session.Archive(QStringLiteral("tree.pak"), Tree));
  TEntryBrowser *browser = session.Main->Browser();
  browser->FilterBox()->setText(QStringLiteral(".b"));
  QCOMPARE(session.Rows(), QStringList({"maps/e1m1.bsp", "maps/sub/x.bsp"}));

  // The sorts order the shown rows and keep the filter.
  session.Command("MenuSortSize");
  QCOMPARE(session.Rows(), QStringList({"maps/sub/x.bsp", "maps/e1m1.bsp"}));

  // Selection and its count, a rename in place and a delete act on the shown rows' entries.
  session.Select({QStringLiteral("maps/e1m1.bsp")});
  QCOMPARE(session.Main->StatusText(1), QStringLiteral("1 file selected"));
  TEntryListModel &model = session.Main->ListModel();
  const int row = session.RowOf(QStringLiteral("e1m1.bsp"));
  QVERIFY(model.setData(model.index(row, TEntryListModel::colName), QStringLiteral("start.bsp")));
  QVERIFY(session.Entry("maps/start.bsp") != nullptr);
  browser->SelectFolder("maps/sub/");
  QCOMPARE(session.Rows(), QStringList({"maps/sub/x.bsp"}));
  session.Select({QStringLiteral("maps/sub/x.bsp")});
  browser->Folders()->expand(TreeItem(*browser->Folders()->model(), QStringLiteral("maps")));
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
  session.Command("MenuActionsDel");
  QCOMPARE(session.Entries(), QStringList({"maps/start.bsp", "readme.txt", "sound/Boom.WAV", "sound/hit.wav"}));
  // The folder is gone with its last entry: the list shows the whole archive through the filter.
  // The folder opened before stays open, its map shown.
  QCOMPARE(TreeCaptions(*browser->Folders()->model()), QStringList({"tree.pak", "  maps", "    start.bsp", "  sound"}));
  QCOMPARE(session.Rows(), QStringList({"maps/start.bsp"}));
  QCOMPARE(session.Main->StatusText(0), QStringLiteral("1 of 4 files"));
}

QTEST_MAIN(EntryBrowserTest)
#include "EntryBrowserTest.moc"
