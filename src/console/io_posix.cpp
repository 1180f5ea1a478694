// The console's wiring to the process on POSIX systems: read(2) and write(2) on the
// standard descriptors, nanosleep(2), the steady clock and _exit(2).
#include <time.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>

#include "console/io.h"

namespace con {

Wiring ProcessWiring() {
  Wiring w;
  w.read = [](char* buf, std::size_t cap) -> std::size_t {
    for (;;) {
      ssize_t n = ::read(0, buf, cap);
      if (n < 0 && errno == EINTR) continue;
      return n > 0 ? static_cast<std::size_t>(n) : 0;
    }
  };
  w.write = [](std::string_view bytes) {
    while (!bytes.empty()) {
      ssize_t n = ::write(1, bytes.data(), bytes.size());
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return;  // a closed terminal: nothing more can be shown
      bytes.remove_prefix(static_cast<std::size_t>(n));
    }
  };
  w.pause = [](int ms) {
    struct timespec left = {ms / 1000, (ms % 1000) * 1000000L};
    while (::nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
  };
  w.now_ms = [] {
    using namespace std::chrono;
    return static_cast<int64_t>(
        duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
  };
  w.exit = [](int status) { ::_exit(status); };
  return w;
}

void WriteStandardError(std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(2, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return;
    bytes.remove_prefix(static_cast<std::size_t>(n));
  }
}

}  // namespace con
