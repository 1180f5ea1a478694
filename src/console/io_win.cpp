// The console's wiring to the process on Windows: the C runtime's _read and _write on the
// standard descriptors in binary mode, with CR LF line ends written; Sleep, the steady
// clock and _exit. A console at either end is taken over by WireTerminal.
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <chrono>
#include <climits>
#include <cstdio>
#include <cstdlib>

#include "console/console_wide.h"
#include "console/io.h"

namespace con {
namespace {

// Writes all of bytes to descriptor fd, as far as it takes them.
void WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const unsigned chunk = bytes.size() < INT_MAX ? static_cast<unsigned>(bytes.size()) : INT_MAX;
    const int n = ::_write(fd, bytes.data(), chunk);
    if (n <= 0) return;  // a closed pipe: nothing more can be shown
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace

Wiring ProcessWiring() {
  // The program's bytes pass unchanged; the line ends are CrlfWiring's.
  ::_setmode(::_fileno(stdin), _O_BINARY);
  ::_setmode(::_fileno(stdout), _O_BINARY);
  Wiring w;
  w.read = [](char* buf, std::size_t cap) -> std::size_t {
    const unsigned chunk = cap < INT_MAX ? static_cast<unsigned>(cap) : INT_MAX;
    const int n = ::_read(0, buf, chunk);
    return n > 0 ? static_cast<std::size_t>(n) : 0;
  };
  w.write = [](std::string_view bytes) { WriteAll(1, bytes); };
  w.pause = [](int ms) { ::Sleep(static_cast<DWORD>(ms)); };
  w.now_ms = [] {
    using namespace std::chrono;
    return static_cast<int64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  };
  w.exit = [](int status) {
    std::fflush(nullptr);
    ::_exit(status);
  };
  return CrlfWiring(std::move(w));
}

// Standard error stays in text mode: its line feeds go out as CR LF.
void WriteStandardError(std::string_view bytes) { WriteAll(2, bytes); }

}  // namespace con
