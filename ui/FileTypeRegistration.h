// Registers Varnel with the desktop as the program that opens ".pak" files.
#pragma once

#include <QString>

// Uses the MIME database's own type for *.pak when it has one, otherwise
// declares one; writes a desktop entry that runs programPath with the file and
// makes it the type's default. Failures are ignored.
void RegisterPakFileType(const QString &programPath);
