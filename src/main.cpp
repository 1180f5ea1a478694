// devmgr: keeps an inventory of devices at the console.
#include <csignal>

#include "console/operations.h"
#include "console/terminal.h"

int main() {
  // A file size limit must fail the write, which the save reports, not kill the process.
  std::signal(SIGXFSZ, SIG_IGN);
  // A closed output pipe ends the output, not the process in the middle of a save.
  std::signal(SIGPIPE, SIG_IGN);
  // A UTF-8 terminal gets the dialogue in UTF-8; pipes and files keep their GBK bytes.
  con::WireTerminal();
  RunMenuLoop();
}
