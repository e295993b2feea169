// SPDX-License-Identifier: GPL-3.0-or-later
// What the preview pane shows of one entry, made by one previewer per kind of
// entry. A previewer is a plain function from the entry (its name, size,
// position, and a reader that hands out only the bytes asked for) to a
// TPreview: the page to show and its content. It reads only what it shows.
// Which previewer takes an entry is one table (PreviewerTable): a new kind of
// preview is one function and one row there.
#pragma once

#include "PakKinds.h"
#include "PakLumps.h"
#include "PakMedia.h"
#include "QuakePictures.h"
#include "QuakeWad.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

struct TPreviewSource;
struct TPreview;
using TPreviewer = TPreview (*)(const TPreviewSource &source);

struct TPreviewSource {
  std::string Name; // the entry's stored name
  int64_t Size = 0;
  int64_t Position = 0;
  // Bounded reads of the entry's bytes; may raise (an archive changed on disk).
  TByteReader Read;
  const TQuakePalette *Palette = nullptr; // the game palette; black while none is loaded
  // Set: makes the preview, whatever the name (a lump of a WAD is no entry); else the table's choice.
  TPreviewer Previewer = nullptr;
};

enum class TPreviewPage { Facts, Picture, Text, Sound, Thumbnails };

// One picture of a list of them: a WAD's lumps, a map's textures, a sprite's frames.
struct TThumbnail {
  QImage Image;    // at most ThumbnailSide pixels a side; null for a lump that is no picture
  QString Caption; // the name, then on the next lines what it is (a lump's kind and bytes, a picture's size)
  QString Details; // the whole story in a line: kind, size in pixels and in bytes
};

struct TPreview {
  TPreviewPage Page = TPreviewPage::Facts;
  QString Kind;      // what the entry is, as the user reads it: "Picture lump"
  QStringList Facts; // one line each: "320 × 200 pixels", "Rate: 11025 Hz"
  QImage Image;      // the Picture page's picture, at one pixel a pixel
  QString Text;      // the Text page's text (a text file, a map's entities, hexadecimal bytes)
  // The Thumbnails page's pictures; its Text, when there is one, shows below them.
  std::vector<TThumbnail> Thumbnails;
  bool Playable = false; // the Sound page offers Play
};

// One row of the table: entries of Kind (when not fkUnknown), or else of one
// of the Extensions (lower case, space-separated), go to Previewer.
struct TPreviewerRow {
  TFileKind Kind;
  std::string_view Extensions;
  TPreviewer Previewer;
};
std::span<const TPreviewerRow> PreviewerTable();

// The previewer of an entry name: the table's row for its kind or
// extension; else, for an image format Qt reads, PreviewImage; else PreviewBytes.
TPreviewer PreviewerFor(const std::string &name);

// The preview of an entry: its previewer's, then the entry's size and
// position; a read that fails shows its reason.
TPreview BuildPreview(const TPreviewSource &source);

// The most a text preview shows, and the bytes shown in hexadecimal.
inline constexpr int64_t TextPreviewLimit = int64_t{1} << 20;
inline constexpr int64_t HexPreviewBytes = 256;
// The most a WAD, a map's texture lump, a sprite or a mip texture is read for
// its pictures; a larger one shows its facts only.
inline constexpr int64_t PicturesPreviewLimit = int64_t{64} << 20;
// A thumbnail's longest side in pixels (64 logical pixels at twice the
// density), and the most a list shows.
inline constexpr int ThumbnailSide = 128;
inline constexpr int MaxThumbnails = 4096;

// The previewers of the table, each usable on its own.
TPreview PreviewPicture(const TPreviewSource &source);  // picture lumps
TPreview PreviewPalette(const TPreviewSource &source);  // palette.lmp as 16 x 16 swatches
TPreview PreviewColormap(const TPreviewSource &source); // colormap.lmp, a row a light level
TPreview PreviewImage(const TPreviewSource &source);    // PNG, TGA, JPEG and what else Qt reads
TPreview PreviewText(const TPreviewSource &source);     // the first TextPreviewLimit bytes
TPreview PreviewWave(const TPreviewSource &source);
TPreview PreviewOgg(const TPreviewSource &source);
TPreview PreviewMap(const TPreviewSource &source);
TPreview PreviewModel(const TPreviewSource &source);
TPreview PreviewSprite(const TPreviewSource &source);  // the frames as thumbnails
TPreview PreviewWad(const TPreviewSource &source);     // the lumps as thumbnails
TPreview PreviewMiptex(const TPreviewSource &source);  // a .mip file: its first level
TPreview PreviewConchars(const TPreviewSource &source); // the 128 x 128 console font
// A lump of a WAD shown on its own, its type told by the extension of its
// file name (QuakeWad::LumpFileName): the source's Previewer for a lump.
TPreview PreviewLump(const TPreviewSource &source);
TPreview PreviewBytes(const TPreviewSource &source); // kind, size, position and the first bytes in hexadecimal

// One lump of a WAD, usable wherever a lump is shown on its own.
// What the lump is, as the user reads it: "Picture", "Mip texture", "Type 0x43".
QString LumpKindText(const QuakeWad::TLump &lump);
// The lump's picture at one pixel a pixel (a mip texture's first level), or a
// null image and, in *reason, why not (no picture kind, damaged).
QImage PictureOfLump(const QuakeWad::TLump &lump, const TQuakePalette &palette, QString *reason = nullptr);
// The preview of the lump alone: its picture, else its bytes in hexadecimal.
TPreview PreviewLump(const QuakeWad::TLump &lump, const TQuakePalette &palette);
// The lump as an item of a list: its picture made small (a mip texture's
// level that fits), its name, kind and size.
TThumbnail ThumbnailOfLump(const QuakeWad::TLump &lump, const TQuakePalette &palette);
// An image made to fit ThumbnailSide (smoothly smaller; never larger).
QImage ThumbnailImage(const QImage &image);

// The hexadecimal view of bytes that start at offset: 16 a line, the offset
// first, the printable characters after.
QString HexDump(const std::string &bytes, int64_t offset = 0);
