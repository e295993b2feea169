// SPDX-License-Identifier: GPL-3.0-or-later
// Folders the user types: "~" and "~/..." name the home folder, as in a
// shell; any other path must be a full one, since a relative path would land
// wherever the program happened to be started.
#pragma once

#include <QString>
#include <optional>

// The folder text stands for; empty text stays empty. None for a relative path.
std::optional<QString> TypedFolder(const QString &text);
// The message that refuses a relative folder.
QString RelativeFolderMessage();
