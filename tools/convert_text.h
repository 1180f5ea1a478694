// Converting text between character sets with iconv(3), for the build's text generator,
// the benchmark's file generator and the tests. The program itself never converts.
#pragma once

#include <iconv.h>

#include <string>
#include <string_view>

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
