// What --help prints after the usage line: the options, and where the rest is told,
// which differs by platform (help_posix.cpp, help_win.cpp).
#pragma once

#include <string_view>

// The help text in the user's language.
std::string_view HelpText();
