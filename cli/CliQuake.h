// SPDX-License-Identifier: GPL-3.0-or-later
// WAD files on the command line: list, extract, create, add, delete and
// rename take a WAD where they take a PAK file, known by its magic (create by
// the name OUT.wad), and a WAD that is an entry of a PAK file as
// ARCHIVE.pak:NAME.
#pragma once

#include "CliArgs.h"

#include <string>

// True when operand names a WAD: a file that starts with "WAD2", or
// ARCHIVE:ENTRY where ARCHIVE is a PAK file. With forCreate, a name ending
// in ".wad" (any letter case) that is not a PAK file counts too.
bool NamesWad(const std::string &operand, bool forCreate = false);

int WadList(const TArgs &args);
int WadExtract(const TArgs &args);
int WadCreate(const TArgs &args);
int WadAdd(const TArgs &args);
int WadDelete(const TArgs &args);
int WadRename(const TArgs &args);
