// SPDX-License-Identifier: GPL-3.0-or-later
// The main window driven headless through real sessions: a scripted desktop
// answers the choosers and message boxes, a scratch INI file holds the
// settings, and every archive is built byte by byte in a temporary folder.
#include "EntryBrowser.h"
#include "StatusPanels.h"
#include "WaitCursor.h"
#include "WindowSession.h"

#include <QAction>
#include <QCheckBox>
#include <QDir>
#include <QFile>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QMap>
#include <QMenuBar>
#include <QStyleHints>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QStatusBar>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeView>
#include <QtTest>

#include <cstdio>

#include <memory>
#include <utility>
#include <vector>

namespace {

using TSession = TWindowSession;

// Whether the status bar shows the hint about the Quake directory in place of its panels.
bool ShowsQuakeHint(const TSession &session) {
  bool panelsShown = false;
  for (const char *name : {"StatusPanel0", "StatusPanel1", "StatusPanel2", "StatusPanel3", "StatusPanel4"})
    panelsShown = panelsShown || !session.Find<QLabel>(name)->isHidden();
  const bool hintShown = !session.Find<QLabel>("MessagePanel")->isHidden();
  if (hintShown == panelsShown)
    qWarning("the hint and the panels are both %s", hintShown ? "shown" : "hidden");
  return hintShown && !panelsShown;
}

// The popup shares the menus' actions: the commands behind the context menu's items.
QStringList PopupCommands(const TSession &session) {
  QStringList names;
  for (const QAction *action : session.Find<QMenu>("PopupMenu")->actions())
    if (!action->isSeparator())
      names << action->objectName();
  return names;
}

const TFixture Mixed = {
    {"sound/Zed.wav", "1234"}, {"maps/abc.bsp", "1"}, {"b.BSP", "123"}, {"readme", "12"}, {"gfx/a.bsp", "12345"}};

} // namespace

class MainFormTest : public QObject {
  Q_OBJECT
private slots:
  void FirstStartWithoutQuakeDirectory();
  void CommandStatesFollowArchiveAndSelection();
  void ProtectedStockArchive();
  void ColumnsAndIconCache();
  void EveryKnownKindShowsItsOwnIcon();
  void SizesAndNameWidth();
  void SortOrders();
  void SortOrdersFollowTheBytesAndKeepTies();
  void RenameInPlace();
  void SaveAndSaveAs();
  void FailedSaveIsReported();
  void ArchiveChangedByAnotherProgramIsNotOverwrittenUnasked();
  void SaveQuestionAnswers();
  void RecentFiles();
  void StartupAndCommandLine();
  void ErrorReportKeepsWindowUsable();
  void UndoAndProgress();
  void OptionsApplyToTheRunningArchive();
  void StatusCountsFitAndReadWell();
  void MenusKeysAndRename();
};

void MainFormTest::FirstStartWithoutQuakeDirectory() {
  TSession session(false);
  TMain &main = session.Start();
  QCOMPARE(main.windowTitle(), QStringLiteral("Varnel"));
  QVERIFY(!main.windowIcon().isNull());
  QVERIFY(ShowsQuakeHint(session));
  QCOMPARE(session.Find<QLabel>("MessagePanel")->text(),
           QStringLiteral("You need to set the Quake directory. See View|Options"));
  for (const char *name : {"MenuFileNew", "MenuFileOpen", "NewBtn", "OpenBtn", "MenuFileSave", "MenuFileSaveAs",
                           "MenuActionsAdd", "MenuActionsExtract", "MenuSortName", "MenuSortOffset", "UndoBtn"})
    QVERIFY2(!session.Enabled(name), name);
  for (const char *name : {"MenuViewOptions", "MenuHelpAbout", "MenuFileExit"})
    QVERIFY2(session.Enabled(name), name);

  // The shortcut that is easy to get wrong: the View item answers both Enter keys.
  QCOMPARE(session.Find<QAction>("MenuActionsView")->shortcuts().size(), 2);
  for (const char *name :
       {"NewBtn", "OpenBtn", "SaveBtn", "UndoBtn", "AddBtn", "DeleteBtn", "ExtractBtn", "ViewBtn", "MoveBtn"}) {
    auto *button = session.Find<QToolButton>(name);
    QVERIFY2(button && !button->toolTip().isEmpty() && !button->icon().isNull(), name);
  }
  QCOMPARE(PopupCommands(session),
           QStringList({"MenuActionsAdd", "MenuActionsDel", "MenuActionsExtract", "MenuActionsView", "MenuActionsEdit",
                        "MenuActionsEditWith", "MenuActionsExportPicture", "MenuActionsImportPicture", "MenuActionsMove",
                        "MenuActionsRename", "PopupSelectAll",
                        "MenuSortName", "MenuSortDir", "MenuSortType", "MenuSortSize", "MenuSortOffset"}));
  QVERIFY(session.Find<QAction>("MenuFileOldDiv") && !session.Find<QAction>("MenuFileOldDiv")->isVisible());
  auto *progress = session.Find<QProgressBar>("ProgressBar");
  QVERIFY(progress && progress->isHidden());
  QCOMPARE(progress->maximum(), 100);
  QCOMPARE(main.ListModel().headerData(3, Qt::Horizontal).toString(), QStringLiteral("Path"));
}

void MainFormTest::CommandStatesFollowArchiveAndSelection() {
  TSession session;
  const QString path = session.Archive(QStringLiteral("paks/three.pak"), {{"a.txt", "1"}, {"b.txt", "2"}, {"c", "3"}});
  TMain &main = session.Start();
  QVERIFY(!ShowsQuakeHint(session));
  QVERIFY(session.Enabled("MenuFileNew") && session.Enabled("OpenBtn"));
  QVERIFY(!session.Enabled("MenuFileSaveAs") && !session.Enabled("SaveBtn"));

  session.Open(path);
  // The chooser starts in the Quake directory while no open path is known.
  QCOMPARE(session.Desktop.FileRequests.size(), 1);
  const TFileDialogRequest &request = session.Desktop.FileRequests.first();
  QCOMPARE(request.Title, QStringLiteral("Open PAK File"));
  QCOMPARE(request.Directory, session.Quake);
  QCOMPARE(request.Filters, QStringList({"Quake PAK Files (*.pak)", "WAD2 Files (*.wad)", "All Files (*)"}));
  QCOMPARE(main.windowTitle(), QStringLiteral("Varnel - ") + path);
  QCOMPARE(main.Session().Values().OpenPath, QFileInfo(path).absolutePath() + QLatin1Char('/'));
  QCOMPARE(main.StatusText(0), QStringLiteral("3 files"));
  QCOMPARE(main.StatusText(2), QString());

  for (const char *name : {"MenuFileSave", "SaveBtn", "MenuActionsAdd", "AddBtn", "MenuFileSaveAs", "ExtractBtn",
                           "MenuSortType", "MenuSortName"})
    QVERIFY2(session.Enabled(name), name);
  for (const char *name : {"MenuActionsDel", "MoveBtn", "DeleteBtn", "MenuActionsView", "ViewBtn", "UndoBtn"})
    QVERIFY2(!session.Enabled(name), name);

  // A real click in the list updates the commands and the selection text.
  main.show();
  QVERIFY(QTest::qWaitForWindowExposed(&main));
  QTreeView *list = main.OneViewList();
  const QRect first = list->visualRect(main.ListModel().index(0, 0));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, first.center());
  QCOMPARE(main.StatusText(1), QStringLiteral("1 file selected"));
  for (const char *name : {"MenuActionsDel", "DeleteBtn", "MenuActionsMove", "MenuActionsView", "ViewBtn"})
    QVERIFY2(session.Enabled(name), name);
  const QRect second = list->visualRect(main.ListModel().index(1, 0));
  QTest::mouseClick(list->viewport(), Qt::LeftButton, Qt::ControlModifier, second.center());
  QCOMPARE(main.StatusText(1), QStringLiteral("2 files selected"));
  QVERIFY(session.Enabled("DeleteBtn"));
  QVERIFY(!session.Enabled("ViewBtn"));
  QCOMPARE(main.OneViewList()->SelectedNames(), TStringList({"a.txt", "b.txt"}));

  // A selection changed without the mouse counts at once.
  list->selectionModel()->clearSelection();
  QCOMPARE(main.StatusText(1), QString());
  QVERIFY(!session.Enabled("DeleteBtn"));

  // A header click sorts through the sort commands.
  QHeaderView *header = list->header();
  QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                    QPoint(header->sectionViewportPosition(0) + 5, header->height() / 2));
  QCOMPARE(main.ListModel().SortOrder(), (TSortOrder{skName, true}));
  QCOMPARE(session.Column(0), QStringList({"c", "b.txt", "a.txt"}));
  QCOMPARE(header->sortIndicatorSection(), 0);
  QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);

  // A status tip stands in place of the panels; a refresh meanwhile leaves it alone.
  QStatusTipEvent tip(session.Find<QAction>("MenuActionsDel")->statusTip());
  QApplication::sendEvent(&main, &tip);
  main.Refresh();
  QCOMPARE(main.statusBar()->currentMessage(), QStringLiteral("Delete File From PAK File"));
  QVERIFY(session.Find<QLabel>("StatusPanel0")->isHidden());
  QStatusTipEvent cleared{QString()};
  QApplication::sendEvent(&main, &cleared);
  QVERIFY(!session.Find<QLabel>("StatusPanel0")->isHidden());
}

void MainFormTest::ProtectedStockArchive() {
  TSession session;
  TMain &main = session.Start();
  const QString stock = session.Quake + QStringLiteral("id1/pak0.pak");
  session.Open(stock);
  QVERIFY(main.Session().Pak().IsProtected());
  QCOMPARE(main.StatusText(2), QStringLiteral("Protected"));
  for (const char *name : {"MenuFileSave", "SaveBtn", "MenuActionsAdd", "AddBtn"})
    QVERIFY2(!session.Enabled(name), name);
  session.SelectRows({0});
  QVERIFY(!session.Enabled("DeleteBtn") && !session.Enabled("MenuActionsMove"));
  QVERIFY(session.Enabled("ExtractBtn") && session.Enabled("ViewBtn") && session.Enabled("MenuFileSaveAs"));
  QVERIFY(main.ListModel().ReadOnly());
  QVERIFY(!(main.ListModel().flags(main.ListModel().index(0, 0)) & Qt::ItemIsEditable));

  // Save As onto the other stock archive is refused; the open one stays.
  session.Desktop.SaveFileAnswers.enqueue(session.Quake + QStringLiteral("id1/pak1.pak"));
  session.Command("MenuFileSaveAs");
  QCOMPARE(session.Desktop.Texts("error"), QStringList({"Can't overwrite protected ID1 PAK File."}));
  QCOMPARE(QString::fromStdString(main.Session().Pak().FileName()), stock);
  QVERIFY(!QFile::exists(session.Quake + QStringLiteral("id1/pak1.pak")));

  // Copying it elsewhere is allowed and opens the copy, which may be changed.
  const QString copy = session.Folder.filePath(QStringLiteral("copy.pak"));
  session.Desktop.SaveFileAnswers.enqueue(copy);
  session.Command("MenuFileSaveAs");
  QCOMPARE(main.windowTitle(), QStringLiteral("Varnel - ") + copy);
  QVERIFY(!main.Session().Pak().IsProtected());
  QVERIFY(!main.ListModel().ReadOnly());
  QCOMPARE(main.StatusText(0), QStringLiteral("2 files"));
}

void MainFormTest::ColumnsAndIconCache() {
  TSession session;
  const QString path = session.Archive(
      QStringLiteral("icons.pak"),
      {{"sound/a.wav", "123"}, {"B.WAV", "1"}, {"maps/e1m1.bsp", "12"}, {"v1.0/readme", "1"}, {"caf\xC3\xA9.doc", ""}});
  TMain &main = session.Start();
  session.Open(path);
  session.Command("MenuSortOffset"); // archive order
  QCOMPARE(session.Column(0),
           QStringList({"a.wav", "B.WAV", "e1m1.bsp", "readme", QString::fromUtf8("caf\xC3\xA9.doc")}));
  QCOMPARE(session.Column(1), QStringList({"3", "1", "2", "1", "0"}));
  QCOMPARE(session.Column(2), QStringList({"12", "15", "16", "18", "19"}));
  QCOMPARE(session.Column(3), QStringList({"sound/", "", "maps/", "v1.0/", ""}));
  // The rows keep the stored bytes, not a re-encoding of the shown text.
  QCOMPARE(main.OneViewList()->AllNames().back(), std::string("caf\xC3\xA9.doc"));

  // Quake's own kinds show the program's kind icons and ask the desktop
  // nothing; other types get one record per extension, in upper case.
  // "0/README" holds a separator and gets no probe file of its own.
  const auto iconImage = [&main](int row) {
    return main.ListModel().index(row, 0).data(Qt::DecorationRole).value<QIcon>().pixmap(16, 16).toImage();
  };
  QCOMPARE(iconImage(0), QIcon(QStringLiteral(":/icons/kinds/sound.svg")).pixmap(16, 16).toImage());
  QCOMPARE(iconImage(1), iconImage(0));
  QCOMPARE(iconImage(2), QIcon(QStringLiteral(":/icons/kinds/map.svg")).pixmap(16, 16).toImage());
  QVERIFY(iconImage(0) != iconImage(2));
  // The commands carry the program's drawings where the desktop theme has none.
  if (!QIcon::hasThemeIcon(QStringLiteral("list-add")))
    QCOMPARE(session.Find<QAction>("MenuActionsAdd")->icon().pixmap(16, 16).toImage(),
             QIcon(QStringLiteral(":/icons/actions/list-add.svg")).pixmap(16, 16).toImage());
  std::vector<std::string> extensions;
  const std::vector<TAssociation> &associations = main.ListModel().Associations();
  for (const TAssociation &association : associations)
    extensions.push_back(association.Extension);
  QCOMPARE(extensions, std::vector<std::string>({"0/README", "DOC"}));
  QCOMPARE(main.ListModel().Row(4).IconIndex, 1);
  QVERIFY(!main.ListModel().index(4, 0).data(Qt::DecorationRole).isNull());
  const QString privateFolder = QString::fromStdString(main.Session().Pak().PrivateDirectory());
  QCOMPARE(session.Desktop.IconRequests.last(), privateFolder + QStringLiteral("X.DOC"));
  const QString requests = session.Desktop.IconRequests.join(QLatin1Char('|'));
  for (const char *notAsked : {"README", "WAV", "BSP"})
    QVERIFY(!requests.contains(QLatin1String(notAsked)));
  QVERIFY(!QFile::exists(privateFolder + QStringLiteral("X.DOC")));

  // The cache lives on: the same extensions in another archive ask nothing more,
  // and a file already standing where a probe would go is left alone.
  WriteBytes(privateFolder + QStringLiteral("X.PCX"), "keep");
  const qsizetype asked = session.Desktop.IconRequests.size();
  session.Open(session.Archive(QStringLiteral("more.pak"), {{"c.doc", "1"}, {"d.pcx", "2"}}));
  QCOMPARE(session.Desktop.IconRequests.size(), asked + 1);
  QCOMPARE(main.ListModel().Associations().back().Extension, std::string("PCX"));
  QVERIFY(QFile::exists(privateFolder + QStringLiteral("X.PCX")));

  // An entry added but not saved shows "?" and comes first by position ascending.
  const QString loose = session.Folder.filePath(QStringLiteral("loose.cfg"));
  WriteBytes(loose, "bind");
  TStringList paths = {loose.toStdString()};
  QCOMPARE(main.Session().Pak().AddFiles(paths, session.Folder.path().toStdString() + "/", "", false), prDone);
  main.Refresh();
  QCOMPARE(main.StatusText(0), QStringLiteral("3 files"));
  QCOMPARE(main.StatusText(2), QStringLiteral("Modified"));
  QCOMPARE(main.ListModel().SortOrder(), (TSortOrder{skPosition, false}));
  QCOMPARE(session.Cell(0, 0), QStringLiteral("loose.cfg"));
  QCOMPARE(session.Cell(0, 2), QStringLiteral("?"));
}

void MainFormTest::SizesAndNameWidth() {
  TSession session;
  const QString path = session.Archive(QStringLiteral("sizes.pak"), {{"progs/player_armour1.mdl", QByteArray(1, 'x')},
                                                                     {"b.wav", QByteArray(2048, 'x')},
                                                                     {"c.bsp", QByteArray(1572864, 'x')}});
  TMain &main = session.Start();
  session.Open(path);
  session.Command("MenuSortOffset");
  // A long name of the game's own fits the Name column from the start.
  TEntryListView &list = *main.OneViewList();
  QVERIFY(list.columnWidth(0) > list.fontMetrics().horizontalAdvance(QStringLiteral("progs/player_armour1.mdl")));

  // Exact bytes at first; KB/MB through the header's menu; the exact count in the tooltip either way.
  QCOMPARE(list.header()->contextMenuPolicy(), Qt::CustomContextMenu);
  auto *inUnits = list.findChild<QAction *>(QStringLiteral("SizesInUnits"));
  QVERIFY(inUnits != nullptr && !inUnits->isChecked());
  QCOMPARE(inUnits->text(), QStringLiteral("Sizes in KB/MB"));
  QCOMPARE(session.Column(1), QStringList({"1", "2048", "1572864"}));
  const auto tips = [&main] {
    QStringList texts;
    for (int row = 0; row < 3; ++row)
      texts << main.ListModel().index(row, 1).data(Qt::ToolTipRole).toString();
    return texts;
  };
  const QStringList exact = {"1 byte", "2048 bytes", "1572864 bytes"};
  QCOMPARE(tips(), exact);
  inUnits->trigger();
  QCOMPARE(session.Column(1), QStringList({"1 B", "2.0 KB", "1.5 MB"}));
  QCOMPARE(tips(), exact);

  // The choice is kept in the settings and comes back with the next window.
  session.Main.reset();
  QCOMPARE(session.Settings->value(QStringLiteral("Options/Sizes In KB")).toString(), QStringLiteral("1"));
  session.Start();
  session.Open(path);
  QCOMPARE(session.Main->OneViewList()->findChild<QAction *>(QStringLiteral("SizesInUnits"))->isChecked(), true);
  QVERIFY(session.Column(1).contains(QStringLiteral("2.0 KB")));
}

void MainFormTest::EveryKnownKindShowsItsOwnIcon() {
  // One entry per known kind, named from the kind table: each row shows the
  // program's drawing of its kind, and the desktop is asked for none.
  TFixture entries;
  std::vector<TFileKind> kinds;
  for (const TFileKindInfo &info : FileKinds) {
    if (info.Kind == fkUnknown)
      continue;
    const std::vector<std::string_view> files = KindWords(info.FileNames);
    const std::string folder = "k" + std::to_string(info.Kind) + "/";
    const std::string name =
        folder + (files.empty() ? "x." + std::string(KindWords(info.Extensions).front()) : std::string(files.front()));
    entries.emplace_back(QByteArray::fromStdString(name), "1");
    kinds.push_back(info.Kind);
  }
  TSession session;
  TMain &main = session.Start();
  session.Open(session.Archive(QStringLiteral("kinds.pak"), entries));
  session.Command("MenuSortOffset"); // archive order
  QCOMPARE(main.ListModel().rowCount(), static_cast<int>(kinds.size()));
  for (int row = 0; row < main.ListModel().rowCount(); ++row) {
    const QString icon = KindIconPath(kinds[static_cast<size_t>(row)]);
    QVERIFY2(QFile::exists(icon), qPrintable(icon));
    const QImage shown =
        main.ListModel().index(row, 0).data(Qt::DecorationRole).value<QIcon>().pixmap(16, 16).toImage();
    QVERIFY2(!shown.isNull(), qPrintable(icon));
    QCOMPARE(shown, QIcon(icon).pixmap(16, 16).toImage());
  }
  QVERIFY(session.Desktop.IconRequests.isEmpty());
}

void MainFormTest::SortOrders() {
  TSession session;
  const QString path = session.Archive(QStringLiteral("mixed.pak"), Mixed);
  TMain &main = session.Start();
  session.Open(path);
  // Names by byte value: capitals first.
  QCOMPARE(main.ListModel().SortOrder(), (TSortOrder{skName, false}));
  QCOMPARE(session.Column(0), QStringList({"Zed.wav", "a.bsp", "abc.bsp", "b.BSP", "readme"}));
  session.Command("MenuSortName");
  QCOMPARE(main.ListModel().SortOrder(), (TSortOrder{skName, true}));
  QCOMPARE(session.Column(0), QStringList({"readme", "b.BSP", "abc.bsp", "a.bsp", "Zed.wav"}));
  session.Command("MenuSortSize");
  QCOMPARE(main.ListModel().SortOrder(), (TSortOrder{skSize, false}));
  QCOMPARE(session.Column(1), QStringList({"1", "2", "3", "4", "5"}));
  session.Command("MenuSortSize");
  QCOMPARE(session.Column(1), QStringList({"5", "4", "3", "2", "1"}));
  session.Command("MenuSortDir");
  QCOMPARE(session.Column(3), QStringList({"", "", "gfx/", "maps/", "sound/"}));
  session.Command("MenuSortOffset");
  QCOMPARE(session.Column(2), QStringList({"12", "16", "17", "20", "22"}));
  session.Command("MenuSortOffset");
  QCOMPARE(main.ListModel().SortOrder(), (TSortOrder{skPosition, true}));
  QCOMPARE(session.Column(2), QStringList({"22", "20", "17", "16", "12"}));

  // By type: upper-cased extensions, the whole caption without a dot; the
  // three BSP files stay together.
  session.Command("MenuSortType");
  QCOMPARE(main.ListModel().SortOrder(), (TSortOrder{skType, false}));
  const QStringList byType = session.Column(0);
  QCOMPARE(byType.mid(3), QStringList({"readme", "Zed.wav"}));
  QCOMPARE(QSet<QString>(byType.begin(), byType.begin() + 3), QSet<QString>({"abc.bsp", "b.BSP", "a.bsp"}));
  QCOMPARE(main.OneViewList()->header()->sortIndicatorSection(), -1);

  // The selection follows its rows through a sort.
  session.SelectRows({session.RowOf(QStringLiteral("readme"))});
  session.Command("MenuSortName");
  QCOMPARE(main.OneViewList()->SelectedNames(), TStringList({"readme"}));
  QCOMPARE(main.OneViewList()->SelectedRows(), std::vector<int>({4}));

  // Only the ten stored numbers name an order.
  QVERIFY(!TSortOrder::FromNumber(10) && !TSortOrder::FromNumber(-1));
  QCOMPARE(TSortOrder::FromNumber(9), (TSortOrder{skType, true}));
}

void MainFormTest::SortOrdersFollowTheBytesAndKeepTies() {
  // Names alike in their first 8 and 16 bytes, equal captions and types in
  // other folders, a backslash and a leading "/" as separators, bytes above
  // ASCII, no extension, equal sizes; and data not yet in the file.
  const TFixture entries = {
      {"sound/abcdefgh1.wav", "12"}, {"sound/abcdefgh.wav", "1"},  {"maps/abcdefghij", "123"},
      {"a\\b.txt", "1"},           {"/lead.cfg", "12"},           {"Zed.WAV", "1234"},
      {"zed.wav", "12"},             {"x.Wav", "1"},               {"\xC3\xA9t\xC3\xA9.txt", "123"},
      {"abcdefghijklmnopq.bsp", "1"}, {"abcdefghijklmnopr.bsp", "12"}, {"dup/same.lmp", "1"},
      {"other/same.lmp", "123"},     {"abcdefghijklmnop", "1"},    {"sound/abcdefgh", "12"}};
  TSession session;
  TMain &main = session.Start();
  session.Open(session.Archive(QStringLiteral("sorts.pak"), entries));
  const QString loose = session.Folder.filePath(QStringLiteral("loose.cfg"));
  WriteBytes(loose, "12");
  TStringList paths = {loose.toStdString()};
  QCOMPARE(main.Session().Pak().AddFiles(paths, session.Folder.path().toStdString() + "/", "", false), prDone);
  main.Refresh();

  // What each order compares, as the window has always sorted: bytes unsigned.
  const auto keyOf = [&main](const QString &shown, TSortKey key) -> std::string {
    const std::string name = shown.toStdString();
    const TDirEntry *entry = nullptr;
    for (const TDirEntry &stored : main.Session().Pak().Directory())
      if (stored.Name == name)
        entry = &stored;
    const std::string caption = EntryFileName(name);
    switch (key) {
    case skName:
      return caption;
    case skPath:
      return EntryDirectory(name, true);
    case skType:
      return AsciiUpper(EntryExtension(caption, false));
    case skSize:
      return QStringLiteral("%1").arg(entry->Size, 10, 10, QLatin1Char('0')).toStdString();
    default:
      return QStringLiteral("%1").arg(entry->Position > 0 ? entry->Position : 0, 10, 10, QLatin1Char('0')).toStdString();
    }
  };
  const char *const commands[] = {"MenuSortType", "MenuSortName", "MenuSortSize", "MenuSortType", "MenuSortType",
                                  "MenuSortDir",  "MenuSortName", "MenuSortName", "MenuSortOffset", "MenuSortSize",
                                  "MenuSortSize", "MenuSortOffset", "MenuSortDir", "MenuSortDir", "MenuSortName"};
  for (const char *command : commands) {
    QStringList expected = session.Rows();
    session.Command(command);
    const TSortOrder order = main.ListModel().SortOrder();
    std::stable_sort(expected.begin(), expected.end(), [&](const QString &a, const QString &b) {
      return order.Descending ? keyOf(b, order.Key) < keyOf(a, order.Key) : keyOf(a, order.Key) < keyOf(b, order.Key);
    });
    QVERIFY2(session.Rows() == expected, command);
  }
}

void MainFormTest::RenameInPlace() {
  TSession session;
  const QString path = session.Archive(QStringLiteral("names.pak"),
                                       {{"sound/A.wav", "1"}, {"sound/a.wav", "22"}, {"sound/c.wav", "333"}});
  TMain &main = session.Start();
  session.Open(path);
  main.show();
  QVERIFY(QTest::qWaitForWindowExposed(&main));
  TEntryListModel &model = main.ListModel();

  // Through the list's own editor: "A.wav" (the first entry, not the
  // case-blind match a.wav) becomes Foo.WAV, stored lower-case, and the row
  // shows what is stored, in its sorted place.
  const int row = session.RowOf(QStringLiteral("A.wav"));
  main.OneViewList()->edit(model.index(row, 0));
  auto *editor = main.OneViewList()->viewport()->findChild<QLineEdit *>();
  QVERIFY(editor);
  editor->setText(QStringLiteral("Foo.WAV"));
  QTest::keyClick(editor, Qt::Key_Return); // the delegate commits on the next turn of the event loop
  QTRY_COMPARE(main.Session().Pak().EntryName(0), std::string("sound/foo.wav"));
  QCOMPARE(main.Session().Pak().EntryName(1), std::string("sound/a.wav"));
  QCOMPARE(session.Column(0), QStringList({"a.wav", "c.wav", "foo.wav"}));
  QCOMPARE(main.StatusText(2), QStringLiteral("Modified"));
  QCOMPARE(session.Find<QAction>("MenuActionsUndo")->text(), QStringLiteral("&Undo Rename File(s)"));
  QCOMPARE(session.Find<QToolButton>("UndoBtn")->toolTip(), QStringLiteral("Undo Rename File(s)"));

  // The renamed row finds its entry by the stored name.
  QVERIFY(model.setData(model.index(session.RowOf(QStringLiteral("foo.wav")), 0), QStringLiteral("bar.wav")));
  QCOMPARE(main.Session().Pak().EntryName(0), std::string("sound/bar.wav"));

  // Refusals keep the old caption and say the engine's reason: a taken name, a name too long.
  const int cRow = session.RowOf(QStringLiteral("c.wav"));
  QVERIFY(!model.setData(model.index(cRow, 0), QStringLiteral("a.wav")));
  QVERIFY(!model.setData(model.index(cRow, 0), QString(60, QLatin1Char('x'))));
  QCOMPARE(session.Cell(cRow, 0), QStringLiteral("c.wav"));
  QCOMPARE(main.Session().Pak().EntryName(2), std::string("sound/c.wav"));
  QCOMPARE(session.Desktop.Texts("error"), QStringList({NameExistsMessage, "File name too long: an entry name holds at most 56 bytes."}));
}

void MainFormTest::SaveAndSaveAs() {
  TSession session;
  const QString path = session.Archive(QStringLiteral("work.pak"), {{"one.txt", "1111"}, {"two.txt", "22"}});
  TMain &main = session.Start();
  session.Open(path);
  main.Session().Pak().RenameEntry(0, "uno.txt");
  main.Refresh();
  QCOMPARE(main.StatusText(2), QStringLiteral("Modified"));
  session.Command("MenuFileSave");
  QVERIFY(!main.Session().Pak().Modified());
  QCOMPARE(main.StatusText(2), QString());
  QVERIFY(session.Desktop.Texts("error").isEmpty());
  QVERIFY(session.Column(0).contains(QStringLiteral("uno.txt")));
  std::vector<TDirEntry> saved;
  QCOMPARE(TQuakePak::ReadDirectory(path.toStdString(), saved), prDone);
  QCOMPARE(saved.size(), size_t(2));
  QCOMPARE(saved[0].Name, std::string("uno.txt"));

  // Save As: the chooser's request, then the window shows the new file.
  const QString target = session.Folder.filePath(QStringLiteral("out/renamed.pak"));
  QDir().mkpath(QFileInfo(target).absolutePath());
  session.Desktop.SaveFileAnswers.enqueue(target);
  session.Command("MenuFileSaveAs");
  const TFileDialogRequest &request = session.Desktop.FileRequests.last();
  QCOMPARE(request.Title, QStringLiteral("Save PAK As..."));
  QCOMPARE(request.Directory, QFileInfo(path).absolutePath() + QLatin1Char('/'));
  QCOMPARE(request.DefaultSuffix, QStringLiteral("pak"));
  QCOMPARE(request.Filters, QStringList({"Quake PAK Files (*.pak)", "All Files (*)"}));
  QCOMPARE(main.windowTitle(), QStringLiteral("Varnel - ") + target);
  QCOMPARE(main.Session().Values().OldFiles[0], target);
  QVERIFY(QFile::exists(target));

  // A new archive: Save turns into Save As; a cancelled chooser saves nothing and says nothing.
  session.Command("MenuFileNew");
  QCOMPARE(main.windowTitle(), QStringLiteral("Varnel - (Untitled)"));
  QCOMPARE(main.Session().Values().OldFiles[0], target); // untitled archives are not recent files
  const int saveRequests = static_cast<int>(session.Desktop.Texts("save").size());
  session.Command("MenuFileSave");
  QCOMPARE(session.Desktop.Texts("save").size(), saveRequests + 1);
  QVERIFY(session.Desktop.Texts("error").isEmpty());
  QVERIFY(main.Session().Pak().IsUntitled());
}

void MainFormTest::FailedSaveIsReported() {
  TSession session;
  const QString path = session.Archive(QStringLiteral("work.pak"), {{"one.txt", "1111"}});
  const QString blocker = session.Folder.filePath(QStringLiteral("plain.txt"));
  WriteBytes(blocker, "not a folder");
  TMain &main = session.Start();
  session.Open(path);
  session.Desktop.SaveFileAnswers.enqueue(blocker + QStringLiteral("/sub.pak"));
  session.Command("MenuFileSaveAs");
  const QStringList errors = session.Desktop.Texts("error");
  QCOMPARE(errors.size(), 1);
  QVERIFY2(errors.first().startsWith(QStringLiteral("The PAK file could not be saved.")), qPrintable(errors.first()));
  QCOMPARE(QString::fromStdString(main.Session().Pak().FileName()), path);
  QCOMPARE(main.windowTitle(), QStringLiteral("Varnel - ") + path);
}

void MainFormTest::ArchiveChangedByAnotherProgramIsNotOverwrittenUnasked() {
  TSession session;
  const QString path = session.Archive(QStringLiteral("work.pak"), {{"one.txt", "1111"}});
  TMain &main = session.Start();
  session.Open(path);
  main.Session().Pak().RenameEntry(0, "uno.txt");
  // Another program saves its own archive over ours, as careful programs do: a new file renamed into place.
  const QByteArray theirs = BuildPak({{"theirs.txt", "other program"}});
  WriteBytes(path + QStringLiteral(".new"), theirs);
  QVERIFY(std::rename(qPrintable(path + QStringLiteral(".new")), qPrintable(path)) == 0);

  // Enter and Esc keep the other program's file.
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Cancel);
  session.Command("MenuFileSave");
  QCOMPARE(session.Desktop.Texts("confirm"),
           QStringList({"The archive was changed by another program since it was opened. Overwrite it?"}));
  const TScriptedDesktop::TQuestion asked = session.Desktop.Asked.last();
  QCOMPARE(asked.Default, QMessageBox::Cancel);
  QCOMPARE(asked.Buttons, (TButtonTexts{{QMessageBox::Yes, "&Overwrite"}, {QMessageBox::Save, "Save &As..."}}));
  QVERIFY(session.Desktop.Texts("error").isEmpty());
  QCOMPARE(ReadBytes(path), theirs);
  QVERIFY(main.Session().Pak().Modified());

  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
  session.Command("MenuFileSave");
  QVERIFY(!main.Session().Pak().Modified());
  QCOMPARE(ReadBytes(path), BuildPak({{"uno.txt", "1111"}}));

  // Save As keeps both: theirs where it was, ours under the name chosen.
  main.Session().Pak().RenameEntry(0, "dos.txt");
  WriteBytes(path + QStringLiteral(".new"), theirs);
  QVERIFY(std::rename(qPrintable(path + QStringLiteral(".new")), qPrintable(path)) == 0);
  const QString copy = session.Path(QStringLiteral("mine.pak"));
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Save);
  session.Desktop.SaveFileAnswers.enqueue(copy);
  session.Command("MenuFileSave");
  QCOMPARE(session.Desktop.Texts("save").size(), 1);
  QCOMPARE(ReadBytes(path), theirs);
  QCOMPARE(ReadBytes(copy), BuildPak({{"dos.txt", "1111"}}));
  QCOMPARE(QString::fromStdString(main.Session().Pak().FileName()), copy);
  QVERIFY(session.Desktop.Texts("error").isEmpty());
}

void MainFormTest::SaveQuestionAnswers() {
  TSession session;
  const QString path = session.Archive(QStringLiteral("q.pak"), {{"one.txt", "1"}});
  const QString other = session.Archive(QStringLiteral("other.pak"), {{"x", "1"}, {"y", "2"}});
  TMain &main = session.Start();
  session.Open(path);
  auto modify = [&main] {
    main.Session().Pak().RenameEntry(0, main.Session().Pak().EntryName(0) == "one.txt" ? "two.txt" : "one.txt");
    main.Refresh();
  };
  modify();
  const QString question = QStringLiteral("Save changes to ") + path + QStringLiteral("?");

  // Cancel: nothing happens.
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Cancel);
  session.Command("MenuFileNew");
  QCOMPARE(session.Desktop.Texts("confirm"), QStringList({question}));
  QCOMPARE(QString::fromStdString(main.Session().Pak().FileName()), path);
  QVERIFY(main.Session().Pak().Modified());

  // No: the changes are dropped and the other archive opens.
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::No);
  session.Open(other);
  QCOMPARE(QString::fromStdString(main.Session().Pak().FileName()), other);
  std::vector<TDirEntry> stored;
  QCOMPARE(TQuakePak::ReadDirectory(path.toStdString(), stored), prDone);
  QCOMPARE(stored[0].Name, std::string("one.txt"));

  // Yes: saved first, then on.
  session.Open(path);
  modify();
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
  session.Command("MenuFileNew");
  QVERIFY(main.Session().Pak().IsUntitled());
  QCOMPARE(TQuakePak::ReadDirectory(path.toStdString(), stored), prDone);
  QCOMPARE(stored[0].Name, std::string("two.txt"));

  // An untitled archive, Yes, and a cancelled Save As: the whole command is
  // cancelled, whether it was Open, New or closing the window.
  const QString loose = session.Folder.filePath(QStringLiteral("loose.cfg"));
  WriteBytes(loose, "bind");
  TStringList paths = {loose.toStdString()};
  QCOMPARE(main.Session().Pak().AddFiles(paths, session.Folder.path().toStdString() + "/", "", false), prDone);
  main.Refresh();
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
  session.Open(other);
  QVERIFY(main.Session().Pak().IsUntitled());
  QVERIFY(main.Session().Pak().Modified());
  QCOMPARE(main.Session().Pak().EntryCount(), 1);
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
  session.Command("MenuFileNew");
  QCOMPARE(main.Session().Pak().EntryCount(), 1);
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
  QVERIFY(!main.close());
  QCOMPARE(main.Session().Pak().EntryCount(), 1);

  // Yes whose save fails: the window stays on the unsaved archive, no chooser opens.
  const QString blocker = session.Folder.filePath(QStringLiteral("plain.txt"));
  WriteBytes(blocker, "x");
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
  session.Desktop.SaveFileAnswers.enqueue(blocker + QStringLiteral("/no.pak"));
  const qsizetype opens = session.Desktop.Texts("open").size();
  session.Command("MenuFileOpen");
  QCOMPARE(session.Desktop.Texts("open").size(), opens);
  QVERIFY(main.Session().Pak().IsUntitled());
  QVERIFY(main.Session().Pak().Modified());
  QCOMPARE(session.Desktop.Texts("error").size(), 1);

  // Closing asks the same question; Cancel keeps the window.
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Cancel);
  QVERIFY(!main.Session().QuerySaveChanges());
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::No);
  QVERIFY(main.Session().QuerySaveChanges());
}

void MainFormTest::RecentFiles() {
  TSession session;
  QStringList files;
  for (const char *name : {"a.pak", "b.pak", "c.pak", "d.pak", "e.pak", "A.pak"})
    files << session.Archive(QString::fromLatin1(name), {{"x", "1"}});
  // A stored list with gaps is shown without them.
  session.Settings->setValue(QStringLiteral("Old Files/File2"), QString());
  session.Settings->setValue(QStringLiteral("Old Files/File3"), files[0]);
  TMain &main = session.Start();
  QCOMPARE(main.Session().Values().OldFiles[0], files[0]);
  auto *old1 = session.Find<QAction>("MenuFileOld1");
  QVERIFY(old1->isVisible() && !session.Find<QAction>("MenuFileOld2")->isVisible());
  QCOMPARE(old1->text(), QStringLiteral("&1. ") + files[0]);
  QVERIFY(session.Find<QAction>("MenuFileOldDiv")->isVisible());

  for (int i = 1; i < 5; ++i)
    session.Open(files[i]);
  // Five distinct files: the oldest is gone.
  QCOMPARE(main.Session().Values().OldFiles, (std::array<QString, 4>{files[4], files[3], files[2], files[1]}));
  // Opening the third moves it to the top.
  session.Find<QAction>("MenuFileOld3")->trigger();
  QCOMPARE(QString::fromStdString(main.Session().Pak().FileName()), files[2]);
  QCOMPARE(main.Session().Values().OldFiles, (std::array<QString, 4>{files[2], files[4], files[3], files[1]}));
  // Names differing only in letter case are different files here.
  session.Open(files[0]);
  session.Open(files[5]);
  QCOMPARE(main.Session().Values().OldFiles, (std::array<QString, 4>{files[5], files[0], files[2], files[4]}));
  // A failed open is not remembered.
  const QString text = session.Folder.filePath(QStringLiteral("notes.pak"));
  WriteBytes(text, "just text");
  session.Open(text);
  QCOMPARE(session.Desktop.Texts("error"), QStringList({"This is not a valid PAK file."}));
  QCOMPARE(main.Session().Values().OldFiles[0], files[5]);

  // The list is written back when the window goes.
  session.Main.reset();
  QCOMPARE(session.Settings->value(QStringLiteral("Old Files/File1")).toString(), files[5]);
  QCOMPARE(session.Settings->value(QStringLiteral("Old Files/File4")).toString(), files[4]);
}

void MainFormTest::StartupAndCommandLine() {
  {
    // A stored Quake directory that is gone: the window comes up, says so
    // once, and reads the rest.
    TSession session(false);
    session.Settings->setValue(QStringLiteral("Quake/Directory"), session.Folder.filePath(QStringLiteral("gone")));
    session.Settings->setValue(QStringLiteral("Options/Open Path"), QStringLiteral("/somewhere/"));
    session.Settings->setValue(QStringLiteral("Options/Sort By"), 5);
    TMain &main = session.Start();
    QVERIFY(!main.StartupMessage().isEmpty());
    QCOMPARE(main.Session().Values().OpenPath, QStringLiteral("/somewhere/"));
    QCOMPARE(main.ListModel().SortOrder(), (TSortOrder{skSize, true}));
    QVERIFY(session.Desktop.Texts("error").isEmpty());
    QTRY_COMPARE(session.Desktop.Texts("error"), QStringList({main.StartupMessage()}));
    QTest::qWait(10);
    QCOMPARE(session.Desktop.Texts("error").size(), 1);
    QVERIFY(ShowsQuakeHint(session));
  }
  {
    TSession session;
    const QString path = session.Archive(QStringLiteral("start.pak"), Mixed);
    TMain &main = session.Start({path, QStringLiteral("ignored")});
    QCOMPARE(main.windowTitle(), QStringLiteral("Varnel - ") + path);
    QCOMPARE(session.Column(0).first(), QStringLiteral("Zed.wav"));
    QCOMPARE(session.Column(0).last(), QStringLiteral("readme"));
    // A stored order above 9 is no order: the default one is read instead.
    QVERIFY(!TSortOrder::FromNumber(12));
  }
  {
    TSession session;
    TMain &main = session.Start({session.Folder.filePath(QStringLiteral("missing.pak"))});
    QCOMPARE(main.windowTitle(), QStringLiteral("Varnel"));
    QVERIFY(main.Session().Pak().FileName().empty());
    QVERIFY(session.Desktop.Asked.isEmpty());
  }
}

void MainFormTest::ErrorReportKeepsWindowUsable() {
  TSession session;
  TMain &main = session.Start();
  main.RunCommand([] { throw EInOutError("/x/y.pak", "Input/output error"); });
  QCOMPARE(session.Desktop.Texts("error").size(), 1);
  QVERIFY(session.Desktop.Texts("error").first().contains(QStringLiteral("y.pak")));
  QVERIFY(QApplication::overrideCursor() == nullptr);
  // The hourglass of a failing command is taken back.
  main.RunCommand([] {
    TWaitCursor wait;
    throw std::runtime_error("broken");
  });
  QCOMPARE(session.Desktop.Texts("error").last(), QStringLiteral("broken"));
  QVERIFY(QApplication::overrideCursor() == nullptr);
}

void MainFormTest::UndoAndProgress() {
  TSession session;
  const QString path = session.Archive(QStringLiteral("u.pak"), {{"one.txt", "1"}});
  TMain &main = session.Start();
  session.Open(path);
  main.Session().Pak().RenameEntry(0, "two.txt");
  main.Refresh();
  QVERIFY(session.Enabled("UndoBtn"));
  session.Find<QToolButton>("UndoBtn")->click();
  QCOMPARE(session.Cell(0, 0), QStringLiteral("one.txt"));
  QVERIFY(!session.Enabled("MenuActionsUndo"));
  QCOMPARE(session.Find<QAction>("MenuActionsUndo")->text(), QStringLiteral("&Undo"));
  // Undo with nothing to undo still refills the list.
  main.ListModel().Clear();
  session.Command("MenuActionsUndo");
  QCOMPARE(main.ListModel().RowCount(), 1);

  auto *bar = session.Find<QProgressBar>("ProgressBar");
  TQuakePak &pak = main.Session().Pak();
  pak.OnStartCallback(pak);
  QVERIFY(!bar->isHidden());
  QCOMPARE(bar->value(), 0);
  pak.OnCallback(pak, 42);
  QCOMPARE(bar->value(), 42);
  pak.OnEndCallback(pak);
  QVERIFY(bar->isHidden());
}

// Runs the Options command; change edits the dialog's controls before OK is
// pressed, and Cancel closes a dialog that OK left open.
static void RunOptions(TMain &main, const std::function<void(QWidget &)> &change) {
  QTimer::singleShot(0, &main, [change] {
    QWidget *dialog = QApplication::activeModalWidget();
    QVERIFY(dialog && dialog->objectName() == QStringLiteral("SetDirectoryDialog"));
    change(*dialog);
    dialog->findChild<QPushButton *>(QStringLiteral("OKBtn"))->click();
    if (dialog->isVisible())
      dialog->findChild<QPushButton *>(QStringLiteral("CancelBtn"))->click();
  });
  main.RunCommand([&main] { main.Session().Options(); });
}

void MainFormTest::OptionsApplyToTheRunningArchive() {
  TSession session;
  TMain &main = session.Start();
  session.Open(session.Quake + QStringLiteral("id1/pak0.pak"));
  QVERIFY(!session.Enabled("SaveBtn"));

  // Protection off: the commands and renaming in place follow at once.
  RunOptions(main,
             [](QWidget &dialog) { dialog.findChild<QCheckBox *>(QStringLiteral("ProtectCheck"))->setChecked(false); });
  QVERIFY(!main.Session().Pak().ProtectID1Pak());
  QVERIFY(session.Enabled("SaveBtn") && session.Enabled("AddBtn"));
  QCOMPARE(main.StatusText(2), QString());
  QVERIFY(!main.ListModel().ReadOnly());

  // A Quake directory that is refused: reported, and what follows it is not applied.
  RunOptions(main, [&session](QWidget &dialog) {
    dialog.findChild<QLineEdit *>(QStringLiteral("QuakeDirBox"))
        ->setText(session.Folder.filePath(QStringLiteral("nowhere")));
    dialog.findChild<QCheckBox *>(QStringLiteral("LowerCheck"))->setChecked(false);
  });
  QCOMPARE(session.Desktop.Texts("error"), QStringList({"Invalid Quake directory"}));
  QVERIFY(session.Desktop.Details("error").first().startsWith(QStringLiteral("id1/pak0.pak was not found under ")));
  QVERIFY(main.Session().Pak().ForceLowercase());
  QCOMPARE(QString::fromStdString(main.Session().Pak().QuakeDirectory()), session.Quake);

  // No Quake directory: the archive closes and its rows go with it.
  RunOptions(main, [](QWidget &dialog) { dialog.findChild<QLineEdit *>(QStringLiteral("QuakeDirBox"))->clear(); });
  QVERIFY(main.Session().Pak().FileName().empty());
  QCOMPARE(main.ListModel().RowCount(), 0);
  QVERIFY(ShowsQuakeHint(session));
  QVERIFY(!session.Enabled("MenuFileOpen"));
}

void MainFormTest::StatusCountsFitAndReadWell() {
  // The counts of a large archive are shown whole, in every panel that counts.
  QMainWindow window;
  TStatusPanels panels(window.statusBar(), &window);
  panels.FitPanelsToFont();
  for (int panel : {0, 1}) {
    for (const QString &text : {QStringLiteral("2000 of 100000 files"), QStringLiteral("0 of 91669 files"),
                                QStringLiteral("100000 files selected")}) {
      panels.SetText(panel, text);
      auto *label = window.findChild<QLabel *>(QStringLiteral("StatusPanel%1").arg(panel));
      QVERIFY2(label->width() >= label->fontMetrics().horizontalAdvance(text), qPrintable(text));
    }
  }

  // One file is one file, filtered or not.
  TSession session;
  TMain &main = session.Start();
  session.OpenFresh(session.Archive(QStringLiteral("one.pak"), {{"a.txt", "1"}}));
  QCOMPARE(main.StatusText(0), QStringLiteral("1 file"));
  main.Browser()->FilterBox()->setText(QStringLiteral("a"));
  QCOMPARE(main.StatusText(0), QStringLiteral("1 of 1 file"));
  main.Browser()->FilterBox()->setText(QStringLiteral("zz"));
  QCOMPARE(main.StatusText(0), QStringLiteral("0 of 1 file"));
}

void MainFormTest::MenusKeysAndRename() {
  TSession session;
  TMain &main = session.Start();
  session.OpenFresh(session.Archive(QStringLiteral("k.pak"), {{"a.txt", "1"}, {"b.txt", "2"}}));
  main.show();
  QVERIFY(QTest::qWaitForWindowActive(&main));

  // Alt and one letter reach one item: in the menu bar, in every menu and in the context menu.
  QList<QWidget *> menus = {main.menuBar(), session.Find<QMenu>("PopupMenu")};
  for (const QAction *title : main.menuBar()->actions())
    menus << title->menu();
  for (const QWidget *menu : menus) {
    QMap<QChar, QString> owners;
    for (const QAction *action : menu->actions()) {
      const QString text = QString(action->text()).remove(QStringLiteral("&&"));
      const qsizetype mark = text.indexOf(QLatin1Char('&'));
      if (action->isSeparator() || mark < 0 || mark + 1 >= text.size())
        continue;
      const QChar letter = text.at(mark + 1).toLower();
      QVERIFY2(!owners.contains(letter), qPrintable(owners.value(letter) + " and " + action->text() + " in " +
                                                    menu->objectName()));
      owners.insert(letter, action->text());
    }
  }
  QVERIFY(session.Find<QMenu>("MenuActions")->actions().contains(session.Find<QAction>("PopupSelectAll")));

  // Select All has a key of its own; F2 renames the one selected entry in place.
  QTest::keyClick(&main, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
  QCOMPARE(main.StatusText(1), QStringLiteral("2 files selected"));

  // A click on one row of that selection selects the row; no rename starts
  // (one would start at once with no double-click time to wait for).
  TEntryListView *list = main.OneViewList();
  const int doubleClickTime = QGuiApplication::styleHints()->mouseDoubleClickInterval();
  QGuiApplication::styleHints()->setMouseDoubleClickInterval(0);
  QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualRect(main.ListModel().index(0, 0)).center());
  QCoreApplication::processEvents();
  QGuiApplication::styleHints()->setMouseDoubleClickInterval(doubleClickTime);
  QCOMPARE(main.StatusText(1), QStringLiteral("1 file selected"));
  QVERIFY(qobject_cast<QLineEdit *>(QApplication::focusWidget()) == nullptr);

  session.Select({QStringLiteral("b.txt")});
  main.Browser()->FilterBox()->setFocus();
  QTest::keyClick(&main, Qt::Key_F2);
  // The name's editor in the list has the focus.
  auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
  QVERIFY(editor != nullptr && editor->parent() == main.OneViewList()->viewport());
  QCOMPARE(editor->text(), QStringLiteral("b.txt"));
  QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape); // leaves the rename

  // Ctrl+Q quits beside Alt+X.
  QTest::keyClick(&main, Qt::Key_Q, Qt::ControlModifier);
  QVERIFY(!main.isVisible());
}

QTEST_MAIN(MainFormTest)
#include "MainFormTest.moc"
