// The console's transport to the user's terminal, chosen once at start. devmgr prints and
// reads GB18030 (GBK); a UTF-8 terminal gets its output converted to UTF-8 and what is
// typed there converted back, while pipes and files keep their bytes exactly.
#pragma once

#include <string>

#include "console/io.h"

namespace con {

// How the console meets the terminal.
struct ConsoleEncoding {
  bool decode_input = false;       // typed UTF-8 becomes GB18030
  bool encode_output = false;      // printed GB18030 becomes UTF-8
  bool encode_error = false;       // messages on standard error become UTF-8
  bool fresh_line_at_end = false;  // the session ends on a fresh line (a terminal's prompt)
  bool decode_file_names = false;  // typed UTF-8 file names become GB18030 (Windows' names)

  friend bool operator==(const ConsoleEncoding&, const ConsoleEncoding&) = default;
};

// What the choice depends on: the environment variables (nullptr when unset) and whether
// standard input and output are terminals.
struct TerminalFacts {
  const char* forced = nullptr;  // DEVMGR_ENCODING
  const char* lc_all = nullptr;
  const char* lc_ctype = nullptr;
  const char* lang = nullptr;
  bool input_is_terminal = false;
  bool output_is_terminal = false;
  bool error_is_terminal = false;
};

// True when the locale named by the first non-empty of LC_ALL, LC_CTYPE and LANG has the
// charset UTF-8 ("*.UTF-8", "*.utf8", any case, with or without "@modifier"). The name is
// parsed, not looked up, so a locale that is not generated on the machine counts too.
bool LocaleIsUtf8(const TerminalFacts& facts);

// Chooses the encoding. DEVMGR_ENCODING "UTF-8"/"utf8" (any case) converts both ways,
// "GBK"/"GB18030" never converts; unset or empty: output converts when it is a terminal
// and the locale is UTF-8, input and standard error likewise. An unknown value sets *warning to a line for
// standard error and chooses as if unset.
ConsoleEncoding ChooseEncoding(const TerminalFacts& facts, std::string* warning);

// Wraps inner's reader, writer, token decoder and exit with the conversions of encoding
// and the fresh line at the end.
Wiring TerminalWiring(Wiring inner, const ConsoleEncoding& encoding);

// Reads this process's environment and terminals, warns about an unknown DEVMGR_ENCODING
// and wires the console to the real process with the encoding chosen (terminal_posix.cpp,
// terminal_win.cpp). On Windows a console at either end speaks UTF-16 (WideConsoleWiring)
// and counts as the terminal; pipes and files get GB18030 with CR LF line ends, or UTF-8
// when DEVMGR_ENCODING asks for it.
void WireTerminal();

}  // namespace con
