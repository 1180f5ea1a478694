#include "locale/gb_cells.h"

namespace charset {
namespace {

constexpr char kReplacement[] = "\xEF\xBF\xBD";  // U+FFFD

bool InRange(unsigned char c, unsigned lo, unsigned hi) { return c >= lo && c <= hi; }

}  // namespace

GbCellDecoder::GbCellDecoder() : cd_("UTF-8", "GB18030"), pairs_(126 * 256) {}

void GbCellDecoder::LookUp(unsigned char lead, unsigned char trail, Utf8Char& known) {
  const char in_bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
  const char* in = in_bytes;
  std::size_t in_left = 2;
  char* out = known.bytes;
  std::size_t out_left = sizeof known.bytes;
  if (cd_.Run(&in, &in_left, &out, &out_left) == 0 && out_left < sizeof known.bytes) {
    known.length = static_cast<unsigned char>(sizeof known.bytes - out_left);
  } else {
    std::memcpy(known.bytes, kReplacement, 3);  // no character there: U+FFFD for the pair
    known.length = 3;
  }
}

char* GbCellDecoder::ConvertOther(const unsigned char* s, std::size_t n, std::size_t* used,
                                  char* out) {
  *used = 1;
  if (InRange(s[0], 0x81, 0xFE) && n >= 4 && InRange(s[1], 0x30, 0x39) &&
      InRange(s[2], 0x81, 0xFE) && InRange(s[3], 0x30, 0x39)) {
    *used = 4;
    const char* in = reinterpret_cast<const char*>(s);
    std::size_t in_left = 4;
    char* end = out;
    std::size_t out_left = 4;
    if (cd_.Run(&in, &in_left, &end, &out_left) == 0) return end;
  }
  // 0x80, 0xFF, a stray lead byte, a character cut short, a four-byte code without character
  std::memcpy(out, kReplacement, 3);
  return out + 3;
}

}  // namespace charset
