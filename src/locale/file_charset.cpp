#include "locale/file_charset.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

#include "locale/charset.h"
#include "locale/reading_weight.h"

namespace charset {
namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

bool InRange(unsigned char c, unsigned lo, unsigned hi) { return c >= lo && c <= hi; }

// The index of the first byte at or after i that is not ASCII, or n: runs of ASCII are
// skipped eight bytes at a time, as they make up most of a record file.
std::size_t SkipAscii(const unsigned char* s, std::size_t i, std::size_t n) {
  uint64_t word;
  while (i + 8 <= n && (std::memcpy(&word, s + i, 8), (word & 0x8080808080808080) == 0)) {
    i += 8;
  }
  while (i < n && s[i] < 0x80) ++i;
  return i;
}

// How many bytes the GB18030 code at s[0, n) takes (2 or 4), or 0 when it is malformed.
// REQUIRES: n > 0 and s[0] is not ASCII.
std::size_t GbLength(const unsigned char* s, std::size_t n) {
  if (!InRange(s[0], 0x81, 0xFE) || n < 2) return 0;
  if (InRange(s[1], 0x40, 0x7E) || InRange(s[1], 0x80, 0xFE)) return 2;
  if (n >= 4 && InRange(s[1], 0x30, 0x39) && InRange(s[2], 0x81, 0xFE) &&
      InRange(s[3], 0x30, 0x39)) {
    return 4;
  }
  return 0;
}

// Whether bytes are valid UTF-8, and whether they hold a character that is not ASCII.
struct Utf8Census {
  bool valid = true;
  bool non_ascii = false;
};

// Reads bytes once as UTF-8, stopping at the first invalid sequence.
Utf8Census CountUtf8(std::string_view bytes) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  Utf8Census census;
  for (std::size_t i = SkipAscii(s, 0, n); i < n; i = SkipAscii(s, i, n)) {
    const std::size_t length = Utf8Length(s + i, n - i);
    if (length == 0) {
      census.valid = false;
      break;
    }
    census.non_ascii = true;
    i += length;
  }
  return census;
}

}  // namespace

bool IsGb18030Text(std::string_view bytes) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  for (std::size_t i = SkipAscii(s, 0, n); i < n; i = SkipAscii(s, i, n)) {
    const std::size_t length = GbLength(s + i, n - i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

namespace {

// True when a file that is valid UTF-8 (census) is to be read so.
bool TakenForUtf8(std::string_view bytes, const Utf8Census& census, bool gb_first) {
  if (!census.non_ascii) return false;
  if (!IsGb18030Text(bytes)) return true;
  return !gb_first && Utf8Weight(bytes) < GbWeight(bytes);
}

}  // namespace

const char* EncodingName(FileEncoding encoding) {
  switch (encoding) {
    case FileEncoding::kUtf8:
      return "UTF-8";
    case FileEncoding::kUtf16Le:
      return "UTF-16LE";
    case FileEncoding::kUtf16Be:
      return "UTF-16BE";
    case FileEncoding::kGb18030:
      break;
  }
  return "GB18030";
}

FileEncoding FileEncodingOf(std::string_view bytes, bool gb_first) {
  if (bytes.starts_with("\xFF\xFE")) return FileEncoding::kUtf16Le;
  if (bytes.starts_with("\xFE\xFF")) return FileEncoding::kUtf16Be;
  if (bytes.starts_with(kBom)) return FileEncoding::kUtf8;
  const Utf8Census census = CountUtf8(bytes);
  return census.valid && TakenForUtf8(bytes, census, gb_first) ? FileEncoding::kUtf8
                                                                : FileEncoding::kGb18030;
}

}  // namespace charset
