// SPDX-License-Identifier: GPL-3.0-or-later
// Where a Quake installation usually is on a Linux desktop: the search a
// first start makes when no Quake directory is set.
#pragma once

#include <QString>
#include <QStringList>

// The folders outside the home folder that hold an installed game's data
// (Debian's game data location).
QStringList SystemQuakeFolders();

// The first folder that holds a Quake installation (id1/pak0.pak in any letter
// case, a PAK file), looked for under home first: ~/.quake,
// ~/.local/share/quake, then the Steam libraries of the native, the ~/.steam
// and the Flatpak Steam folders (each folder itself and those its
// steamapps/libraryfolders.vdf names), in steamapps/common/Quake and its
// "rerelease" folder; then systemFolders. Empty when none does.
QString FindQuakeInstallation(const QString &home, const QStringList &systemFolders);
