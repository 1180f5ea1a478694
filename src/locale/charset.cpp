#include "locale/charset.h"

#include <cerrno>
#include <cstdint>
#include <cstring>

namespace charset {
namespace {

bool InRange(unsigned char c, unsigned lo, unsigned hi) { return c >= lo && c <= hi; }

// How many bytes at s[0, n) an invalid GB18030 sequence takes: a well-formed two- or
// four-byte code that iconv has no character for goes whole, anything else byte by byte,
// so an ASCII byte after a stray lead byte survives.
std::size_t InvalidGbLength(const unsigned char* s, std::size_t n) {
  if (n < 2 || !InRange(s[0], 0x81, 0xFE)) return 1;
  if (InRange(s[1], 0x40, 0x7E) || InRange(s[1], 0x80, 0xFE)) return 2;
  if (n >= 4 && InRange(s[1], 0x30, 0x39) && InRange(s[2], 0x81, 0xFE) &&
      InRange(s[3], 0x30, 0x39)) {
    return 4;
  }
  return 1;
}

bool AllAscii(std::string_view bytes) {
  for (char c : bytes) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// The converter for the typed tokens, opened once.
Converter& TypedToGb() {
  static Converter cd("GB18030", "UTF-8");
  return cd;
}

// Appends the UTF-8 form of a code point (at most U+10FFFF) to out.
void AppendUtf8(char32_t c, std::string& out) {
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
    return;
  }
  char bytes[4];
  std::size_t n = c < 0x800 ? 2 : c < 0x10000 ? 3 : 4;
  for (std::size_t i = n - 1; i > 0; --i, c >>= 6) bytes[i] = static_cast<char>(0x80 | (c & 0x3F));
  static constexpr unsigned char kLead[] = {0, 0, 0xC0, 0xE0, 0xF0};
  bytes[0] = static_cast<char>(kLead[n] | c);
  out.append(bytes, n);
}

// The i-th UTF-16LE unit of bytes.
char16_t UnitAt(const char* bytes, std::size_t i) {
  const auto* b = reinterpret_cast<const unsigned char*>(bytes);
  return static_cast<char16_t>(b[2 * i] | b[2 * i + 1] << 8);
}

// The two halves of a UTF-16 surrogate pair.
bool IsHighSurrogate(char16_t u) { return u >= 0xD800 && u <= 0xDBFF; }
bool IsLowSurrogate(char16_t u) { return u >= 0xDC00 && u <= 0xDFFF; }

}  // namespace

std::size_t Utf8Length(const unsigned char* s, std::size_t n) {
  const unsigned char c = s[0];
  if (c < 0x80) return 1;
  std::size_t need;
  unsigned lo = 0x80, hi = 0xBF;  // the range of the second byte
  if (c < 0xC2) {
    return 0;
  } else if (c < 0xE0) {
    need = 2;
  } else if (c < 0xF0) {
    need = 3;
    if (c == 0xE0) lo = 0xA0;  // overlong
    if (c == 0xED) hi = 0x9F;  // surrogates
  } else if (c < 0xF5) {
    need = 4;
    if (c == 0xF0) lo = 0x90;  // overlong
    if (c == 0xF4) hi = 0x8F;  // past U+10FFFF
  } else {
    return 0;
  }
  if (n < need || !InRange(s[1], lo, hi)) return 0;
  for (std::size_t i = 2; i < need; ++i) {
    if (!InRange(s[i], 0x80, 0xBF)) return 0;
  }
  return need;
}

bool IsUtf8Text(std::string_view bytes) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  bool non_ascii = false;
  for (std::size_t i = 0; i < n;) {
    uint64_t word;
    while (i + 8 <= n && (std::memcpy(&word, s + i, 8), (word & 0x8080808080808080) == 0)) {
      i += 8;
    }
    if (i == n) break;
    if (s[i] < 0x80) {
      ++i;
      continue;
    }
    const std::size_t length = Utf8Length(s + i, n - i);
    if (length == 0) return false;
    non_ascii = true;
    i += length;
  }
  return non_ascii;
}

void GbDecoder::Convert(std::string_view bytes, std::string& out) {
  if (tail_.empty()) return ConvertWhole(bytes, false, out);
  std::string joined;
  joined.swap(tail_);
  joined.append(bytes);
  ConvertWhole(joined, false, out);
}

// Converts bytes. A character cut at their end is kept in tail_, or at the last piece
// (last) shown as invalid: the converter calls bytes incomplete before it looks at their
// values.
void GbDecoder::ConvertWhole(std::string_view bytes, bool last, std::string& out) {
  const char* in = bytes.data();
  std::size_t in_left = bytes.size();
  std::size_t used = out.size();
  while (in_left > 0) {
    out.resize(used + 2 * in_left + 16);  // a character never grows beyond twice its bytes
    char* dst = out.data() + used;
    std::size_t dst_left = out.size() - used;
    const int error = cd_.Run(&in, &in_left, &dst, &dst_left);
    used = out.size() - dst_left;
    if (error == EILSEQ || (error == EINVAL && last)) {
      out.replace(used, replacement_.size(), replacement_);
      used += replacement_.size();
      const std::size_t skip = InvalidGbLength(reinterpret_cast<const unsigned char*>(in), in_left);
      in += skip;
      in_left -= skip;
    } else if (error == EINVAL) {
      tail_.assign(in, in_left);
      break;
    } else if (error != 0 && error != E2BIG) {
      break;  // the converter could not be opened: nothing can be shown
    }
  }
  out.resize(used);
}

void GbDecoder::Finish(std::string& out) {
  if (tail_.empty()) return;
  std::string rest;
  rest.swap(tail_);
  ConvertWhole(rest, true, out);
}

void GbToUtf16::Convert(std::string_view bytes, std::u16string& out) {
  decoder_.Convert(bytes, bytes_);
  Append(out);
}

void GbToUtf16::Finish(std::u16string& out) {
  decoder_.Finish(bytes_);
  Append(out);
}

// Moves the whole UTF-16LE units of bytes_ to out (the decoder writes whole characters).
void GbToUtf16::Append(std::u16string& out) {
  const std::size_t units = bytes_.size() / 2;
  out.reserve(out.size() + units);
  for (std::size_t i = 0; i < units; ++i) out.push_back(UnitAt(bytes_.data(), i));
  bytes_.clear();
}

void Utf16ToGb::Convert(std::u16string_view units, std::string& out) {
  if (units.empty()) return;  // nothing new: a high surrogate kept still waits for its pair
  std::string bytes;  // UTF-16LE
  bytes.reserve(2 * (units.size() + 1));
  const auto put = [&bytes](char16_t u) {
    bytes.push_back(static_cast<char>(u & 0xFF));
    bytes.push_back(static_cast<char>(u >> 8));
  };
  if (high_ != 0) put(high_);
  high_ = 0;
  if (!units.empty() && IsHighSurrogate(units.back())) {
    high_ = units.back();
    units.remove_suffix(1);
  }
  for (char16_t u : units) put(u);
  const char* in = bytes.data();
  std::size_t in_left = bytes.size();
  std::size_t used = out.size();
  while (in_left > 0) {
    out.resize(used + 2 * in_left + 16);  // four bytes at most from a pair, three from a unit
    char* dst = out.data() + used;
    std::size_t dst_left = out.size() - used;
    const int error = cd_.Run(&in, &in_left, &dst, &dst_left);
    used = out.size() - dst_left;
    if (error == 0 || error == E2BIG) continue;
    // A character the converter refused: a lone surrogate, or one GB18030 (or GBK) lacks.
    const auto unit = [in](std::size_t i) { return UnitAt(in, i); };
    std::string kept;
    std::size_t skip = 2;
    if (in_left >= 4 && IsHighSurrogate(unit(0)) && IsLowSurrogate(unit(1))) {
      AppendUtf8(0x10000 + ((unit(0) - 0xD800) << 10) + (unit(1) - 0xDC00), kept);
      skip = 4;
    } else if (IsHighSurrogate(unit(0)) || IsLowSurrogate(unit(0))) {
      kept = "?";
    } else {
      AppendUtf8(unit(0), kept);
    }
    out.replace(used, kept.size(), kept);
    used += kept.size();
    in += skip;
    in_left -= skip;
  }
  out.resize(used);
}

std::string Utf8ToGb(std::string_view typed) {
  if (AllAscii(typed)) return std::string(typed);
  const auto* s = reinterpret_cast<const unsigned char*>(typed.data());
  std::string out;
  for (std::size_t i = 0; i < typed.size();) {
    const std::size_t length = Utf8Length(s + i, typed.size() - i);
    char gb[8];
    char* dst = gb;
    std::size_t dst_left = sizeof gb;
    const char* src = typed.data() + i;
    std::size_t src_left = length;
    if (length > 1 && TypedToGb().Run(&src, &src_left, &dst, &dst_left) == 0) {
      out.append(gb, sizeof gb - dst_left);
    } else {
      out.append(typed.data() + i, length == 0 ? 1 : length);  // kept as typed
    }
    i += length == 0 ? 1 : length;
  }
  return out;
}

}  // namespace charset
