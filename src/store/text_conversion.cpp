#include "store/text_conversion.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <utility>

#include "locale/charset.h"

namespace {

using charset::FileEncoding;

// U+FFFD as the program keeps it: its GB18030 form, or its UTF-8 form where the
// platform's GB18030 is GBK, which lacks it.
const std::string& Replacement() {
  static const std::string kept = [] {
    charset::Converter cd("GB18030", "UTF-8");
    const char* in = "\xEF\xBF\xBD";
    std::size_t in_left = 3, out_left = 8;
    char out[8];
    char* dst = out;
    return cd.Run(&in, &in_left, &dst, &out_left) == 0 ? std::string(out, dst)
                                                      : std::string("\xEF\xBF\xBD");
  }();
  return kept;
}

// Appends the UTF-8 form of the code point c to out.
void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x800) {
    out += {static_cast<char>(0xC0 | c >> 6), static_cast<char>(0x80 | (c & 0x3F))};
  } else if (c < 0x10000) {
    out += {static_cast<char>(0xE0 | c >> 12), static_cast<char>(0x80 | (c >> 6 & 0x3F)),
            static_cast<char>(0x80 | (c & 0x3F))};
  } else {
    out += {static_cast<char>(0xF0 | c >> 18), static_cast<char>(0x80 | (c >> 12 & 0x3F)),
            static_cast<char>(0x80 | (c >> 6 & 0x3F)), static_cast<char>(0x80 | (c & 0x3F))};
  }
}

// What stands in the text for the source character at which the converter stopped.
struct Stop {
  std::size_t length;  // its bytes in the source
  bool replaced;       // it could not be read: U+FFFD stands for it
};

// The character of UTF-8 at in[0, left) that has no GB18030 form (kept as it is) or is
// no UTF-8 (one byte replaced); its text goes to kept.
Stop StopInUtf8(const char* in, std::size_t left, std::string& kept) {
  const std::size_t n = charset::Utf8Length(reinterpret_cast<const unsigned char*>(in), left);
  if (n == 0) {
    kept = Replacement();
    return {1, true};
  }
  kept.assign(in, n);
  return {n, false};
}

// The same for UTF-16LE: a surrogate without its pair is replaced, a lone last byte is
// taken as the blank or line end it is (`echo >>` after a UTF-16 file) or replaced.
Stop StopInUtf16(const char* in, std::size_t left, std::string& kept, bool& odd_end) {
  const auto byte = [in](std::size_t i) { return static_cast<unsigned char>(in[i]); };
  kept.clear();
  if (left == 1) {
    odd_end = byte(0) == '\n' || byte(0) == '\r' || byte(0) == ' ' || byte(0) == '\t';
    kept = odd_end ? std::string(1, in[0]) : Replacement();
    return {1, !odd_end};
  }
  const char32_t unit = byte(0) | byte(1) << 8;
  const bool high = unit >= 0xD800 && unit <= 0xDBFF;
  const char32_t next = left >= 4 ? byte(2) | byte(3) << 8 : 0;
  if (high && next >= 0xDC00 && next <= 0xDFFF) {
    AppendUtf8(0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00), kept);
    return {4, false};
  }
  if (unit >= 0xD800 && unit <= 0xDFFF) {
    kept = Replacement();
    return {2, true};
  }
  AppendUtf8(unit, kept);
  return {2, false};
}

// Makes sure file's buffer of capacity bytes has need bytes free after file.size.
void Reserve(FileBytes& file, std::size_t& capacity, std::size_t need) {
  if (capacity - file.size >= need) return;
  const std::size_t bigger =
      std::max(SizeSum(capacity, capacity / 2), SizeSum(file.size, need));
  auto data = std::make_unique_for_overwrite<char[]>(bigger);
  std::copy(file.data.get(), file.data.get() + file.size, data.get());
  file.data = std::move(data);
  capacity = bigger;
}

}  // namespace

FileBytes ToGb18030(FileEncoding from, const char* in, std::size_t in_left, std::size_t room,
                    Unreadable& unreadable) {
  // Chinese takes three bytes in UTF-8 and two in GB18030 or UTF-16; Latin may take more.
  std::size_t capacity = SizeSum(SizeSum(in_left, in_left / 8), SizeSum(room, 4));
  FileBytes gb{std::make_unique_for_overwrite<char[]>(capacity), 0};
  charset::Converter cd("GB18030", charset::EncodingName(from));
  std::string kept;
  while (in_left > 0) {
    Reserve(gb, capacity, room + 4);
    char* out = gb.data.get() + gb.size;
    std::size_t out_left = capacity - room - gb.size;
    const int error = cd.Run(&in, &in_left, &out, &out_left);
    gb.size = capacity - room - out_left;
    if (error == 0 || error == E2BIG) continue;
    const Stop stop = from == FileEncoding::kUtf8
                          ? StopInUtf8(in, in_left, kept)
                          : StopInUtf16(in, in_left, kept, unreadable.odd_end);
    unreadable.replaced += stop.replaced ? 1 : 0;
    Reserve(gb, capacity, room + kept.size());
    std::memcpy(gb.data.get() + gb.size, kept.data(), kept.size());
    gb.size += kept.size();
    in += stop.length;
    in_left -= stop.length;
  }
  return gb;
}
