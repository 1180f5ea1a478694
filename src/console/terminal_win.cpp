// Wiring the console to the process's ends on Windows. A console (GetConsoleMode succeeds
// on the handle) is written with WriteConsoleW and read with ReadConsoleW, in UTF-16, so
// the Chinese menus show whatever the console's code page; nothing about the console is
// changed. Pipes and files keep the program's bytes, with CR LF line ends. Ctrl+C and
// Ctrl+Break end the session with one status (console_break_win.cpp).
#include <windows.h>

#include <algorithm>
#include <functional>
#include <cstdlib>
#include <string>

#include "console/console_break_win.h"
#include "console/console_wide.h"
#include "console/terminal.h"

namespace con {
namespace {

// True when handle is a console.
bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != nullptr && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode);
}

// A writer of UTF-16 text to the console handle out.
std::function<void(std::u16string_view)> ConsoleWriter(HANDLE out) {
  return [out](std::u16string_view text) {
    while (!text.empty()) {
      const DWORD chunk = static_cast<DWORD>(ConsolePiece(text));
      DWORD written = 0;
      if (!::WriteConsoleW(out, text.data(), chunk, &written, nullptr) || written == 0) return;
      text.remove_prefix(written);
    }
  };
}

// The console behind the standard handles that are consoles.
WideConsole StandardConsole(HANDLE in, bool in_console, HANDLE out, bool out_console) {
  WideConsole console;
  if (out_console) console.write = ConsoleWriter(out);
  const HANDLE err = ::GetStdHandle(STD_ERROR_HANDLE);
  if (IsConsole(err)) console.error = ConsoleWriter(err);
  if (in_console) {
    console.read = [in](char16_t* buf, std::size_t cap) -> std::size_t {
      DWORD got = 0;
      const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(cap, 4096));
      const BOOL read = ::ReadConsoleW(in, buf, chunk, &got, nullptr);
      // Ctrl+C and Ctrl+Break end the read with nothing typed; their handler ends the
      // session. A console that is gone fails the read: that is the end of input.
      if (read ? got == 0 : ::GetLastError() == ERROR_OPERATION_ABORTED) AwaitBreak();
      if (!read) return 0;
      // Ctrl+Z at the start of a line ends the input, as it does for the C runtime.
      if (got > 0 && buf[0] == 0x1A) return 0;
      return got;
    };
  }
  return console;
}

}  // namespace

void WireTerminal() {
  InstallBreakHandler();
  const HANDLE in = ::GetStdHandle(STD_INPUT_HANDLE);
  const HANDLE out = ::GetStdHandle(STD_OUTPUT_HANDLE);
  const bool in_console = IsConsole(in), out_console = IsConsole(out);
  TerminalFacts facts;
  facts.forced = std::getenv("DEVMGR_ENCODING");
  facts.lc_all = std::getenv("LC_ALL");
  facts.lc_ctype = std::getenv("LC_CTYPE");
  facts.lang = std::getenv("LANG");
  facts.input_is_terminal = in_console;
  facts.output_is_terminal = out_console;
  std::string warning;
  ConsoleEncoding encoding = ChooseEncoding(facts, &warning);
  if (!warning.empty()) Warn(warning);
  // A console takes UTF-16 from WideConsoleWiring: no UTF-8 conversion on its side.
  if (in_console) encoding.decode_input = false;
  // Names typed in UTF-8 on a pipe are opened as that text: the wide file API takes the
  // program's bytes (GB18030), not UTF-8.
  encoding.decode_file_names = encoding.decode_input;
  if (out_console) encoding.encode_output = false;
  Wire(TerminalWiring(
      WideConsoleWiring(ProcessWiring(), StandardConsole(in, in_console, out, out_console)),
      encoding));
}

}  // namespace con
