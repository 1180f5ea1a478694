// The converter between charsets on Windows, over MultiByteToWideChar and
// WideCharToMultiByte. GB18030 is code page 54936 where the system has it, else GBK (936,
// as under Wine). Input is cut into runs of whole, well-formed characters, each converted
// by one call each way; a run that fails is halved until the character that stopped it is
// found, so that Run stops where iconv(3) would, with the same errno.
#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <vector>

#include "locale/charset.h"
#include "locale/code_page_win.h"

namespace charset {
namespace {

// The charsets the converter knows.
enum class Charset { kUtf8, kGb18030, kUtf16le };

// What a Converter's handle points to.
struct Codec {
  Charset to;
  Charset from;
  std::vector<wchar_t> wide;  // a run in UTF-16, between the two calls
};

// How a run's conversion went.
enum class Outcome { kDone, kInvalid, kNoRoom };

constexpr std::size_t kCut = SIZE_MAX;      // a character cut short by the input's end
constexpr std::size_t kRunBytes = 1 << 16;  // the input converted by one call at most

bool InRange(unsigned char c, unsigned lo, unsigned hi) { return c >= lo && c <= hi; }

// True when a and b are the same ASCII text but for case.
bool SameName(const char* a, const char* b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c; };
    if (lower(*a) != lower(*b)) return false;
  }
  return *a == *b;
}

// The charset an iconv-style name stands for; false for any other.
bool Named(const char* name, Charset* charset) {
  if (SameName(name, "UTF-8") || SameName(name, "UTF8")) {
    *charset = Charset::kUtf8;
  } else if (SameName(name, "GB18030") || SameName(name, "GBK") || SameName(name, "CP936")) {
    *charset = Charset::kGb18030;
  } else if (SameName(name, "UTF-16LE")) {
    *charset = Charset::kUtf16le;
  } else {
    return false;
  }
  return true;
}

// The length of the UTF-8 character that starts s[0, n): 1 to 4, 0 when malformed, kCut
// when s is a valid start that n cuts short.
std::size_t Utf8CharLength(const unsigned char* s, std::size_t n) {
  const std::size_t whole = Utf8Length(s, n);
  if (whole > 0) return whole;
  const unsigned char c = s[0];
  std::size_t need = c >= 0xC2 && c < 0xE0 ? 2 : c >= 0xE0 && c < 0xF0 ? 3 : 4;
  if (c < 0xC2 || c >= 0xF5 || n >= need) return 0;
  unsigned lo = 0x80, hi = 0xBF;  // the range of the second byte, as Utf8Length has it
  if (c == 0xE0) lo = 0xA0;
  if (c == 0xED) hi = 0x9F;
  if (c == 0xF0) lo = 0x90;
  if (c == 0xF4) hi = 0x8F;
  if (n >= 2 && !InRange(s[1], lo, hi)) return 0;
  if (n >= 3 && !InRange(s[2], 0x80, 0xBF)) return 0;
  return kCut;
}

// The same for GB18030's forms: one byte below 0x80, two bytes (lead 0x81-0xFE, trail
// 0x40-0x7E or 0x80-0xFE), four bytes (0x81-0xFE, 0x30-0x39, 0x81-0xFE, 0x30-0x39).
// Whether a well-formed code stands for a character is for the code page to say.
std::size_t GbCharLength(const unsigned char* s, std::size_t n) {
  if (s[0] < 0x80) return 1;
  if (!InRange(s[0], 0x81, 0xFE)) return 0;
  if (n < 2) return kCut;
  if (InRange(s[1], 0x40, 0x7E) || InRange(s[1], 0x80, 0xFE)) return 2;
  if (!InRange(s[1], 0x30, 0x39)) return 0;
  if (n < 4) return kCut;  // as iconv has it: the last two bytes are not looked at then
  return InRange(s[2], 0x81, 0xFE) && InRange(s[3], 0x30, 0x39) ? 4 : 0;
}

// The same for UTF-16LE: one unit, or a surrogate pair.
std::size_t Utf16CharLength(const unsigned char* s, std::size_t n) {
  if (n < 2) return kCut;
  const unsigned unit = s[0] | s[1] << 8;
  if (unit >= 0xDC00 && unit <= 0xDFFF) return 0;
  if (unit < 0xD800 || unit > 0xDBFF) return 2;
  if (n < 4) return kCut;
  const unsigned next = s[2] | s[3] << 8;
  return next >= 0xDC00 && next <= 0xDFFF ? 4 : 0;
}

// The length of the character that starts s[0, n) in charset, as the functions above.
std::size_t CharLength(Charset charset, const unsigned char* s, std::size_t n) {
  switch (charset) {
    case Charset::kUtf8:
      return s[0] < 0x80 ? 1 : Utf8CharLength(s, n);
    case Charset::kGb18030:
      return GbCharLength(s, n);
    case Charset::kUtf16le:
      return Utf16CharLength(s, n);
  }
  return 0;
}

// Converts the whole characters in[0, n) into out[0, room) as one piece. kDone sets
// *written; kInvalid: a character is invalid or has no form in the target; kNoRoom: the
// piece does not fit (out may then hold anything).
Outcome ConvertRun(Codec& codec, const char* in, std::size_t n, char* out, std::size_t room,
                   std::size_t* written) {
  // Each input byte yields at most one UTF-16 unit.
  if (codec.wide.size() < n) codec.wide.resize(n);
  wchar_t* wide = codec.wide.data();
  int units;
  if (codec.from == Charset::kUtf16le) {
    std::memcpy(wide, in, n);
    units = static_cast<int>(n / 2);
  } else {
    const UINT page = codec.from == Charset::kUtf8 ? CP_UTF8 : ProgramCodePage();
    units = ::MultiByteToWideChar(page, MB_ERR_INVALID_CHARS, in, static_cast<int>(n), wide,
                                  static_cast<int>(n));
    if (units == 0) return Outcome::kInvalid;
  }
  if (codec.to == Charset::kUtf16le) {
    const std::size_t bytes = 2 * static_cast<std::size_t>(units);
    if (bytes > room) return Outcome::kNoRoom;
    std::memcpy(out, wide, bytes);
    *written = bytes;
    return Outcome::kDone;
  }
  // The size first, then the conversion: Wine reports a short buffer as written bytes.
  const bool gbk = codec.to == Charset::kGb18030 && ProgramCodePage() == 936;
  const UINT page = codec.to == Charset::kUtf8 ? CP_UTF8 : ProgramCodePage();
  // GBK lacks most characters: one that would take the default character is invalid.
  const DWORD flags = gbk ? WC_NO_BEST_FIT_CHARS : WC_ERR_INVALID_CHARS;
  BOOL defaulted = FALSE;
  const int bytes = ::WideCharToMultiByte(page, flags, wide, units, nullptr, 0, nullptr,
                                          gbk ? &defaulted : nullptr);
  if (bytes <= 0 || defaulted) return Outcome::kInvalid;
  if (static_cast<std::size_t>(bytes) > room) return Outcome::kNoRoom;
  if (::WideCharToMultiByte(page, flags, wide, units, out, bytes, nullptr, nullptr) != bytes) {
    return Outcome::kInvalid;
  }
  *written = static_cast<std::size_t>(bytes);
  return Outcome::kDone;
}

}  // namespace

Converter::Converter(const char* to, const char* from) : handle_(nullptr) {
  Charset to_charset, from_charset;
  if (Named(to, &to_charset) && Named(from, &from_charset)) {
    handle_ = new Codec{to_charset, from_charset, {}};
  }
}

Converter::~Converter() { delete static_cast<Codec*>(handle_); }

int Converter::Run(const char** in, std::size_t* in_left, char** out, std::size_t* out_left) {
  if (handle_ == nullptr) return EINVAL;
  Codec& codec = *static_cast<Codec*>(handle_);
  std::size_t limit = kRunBytes;  // halved after a failed run, until it holds one character
  while (*in_left > 0) {
    const auto* s = reinterpret_cast<const unsigned char*>(*in);
    std::size_t run = 0, last = 0;  // the run's bytes; the length of its last character
    while (run < *in_left && run < limit) {
      const std::size_t length = CharLength(codec.from, s + run, *in_left - run);
      if (length == 0 || length == kCut || (run > 0 && run + length > limit)) break;
      run += length;
      last = length;
    }
    if (run == 0) {
      return CharLength(codec.from, s, *in_left) == kCut ? EINVAL : EILSEQ;
    }
    std::size_t written = 0;
    const Outcome outcome = ConvertRun(codec, *in, run, *out, *out_left, &written);
    if (outcome == Outcome::kDone) {
      *in += run;
      *in_left -= run;
      *out += written;
      *out_left -= written;
      limit = kRunBytes;
    } else if (run == last) {  // a single character
      return outcome == Outcome::kNoRoom ? E2BIG : EILSEQ;
    } else {
      limit = run / 2;
    }
  }
  return 0;
}

UINT ProgramCodePage() {
  static const UINT page = ::IsValidCodePage(54936) ? 54936 : 936;
  return page;
}

}  // namespace charset
