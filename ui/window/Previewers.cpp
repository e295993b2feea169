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

// The bytes of an entry a previewer could not make sense of, with why.
TPreview Refused(const TPreviewSource &source, const QString &kind, const QString &reason) {
  TPreview preview = PreviewBytes(source);
  preview.Kind = kind;
  preview.Facts.prepend(reason.left(1).toUpper() + reason.mid(1));
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
    {fkUnknown, "mip", PreviewLump},
    {fkWave, "", PreviewWave},
    {fkOgg, "", PreviewOgg},
    {fkMap, "", PreviewMap},
    {fkModel, "", PreviewModel},
    {fkSprite, "", PreviewSprite},
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
  const LumpPicture::TLumpFile kind = LumpPicture::LumpFileOf(QString::fromStdString(source.Name));
  QString kindText;
  switch (kind) {
  case LumpPicture::lfPicture:
    kindText = TPreviewText::tr("Picture");
    break;
  case LumpPicture::lfPalette:
    kindText = TPreviewText::tr("Palette");
    break;
  case LumpPicture::lfMiptex:
    kindText = TPreviewText::tr("Mip texture");
    break;
  case LumpPicture::lfConchars:
    kindText = TPreviewText::tr("Console font");
    break;
  case LumpPicture::lfNone:
    return PreviewBytes(source);
  }
  QString reason;
  const QImage image = LumpPicture::LumpFileToImage(ReadAll(source, ImagePreviewLimit), kind, *source.Palette, &reason);
  if (image.isNull())
    return Refused(source, kindText, reason);
  return PictureOf(kindText, image);
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
  return preview;
}

TPreview PreviewModel(const TPreviewSource &source) {
  const TModelFacts facts = ReadModelFacts(source.Read, source.Size);
  const QString kind = TPreviewText::tr("Model");
  if (facts.Version == 0)
    return Refused(source, kind, QString::fromStdString(facts.Fault));
  TPreview preview;
  preview.Kind = kind;
  preview.Facts << TPreviewText::tr("Version: %1").arg(facts.Version)
                << TPreviewText::tr("Frames: %1").arg(facts.Frames)
                << TPreviewText::tr("Skins: %1 of %2").arg(facts.Skins).arg(PixelsText(facts.SkinWidth, facts.SkinHeight))
                << TPreviewText::tr("Vertices: %1").arg(Number(facts.Vertices))
                << TPreviewText::tr("Triangles: %1").arg(Number(facts.Triangles));
  if (!facts.Fault.empty())
    preview.Facts << QString::fromStdString(facts.Fault);
  return preview;
}

TPreview PreviewSprite(const TPreviewSource &source) {
  const TSpriteFacts facts = ReadSpriteFacts(source.Read, source.Size);
  const QString kind = TPreviewText::tr("Sprite");
  if (facts.Version == 0)
    return Refused(source, kind, QString::fromStdString(facts.Fault));
  TPreview preview;
  preview.Kind = kind;
  preview.Facts << TPreviewText::tr("Version: %1").arg(facts.Version)
                << TPreviewText::tr("Frames: %1").arg(facts.Frames)
                << TPreviewText::tr("Largest frame: %1").arg(PixelsText(facts.Width, facts.Height));
  if (!facts.Fault.empty())
    preview.Facts << QString::fromStdString(facts.Fault);
  return preview;
}
