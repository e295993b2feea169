// SPDX-License-Identifier: GPL-3.0-or-later
// Dragging entries out of the list: the drag's data are file URLs of copies
// extracted into the private folder, with the entries' bytes, relative to
// the folder the list shows (a folder of the tree: that folder whole); the
// archive stays as it was.
#include "EntryBrowser.h"
#include "WindowSession.h"

#include <QFileInfo>
#include <QMimeData>
#include <QSignalSpy>
#include <QTreeView>
#include <QtTest>
#include <memory>

class DragOutTest : public QObject {
  Q_OBJECT
private slots:
  void DragOffersExtractedCopies();
  void FoldersOfTheTreeAreOfferedWhole();
};

void DragOutTest::DragOffersExtractedCopies() {
  TWindowSession session;
  session.Start();
  const QString path = session.Archive(
      QStringLiteral("drag.pak"),
      {{"maps/e1m1.bsp", "bsp bytes"}, {"maps/sub/b.bsp", "b"}, {"maps/sub/c.bsp", "cc"}, {"readme.txt", "hello"}});
  session.OpenFresh(path);
  const QByteArray before = ReadBytes(path);
  TEntryListModel &model = session.Main->ListModel();
  QVERIFY(model.flags(model.index(0, 0)) & Qt::ItemIsDragEnabled);
  QCOMPARE(model.mimeTypes(), QStringList({"text/uri-list"}));

  // From the top: a file as itself, entries in a folder as that folder.
  session.Select({QStringLiteral("readme.txt"), QStringLiteral("maps/sub/b.bsp")});
  QModelIndexList indexes = session.Main->OneViewList()->selectionModel()->selectedIndexes();
  std::unique_ptr<QMimeData> data(model.mimeData(indexes));
  QVERIFY(data);
  QStringList files;
  for (const QUrl &url : data->urls()) {
    QVERIFY(url.isLocalFile());
    files << QFileInfo(url.toLocalFile()).fileName();
  }
  files.sort();
  QCOMPARE(files, QStringList({"maps", "readme.txt"}));
  const QString dropped = data->urls().first().toLocalFile();
  const QString top = QFileInfo(dropped).absolutePath() + QLatin1Char('/');
  QVERIFY(top.startsWith(QString::fromStdString(session.Pak().PrivateDirectory())));
  QCOMPARE(ReadBytes(top + QStringLiteral("readme.txt")), QByteArray("hello"));
  QCOMPARE(ReadBytes(top + QStringLiteral("maps/sub/b.bsp")), QByteArray("b"));
  QVERIFY(!QFileInfo::exists(top + QStringLiteral("maps/e1m1.bsp"))); // only what was dragged

  // In a folder of the tree: paths relative to it; every drag has a folder of its own.
  session.Main->Browser()->SelectFolder("maps/");
  session.Select({QStringLiteral("maps/e1m1.bsp"), QStringLiteral("maps/sub/c.bsp")});
  indexes = session.Main->OneViewList()->selectionModel()->selectedIndexes();
  data.reset(model.mimeData(indexes));
  QVERIFY(data);
  // The list's order: c.bsp (in sub) before e1m1.bsp.
  QCOMPARE(data->urls().size(), 2);
  const QString sub = data->urls().at(0).toLocalFile();
  const QString bsp = data->urls().at(1).toLocalFile();
  QVERIFY2(sub.endsWith(QStringLiteral("/maps/sub")), qPrintable(sub));
  QVERIFY2(bsp.endsWith(QStringLiteral("/maps/e1m1.bsp")), qPrintable(bsp));
  QVERIFY(!bsp.startsWith(top));
  QCOMPARE(ReadBytes(bsp), QByteArray("bsp bytes"));
  QCOMPARE(ReadBytes(sub + QStringLiteral("/c.bsp")), QByteArray("cc"));

  // Dragging changes nothing.
  QVERIFY(!session.Pak().Modified());
  QCOMPARE(ReadBytes(path), before);
}

void DragOutTest::FoldersOfTheTreeAreOfferedWhole() {
  TWindowSession session;
  session.Start();
  session.OpenFresh(session.Archive(QStringLiteral("tree.pak"), {{"maps/e1m1.bsp", "bsp bytes"},
                                                                 {"maps/sub/b.bsp", "b"},
                                                                 {"maps/sub/deep/c.bsp", "cc"},
                                                                 {"readme.txt", "hello"}}));
  QAbstractItemModel *tree = session.Main->Browser()->Folders()->model();
  const QModelIndex top = tree->index(0, 0);
  const QModelIndex maps = tree->index(0, 0, top);
  const QModelIndex sub = tree->index(0, 0, maps);
  QCOMPARE(sub.data().toString(), QStringLiteral("sub"));
  QVERIFY(tree->flags(sub) & Qt::ItemIsDragEnabled);

  // A folder: itself, one folder holding everything below it with its sub-paths; the extraction reports progress.
  QSignalSpy started(&session.Session(), &TArchiveSession::ProgressStarted);
  QSignalSpy ended(&session.Session(), &TArchiveSession::ProgressEnded);
  std::unique_ptr<QMimeData> data(tree->mimeData({sub}));
  QVERIFY(data);
  QCOMPARE(data->urls().size(), 1);
  const QString folder = data->urls().first().toLocalFile();
  QVERIFY2(folder.endsWith(QStringLiteral("/maps/sub")) && QFileInfo(folder).isDir(), qPrintable(folder));
  QCOMPARE(ReadBytes(folder + QStringLiteral("/b.bsp")), QByteArray("b"));
  QCOMPARE(ReadBytes(folder + QStringLiteral("/deep/c.bsp")), QByteArray("cc"));
  QVERIFY(!QFileInfo::exists(QFileInfo(folder).absolutePath() + QStringLiteral("/e1m1.bsp")));
  QCOMPARE(started.size(), 1);
  QCOMPARE(ended.size(), 1);

  // The top item: the archive's top items.
  data.reset(tree->mimeData({top}));
  QVERIFY(data);
  QStringList names;
  for (const QUrl &url : data->urls())
    names << QFileInfo(url.toLocalFile()).fileName();
  names.sort();
  QCOMPARE(names, QStringList({"maps", "readme.txt"}));
  QVERIFY(!session.Pak().Modified());
}

QTEST_MAIN(DragOutTest)
#include "DragOutTest.moc"
