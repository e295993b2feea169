// SPDX-License-Identifier: GPL-3.0-or-later
#include "LumpViewDlg.h"
#include "EntryText.h"
#include "ScriptedDesktop.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QComboBox>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QtTest>

namespace {
QColor ColorOf(TColor color) {
  return QColor(static_cast<int>(color & 0xFF), static_cast<int>((color >> 8) & 0xFF),
                static_cast<int>((color >> 16) & 0xFF));
}

// A 3 x 2 picture of six distinct colours, none of them grey, so that a
// swapped channel or a mirrored row shows.
TBitmap SixColours() {
  TBitmap bitmap(3, 2);
  const TColor colours[] = {0x0000FF, 0x00FF00, 0xFF0000, 0x123456, 0x80FF40, 0x010203};
  for (int i = 0; i < 6; ++i)
    bitmap.SetPixel(i % 3, i / 3, colours[i]);
  return bitmap;
}

void ComparePixels(const QImage &image, const TBitmap &bitmap) {
  QCOMPARE(image.width(), bitmap.Width());
  QCOMPARE(image.height(), bitmap.Height());
  for (int y = 0; y < bitmap.Height(); ++y)
    for (int x = 0; x < bitmap.Width(); ++x)
      QCOMPARE(image.pixelColor(x, y), ColorOf(bitmap.Pixel(x, y)));
}
} // namespace

class LumpViewDlgTest : public QObject {
  Q_OBJECT
private slots:
  void ConvertsBitmapsAndCentresTheNotice() {
    TBitmap six = SixColours();
    QImage image = BitmapToImage(six);
    QCOMPARE(image.format(), QImage::Format_RGB32);
    ComparePixels(image, six);

    // The colour map's notice: dark text in the middle band, white edges.
    TBitmap map(256, 256);
    map.SetNotice("Can't Display Colormap");
    QImage notice = BitmapToImage(map);
    QCOMPARE(notice.size(), QSize(256, 256));
    int darkInMiddle = 0, darkLeft = 0, darkRight = 0, darkElsewhere = 0;
    for (int y = 0; y < 256; ++y)
      for (int x = 0; x < 256; ++x) {
        if (qGray(notice.pixel(x, y)) >= 128)
          continue;
        if (y < 100 || y > 156)
          ++darkElsewhere;
        else if (x < 128)
          ++darkLeft, ++darkInMiddle;
        else
          ++darkRight, ++darkInMiddle;
      }
    QVERIFY(darkInMiddle > 50);
    QCOMPARE(darkElsewhere, 0);
    // Centred: the text's ink falls about evenly on both halves.
    QVERIFY2(darkLeft * 2 > darkRight && darkRight * 2 > darkLeft,
             qPrintable(QString("left %1 right %2").arg(darkLeft).arg(darkRight)));

    QVERIFY(BitmapToImage(TBitmap(0, 0)).isNull());
  }

  void ShowsThePictureUnscaledUnderTheEntrysCaption() {
    TScriptedDesktop desktop;
    TLumpViewForm form(desktop);
    auto *image = form.findChild<QLabel *>("LumpImage");
    QVERIFY(image != nullptr);
    auto *area = form.findChild<QScrollArea *>("LumpScroll");
    QVERIFY(area != nullptr);

    TBitmap grid(256, 256);
    grid.FillRect(240, 240, 256, 256, 0x00FF00);
    form.SetPicture(&grid);
    form.SetEntryName("gfx/palette.lmp");
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.windowTitle(), QString("Lump Viewer - gfx/palette.lmp"));
    QCOMPARE(image->pixmap().size(), QSize(256, 256));
    QCOMPARE(image->alignment(), Qt::AlignCenter);
    QCOMPARE(form.Picture().pixelColor(255, 255), QColor(0, 255, 0));
    QCOMPARE(form.findChild<QLabel *>("LumpInfo")->text(), QString::fromUtf8("256 \u00d7 256, palette"));
    QCOMPARE(area->horizontalScrollBar()->maximum(), 0);

    // A picture larger than the area leaves the area's size alone and scrolls; fitted, it does not.
    const QSize areaSize = area->size();
    TBitmap wide(1000, 700);
    form.SetPicture(&wide);
    form.SetEntryName("gfx/wide.lmp");
    QCoreApplication::processEvents();
    QCOMPARE(area->size(), areaSize);
    QCOMPARE(image->pixmap().size(), QSize(1000, 700));
    QVERIFY(area->horizontalScrollBar()->maximum() > 0 && area->verticalScrollBar()->maximum() > 0);
    QCOMPARE(form.findChild<QLabel *>("LumpInfo")->text(), QString::fromUtf8("1000 \u00d7 700, picture lump"));
    form.findChild<QComboBox *>("ZoomCombo")->setCurrentIndex(0);
    QCoreApplication::processEvents();
    QCOMPARE(area->horizontalScrollBar()->maximum(), 0);
  }

  void ClosesOnEnterAndEscape() {
    TScriptedDesktop desktop;
    for (Qt::Key key : {Qt::Key_Escape, Qt::Key_Return}) {
      TLumpViewForm form(desktop);
      TBitmap six = SixColours();
      form.SetPicture(&six);
      form.show();
      QVERIFY(QTest::qWaitForWindowExposed(&form));
      // Enter closes even with the save button focused.
      form.findChild<QPushButton *>("SaveBmpBtn")->setFocus();
      QTest::keyClick(&form, key);
      QVERIFY2(!form.isVisible(), qPrintable(QString::number(key)));
      QVERIFY(desktop.FileRequests.isEmpty());
    }
    TLumpViewForm form(desktop);
    QVERIFY(form.findChild<QPushButton *>("CloseBtn")->isDefault());
  }

  void SaveProposesANameBesideTheArchive() {
    QTemporaryDir dir;
    TScriptedDesktop desktop;
    TLumpViewForm form(desktop);
    TBitmap six = SixColours();
    form.SetPicture(&six);
    form.SetEntryName("maps/sub/Wall.LMP");
    form.SetArchiveFileName(PathFromQ(dir.filePath("paks/mine.pak")));
    auto *save = form.findChild<QPushButton *>("SaveBmpBtn");
    QCOMPARE(save->text(), QString("Save As Bitmap"));
    QTest::mouseClick(save, Qt::LeftButton); // the script is empty: cancelled

    QCOMPARE(desktop.FileRequests.size(), 1);
    const TFileDialogRequest &request = desktop.FileRequests.first();
    QCOMPARE(request.Title, QString("Save Lump As Bitmap"));
    QCOMPARE(request.Directory, dir.filePath("paks/"));
    QCOMPARE(request.FileName, QString("Wall.bmp"));
    QCOMPARE(request.Filters, QStringList({"Bitmaps (*.bmp)", "All Files (*)"}));
    QCOMPARE(request.DefaultSuffix, QString("bmp"));
    QCOMPARE(QDir(dir.path()).entryList(QDir::NoDotAndDotDot | QDir::AllEntries), QStringList());

    // Untitled: the chooser starts where it would by default; no extension: appended.
    form.SetArchiveFileName("(Untitled)");
    form.SetEntryName("gfx/noext");
    QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(desktop.FileRequests.last().Directory, QString());
    QCOMPARE(desktop.FileRequests.last().FileName, QString("noext.bmp"));
  }

  void SavesARealBitmapCreatingFoldersAndReplacingFiles() {
    QTemporaryDir dir;
    TScriptedDesktop desktop;
    TLumpViewForm form(desktop);
    TBitmap six = SixColours();
    form.SetPicture(&six);
    form.SetEntryName("gfx/six.lmp");
    form.SetArchiveFileName(PathFromQ(dir.filePath("a.pak")));
    auto *save = form.findChild<QPushButton *>("SaveBmpBtn");

    // Into folders that do not exist yet.
    const QString nested = dir.filePath("new/deeper/six.bmp");
    desktop.SaveFileAnswers.enqueue(nested);
    QTest::mouseClick(save, Qt::LeftButton);
    QFile written(nested);
    QVERIFY(written.open(QIODevice::ReadOnly));
    QCOMPARE(written.read(2), QByteArray("BM"));
    written.close();
    QImage back(nested, "BMP");
    QVERIFY(!back.isNull());
    ComparePixels(back, six);

    // Over an existing file (the chooser has asked already).
    const QString existing = dir.filePath("old.bmp");
    {
      QFile old(existing);
      QVERIFY(old.open(QIODevice::WriteOnly));
      old.write(QByteArray(5000, 'x'));
    }
    desktop.SaveFileAnswers.enqueue(existing);
    QTest::mouseClick(save, Qt::LeftButton);
    QImage replaced(existing, "BMP");
    ComparePixels(replaced, six);
    QVERIFY(QFileInfo(existing).size() < 5000);
    QVERIFY(desktop.Texts("error").isEmpty());

    // A place that cannot be written is reported, not passed over.
    QFile blocker(dir.filePath("file"));
    QVERIFY(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    desktop.SaveFileAnswers.enqueue(dir.filePath("file/inside.bmp"));
    QTest::mouseClick(save, Qt::LeftButton);
    QCOMPARE(desktop.Texts("error").size(), 1);
    QVERIFY(desktop.Texts("error").first().startsWith(dir.filePath("file/inside.bmp")));
  }

  void EmptyPictureHasNothingToSave() {
    TScriptedDesktop desktop;
    TLumpViewForm form(desktop);
    auto *save = form.findChild<QPushButton *>("SaveBmpBtn");
    TBitmap one(1, 1), flat(5, 0);
    form.SetPicture(&one);
    QVERIFY(save->isEnabled());
    form.SetPicture(nullptr);
    QVERIFY(form.findChild<QLabel *>("LumpImage")->pixmap().isNull());
    QVERIFY(!save->isEnabled());
    form.SetPicture(&flat);
    QVERIFY(!save->isEnabled());
  }
};

QTEST_MAIN(LumpViewDlgTest)
#include "LumpViewDlgTest.moc"
