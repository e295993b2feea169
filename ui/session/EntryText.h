// SPDX-License-Identifier: GPL-3.0-or-later
// Entry names and disk paths are bytes; the windows show them as text.
#pragma once

#include <QString>
#include <string>

// An entry name for display: UTF-8 where it is valid, otherwise byte for byte.
QString EntryToDisplay(const std::string &name);
// A name the user typed, as the bytes an entry name holds (UTF-8).
std::string DisplayToEntry(const QString &text);
// Disk paths, in the file system's own encoding.
QString PathToQ(const std::string &path);
std::string PathFromQ(const QString &path);
// PathDirectory for a path held as text: up to and including its last "/".
QString PathDirectory(const QString &path);
// AsciiLower for text: only the letters A to Z change, as in entry names.
QString AsciiLower(const QString &text);
// The name of the copy of a file named fileName: each byte outside
// [A-Za-z0-9._-] becomes "_", so that no shell or terminal reads anything
// into it, whatever command line it lands in; the extension stays, so the
// program knows the type. A leading "-" or "." (an option, a hidden file)
// gets a "_" before it.
QString SafeCopyName(const std::string &fileName);
