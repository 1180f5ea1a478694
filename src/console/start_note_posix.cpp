// The start note's facts on POSIX systems: a terminal on standard input, the working
// directory as getcwd gives it. No folder is emptied behind the user's back here.
#include <unistd.h>

#include <climits>
#include <string>

#include "console/io.h"
#include "console/start_note.h"

namespace con {

StartFacts ReadStartFacts() {
  StartFacts facts;
  facts.interactive = ::isatty(0) == 1;
  char buffer[PATH_MAX];
  // The path's bytes are in the system's encoding, not the program's: shown escaped.
  facts.directory = ::getcwd(buffer, sizeof buffer) != nullptr ? Printable(buffer) : ".";
  return facts;
}

}  // namespace con
