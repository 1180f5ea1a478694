#include "console/process.h"

#include <csignal>

Arguments ProgramArguments(int argc, char** argv) { return {argc, argv}; }

void PrepareProcess() {
  // A file size limit must fail the write, which the save reports, not kill the process.
  std::signal(SIGXFSZ, SIG_IGN);
  // A closed output pipe ends the output, not the process in the middle of a save.
  std::signal(SIGPIPE, SIG_IGN);
}
