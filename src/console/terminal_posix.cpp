// Wiring the console to the process's terminals on POSIX systems.
#include <unistd.h>

#include <cstdlib>
#include <string>

#include "console/terminal.h"

namespace con {

void WireTerminal() {
  TerminalFacts facts;
  facts.forced = std::getenv("DEVMGR_ENCODING");
  facts.lc_all = std::getenv("LC_ALL");
  facts.lc_ctype = std::getenv("LC_CTYPE");
  facts.lang = std::getenv("LANG");
  facts.input_is_terminal = ::isatty(0) == 1;
  facts.output_is_terminal = ::isatty(1) == 1;
  facts.error_is_terminal = ::isatty(2) == 1;
  std::string warning;
  const ConsoleEncoding encoding = ChooseEncoding(facts, &warning);
  if (!warning.empty()) Warn(warning);
  Wire(TerminalWiring(ProcessWiring(), encoding));
}

}  // namespace con
