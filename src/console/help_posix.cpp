#include "console/help.h"

#include "locale/messages.h"

std::string_view PlatformHelp() {
  return msg::Tr(
      "Environment: DEVMGR_ENCODING=UTF-8 or GBK forces or turns off the conversion\n"
      "of the dialogue to UTF-8 (default: automatic, for a UTF-8 terminal).\n"
      "See devmgr(1) for the menus, the file formats and the exit status.\n");
}
