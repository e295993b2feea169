// SPDX-License-Identifier: GPL-3.0-or-later
// The Quake installation that the user named in Varnel's window, read from
// the window's settings file, so that the command line protects the same
// stock archives.
#pragma once

#include <istream>
#include <string>
#include <string_view>

// The "Directory" of section "Quake" in the window's settings file
// (VarnelSettingsFileName in $XDG_CONFIG_HOME, else ~/.config);
// empty when there is no such file or setting.
std::string WindowQuakeDirectory();

// The value of key in section of an INI text as the window's settings
// library writes it (the last one when given twice); empty when missing.
std::string IniSetting(std::istream &in, std::string_view section, std::string_view key);
// A stored INI value as text: quotes removed, backslash escapes (\", \\,
// \n, \t, \xHHHH, ...) undone, "@@" at its start read as "@".
std::string IniValue(std::string_view stored);
