#include "console/help.h"

#include "locale/messages.h"

std::string HelpText() {
  std::string text(msg::Tr(
      "Keeps an inventory of devices, worked through numbered Chinese menus (GBK).\n"
      "\n"
      "  -h, --help         print this help and exit\n"
      "  -V, --version      print the name and version and exit\n"
      "  -l, --load=FILE    start with the records of a record file such as dev.out\n"
      "      --input-encoding=gbk|utf-8|utf-16\n"
      "                     read every file in this encoding, whatever it looks like\n"
      "\n"
      "Without options the session starts with no records. After every change the\n"
      "whole data set is written to dev.out in the working directory.\n"));
  return text.append(PlatformHelp());
}
