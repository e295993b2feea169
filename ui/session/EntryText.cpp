// SPDX-License-Identifier: GPL-3.0-or-later
#include "EntryText.h"

#include "PakQuake.h"

#include <QFile>
#include <QStringDecoder>

QString EntryToDisplay(const std::string &name) {
  QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
  QString text = decoder.decode(QByteArrayView(name.data(), static_cast<qsizetype>(name.size())));
  if (!decoder.hasError())
    return text;
  return QString::fromLatin1(name.data(), static_cast<qsizetype>(name.size()));
}

std::string DisplayToEntry(const QString &text) { return text.toUtf8().toStdString(); }

QString PathToQ(const std::string &path) {
  return QFile::decodeName(QByteArray(path.data(), static_cast<qsizetype>(path.size())));
}

std::string PathFromQ(const QString &path) { return QFile::encodeName(path).toStdString(); }

QString PathDirectory(const QString &path) { return PathToQ(PathDirectory(PathFromQ(path))); }

QString AsciiLower(const QString &text) { return QString::fromStdString(AsciiLower(text.toStdString())); }

QString SafeCopyName(const std::string &fileName) {
  QString name;
  for (const char c : fileName) {
    const bool safe =
        (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' || c == '_' || c == '-';
    name += safe ? QChar::fromLatin1(c) : QChar(u'_');
  }
  if (name.startsWith(u'-') || name.startsWith(u'.'))
    name.prepend(u'_');
  return name;
}
