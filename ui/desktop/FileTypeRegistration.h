// SPDX-License-Identifier: GPL-3.0-or-later
// Registers Varnel with the desktop as the program that opens ".pak" files.
#pragma once

#include <QString>

// Uses the MIME database's own type for *.pak when it has one, otherwise
// declares one, and makes varnel.desktop the type's default unless the user's
// list already names another program as the default. An installed
// varnel.desktop (in a system data folder) is used as it is; without one the
// program writes its own into the user's data folder, running programPath with
// the file and naming the program's icon, which it writes beside. Failures are
// ignored.
void RegisterPakFileType(const QString &programPath);
// The same with the type already decided: knownMimeType is the database's type
// for *.pak, or empty when it has none and Varnel declares its own.
void RegisterPakFileType(const QString &programPath, const QString &knownMimeType);
