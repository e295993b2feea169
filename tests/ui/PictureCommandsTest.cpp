// SPDX-License-Identifier: GPL-3.0-or-later
// The picture commands of the window: a picture lump exported as PNG in the
// game's colours, an image imported in its place or as a new entry (both
// undoable), a lump exported and imported again coming back byte-identical,
// and the lump viewer exporting through the same command.
#include "EntryBrowser.h"
#include "EntryListView.h"
#include "MainActions.h"
#include "WindowSession.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QImage>
#include <QInputDialog>
#include <QPushButton>
#include <QtTest>

namespace {
// A palette whose colours all differ: colour i is (i, 255 - i, i / 2).
QByteArray TestPalette() {
  QByteArray palette(768, '\0');
  for (int i = 0; i < 256; ++i) {
    palette[i * 3] = static_cast<char>(i);
    palette[i * 3 + 1] = static_cast<char>(255 - i);
    palette[i * 3 + 2] = static_cast<char>(i / 2);
  }
  return palette;
}

// A 3 x 2 transparent picture: indices 0, 1, 230 / 255, 16, 128.
QByteArray TestLump() { return Int32LE(3) + Int32LE(2) + QByteArray("\x00\x01\xe6\xff\x10\x80", 6); }

QRgb PaletteColour(int index) { return qRgb(index, 255 - index, index / 2); }

// Answers the entry name question of Import Picture with name, recording what it proposed.
void NameImport(TWindowSession &session, QString &proposed, const QString &name) {
  session.Dialogs.Expect("TextInputDlg", [&proposed, name](QWidget &dialog) {
    auto &input = static_cast<QInputDialog &>(dialog);
    proposed = input.textValue();
    input.setTextValue(name.isEmpty() ? proposed : name);
    input.accept();
  });
}
} // namespace

class PictureCommandsTest : public QObject {
  Q_OBJECT
private slots:
  void ExportAndImportRoundTrip();
};

void PictureCommandsTest::ExportAndImportRoundTrip() {
  TWindowSession session(true, {{"gfx/palette.lmp", TestPalette()}});
  session.Start();
  session.OpenFresh(session.Archive(QStringLiteral("pics.pak"), {{"gfx/pic.lmp", TestLump()}, {"readme.txt", "x"}}));
  QAction *exportPicture = session.Main->Actions().ExportPicture;
  session.Select({QStringLiteral("readme.txt")});
  QVERIFY(!exportPicture->isEnabled());
  session.Select({QStringLiteral("gfx/pic.lmp")});
  QVERIFY(exportPicture->isEnabled());

  // Exported in the game's colours, index 255 see-through.
  const QString png = session.Path(QStringLiteral("out/pic.png"));
  QDir().mkpath(session.Path(QStringLiteral("out")));
  session.Desktop.SaveFileAnswers.enqueue(png);
  session.Command("MenuActionsExportPicture");
  QCOMPARE(session.Desktop.FileRequests.last().FileName, QStringLiteral("pic.png"));
  const QImage image(png);
  QCOMPARE(image.size(), QSize(3, 2));
  QCOMPARE(image.pixel(2, 0), PaletteColour(230));
  QCOMPARE(qAlpha(image.pixel(0, 1)), 0);
  QCOMPARE(image.pixel(2, 1), PaletteColour(128));

  // An image of other colours replaces the lump: nearest colours, alpha as 255; Undo brings the old data back.
  QImage other(2, 1, QImage::Format_ARGB32);
  other.setPixel(0, 0, qRgba(0, 0, 0, 0));
  other.setPixel(1, 0, qRgb(41, 213, 21)); // nearest to colour 42 (42, 213, 21)
  const QString otherPng = session.Path(QStringLiteral("out/other.png"));
  QVERIFY(other.save(otherPng));
  session.Desktop.OpenFilesAnswers.enqueue({otherPng});
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
  session.Command("MenuActionsImportPicture");
  const QByteArray replaced = Int32LE(2) + Int32LE(1) + QByteArray("\xff\x2a", 2);
  QCOMPARE(session.EntryData("gfx/pic.lmp"), replaced);
  QVERIFY(session.Pak().Modified());
  session.Command("MenuActionsUndo");
  QCOMPARE(session.EntryData("gfx/pic.lmp"), TestLump());

  // No: the image comes in as a new entry named after its file, in the selected lump's folder, and is selected.
  QString proposed;
  session.Select({QStringLiteral("gfx/pic.lmp")});
  session.Desktop.OpenFilesAnswers.enqueue({otherPng});
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::No);
  NameImport(session, proposed, {});
  session.Command("MenuActionsImportPicture");
  QVERIFY(session.Dialogs.Finish());
  QCOMPARE(proposed, QStringLiteral("gfx/other.lmp"));
  QCOMPARE(session.EntryData("gfx/other.lmp"), replaced);
  QCOMPARE(session.EntryData("gfx/pic.lmp"), TestLump());
  QCOMPARE(session.Main->OneViewList()->SelectedNames(), TStringList{"gfx/other.lmp"});

  // With nothing selected the folder shown is proposed; a name in another folder shows that folder.
  session.Main->Browser()->SelectFolder("gfx/");
  session.SelectRows({});
  const QString third = session.Path(QStringLiteral("out/third.png"));
  QVERIFY(QFile::copy(otherPng, third));
  session.Desktop.OpenFilesAnswers.enqueue({third});
  NameImport(session, proposed, QStringLiteral("maps/Third.lmp"));
  session.Command("MenuActionsImportPicture");
  QVERIFY(session.Dialogs.Finish());
  QCOMPARE(proposed, QStringLiteral("gfx/third.lmp"));
  QCOMPARE(session.EntryData("maps/third.lmp"), replaced);
  QCOMPARE(session.Main->OneViewList()->SelectedNames(), TStringList{"maps/third.lmp"});
  session.Command("MenuActionsUndo");
  session.Main->Browser()->SelectFolder({});

  // The exported picture, imported again in place of its lump, is byte-identical to it.
  session.Select({QStringLiteral("gfx/pic.lmp")});
  session.Desktop.OpenFilesAnswers.enqueue({png});
  session.Desktop.ConfirmAnswers.enqueue(QMessageBox::Yes);
  session.Command("MenuActionsImportPicture");
  QCOMPARE(session.EntryData("gfx/pic.lmp"), TestLump());
  QCOMPARE(session.Pak().EntryCount(), 3);
  QVERIFY(session.Desktop.Texts("error").isEmpty());

  // The lump viewer's Export as PNG is the same command: the same chooser and name, the same picture written.
  const TFileDialogRequest menuRequest = session.Desktop.FileRequests.first();
  const QString fromViewer = session.Path(QStringLiteral("out/viewer.png"));
  session.Desktop.SaveFileAnswers.enqueue(fromViewer);
  session.Select({QStringLiteral("gfx/pic.lmp")});
  session.Dialogs.Expect("LumpViewForm", [](QWidget &viewer) {
    QVERIFY(Child<QPushButton>(viewer, "ExportPngBtn")->isEnabled());
    Click(viewer, "ExportPngBtn");
    Click(viewer, "CloseBtn");
  });
  session.Command("MenuActionsView");
  QVERIFY(session.Dialogs.Finish());
  const TFileDialogRequest viewerRequest = session.Desktop.FileRequests.last();
  QCOMPARE(viewerRequest.Title, menuRequest.Title);
  QCOMPARE(viewerRequest.FileName, menuRequest.FileName);
  QCOMPARE(viewerRequest.Filters, menuRequest.Filters);
  QCOMPARE(QImage(fromViewer), QImage(png));

  // The viewer names the picture's size and kind, brightens as the game's look does, and saves what it shows;
  // Brighten off saves the true colours. The see-through colour is said to be lost in a bitmap.
  const QString bright = session.Path(QStringLiteral("out/bright.bmp"));
  const QString plain = session.Path(QStringLiteral("out/plain.bmp"));
  session.Desktop.SaveFileAnswers.enqueue(bright);
  session.Desktop.SaveFileAnswers.enqueue(plain);
  session.Dialogs.Expect("LumpViewForm", [](QWidget &viewer) {
    QCOMPARE(Child<QLabel>(viewer, "LumpInfo")->text(), QString::fromUtf8("3 \u00d7 2, picture lump"));
    auto *brighten = Child<QCheckBox>(viewer, "BrightenCheck");
    QVERIFY(brighten->isEnabled() && brighten->isChecked());
    Click(viewer, "SaveBmpBtn");
    brighten->setChecked(false);
    Click(viewer, "SaveBmpBtn");
    Click(viewer, "CloseBtn");
  });
  session.Command("MenuActionsView");
  QVERIFY(session.Dialogs.Finish());
  QVERIFY(session.Desktop.FileRequests.last().Title.contains(QStringLiteral("no transparency")));
  QCOMPARE(QImage(plain).pixel(2, 1), PaletteColour(128));
  QCOMPARE(QImage(plain).pixel(0, 1), PaletteColour(255));
  QCOMPARE(QImage(bright).pixel(2, 1), qRgb(178, 177, 114)); // each channel 50 brighter
}

QTEST_MAIN(PictureCommandsTest)
#include "PictureCommandsTest.moc"
