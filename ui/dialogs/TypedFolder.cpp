// SPDX-License-Identifier: GPL-3.0-or-later
#include "TypedFolder.h"

#include <QCoreApplication>
#include <QDir>

std::optional<QString> TypedFolder(const QString &text) {
  if (text.isEmpty() || text.startsWith(QLatin1Char('/')))
    return text;
  if (text == QLatin1String("~"))
    return QDir::homePath() + QLatin1Char('/');
  if (text.startsWith(QLatin1String("~/")))
    return QDir::homePath() + text.mid(1);
  return std::nullopt;
}

QString RelativeFolderMessage() {
  return QCoreApplication::translate("TypedFolder", "Please type the folder's full path, starting with / or ~/.");
}
