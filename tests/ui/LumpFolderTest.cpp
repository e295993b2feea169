// SPDX-License-Identifier: GPL-3.0-or-later
// A WAD entry and a map's textures as folders of lumps in the tree: the list
// of lumps with their types and sizes, the preview, Export as PNG, a lump
// replaced, renamed and deleted (each one undoable step of the archive that
// Undo takes back to the original bytes), and a map's textures read-only.
#include "EntryBrowser.h"
#include "LumpList.h"
#include "MainActions.h"
#include "PreviewPane.h"
#include "QuakeTestSupport.h"
#include "WindowSession.h"

#include <QAction>
#include <QImage>
#include <QInputDialog>
#include <QLineEdit>
#include <QtEndian>
#include <QStandardItemModel>
#include <QTreeView>
#include <QtTest>

namespace {
QByteArray Bytes(const std::string &bytes) { return QByteArray::fromStdString(bytes); }

uint8_t Diagonal(int32_t x, int32_t y) { return static_cast<uint8_t>(x == y ? 7 : 1); }

// gfx.wad as the game's holds its lumps: a status bar picture, the palette, the console font; and a texture.
QByteArray GfxWad() {
  return Bytes(BuildWad({{"sb_armor", 0x42, BuildQpic(4, 2, Pixels(4, 2, Diagonal))},
                         {"palette", 0x40, TestPalette()},
                         {"conchars", 0x44, std::string(128 * 128, '\x02')},
                         {"wall", 0x44, BuildMiptex("wall", 16, 16, 3)}}));
}

QByteArray Map() { return Bytes(BuildMap({BuildMiptex("*water", 32, 16, 4), BuildMiptex("sky1", 16, 16, 5)})); }

// The palette's colour of index, as TestPalette makes it.
QColor PaletteColour(int index) { return {index, 255 - index, (index * 7) % 256}; }

// Opens every folder of the tree, then chooses the item of that caption (depth first).
void ChooseInTree(TWindowSession &session, const QString &caption) {
  QTreeView *tree = session.Main->Browser()->Folders();
  tree->expandAll();
  const auto *model = static_cast<QStandardItemModel *>(tree->model());
  const QModelIndexList found =
      model->match(model->index(0, 0), Qt::DisplayRole, caption, 1, Qt::MatchExactly | Qt::MatchRecursive);
  QVERIFY2(!found.isEmpty(), qPrintable(caption));
  tree->setCurrentIndex(found.first());
}

// The lump list's rows as "name | type | size", top to bottom.
QStringList LumpRows(TWindowSession &session) {
  const QAbstractItemModel *model = session.Main->LumpList()->model();
  QStringList rows;
  for (int row = 0; row < model->rowCount(); ++row)
    rows << QStringLiteral("%1 | %2 | %3")
                .arg(model->index(row, 0).data().toString(), model->index(row, 1).data().toString(),
                     model->index(row, 2).data().toString());
  return rows;
}

void SelectLumps(TWindowSession &session, const QStringList &names) {
  TLumpListView *list = session.Main->LumpList();
  list->clearSelection();
  for (int row = 0; row < list->model()->rowCount(); ++row)
    if (names.contains(list->model()->index(row, 0).data().toString()))
      list->selectionModel()->select(list->model()->index(row, 0),
                                     QItemSelectionModel::Select | QItemSelectionModel::Rows);
  QCOMPARE(static_cast<int>(list->SelectedLumps().size()), static_cast<int>(names.size()));
}
} // namespace

class LumpFolderTest : public QObject {
  Q_OBJECT
private slots:
  void init();
  void WadShowsItsLumps();
  void ChangesAreOneUndoableStepEach();
  void MapTexturesAreReadOnly();
  void WadFileOnItsOwn();
  void DamagedWadIsSaid();

private:
  std::unique_ptr<TWindowSession> m_Session;
};

void LumpFolderTest::init() {
  m_Session = std::make_unique<TWindowSession>(true, TFixture{{"gfx/palette.lmp", Bytes(TestPalette())}});
  m_Session->Start();
  const TFixture mod = {{"gfx.wad", GfxWad()}, {"maps/e1m1.bsp", Map()}, {"readme.txt", "hello"}};
  m_Session->OpenFresh(m_Session->Archive(QStringLiteral("mod.pak"), mod));
}

void LumpFolderTest::WadShowsItsLumps() {
  TWindowSession &session = *m_Session;
  ChooseInTree(session, QStringLiteral("gfx.wad"));
  QVERIFY(session.Main->Browser()->LumpListShown());
  QCOMPARE(LumpRows(session), QStringList({"conchars | Console font | 16384", "palette | Palette | 768",
                                           "sb_armor | Picture | 16", "wall | Mip texture | 380"}));
  QCOMPARE(session.Main->StatusText(0), QStringLiteral("4 lumps"));
  // Typing in the lumps goes to the filter box, which narrows them as it does the entries.
  QTest::keyClicks(session.Main->LumpList(), QStringLiteral("s*"));
  QCOMPARE(session.Main->Browser()->FilterBox()->text(), QStringLiteral("s*"));
  QCOMPARE(LumpRows(session), QStringList({"sb_armor | Picture | 16"}));
  session.Main->Browser()->FilterBox()->clear();

  // Each picture lump previews at its size, in the game's colours.
  session.Main->Actions().PreviewPane->setChecked(true);
  const struct {
    const char *Lump;
    QString Kind;
    QSize Size;
  } previews[] = {{"sb_armor", "Picture", {4, 2}},
                  {"palette", "Palette", {16, 16}},
                  {"conchars", "Console font", {128, 128}},
                  {"wall", "Mip texture", {16, 16}}};
  for (const auto &preview : previews) {
    SelectLumps(session, {preview.Lump});
    TPreviewPane &pane = *session.Main->Preview();
    QTRY_VERIFY(!pane.Pending());
    QCOMPARE(pane.Preview().Kind, preview.Kind);
    QCOMPARE(pane.Preview().Image.size(), preview.Size);
  }

  // Export as PNG: the picture at its size, named after the lump.
  SelectLumps(session, {"sb_armor"});
  QVERIFY(session.Enabled("MenuActionsExportPicture") && session.Enabled("MenuActionsView"));
  const QString png = session.Path(QStringLiteral("sb_armor.png"));
  session.Desktop.SaveFileAnswers.enqueue(png);
  session.Command("MenuActionsExportPicture");
  QCOMPARE(session.Desktop.FileRequests.last().FileName, QStringLiteral("sb_armor.png"));
  const QImage image(png);
  QCOMPARE(image.size(), QSize(4, 2));
  QCOMPARE(image.pixelColor(1, 1), PaletteColour(7));
  QCOMPARE(image.pixelColor(2, 1), PaletteColour(1));

  // A folder of the tree shows the entries again.
  ChooseInTree(session, QStringLiteral("mod.pak"));
  QVERIFY(!session.Main->Browser()->LumpListShown());
  QCOMPARE(session.Main->StatusText(0), QStringLiteral("3 files"));
}

void LumpFolderTest::ChangesAreOneUndoableStepEach() {
  TWindowSession &session = *m_Session;
  ChooseInTree(session, QStringLiteral("gfx.wad"));
  QImage replacement(2, 2, QImage::Format_RGB32);
  replacement.fill(PaletteColour(9));
  const QString png = session.Path(QStringLiteral("new.png"));
  QVERIFY(replacement.save(png));

  // Each change, then Undo: the archive's entries are the original bytes again.
  const struct {
    const char *Name;
    QStringList Selected;
    std::function<void()> Change;
    QStringList After; // the lump rows' names and sizes
  } changes[] = {
      {"replace",
       {"sb_armor"},
       [&] {
         session.Desktop.OpenFilesAnswers.enqueue({png});
         session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
         session.Command("MenuActionsImportPicture");
       },
       {"conchars 16384", "palette 768", "sb_armor 12", "wall 380"}},
      {"add",
       {},
       [&] {
         session.Desktop.OpenFilesAnswers.enqueue({png});
         session.Dialogs.Expect("TextInputDlg", [](QWidget &dialog) {
           auto &input = static_cast<QInputDialog &>(dialog);
           QCOMPARE(input.textValue(), QStringLiteral("new"));
           input.setTextValue(QStringLiteral("face1"));
           input.accept();
         });
         session.Command("MenuActionsImportPicture");
       },
       {"conchars 16384", "face1 12", "palette 768", "sb_armor 16", "wall 380"}},
      {"delete",
       {"palette", "wall"},
       [&] {
         session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
         session.Command("MenuActionsDel");
       },
       {"conchars 16384", "sb_armor 16"}},
      {"rename",
       {"wall"},
       [&] {
         TLumpListView *list = session.Main->LumpList();
         QVERIFY(list->model()->setData(list->currentIndex().siblingAtColumn(0), QStringLiteral("WALL2")));
         QTRY_VERIFY(session.Pak().CanUndo());
       },
       {"conchars 16384", "palette 768", "sb_armor 16", "WALL2 380"}},
  };
  for (const auto &change : changes) {
    SelectLumps(session, change.Selected);
    QItemSelectionModel *selection = session.Main->LumpList()->selectionModel();
    if (!change.Selected.isEmpty())
      selection->setCurrentIndex(selection->selectedRows().value(0), QItemSelectionModel::NoUpdate);
    change.Change();
    QVERIFY2(session.Pak().Modified() && session.Pak().CanUndo(), change.Name);
    QStringList after;
    for (const QString &row : LumpRows(session))
      after << row.section(QStringLiteral(" | "), 0, 0) + ' ' + row.section(QStringLiteral(" | "), 2);
    QCOMPARE(after, change.After);
    QCOMPARE(session.Main->Actions().Undo->text(), QStringLiteral("&Undo Update of gfx.wad"));
    session.Command("MenuActionsUndo");
    QCOMPARE(session.EntryData("gfx.wad"), GfxWad());
    QCOMPARE(LumpRows(session).size(), 4);
    QVERIFY2(!session.Pak().CanUndo(), change.Name);
  }
  QVERIFY(session.Main->Browser()->LumpListShown());

  // A name the game cannot hold is refused, and nothing changes.
  SelectLumps(session, {"wall"});
  TLumpListView *list = session.Main->LumpList();
  for (const QString &refused : {QStringLiteral("seventeen_letters"), QStringLiteral("PALETTE")})
    list->model()->setData(list->selectionModel()->selectedRows().first(), refused);
  QTRY_COMPARE(session.Desktop.Texts("error").size(), 2);
  QCOMPARE(session.Desktop.Details("error").last(), QStringLiteral("Another lump is named palette."));
  QVERIFY(!session.Pak().CanUndo());
  QCOMPARE(session.EntryData("gfx.wad"), GfxWad());
}

void LumpFolderTest::MapTexturesAreReadOnly() {
  TWindowSession &session = *m_Session;
  ChooseInTree(session, QStringLiteral("e1m1.bsp"));
  QCOMPARE(LumpRows(session), QStringList({"*water | Mip texture | 720", "sky1 | Mip texture | 380"}));
  SelectLumps(session, {"*water"});
  for (const char *action : {"MenuActionsDel", "MenuActionsImportPicture", "MenuActionsRename", "MenuActionsAdd"})
    QVERIFY2(!session.Enabled(action), action);
  QVERIFY(session.Enabled("MenuActionsExportPicture"));
  // The flag says read-only: no edit starts.
  QVERIFY(!(session.Main->LumpList()->model()->index(0, 0).flags() & Qt::ItemIsEditable));

  const QString png = session.Path(QStringLiteral("water.png"));
  session.Desktop.SaveFileAnswers.enqueue(png);
  session.Command("MenuActionsExportPicture");
  QCOMPARE(session.Desktop.FileRequests.last().FileName, QStringLiteral("#water.png"));
  QCOMPARE(QImage(png).size(), QSize(32, 16));
  QCOMPARE(QImage(png).pixelColor(0, 0), PaletteColour(4));
  QVERIFY(!session.Pak().Modified());
}

void LumpFolderTest::WadFileOnItsOwn() {
  TWindowSession &session = *m_Session;
  const QString file = session.Path(QStringLiteral("gfx.wad"));
  WriteBytes(file, GfxWad());
  session.Open(file);
  QVERIFY(session.Main->Browser()->LumpListShown());
  QCOMPARE(session.Main->Browser()->Folders()->model()->index(0, 0).data().toString(), QStringLiteral("gfx.wad"));
  QCOMPARE(LumpRows(session).size(), 4);
  QVERIFY(!session.Enabled("MenuActionsAdd"));

  // A change marks the file modified; Save writes it; Undo after the save is a change again.
  SelectLumps(session, {"palette"});
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
  session.Command("MenuActionsDel");
  QCOMPARE(session.Main->StatusText(2), QStringLiteral("Modified"));
  session.Command("MenuFileSave");
  QCOMPARE(session.Main->StatusText(2), QString());
  const QByteArray saved = ReadBytes(file);
  QVERIFY(!saved.contains("palette") && saved.contains("conchars") && saved.startsWith("WAD2"));
  session.Command("MenuActionsUndo");
  QCOMPARE(session.Main->StatusText(2), QStringLiteral("Modified"));
  QCOMPARE(ReadBytes(file), saved);
  session.Command("MenuFileSave");
  QCOMPARE(ReadBytes(file), GfxWad());
  QCOMPARE(LumpRows(session).size(), 4);
}

void LumpFolderTest::DamagedWadIsSaid() {
  TWindowSession &session = *m_Session;
  // The first lump's size on disk runs past the file's end.
  QByteArray wad = GfxWad();
  const qint32 directory = qFromLittleEndian<qint32>(wad.constData() + 8);
  wad.replace(directory + 4, 4, Int32LE(0x7fffffff));
  session.OpenFresh(session.Archive(QStringLiteral("bad.pak"), {{"bad.wad", wad}}));
  ChooseInTree(session, QStringLiteral("bad.wad"));
  QCOMPARE(LumpRows(session).size(), 3);
  QCOMPARE(session.Desktop.Texts("warning").size(), 1);
  QVERIFY(session.Desktop.Details("warning").first().contains(QStringLiteral("sb_armor")));
}

QTEST_MAIN(LumpFolderTest)
#include "LumpFolderTest.moc"
