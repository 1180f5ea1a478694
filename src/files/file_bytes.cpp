#include "files/file_bytes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <cerrno>

std::size_t SizeSum(std::size_t a, std::size_t b) {
  if (a > SIZE_MAX - b) throw std::bad_alloc();
  return a + b;
}

namespace {

// The most bytes one read(2) asks for, which every system accepts.
constexpr std::size_t kMaxRead = std::size_t{1} << 30;

}  // namespace

bool ReadToEnd(int fd, FileBytes& out, std::size_t room) {
  struct stat st;
  const bool sized = ::fstat(fd, &st) == 0 && st.st_size > 0 &&
                     static_cast<uintmax_t>(st.st_size) < SIZE_MAX;
  std::size_t capacity = sized ? SizeSum(static_cast<std::size_t>(st.st_size), room)
                               : SizeSum(std::size_t{1} << 16, SizeSum(room, room));
  out.data = std::make_unique_for_overwrite<char[]>(capacity);
  out.size = 0;
  for (;;) {
    if (capacity - out.size < room) {
      const std::size_t doubled = SizeSum(capacity, capacity);
      auto bigger = std::make_unique_for_overwrite<char[]>(doubled);
      std::copy(out.data.get(), out.data.get() + out.size, bigger.get());
      out.data = std::move(bigger);
      capacity = doubled;
    }
    const std::size_t ask = std::min(capacity - out.size, kMaxRead);
    const auto n = ::read(fd, out.data.get() + out.size, static_cast<unsigned>(ask));
    if (n == 0) return true;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    out.size += static_cast<std::size_t>(n);
  }
}
