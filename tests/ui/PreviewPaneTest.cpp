// SPDX-License-Identifier: GPL-3.0-or-later
// The preview pane in the main window: each kind of entry shows what the
// user sees of it, the pane follows the last selection only, and its shown
// state and width are kept in the settings. Every entry is built byte by
// byte below; the game palette is a ramp (colour i is i, 255 - i, i / 2).
#include "MainActions.h"
#include "PreviewPane.h"
#include "TgaImage.h"
#include "WindowSession.h"

#include <QAction>
#include <QBuffer>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QSplitter>
#include <QStackedWidget>
#include <QtTest>

namespace {

QByteArray Int16LE(int value) { return QByteArray(1, static_cast<char>(value & 0xFF)) + static_cast<char>(value >> 8); }

QByteArray RampPalette() {
  QByteArray palette;
  for (int i = 0; i < 256; ++i)
    palette.append(static_cast<char>(i)).append(static_cast<char>(255 - i)).append(static_cast<char>(i / 2));
  return palette;
}

QByteArray Chunk(const QByteArray &id, const QByteArray &data) { return id + Int32LE(static_cast<qint32>(data.size())) + data; }

// 8-bit mono at 11025 Hz, 600 samples, then a cue chunk whose one cue point
// loops from sample 500 (point id, position, "data", chunk start, block start, sample offset).
QByteArray LoopingWave() {
  const QByteArray format = Int16LE(1) + Int16LE(1) + Int32LE(11025) + Int32LE(11025) + Int16LE(1) + Int16LE(8);
  const QByteArray cue = Int32LE(1) + Int32LE(1) + Int32LE(0) + "data" + Int32LE(0) + Int32LE(0) + Int32LE(500);
  const QByteArray chunks = Chunk("fmt ", format) + Chunk("data", QByteArray(600, '\x80')) + Chunk("cue ", cue);
  return "RIFF" + Int32LE(static_cast<qint32>(4 + chunks.size())) + "WAVE" + chunks;
}

// A mip texture: a 16-byte name, width, height, the offsets of four levels
// from its start, then the levels (each half the sides of the one before),
// every pixel index 7.
QByteArray Miptex(const QByteArray &name, int width, int height) {
  QByteArray header = name.leftJustified(16, '\0') + Int32LE(width) + Int32LE(height), levels;
  for (int level = 0; level < 4; ++level) {
    header += Int32LE(40 + static_cast<qint32>(levels.size()));
    levels += QByteArray((width >> level) * (height >> level), '\x07');
  }
  return header + levels;
}

// A WAD2 file: "WAD2", the count, the directory's offset; the lumps; the
// directory of 32-byte records (offset, size twice, type, no compression, two
// pad bytes, a 16-byte name).
QByteArray Wad(const QList<std::tuple<QByteArray, char, QByteArray>> &lumps) {
  QByteArray data, directory;
  for (const auto &[name, type, bytes] : lumps) {
    directory += Int32LE(12 + static_cast<qint32>(data.size())) + Int32LE(static_cast<qint32>(bytes.size())) +
                 Int32LE(static_cast<qint32>(bytes.size())) + type + QByteArray(3, '\0') + name.leftJustified(16, '\0');
    data += bytes;
  }
  return "WAD2" + Int32LE(static_cast<qint32>(lumps.size())) + Int32LE(12 + static_cast<qint32>(data.size())) + data +
         directory;
}

// A version 29 map: the header (version, 15 lumps of offset and length), the
// entity text as lump 0 and the texture lump (by default a count of 3 and
// no textures); the other lumps empty.
QByteArray SmallMap(const QByteArray &textures = Int32LE(3) + Int32LE(-1) + Int32LE(-1) + Int32LE(-1)) {
  const QByteArray entities = "{\n\"classname\" \"worldspawn\"\n}\n";
  QByteArray header = Int32LE(29);
  const qint32 start = 4 + 15 * 8;
  for (int lump = 0; lump < 15; ++lump) {
    const qint32 offset = lump == 0 ? start : start + static_cast<qint32>(entities.size());
    const qint32 length = lump == 0 ? static_cast<qint32>(entities.size())
                                    : lump == 2 ? static_cast<qint32>(textures.size()) : 0;
    header += Int32LE(offset) + Int32LE(length);
  }
  return header + entities + textures;
}

// A map's texture lump: the count, one offset each from the lump's start, the textures.
QByteArray TextureLump(const QList<QByteArray> &textures) {
  QByteArray offsets = Int32LE(static_cast<qint32>(textures.size())), body;
  for (const QByteArray &texture : textures) {
    offsets += Int32LE(4 + 4 * static_cast<qint32>(textures.size()) + static_cast<qint32>(body.size()));
    body += texture;
  }
  return offsets + body;
}

// An alias model's header: "IDPO", version 6, 40 bytes of scale, origin,
// radius and eye, then skins 2 of 8 x 4, 10 vertices, 12 triangles, 3 frames,
// sync type, flags and size.
QByteArray SmallModel() {
  return "IDPO" + Int32LE(6) + QByteArray(40, '\0') + Int32LE(2) + Int32LE(8) + Int32LE(4) + Int32LE(10) +
         Int32LE(12) + Int32LE(3) + Int32LE(0) + Int32LE(0) + Int32LE(0);
}

// A sprite: "IDSP", version 1, type, radius, the largest frame's size, 2
// frames, beam length, sync type; a single 4 x 2 frame (type 0, origin, size,
// pixels), then a group (type 1, 2 pictures, 2 intervals) of 3 x 3 frames.
QByteArray SmallSprite() {
  const auto frame = [](int width, int height) {
    return Int32LE(0) + Int32LE(0) + Int32LE(width) + Int32LE(height) + QByteArray(width * height, '\x09');
  };
  return "IDSP" + Int32LE(1) + Int32LE(0) + Int32LE(0) + Int32LE(4) + Int32LE(3) + Int32LE(2) + Int32LE(0) +
         Int32LE(0) + Int32LE(0) + frame(4, 2) + Int32LE(1) + Int32LE(2) + Int32LE(0) + Int32LE(0) + frame(3, 3) +
         frame(3, 3);
}

QByteArray PngOf(const QImage &image) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return bytes;
}

QImage Solid(int width, int height, QColor colour) {
  QImage image(width, height, QImage::Format_RGB32);
  image.fill(colour);
  return image;
}

} // namespace

class PreviewPaneTest : public QObject {
  Q_OBJECT
private slots:
  void ShowsEachKindAsTheUserSeesIt_data();
  void ShowsEachKindAsTheUserSeesIt();
  void ReadsOnlyWhatItShows_data();
  void ReadsOnlyWhatItShows();
  void DrawsThumbnailsSharpAtEachScale_data();
  void DrawsThumbnailsSharpAtEachScale();
  void FollowsOnlyTheLastSelection();
  void KeepsItsShownStateAndWidth();
  void KeysShowAndFocusThePane();
  void ShowsALongTextWholeAndNoMore();
};

void PreviewPaneTest::ShowsEachKindAsTheUserSeesIt_data() {
  QTest::addColumn<QString>("entry");
  QTest::addColumn<QStringList>("facts"); // lines the facts hold, in order
  QTest::addColumn<QString>("page"); // the parts shown, joined by "+" (PreviewThumbnails+PreviewText), or none
  QTest::addColumn<QString>("firstLine"); // of the text page
  QTest::addColumn<QSize>("pictureSize");
  // The thumbnails' captions' first lines and picture sizes, "name WxH".
  QTest::addColumn<QStringList>("thumbnails");
  QTest::addRow("picture lump") << "gfx/pic.lmp" << QStringList{"Picture lump", "3 \u00d7 2 pixels"} << "PreviewPicture"
                                << "" << QSize(3, 2) << QStringList{};
  QTest::addRow("palette") << "gfx/palette.lmp" << QStringList{"Palette", "256 colours"} << "PreviewPicture" << ""
                           << QSize(16, 16) << QStringList{};
  QTest::addRow("colour map") << "gfx/colormap.lmp" << QStringList{"Colour map", "64 light levels of 256 colours"}
                              << "PreviewPicture" << "" << QSize(256, 64) << QStringList{};
  QTest::addRow("png") << "textures/wall.png" << QStringList{"PNG image", "5 \u00d7 4 pixels"} << "PreviewPicture"
                       << "" << QSize(5, 4) << QStringList{};
  QTest::addRow("tga") << "textures/sky.tga" << QStringList{"TGA image", "7 \u00d7 3 pixels"} << "PreviewPicture"
                       << "" << QSize(7, 3) << QStringList{};
  QTest::addRow("config") << "autoexec.cfg" << QStringList{"Text (cfg)", "Size: 28 bytes"} << "PreviewText"
                          << "bind space +jump" << QSize() << QStringList{};
  QTest::addRow("sound") << "sound/hum.wav"
                         << QStringList{"Wave sound", "Length: 0.05 s", "Rate: 11025 Hz", "Channels: 1 (mono)",
                                        "Bits per sample: 8", "Loops from sample 500"}
                         << "PreviewSound" << "" << QSize() << QStringList{};
  QTest::addRow("map") << "maps/start.bsp" << QStringList{"Map", "Version: 29", "Textures: 3", "Models: 0"}
                       << "PreviewText" << "{" << QSize() << QStringList{};
  QTest::addRow("map textures") << "maps/tex.bsp" << QStringList{"Map", "Textures: 2"} << "PreviewThumbnails+PreviewText"
                                << "{" << QSize() << QStringList{"wall 32x16", "*water 16x16"};
  QTest::addRow("broken map textures")
      << "maps/cut.bsp" << QStringList{"Map", "Textures: 9", "The map's texture lump is damaged"} << "PreviewText" << "{"
      << QSize() << QStringList{};
  QTest::addRow("model") << "progs/box.mdl"
                         << QStringList{"Model", "Version: 6", "Frames: 3", "Skins: 2 of 8 \u00d7 4 pixels"} << "none"
                         << "" << QSize() << QStringList{};
  QTest::addRow("model skin") << "progs/skin.mdl" << QStringList{"Model", "Skins: 2 of 8 \u00d7 4 pixels", "The first skin"}
                              << "PreviewPicture" << "" << QSize(8, 4) << QStringList{};
  QTest::addRow("sprite") << "progs/s.spr" << QStringList{"Sprite", "Frames: 2"} << "PreviewThumbnails" << "" << QSize()
                          << QStringList{"frame 0 4x2", "frame 1 picture 0 3x3", "frame 1 picture 1 3x3"};
  // Level 1 of a 256 x 256 texture is its thumbnail; a lump of no picture kind has none.
  QTest::addRow("wad") << "gfx.wad" << QStringList{"WAD file", "5 lumps"} << "PreviewThumbnails" << "" << QSize()
                       << QStringList{"num_0 3x2", "conchars 128x128", "sky 128x128", "palette 16x16", "noise 0x0"};
  QTest::addRow("broken wad") << "bad.wad" << QStringList{"WAD file", "0 lumps", "The WAD directory lies outside"}
                              << "none" << "" << QSize() << QStringList{};
  QTest::addRow("no wad") << "no.wad" << QStringList{"WAD file", "Not a WAD2 file"} << "PreviewText" << "00000000  57 41 44 33"
                          << QSize() << QStringList{};
  QTest::addRow("mip file") << "textures/wall.mip" << QStringList{"Mip texture", "32 \u00d7 16 pixels", "Name: wall"}
                            << "PreviewPicture" << "" << QSize(32, 16) << QStringList{};
  QTest::addRow("raw font") << "gfx/conchars.raw" << QStringList{"Console font", "128 \u00d7 128 pixels"}
                            << "PreviewPicture" << "" << QSize(128, 128) << QStringList{};
  QTest::addRow("font as lmp") << "gfx/conchars.lmp" << QStringList{"Console font"} << "PreviewPicture" << ""
                               << QSize(128, 128) << QStringList{};
  QTest::addRow("other raw") << "sound/x.raw" << QStringList{"RAW file"} << "PreviewText" << "00000000  61" << QSize()
                             << QStringList{};
  QTest::addRow("other") << "notes.xyz"
                         << QStringList{"XYZ file", "The first 5 bytes in hexadecimal", "Size: 5 bytes", "Position: "}
                         << "PreviewText" << "00000000  48 65 6c 6c 6f" << QSize() << QStringList{};
  QTest::addRow("broken picture") << "gfx/cut.lmp" << QStringList{"Picture lump"} << "PreviewText" << "00000000  40"
                                  << QSize() << QStringList{};
}

void PreviewPaneTest::ShowsEachKindAsTheUserSeesIt() {
  QFETCH(QString, entry);
  QFETCH(QStringList, facts);
  QFETCH(QString, page);
  QFETCH(QString, firstLine);
  QFETCH(QSize, pictureSize);
  QFETCH(QStringList, thumbnails);

  TWindowSession session(true, {{"gfx/palette.lmp", RampPalette()}});
  session.Start();
  // A 3 x 2 picture lump of indices 0..5; a colour map of 64 rows of 256 and one byte.
  QByteArray colormap(64 * 256 + 1, '\0');
  for (int i = 0; i < 64 * 256; ++i)
    colormap[i] = static_cast<char>(i % 256);
  const TFixture entries = {
      {"gfx/pic.lmp", Int32LE(3) + Int32LE(2) + QByteArray("\x00\x01\x02\x03\x04\x05", 6)},
      {"gfx/palette.lmp", RampPalette()},
      {"gfx/colormap.lmp", colormap},
      {"textures/wall.png", PngOf(Solid(5, 4, Qt::red))},
      {"textures/sky.tga", TgaImage::ImageToTga(Solid(7, 3, Qt::blue), nullptr)},
      {"autoexec.cfg", "bind space +jump\nexec x.cfg\n"},
      {"sound/hum.wav", LoopingWave()},
      {"maps/start.bsp", SmallMap()},
      {"progs/box.mdl", SmallModel()},
      {"notes.xyz", "Hello"},
      {"gfx/cut.lmp", Int32LE(64) + Int32LE(64) + "ab"}, // claims 64 x 64, holds 2 pixels
      {"maps/tex.bsp", SmallMap(TextureLump({Miptex("wall", 32, 16), Miptex("*water", 16, 16)}))},
      {"maps/cut.bsp", SmallMap(Int32LE(9) + Int32LE(4))}, // 9 textures, room for 1 offset
      {"progs/skin.mdl", SmallModel() + Int32LE(0) + QByteArray(32, '\x05') + Int32LE(0) + QByteArray(32, '\x06')},
      {"progs/s.spr", SmallSprite()},
      {"gfx.wad", Wad({{"num_0", '\x42', Int32LE(3) + Int32LE(2) + QByteArray(6, '\x01')},
                      {"conchars", '\x44', QByteArray(128 * 128, '\x02')},
                      {"sky", '\x44', Miptex("sky", 256, 256)},
                      {"palette", '\x40', RampPalette()},
                      {"noise", '\x43', "abc"}})},
      {"bad.wad", "WAD2" + Int32LE(1) + Int32LE(4000)}, // the directory past the end
      {"no.wad", "WAD3" + Int32LE(0) + Int32LE(12)},
      {"textures/wall.mip", Miptex("wall", 32, 16)},
      {"gfx/conchars.raw", QByteArray(128 * 128, '\x03')},
      {"gfx/conchars.lmp", QByteArray(128 * 128, '\x03')},
      {"sound/x.raw", "a"},
  };
  session.OpenFresh(session.Archive("mod.pak", entries));
  session.Select({entry});
  TPreviewPane &pane = *session.Main->Preview();
  QTRY_VERIFY(!pane.Pending());

  QCOMPARE(pane.Title(), entry.section(u'/', -1));
  const QStringList shown = pane.FactsText().split(u'\n');
  qsizetype at = 0;
  for (const QString &fact : facts) {
    while (at < shown.size() && !shown[at].startsWith(fact))
      ++at;
    QVERIFY2(at < shown.size(), qPrintable(fact + " not in: " + shown.join(" | ")));
  }
  // The parts of the pane the user sees.
  auto *pages = session.Find<QStackedWidget>("PreviewPages");
  QStringList parts;
  for (const char *part : {"PreviewPicture", "PreviewThumbnails", "PreviewText", "PreviewSound"})
    if (session.Find<QWidget>(part)->isVisibleTo(pages))
      parts << part;
  QCOMPARE(parts.join(u'+'), page == "none" ? QString() : page);
  QStringList shownThumbnails;
  for (const TThumbnail &thumbnail : pane.Preview().Thumbnails)
    shownThumbnails << QStringLiteral("%1 %2x%3")
                           .arg(thumbnail.Caption.section(u'\n', 0, 0))
                           .arg(thumbnail.Image.width())
                           .arg(thumbnail.Image.height());
  QCOMPARE(shownThumbnails, thumbnails);
  QCOMPARE(session.Find<QListWidget>("PreviewThumbnails")->count(), thumbnails.size());
  if (!firstLine.isEmpty())
    QVERIFY2(session.Find<QPlainTextEdit>("PreviewText")->toPlainText().startsWith(firstLine),
             qPrintable(session.Find<QPlainTextEdit>("PreviewText")->toPlainText()));
  if (pictureSize.isValid()) {
    const QImage &image = pane.Preview().Image;
    QCOMPARE(image.size(), pictureSize);
    if (entry == "gfx/pic.lmp") // index 5 through the ramp palette
      QCOMPARE(image.pixelColor(2, 1), QColor(5, 250, 2));
  }
  if (page == "PreviewSound")
    QVERIFY(session.Find<QWidget>("PreviewPlay")->isEnabled());
}

void PreviewPaneTest::ReadsOnlyWhatItShows_data() {
  QTest::addColumn<QString>("entry");
  QTest::addColumn<QByteArray>("bytes");   // the entry's first bytes; the rest reads as nothing
  QTest::addColumn<qint64>("size");        // the entry's size as the archive tells it
  QTest::addColumn<QString>("fact");       // a line the facts hold
  QTest::addColumn<qint64>("largestRead"); // the most bytes one read may ask for
  const qint64 huge = qint64{65} << 20;
  const QByteArray wadHeader = "WAD2" + Int32LE(3) + Int32LE(12);
  QTest::addRow("large wad") << "big.wad" << wadHeader << huge << "Its pictures are not shown" << qint64{12};
  QTest::addRow("large sprite") << "big.spr" << SmallSprite() << huge << "Its pictures are not shown" << qint64{36};
  // Two 8 x 4 skins and a megabyte of frames after them: the first skin only is read.
  const QByteArray model = SmallModel() + Int32LE(0) + QByteArray(32, '\x05') + Int32LE(0) + QByteArray(32, '\x06');
  QTest::addRow("model") << "big.mdl" << model + QByteArray(1 << 20, '\0') << qint64{model.size() + (1 << 20)}
                         << "The first skin is shown" << qint64{84 + 4 + 32};
  // A texture lump that claims 65 MiB of a larger map.
  QByteArray map = SmallMap();
  map.replace(4 + 2 * 8 + 4, 4, Int32LE(static_cast<qint32>(huge)));
  QTest::addRow("large sound") << "big.wav" << LoopingWave() << (qint64{257} << 20) << "Too large to play here"
                               << qint64{TextPreviewLimit};
  QTest::addRow("large texture lump") << "big.bsp" << map << huge * 2 << "Its pictures are not shown"
                                      << qint64{TextPreviewLimit};
}

void PreviewPaneTest::ReadsOnlyWhatItShows() {
  QFETCH(QString, entry);
  QFETCH(QByteArray, bytes);
  QFETCH(qint64, size);
  QFETCH(QString, fact);
  QFETCH(qint64, largestRead);
  const std::string held = bytes.toStdString();
  const TByteReader memory = MemoryReader(held);
  int64_t largest = 0;
  const TQuakePalette palette;
  TPreviewSource source{entry.toStdString(), size, 0, [&](int64_t offset, int64_t count) {
                          largest = std::max(largest, count);
                          return memory(offset, count);
                        },
                        &palette};
  const TPreview preview = BuildPreview(source);
  QVERIFY2(preview.Facts.join(u'|').contains(fact), qPrintable(preview.Facts.join(u'|')));
  QVERIFY2(largest <= largestRead, qPrintable(QString::number(largest)));
}

void PreviewPaneTest::DrawsThumbnailsSharpAtEachScale_data() {
  QTest::addColumn<QSize>("picture");
  QTest::addColumn<qreal>("ratio");
  QTest::addColumn<QSize>("devicePixels");
  QTest::addColumn<int>("block"); // device pixels a picture pixel, 0 when made smaller
  QTest::addRow("small at 1x") << QSize(8, 4) << 1.0 << QSize(64, 32) << 8;
  QTest::addRow("small at 2x") << QSize(8, 4) << 2.0 << QSize(128, 64) << 16;
  QTest::addRow("whole pixels only") << QSize(100, 50) << 2.0 << QSize(100, 50) << 1;
  QTest::addRow("large at 1x") << QSize(128, 128) << 1.0 << QSize(64, 64) << 0;
}

void PreviewPaneTest::DrawsThumbnailsSharpAtEachScale() {
  QFETCH(QSize, picture);
  QFETCH(qreal, ratio);
  QFETCH(QSize, devicePixels);
  QFETCH(int, block);
  // A checkerboard of red and blue pixels.
  QImage image(picture, QImage::Format_RGB32);
  for (int y = 0; y < picture.height(); ++y)
    for (int x = 0; x < picture.width(); ++x)
      image.setPixel(x, y, (x + y) % 2 == 0 ? qRgb(255, 0, 0) : qRgb(0, 0, 255));
  const QImage shown = ThumbnailShown(image, 64, ratio);
  QCOMPARE(shown.size(), devicePixels);
  QCOMPARE(shown.devicePixelRatio(), ratio);
  if (block > 0) {
    QCOMPARE(shown.pixel(block - 1, block - 1), qRgb(255, 0, 0));
    QCOMPARE(shown.pixel(block, block - 1), qRgb(0, 0, 255));
  }
}

void PreviewPaneTest::FollowsOnlyTheLastSelection() {
  TWindowSession session;
  session.Start();
  session.OpenFresh(session.Archive("mod.pak", {{"a.cfg", "first"}, {"b.cfg", "second"}, {"c.xyz", "third"}}));
  TPreviewPane &pane = *session.Main->Preview();
  // Three changes before the window draws again: only the last one is shown.
  session.Select({"a.cfg"});
  session.Select({"c.xyz"});
  session.Select({"b.cfg"});
  QVERIFY(pane.Pending());
  QTRY_VERIFY(!pane.Pending());
  QCOMPARE(pane.Title(), QStringLiteral("b.cfg"));
  QCOMPARE(session.Find<QPlainTextEdit>("PreviewText")->toPlainText(), QStringLiteral("second"));

  // Two entries selected, or none: the pane says so and reads nothing.
  session.Select({"a.cfg", "b.cfg"});
  QVERIFY(!pane.Pending());
  QCOMPARE(pane.Title(), QString());
  QCOMPARE(pane.FactsText(), QStringLiteral("Select one entry to see it here."));

  // The entry shown is renamed: the pane follows the change.
  session.Select({"b.cfg"});
  QTRY_VERIFY(!pane.Pending());
  TEntryListModel &model = session.Main->ListModel();
  QVERIFY(model.setData(model.index(session.RowOf("b.cfg"), 0), QStringLiteral("renamed.cfg")));
  QTRY_COMPARE(pane.Title(), QStringLiteral("renamed.cfg"));
  QCOMPARE(session.Find<QPlainTextEdit>("PreviewText")->toPlainText(), QStringLiteral("second"));
}

void PreviewPaneTest::KeepsItsShownStateAndWidth() {
  TWindowSession session;
  session.Settings->setValue(QStringLiteral("Window/Width"), 800);
  TMain *main = &session.Start();
  main->show();
  QVERIFY(QTest::qWaitForWindowExposed(main));
  QSplitter *splitter = main->PreviewSplitter();
  QVERIFY(main->Preview()->isVisible());
  QVERIFY(main->Actions().PreviewPane->isChecked());
  const int total = splitter->sizes().value(0) + splitter->sizes().value(1);
  splitter->setSizes({total - 300, 300});
  QCOMPARE(splitter->sizes().value(1), 300);

  session.Main.reset();
  QCOMPARE(session.Settings->value(QStringLiteral("Window/Preview Pane")).toString(), QStringLiteral("1"));
  QCOMPARE(session.Settings->value(QStringLiteral("Window/Preview Width")).toString(), QStringLiteral("300"));

  main = &session.Start();
  main->show();
  QVERIFY(QTest::qWaitForWindowExposed(main));
  QCOMPARE(main->PreviewSplitter()->sizes().value(1), 300);
  // Hidden from the View menu: kept hidden, with the width it had.
  main->Actions().PreviewPane->trigger();
  QVERIFY(main->Preview()->isHidden());
  session.Main.reset();
  QCOMPARE(session.Settings->value(QStringLiteral("Window/Preview Pane")).toString(), QStringLiteral("0"));
  QCOMPARE(session.Settings->value(QStringLiteral("Window/Preview Width")).toString(), QStringLiteral("300"));

  main = &session.Start();
  main->show();
  QVERIFY(QTest::qWaitForWindowExposed(main));
  QVERIFY(main->Preview()->isHidden());
  QVERIFY(!main->Actions().PreviewPane->isChecked());
  main->Actions().PreviewPane->trigger();
  QVERIFY(main->Preview()->isVisible());
  QCOMPARE(main->PreviewSplitter()->sizes().value(1), 300);
}

void PreviewPaneTest::KeysShowAndFocusThePane() {
  TWindowSession session;
  TMain &main = session.Start();
  main.show();
  QVERIFY(QTest::qWaitForWindowExposed(&main));
  session.OpenFresh(session.Archive("mod.pak", {{"a.cfg", "first"}}));
  session.Select({"a.cfg"});
  QCOMPARE(main.Actions().PreviewPane->shortcut(), QKeySequence(Qt::Key_F3));
  QCOMPARE(main.Actions().FocusPreview->shortcut(), QKeySequence(Qt::Key_F6));
  main.activateWindow();
  main.OneViewList()->setFocus();
  QTest::keyClick(main.OneViewList(), Qt::Key_F3);
  QVERIFY(main.Preview()->isHidden());
  // Going to the pane shows it again, the text ready for the keyboard.
  QTest::keyClick(main.OneViewList(), Qt::Key_F6);
  QVERIFY(main.Preview()->isVisible());
  QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(session.Find<QPlainTextEdit>("PreviewText")));
  QCOMPARE(session.Find<QPlainTextEdit>("PreviewText")->toPlainText(), QStringLiteral("first"));
}

void PreviewPaneTest::ShowsALongTextWholeAndNoMore() {
  // 40,000 numbered lines (about 450 KB), and a text of 2 MiB of which the first 1 MiB shows.
  QByteArray longText;
  for (int line = 0; line < 40000; ++line)
    longText += "line " + QByteArray::number(line) + "\n";
  const QByteArray huge(2 << 20, 'x');
  TWindowSession session;
  session.Start();
  session.OpenFresh(session.Archive("mod.pak", {{"long.txt", longText}, {"huge.txt", huge}, {"short.txt", "short"}}));
  auto *view = session.Find<QPlainTextEdit>("PreviewText");
  session.Select({"long.txt"});
  QTRY_COMPARE(view->toPlainText().size(), longText.size());
  QCOMPARE(view->toPlainText(), QString::fromLatin1(longText));
  session.Select({"huge.txt"});
  QTRY_COMPARE(view->toPlainText().size(), 1 << 20);
  QVERIFY(session.Main->Preview()->FactsText().contains(QStringLiteral("The first 1048576 bytes")) ||
          session.Main->Preview()->FactsText().contains(QStringLiteral("The first 1,048,576 bytes")));

  // Another entry while a long text is still coming in: nothing of it follows.
  session.Select({"long.txt"});
  QTRY_VERIFY(!session.Main->Preview()->Pending());
  QVERIFY(view->toPlainText().size() < longText.size());
  session.Select({"short.txt"});
  QTRY_VERIFY(!session.Main->Preview()->Pending());
  for (int turn = 0; turn < 20; ++turn)
    QCoreApplication::processEvents();
  QCOMPARE(view->toPlainText(), QStringLiteral("short"));
}

QTEST_MAIN(PreviewPaneTest)
#include "PreviewPaneTest.moc"
