// Converting text between character sets, for the build's text generator, the benchmark's
// file generator and the tests: iconv(3) on POSIX systems, the code page functions on
// Windows (where the Windows build's tests run). The program has converters of its own.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include <iconv.h>
#endif

#include <cstring>
#include <string>
#include <string_view>

#ifdef _WIN32

// The code page of a charset name ConvertText knows on Windows, or 0. GB18030 is code
// page 54936, which Wine lacks: there ConvertText to or from it fails.
inline UINT CodePageOf(const char* charset) {
  if (std::strcmp(charset, "UTF-8") == 0) return CP_UTF8;
  if (std::strcmp(charset, "GBK") == 0) return 936;
  if (std::strcmp(charset, "GB18030") == 0) return IsValidCodePage(54936) ? 54936 : 0;
  return 0;
}

// True for a UTF-16 unit that code page 936 maps but iconv's GBK does not: the private-use
// characters of GBK's user-defined areas, and the euro sign (the single byte 0x80).
inline bool BeyondIconvGbk(wchar_t unit) {
  return (unit >= 0xE000 && unit <= 0xF8FF) || unit == 0x20AC;
}

// Converts in from the charset from to the charset to ("UTF-8", "GBK" or "GB18030"), by
// way of UTF-16. False when a charset is unknown, in is not valid in from, or has no form
// in to (no best-fit look-alike stands in for it); GBK is iconv's, without what only code
// page 936 adds.
inline bool ConvertText(std::string_view in, const char* to, const char* from, std::string* out) {
  const UINT to_page = CodePageOf(to), from_page = CodePageOf(from);
  if (to_page == 0 || from_page == 0 || in.size() > 0x3FFFFFFF) return false;
  if (in.empty()) {
    out->clear();
    return true;
  }
  const int in_size = static_cast<int>(in.size());
  const int units = MultiByteToWideChar(from_page, MB_ERR_INVALID_CHARS, in.data(), in_size,
                                        nullptr, 0);
  if (units == 0) return false;
  std::wstring wide(static_cast<std::size_t>(units), L'\0');
  MultiByteToWideChar(from_page, MB_ERR_INVALID_CHARS, in.data(), in_size, wide.data(), units);
  if (from_page == 936 || to_page == 936) {
    for (wchar_t unit : wide) {
      if (BeyondIconvGbk(unit)) return false;
    }
  }
  // UTF-8 refuses the default-character arguments; a lone surrogate fails it instead.
  const bool utf8 = to_page == CP_UTF8;
  const DWORD flags = utf8 ? WC_ERR_INVALID_CHARS : WC_NO_BEST_FIT_CHARS;
  BOOL defaulted = FALSE;
  BOOL* const defaulted_arg = utf8 ? nullptr : &defaulted;
  const int bytes =
      WideCharToMultiByte(to_page, flags, wide.data(), units, nullptr, 0, nullptr, defaulted_arg);
  if (bytes == 0 || defaulted) return false;
  std::string dst(static_cast<std::size_t>(bytes), '\0');
  WideCharToMultiByte(to_page, flags, wide.data(), units, dst.data(), bytes, nullptr,
                      defaulted_arg);
  *out = std::move(dst);
  return true;
}

#else

// Converts in from the charset from to the charset to (iconv names such as "GBK" and
// "UTF-8"). False when a charset is unknown or in has no form in to.
inline bool ConvertText(std::string_view in, const char* to, const char* from, std::string* out) {
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) return false;
  std::string src(in);
  std::string dst(src.size() * 2 + 8, '\0');  // GBK and UTF-8 never more than double
  char* s = src.data();
  size_t s_left = src.size();
  char* d = dst.data();
  size_t d_left = dst.size();
  const bool ok = iconv(cd, &s, &s_left, &d, &d_left) != static_cast<size_t>(-1) && s_left == 0;
  iconv_close(cd);
  if (!ok) return false;
  dst.resize(dst.size() - d_left);
  *out = std::move(dst);
  return true;
}

#endif
