// Registers Varnel with the desktop as the program that opens ".pak" files.
#pragma once

#include <QString>

// Uses the MIME database's own type for *.pak when it has one, otherwise
// declares one; writes a desktop entry that runs programPath with the file and
// makes it the type's default. Failures are ignored.
void RegisterPakFileType(const QString &programPath);
// The same with the type already decided: knownMimeType is the database's type
// for *.pak, or empty when it has none and Varnel declares its own.
void RegisterPakFileType(const QString &programPath, const QString &knownMimeType);
