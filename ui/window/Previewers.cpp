// SPDX-License-Identifier: GPL-3.0-or-later
#include "Previewers.h"

#include "LumpPicture.h"
#include "TgaImage.h"
#include "Translations.h"

#include <QCoreApplication>
#include <QImageReader>
#include <QLocale>
#include <QMediaFormat>
#include <QStringDecoder>

#include <algorithm>
#include <exception>

namespace {

// The texts of the previews, translated in the pane's context.
class TPreviewText {
  Q_DECLARE_TR_FUNCTIONS(TPreviewPane)
};

// An image file larger than this is not decoded for a preview.
constexpr int64_t ImagePreviewLimit = int64_t{64} << 20;
// A sound is played from memory, whole: one larger than this is not offered.
constexpr int64_t SoundPlayLimit = int64_t{256} << 20;

std::string Extension(const std::string &name) {
  const size_t slash = name.find_last_of("/\\");
  const size_t dot = name.rfind('.');
  if (dot == std::string::npos || (slash != std::string::npos && dot < slash))
    return {};
  std::string extension = name.substr(dot + 1);
  std::transform(extension.begin(), extension.end(), extension.begin(),
                 [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c); });
  return extension;
}

QByteArray ReadAll(const TPreviewSource &source, int64_t limit) {
  return QByteArray::fromStdString(source.Read(0, std::min(source.Size, limit)));
}

QString Number(int64_t value) { return QLocale().toString(static_cast<qlonglong>(value)); }

QString PixelsText(int64_t width, int64_t height) {
  return TPreviewText::tr("%1 \u00d7 %2 pixels").arg(width).arg(height);
}

QString FirstUpper(const QString &sentence) { return sentence.left(1).toUpper() + sentence.mid(1); }

// The bytes of an entry a previewer could not make sense of, with why.
TPreview Refused(const TPreviewSource &source, const QString &kind, const QString &reason) {
  TPreview preview = PreviewBytes(source);
  preview.Kind = kind;
  preview.Facts.prepend(FirstUpper(reason));
  return preview;
}

TPreview PictureOf(const QString &kind, const QImage &image) {
  TPreview preview;
  preview.Page = TPreviewPage::Picture;
  preview.Kind = kind;
  preview.Image = image;
  preview.Facts << PixelsText(image.width(), image.height());
  return preview;
}

QString TooLargeText() {
  return TPreviewText::tr("Its pictures are not shown: it is larger than %1 MiB").arg(PicturesPreviewLimit >> 20);
}

// The findings of a reader among the facts: the first few, then how many more.
void AddFindings(TPreview &preview, const std::vector<std::string> &findings) {
  constexpr size_t Shown = 5;
  for (size_t i = 0; i < std::min(findings.size(), Shown); ++i)
    preview.Facts << FirstUpper(QString::fromStdString(findings[i]));
  if (findings.size() > Shown) {
    const auto more = static_cast<int>(findings.size() - Shown);
    preview.Facts << EnglishPlural(TPreviewText::tr("And %n more problem(s)", "", more), more);
  }
}

// Names inside the game's files are bytes, ASCII as the game's tools write them.
QString NameText(const std::string &name) { return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size())); }

QString BytesText(size_t count) { return TPreviewText::tr("%1 bytes").arg(Number(static_cast<int64_t>(count))); }

// A mip texture made small: the first of its levels that fits, so that only
// a large texture's smallest level is scaled. "{" textures see through 255.
QImage MiptexThumbnail(const QuakePictures::TMiptex &texture, const TQuakePalette &palette) {
  int level = 0;
  while (level + 1 < QuakePictures::MipLevels &&
         std::max(texture.Width >> level, texture.Height >> level) > ThumbnailSide)
    ++level;
  return ThumbnailImage(LumpPicture::IndicesToImage(texture.Level(level), palette, texture.Name.starts_with('{')));
}

QString KindText(const QuakeWad::TLump &lump, QuakeWad::TLumpKind kind) {
  switch (kind) {
  case QuakeWad::lkPalette:
    return TPreviewText::tr("Palette");
  case QuakeWad::lkPicture:
    return TPreviewText::tr("Picture");
  case QuakeWad::lkMiptex:
    return TPreviewText::tr("Mip texture");
  case QuakeWad::lkConchars:
    return TPreviewText::tr("Console font");
  case QuakeWad::lkOther:
    break;
  }
  if (lump.Type == QuakeWad::ltSound)
    return TPreviewText::tr("Sound");
  return TPreviewText::tr("Type 0x%1").arg(lump.Type, 2, 16, QLatin1Char('0'));
}

QImage PictureOfKind(const QuakeWad::TLump &lump, QuakeWad::TLumpKind kind, const TQuakePalette &palette,
                     QString *reason) {
  const LumpPicture::TLumpFile file = LumpPicture::LumpFileOfKind(kind);
  if (file == LumpPicture::lfNone) {
    if (reason != nullptr)
      *reason = lump.Compression != 0 ? TPreviewText::tr("it is compressed") : TPreviewText::tr("it is no picture");
    return {};
  }
  return LumpPicture::LumpFileToImage(QByteArray::fromStdString(lump.Data), file, palette, reason);
}

// The facts of a model's or a sprite's header: its version, the lines of
// its kind, and what is wrong with it last.
TPreview HeaderPreview(const QString &kind, int32_t version, const std::string &fault, const QStringList &lines) {
  TPreview preview;
  preview.Kind = kind;
  preview.Facts << TPreviewText::tr("Version: %1").arg(version) << lines;
  if (!fault.empty())
    preview.Facts << QString::fromStdString(fault);
  return preview;
}

void LimitPlaying(TPreview &preview, const TPreviewSource &source) {
  if (preview.Playable && source.Size > SoundPlayLimit) {
    preview.Playable = false;
    preview.Facts << TPreviewText::tr("Too large to play here (more than %1 MiB)").arg(SoundPlayLimit >> 20);
  }
}

// Text as it is, in UTF-8 when it is, else byte for byte (the game's own
// files are ASCII with the odd Latin-1 byte).
QString DecodeText(const QByteArray &bytes) {
  QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = utf8(bytes);
  if (utf8.hasError())
    text = QString::fromLatin1(bytes);
  return text;
}

const TPreviewerRow Previewers[] = {
    {fkLump, "", PreviewPicture},
    {fkPalette, "", PreviewPalette},
    {fkColormap, "", PreviewColormap},
    {fkTarga, "", PreviewImage},
    {fkConfig, "", PreviewText},
    {fkScript, "", PreviewText},
    {fkQuakeC, "", PreviewText},
    {fkText, "", PreviewText},
    {fkMapSource, "", PreviewText},
    {fkShader, "", PreviewText},
    {fkSkin, "", PreviewText},
    {fkUnknown, "def", PreviewText},
    {fkWave, "", PreviewWave},
    {fkOgg, "", PreviewOgg},
    {fkMap, "", PreviewMap},
    {fkModel, "", PreviewModel},
    {fkSprite, "", PreviewSprite},
    {fkWad, "", PreviewWad},
    {fkUnknown, "mip", PreviewMiptex},
    {fkUnknown, "raw", PreviewConchars},
};

} // namespace

std::span<const TPreviewerRow> PreviewerTable() { return Previewers; }

TPreviewer PreviewerFor(const std::string &name) {
  const TFileKind kind = FileKindOf(name);
  const std::string extension = Extension(name);
  for (const TPreviewerRow &row : Previewers) {
    if (row.Kind != fkUnknown ? row.Kind == kind : kind == fkUnknown && !extension.empty() &&
                                                      std::ranges::count(KindWords(row.Extensions), extension) != 0)
      return row.Previewer;
  }
  if (!extension.empty() && QImageReader::supportedImageFormats().contains(QByteArray::fromStdString(extension)))
    return PreviewImage;
  return PreviewBytes;
}

TPreview BuildPreview(const TPreviewSource &source) {
  TPreview preview;
  try {
    preview = (source.Previewer != nullptr ? source.Previewer : PreviewerFor(source.Name))(source);
  } catch (const std::exception &e) {
    preview = TPreview();
    preview.Facts << TPreviewText::tr("The entry cannot be read: %1").arg(QString::fromLocal8Bit(e.what()));
  }
  preview.Facts << TPreviewText::tr("Size: %1 bytes").arg(Number(source.Size))
                << TPreviewText::tr("Position: %1").arg(Number(source.Position));
  return preview;
}

QString HexDump(const std::string &bytes, int64_t offset) {
  constexpr size_t PerLine = 16;
  QString text;
  for (size_t line = 0; line < bytes.size(); line += PerLine) {
    QString hex, characters;
    for (size_t i = line; i < line + PerLine; ++i) {
      if (i < bytes.size()) {
        const auto byte = static_cast<unsigned char>(bytes[i]);
        hex += QStringLiteral("%1 ").arg(byte, 2, 16, QLatin1Char('0'));
        characters += byte >= 0x20 && byte < 0x7F ? QChar(byte) : QLatin1Char('.');
      } else {
        hex += QStringLiteral("   ");
      }
      if (i == line + PerLine / 2 - 1)
        hex += u' ';
    }
    text += QStringLiteral("%1  %2 %3\n")
                .arg(static_cast<qulonglong>(offset) + line, 8, 16, QLatin1Char('0'))
                .arg(hex, characters);
  }
  return text;
}

TPreview PreviewBytes(const TPreviewSource &source) {
  TPreview preview;
  preview.Page = TPreviewPage::Text;
  const std::string extension = Extension(source.Name);
  preview.Kind = extension.empty() ? TPreviewText::tr("File")
                                   : TPreviewText::tr("%1 file").arg(QString::fromStdString(extension).toUpper());
  preview.Text = HexDump(source.Read(0, std::min(source.Size, HexPreviewBytes)));
  const auto shown = static_cast<int>(std::min(source.Size, HexPreviewBytes));
  preview.Facts << EnglishPlural(TPreviewText::tr("The first %n byte(s) in hexadecimal", "", shown), shown);
  return preview;
}

TPreview PreviewPicture(const TPreviewSource &source) {
  const QString kind = TPreviewText::tr("Picture lump");
  // The header first: only the pixels it names are read. A header cut short
  // counts as the whole entry.
  unsigned char header[PakFormat::PictureHeaderSize] = {};
  const std::string head = source.Read(0, PakFormat::PictureHeaderSize);
  std::copy(head.begin(), head.end(), header);
  const auto headSize = static_cast<int64_t>(head.size());
  const TPictureLayout layout = ReadPictureLayout(header, headSize < PakFormat::PictureHeaderSize ? headSize : source.Size);
  // No picture lump, but of the console font's size: the raw font, as gfx.wad holds it.
  if (layout.Fault != pfNone && source.Size == static_cast<int64_t>(QuakePictures::ConcharsSize))
    return PreviewConchars(source);
  if (layout.Fault != pfNone)
    return Refused(source, kind, QString::fromStdString(layout.Reason));
  const QByteArray lump = ReadAll(source, layout.IndexOffset + layout.PixelCount());
  QString reason;
  const QImage image = LumpPicture::LumpToImage(lump, *source.Palette, &reason);
  if (image.isNull())
    return Refused(source, kind, reason);
  return PictureOf(kind, image);
}

TPreview PreviewLump(const TPreviewSource &source) {
  // The extension says the lump's type (QuakeWad::LumpFileName); the rest is
  // the preview of the lump itself.
  QuakeWad::TLump lump;
  if (source.Size > ImagePreviewLimit || !QuakeWad::LumpOfFileName(source.Name, lump.Name, lump.Type))
    return PreviewBytes(source);
  lump.Data = source.Read(0, source.Size);
  return PreviewLump(lump, *source.Palette);
}

TPreview PreviewPalette(const TPreviewSource &source) {
  const QString kind = TPreviewText::tr("Palette");
  QString reason;
  const QImage image = LumpPicture::PaletteToImage(ReadAll(source, PakFormat::PaletteSize), &reason);
  if (image.isNull())
    return Refused(source, kind, reason);
  TPreview preview = PictureOf(kind, image);
  preview.Facts = QStringList{EnglishPlural(TPreviewText::tr("%n colour(s)", "", image.width() * image.height()), image.width() * image.height())};
  return preview;
}

TPreview PreviewColormap(const TPreviewSource &source) {
  const QString kind = TPreviewText::tr("Colour map");
  constexpr int64_t ColormapBytes = 64 * 256;
  QString reason;
  const QImage image = LumpPicture::ColormapToImage(ReadAll(source, ColormapBytes), *source.Palette, &reason);
  if (image.isNull())
    return Refused(source, kind, reason);
  TPreview preview = PictureOf(kind, image);
  preview.Facts = QStringList{EnglishPlural(TPreviewText::tr("%n light level(s) of 256 colours", "", image.height()), image.height())};
  return preview;
}

TPreview PreviewImage(const TPreviewSource &source) {
  const QString extension = QString::fromStdString(Extension(source.Name)).toUpper();
  const QString kind = TPreviewText::tr("%1 image").arg(extension);
  if (source.Size > ImagePreviewLimit)
    return Refused(source, kind, TPreviewText::tr("too large to preview"));
  const QByteArray bytes = ReadAll(source, ImagePreviewLimit);
  QString reason;
  QImage image;
  if (TgaImage::IsTgaFileName(QString::fromStdString(source.Name)))
    image = TgaImage::TgaToImage(bytes, &reason);
  if (image.isNull())
    image = QImage::fromData(bytes);
  if (image.isNull())
    return Refused(source, kind, reason.isEmpty() ? TPreviewText::tr("the image cannot be read") : reason);
  return PictureOf(kind, image);
}

TPreview PreviewText(const TPreviewSource &source) {
  TPreview preview;
  preview.Page = TPreviewPage::Text;
  const std::string extension = Extension(source.Name);
  preview.Kind = TPreviewText::tr("Text (%1)").arg(QString::fromStdString(extension));
  preview.Text = DecodeText(ReadAll(source, TextPreviewLimit));
  if (source.Size > TextPreviewLimit)
    preview.Facts << TPreviewText::tr("The first %1 bytes").arg(Number(TextPreviewLimit));
  return preview;
}

TPreview PreviewWave(const TPreviewSource &source) {
  const TWaveInfo info = ReadWaveInfo(source.Read, source.Size);
  TPreview preview;
  preview.Page = TPreviewPage::Sound;
  preview.Kind = TPreviewText::tr("Wave sound");
  if (info.Channels > 0 && info.Rate > 0) {
    preview.Facts << TPreviewText::tr("Length: %1 s").arg(QLocale().toString(info.Seconds(), 'f', 2))
                  << TPreviewText::tr("Rate: %1 Hz").arg(info.Rate)
                  << (info.Channels == 1 ? TPreviewText::tr("Channels: 1 (mono)")
                                         : TPreviewText::tr("Channels: %1").arg(info.Channels))
                  << TPreviewText::tr("Bits per sample: %1").arg(info.BitsPerSample);
  }
  if (info.LoopStart >= 0)
    preview.Facts << TPreviewText::tr("Loops from sample %1").arg(Number(info.LoopStart));
  else if (info.Fault.empty())
    preview.Facts << TPreviewText::tr("Does not loop");
  if (info.LoopLength >= 0)
    preview.Facts << TPreviewText::tr("Loop length: %1 samples").arg(Number(info.LoopLength));
  if (!info.Fault.empty())
    preview.Facts << TPreviewText::tr("The game cannot play it: %1").arg(QString::fromStdString(info.Fault));
  // Qt plays what the game would not (another format, a long loop) as well.
  preview.Playable = info.Channels > 0 && info.DataSize > 0;
  LimitPlaying(preview, source);
  return preview;
}

TPreview PreviewOgg(const TPreviewSource &source) {
  TPreview preview;
  preview.Page = TPreviewPage::Sound;
  preview.Kind = TPreviewText::tr("Ogg Vorbis sound");
  preview.Playable = source.Read(0, 4) == "OggS" &&
                     QMediaFormat().supportedFileFormats(QMediaFormat::Decode).contains(QMediaFormat::Ogg);
  if (!preview.Playable)
    preview.Facts << TPreviewText::tr("Qt Multimedia cannot play it here");
  LimitPlaying(preview, source);
  return preview;
}

TPreview PreviewMap(const TPreviewSource &source) {
  const TMapFacts facts = ReadMapFacts(source.Read, source.Size);
  const QString kind = TPreviewText::tr("Map");
  if (!facts.Fault.empty())
    return Refused(source, kind, QString::fromStdString(facts.Fault));
  TPreview preview;
  preview.Page = TPreviewPage::Text;
  preview.Kind = kind;
  preview.Facts << TPreviewText::tr("Version: %1").arg(QString::fromStdString(facts.Version))
                << TPreviewText::tr("Textures: %1").arg(Number(facts.Textures))
                << TPreviewText::tr("Models: %1").arg(Number(facts.Models))
                << TPreviewText::tr("Faces: %1").arg(Number(facts.Faces))
                << TPreviewText::tr("Vertices: %1").arg(Number(facts.Vertices));
  for (const std::string &finding : facts.Findings)
    preview.Facts << QString::fromStdString(finding);
  // The entity text, as far as a text preview goes; it ends at its zero byte.
  QByteArray entities =
      QByteArray::fromStdString(source.Read(facts.EntitiesOffset, std::min(facts.EntitiesSize, TextPreviewLimit)));
  if (const qsizetype end = entities.indexOf('\0'); end >= 0)
    entities.truncate(end);
  preview.Text = DecodeText(entities);
  // The textures, from the texture lump alone.
  if (facts.TexturesSize > PicturesPreviewLimit) {
    preview.Facts << TooLargeText();
  } else if (facts.TexturesSize > 0) {
    const QuakePictures::TMapTextures textures =
        QuakePictures::ReadTextureLump(source.Read(facts.TexturesOffset, facts.TexturesSize), facts.TexturesOffset);
    AddFindings(preview, textures.Findings);
    for (const QuakePictures::TMapTexture &texture : textures.Textures) {
      if (preview.Thumbnails.size() == MaxThumbnails)
        break;
      const QString name = NameText(texture.Texture.Name);
      const QString pixels = PixelsText(texture.Texture.Width, texture.Texture.Height);
      preview.Thumbnails.push_back({MiptexThumbnail(texture.Texture, *source.Palette), name + u'\n' + pixels,
                                    TPreviewText::tr("Texture %1: %2, %3").arg(texture.Slot).arg(name, pixels)});
    }
    if (!preview.Thumbnails.empty())
      preview.Page = TPreviewPage::Thumbnails;
  }
  return preview;
}

TPreview PreviewModel(const TPreviewSource &source) {
  const TModelFacts facts = ReadModelFacts(source.Read, source.Size);
  const QString kind = TPreviewText::tr("Model");
  if (facts.Version == 0)
    return Refused(source, kind, QString::fromStdString(facts.Fault));
  TPreview preview = HeaderPreview(
      kind, facts.Version, facts.Fault,
      {TPreviewText::tr("Frames: %1").arg(facts.Frames),
       TPreviewText::tr("Skins: %1 of %2").arg(facts.Skins).arg(PixelsText(facts.SkinWidth, facts.SkinHeight)),
       TPreviewText::tr("Vertices: %1").arg(Number(facts.Vertices)),
       TPreviewText::tr("Triangles: %1").arg(Number(facts.Triangles))});
  if (facts.Version != ModelVersion || facts.Skins <= 0)
    return preview;
  // The first skin only: read up to its end (after a group's count and intervals).
  const std::string group = source.Read(ModelHeaderSize, 8);
  int64_t end = ModelHeaderSize + 4 + int64_t{std::max(facts.SkinWidth, 0)} * std::max(facts.SkinHeight, 0);
  if (group.size() == 8 && QuakeBytes::Int32At(group, 0) != 0)
    end += 4 + 4 * int64_t{std::max(QuakeBytes::Int32At(group, 4), 0)};
  const TBytes head = source.Read(0, std::min({end, source.Size, PicturesPreviewLimit}));
  const QuakePictures::TPlacedPictures skins = QuakePictures::ModelSkins(head);
  if (skins.Pictures.empty()) {
    if (!skins.Findings.empty())
      preview.Facts << FirstUpper(QString::fromStdString(skins.Findings.front()));
    return preview;
  }
  preview.Page = TPreviewPage::Picture;
  preview.Image = LumpPicture::IndicesToImage(QuakePictures::PictureAt(head, skins.Pictures.front()), *source.Palette, false);
  preview.Facts << TPreviewText::tr("The first skin is shown");
  return preview;
}

TPreview PreviewSprite(const TPreviewSource &source) {
  const TSpriteFacts facts = ReadSpriteFacts(source.Read, source.Size);
  const QString kind = TPreviewText::tr("Sprite");
  if (facts.Version == 0)
    return Refused(source, kind, QString::fromStdString(facts.Fault));
  TPreview preview = HeaderPreview(kind, facts.Version, facts.Fault,
                                   {TPreviewText::tr("Frames: %1").arg(facts.Frames),
                                    TPreviewText::tr("Largest frame: %1").arg(PixelsText(facts.Width, facts.Height))});
  if (facts.Version != SpriteVersion || facts.Frames <= 0)
    return preview;
  if (source.Size > PicturesPreviewLimit) {
    preview.Facts << TooLargeText();
    return preview;
  }
  // The frames lie one after another, each with its own size: the sprite is read whole.
  const TBytes bytes = source.Read(0, source.Size);
  const QuakePictures::TPlacedPictures frames = QuakePictures::SpriteFrames(bytes);
  AddFindings(preview, frames.Findings);
  for (const QuakePictures::TPlacedPicture &frame : frames.Pictures) {
    if (preview.Thumbnails.size() == MaxThumbnails)
      break;
    const QString pixels = PixelsText(frame.Width, frame.Height);
    const QString label = QString::fromStdString(frame.Label);
    preview.Thumbnails.push_back(
        {ThumbnailImage(LumpPicture::IndicesToImage(QuakePictures::PictureAt(bytes, frame), *source.Palette, true)),
         label + u'\n' + pixels, label + QStringLiteral(", ") + pixels});
  }
  if (!preview.Thumbnails.empty())
    preview.Page = TPreviewPage::Thumbnails;
  return preview;
}

TPreview PreviewWad(const TPreviewSource &source) {
  const QString kind = TPreviewText::tr("WAD file");
  if (source.Size > PicturesPreviewLimit) {
    const std::string head = source.Read(0, QuakeWad::HeaderSize);
    if (head.size() < QuakeWad::HeaderSize || !QuakeWad::IsWad(head))
      return Refused(source, kind, TPreviewText::tr("it is no WAD2 file"));
    TPreview preview;
    preview.Kind = kind;
    const int count = std::max(QuakeBytes::Int32At(head, 4), 0);
    preview.Facts << EnglishPlural(TPreviewText::tr("%n lump(s)", "", count), count) << TooLargeText();
    return preview;
  }
  QuakeWad::TWad wad;
  std::vector<std::string> findings;
  if (!QuakeWad::ReadWad(source.Read(0, source.Size), wad, findings))
    return Refused(source, kind, QString::fromStdString(findings.front()));
  TPreview preview;
  preview.Kind = kind;
  const auto count = static_cast<int>(wad.Lumps.size());
  preview.Facts << EnglishPlural(TPreviewText::tr("%n lump(s)", "", count), count);
  AddFindings(preview, findings);
  if (count > MaxThumbnails)
    preview.Facts << TPreviewText::tr("The first %1 are shown").arg(Number(MaxThumbnails));
  for (const QuakeWad::TLump &lump : wad.Lumps) {
    if (preview.Thumbnails.size() == MaxThumbnails)
      break;
    preview.Thumbnails.push_back(ThumbnailOfLump(lump, *source.Palette));
  }
  if (!preview.Thumbnails.empty())
    preview.Page = TPreviewPage::Thumbnails;
  return preview;
}

TPreview PreviewMiptex(const TPreviewSource &source) {
  const QString kind = TPreviewText::tr("Mip texture");
  if (source.Size > PicturesPreviewLimit)
    return Refused(source, kind, TPreviewText::tr("too large to preview"));
  QuakePictures::TMiptex texture;
  std::string reason;
  if (!QuakePictures::ReadMiptex(source.Read(0, source.Size), texture, reason))
    return Refused(source, kind, QString::fromStdString(reason));
  TPreview preview = PictureOf(
      kind, LumpPicture::IndicesToImage(texture.Level(0), *source.Palette, texture.Name.starts_with('{')));
  preview.Facts << TPreviewText::tr("Name: %1").arg(NameText(texture.Name));
  return preview;
}

TPreview PreviewConchars(const TPreviewSource &source) {
  // Any other raw file is only bytes.
  if (source.Size != static_cast<int64_t>(QuakePictures::ConcharsSize))
    return PreviewBytes(source);
  const QuakePictures::TPicture font{QuakePictures::ConcharsSide, QuakePictures::ConcharsSide,
                                     source.Read(0, source.Size)};
  if (font.Indices.size() != QuakePictures::ConcharsSize)
    return PreviewBytes(source);
  return PictureOf(TPreviewText::tr("Console font"), LumpPicture::IndicesToImage(font, *source.Palette, false));
}

QString LumpKindText(const QuakeWad::TLump &lump) { return KindText(lump, QuakeWad::KindOfLump(lump)); }

QImage PictureOfLump(const QuakeWad::TLump &lump, const TQuakePalette &palette, QString *reason) {
  return PictureOfKind(lump, QuakeWad::KindOfLump(lump), palette, reason);
}

TPreview PreviewLump(const QuakeWad::TLump &lump, const TQuakePalette &palette) {
  const QuakeWad::TLumpKind kind = QuakeWad::KindOfLump(lump);
  QString reason;
  const QImage image = PictureOfKind(lump, kind, palette, &reason);
  if (!image.isNull())
    return PictureOf(KindText(lump, kind), image);
  TPreview preview;
  preview.Page = TPreviewPage::Text;
  preview.Kind = KindText(lump, kind);
  const auto shown = static_cast<int>(std::min(lump.Data.size(), static_cast<size_t>(HexPreviewBytes)));
  preview.Text = HexDump(lump.Data.substr(0, static_cast<size_t>(shown)));
  if (LumpPicture::LumpFileOfKind(kind) != LumpPicture::lfNone || lump.Type == QuakeWad::ltPicture)
    preview.Facts << FirstUpper(reason);
  preview.Facts << EnglishPlural(TPreviewText::tr("The first %n byte(s) in hexadecimal", "", shown), shown);
  return preview;
}

TThumbnail ThumbnailOfLump(const QuakeWad::TLump &lump, const TQuakePalette &palette) {
  QuakePictures::TMiptex texture;
  const QuakeWad::TLumpKind kind = QuakeWad::KindOfLump(lump, &texture);
  const QString name = NameText(lump.Name);
  const QString kindText = KindText(lump, kind);
  TThumbnail item;
  item.Caption = name + u'\n' + kindText + u'\n' + BytesText(lump.Data.size());
  QStringList details{name, kindText};
  QString reason;
  if (kind == QuakeWad::lkMiptex) {
    item.Image = MiptexThumbnail(texture, palette);
    details << PixelsText(texture.Width, texture.Height);
  } else if (const QImage image = PictureOfKind(lump, kind, palette, &reason); !image.isNull()) {
    item.Image = ThumbnailImage(image);
    details << PixelsText(image.width(), image.height());
  } else if (LumpPicture::LumpFileOfKind(kind) != LumpPicture::lfNone) {
    details << reason;
  }
  details << BytesText(lump.Data.size());
  item.Details = details.join(QStringLiteral(", "));
  return item;
}

QImage ThumbnailImage(const QImage &image) {
  if (image.width() <= ThumbnailSide && image.height() <= ThumbnailSide)
    return image;
  return image.scaled(ThumbnailSide, ThumbnailSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
}
