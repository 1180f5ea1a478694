#include "store/file_bytes.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <cerrno>
#include <cstring>
#include <string_view>

#include "model/charset.h"

namespace {

// a + b, or std::bad_alloc where the sum does not fit a size: no buffer that large can be.
std::size_t Sum(std::size_t a, std::size_t b) {
  if (a > SIZE_MAX - b) throw std::bad_alloc();
  return a + b;
}

// The most bytes one read(2) asks for, which every system accepts.
constexpr std::size_t kMaxRead = std::size_t{1} << 30;

}  // namespace

bool ReadToEnd(int fd, FileBytes& out, std::size_t room) {
  struct stat st;
  const bool sized = ::fstat(fd, &st) == 0 && st.st_size > 0 &&
                     static_cast<uintmax_t>(st.st_size) < SIZE_MAX;
  std::size_t capacity = sized ? Sum(static_cast<std::size_t>(st.st_size), room)
                               : Sum(std::size_t{1} << 16, Sum(room, room));
  out.data = std::make_unique_for_overwrite<char[]>(capacity);
  out.size = 0;
  for (;;) {
    if (capacity - out.size < room) {
      const std::size_t doubled = Sum(capacity, capacity);
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

namespace {

// Makes sure file's buffer of capacity bytes has need bytes free after file.size.
void Reserve(FileBytes& file, std::size_t& capacity, std::size_t need) {
  if (capacity - file.size >= need) return;
  const std::size_t bigger = std::max(Sum(capacity, capacity / 2), Sum(file.size, need));
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
  std::size_t capacity = Sum(Sum(in_left, in_left / 8), Sum(room, 4));
  FileBytes gb{std::make_unique_for_overwrite<char[]>(capacity), 0};
  charset::Converter cd("GB18030", "UTF-8");
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
