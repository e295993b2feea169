// SPDX-License-Identifier: GPL-3.0-or-later
#include "QuakeSearch.h"

#include "EntryText.h"
#include "PakQuake.h"

#include <QDir>
#include <QFile>
#include <QRegularExpression>

namespace {

// The library folders a Steam folder's libraryfolders.vdf names: each
// "path" value, its backslashes escaped as the file's text format has them.
QStringList SteamLibraries(const QString &steamFolder) {
  QFile file(steamFolder + QStringLiteral("/steamapps/libraryfolders.vdf"));
  if (!file.open(QIODevice::ReadOnly))
    return {};
  static const QRegularExpression pathValue(QStringLiteral(R"re("path"\s+"((?:[^"\\]|\\.)*)")re"),
                                            QRegularExpression::CaseInsensitiveOption);
  QStringList libraries;
  const QString text = QString::fromUtf8(file.readAll());
  for (const QRegularExpressionMatch &match : pathValue.globalMatch(text)) {
    QString path = match.captured(1);
    path.replace(QRegularExpression(QStringLiteral(R"(\\(.))")), QStringLiteral("\\1"));
    libraries << path;
  }
  return libraries;
}

} // namespace

QStringList SystemQuakeFolders() { return {QStringLiteral("/usr/share/games/quake")}; }

QString FindQuakeInstallation(const QString &home, const QStringList &systemFolders) {
  QStringList candidates = {home + QStringLiteral("/.quake"), home + QStringLiteral("/.local/share/quake")};
  const QString steamFolders[] = {home + QStringLiteral("/.local/share/Steam"), home + QStringLiteral("/.steam/steam"),
                                  home + QStringLiteral("/.var/app/com.valvesoftware.Steam/.local/share/Steam")};
  for (const QString &steam : steamFolders) {
    for (const QString &library : QStringList(steam) + SteamLibraries(steam)) {
      const QString game = library + QStringLiteral("/steamapps/common/Quake");
      candidates << game << game + QStringLiteral("/rerelease");
    }
  }
  candidates << systemFolders;
  for (const QString &candidate : candidates)
    if (TQuakePak::IsQuakeDirectory(PathFromQ(candidate)))
      return QDir::cleanPath(candidate);
  return {};
}
