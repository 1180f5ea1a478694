// The language of the messages outside the dialogue, chosen once at start from what the
// user's system says (language_posix.cpp, language_win.cpp).
#pragma once

// POSIX systems: the first of LC_ALL, LC_MESSAGES and LANG that is set and not empty
// names the locale. Windows: the user's UI language (GetUserDefaultUILanguage).
void ChooseMessageLanguage();
