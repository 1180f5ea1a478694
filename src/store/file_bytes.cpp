#include "store/file_bytes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

bool ReadToEnd(int fd, FileBytes& out, std::size_t room) {
  struct stat st;
  std::size_t capacity = ::fstat(fd, &st) == 0 && st.st_size > 0
                             ? static_cast<std::size_t>(st.st_size) + room
                             : std::max<std::size_t>(std::size_t{1} << 16, room * 2);
  out.data = std::make_unique_for_overwrite<char[]>(capacity);
  out.size = 0;
  for (;;) {
    if (capacity - out.size < room) {
      auto bigger = std::make_unique_for_overwrite<char[]>(capacity * 2);
      std::copy(out.data.get(), out.data.get() + out.size, bigger.get());
      out.data = std::move(bigger);
      capacity *= 2;
    }
    const ssize_t n = ::read(fd, out.data.get() + out.size, capacity - out.size);
    if (n == 0) return true;
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    out.size += static_cast<std::size_t>(n);
  }
}
