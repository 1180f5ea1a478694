#include "console/help.h"

#include "locale/messages.h"

// Windows has no manual page; the README.txt beside devmgr.exe takes its place, and the
// console shows the dialogue in Unicode whatever its code page.
std::string_view PlatformHelp() {
  return msg::Tr("See README.txt beside devmgr.exe for the menus, the files and the backups.\n");
}
