// What --help prints after the usage line: the options, the same everywhere, and where
// the rest is told, which differs by platform (help_posix.cpp, help_win.cpp).
#pragma once

#include <string>
#include <string_view>

// The help text in the user's language.
std::string HelpText();

// The help's last lines, for this platform.
std::string_view PlatformHelp();
