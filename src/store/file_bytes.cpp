#include "store/file_bytes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "model/charset.h"

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

namespace {

// Makes sure file's buffer of capacity bytes has need bytes free after file.size.
void Reserve(FileBytes& file, std::size_t& capacity, std::size_t need) {
  if (capacity - file.size >= need) return;
  const std::size_t bigger = std::max(capacity + capacity / 2, file.size + need);
  auto data = std::make_unique_for_overwrite<char[]>(bigger);
  std::copy(file.data.get(), file.data.get() + file.size, data.get());
  file.data = std::move(data);
  capacity = bigger;
}

}  // namespace

void ConvertUtf8ToGb18030(FileBytes& file, std::size_t room) {
  constexpr std::string_view kBom = "\xEF\xBB\xBF";
  const char* in = file.data.get();
  std::size_t in_left = file.size;
  if (std::string_view(in, in_left).starts_with(kBom)) {
    in += kBom.size();
    in_left -= kBom.size();
  }
  // Chinese takes three bytes in UTF-8 and two in GB18030; a little Latin may take more.
  std::size_t capacity = in_left + in_left / 8 + room + 4;
  FileBytes gb{std::make_unique_for_overwrite<char[]>(capacity), 0};
  charset::Iconv cd("GB18030", "UTF-8");
  while (in_left > 0) {
    Reserve(gb, capacity, room + 4);
    char* out = gb.data.get() + gb.size;
    std::size_t out_left = capacity - room - gb.size;
    const int error = cd.Run(&in, &in_left, &out, &out_left);
    gb.size = capacity - room - out_left;
    if (error == 0 || error == E2BIG) continue;
    // No GB18030 form: the character goes through as it is, as typed text does.
    std::size_t n = charset::Utf8Length(reinterpret_cast<const unsigned char*>(in), in_left);
    n = std::max<std::size_t>(n, 1);
    Reserve(gb, capacity, room + n);
    std::memcpy(gb.data.get() + gb.size, in, n);
    gb.size += n;
    in += n;
    in_left -= n;
  }
  file = std::move(gb);
}
