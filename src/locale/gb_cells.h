// GB18030 to UTF-8 for many short texts, as a spreadsheet's copy of a record file needs them
// (a million records make eight million cells): ASCII is copied as it is, a two-byte
// character is looked up in a table that the platform's converter fills as characters first
// occur, and only a four-byte character goes through the converter each time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>
#include <vector>

#include "locale/charset.h"

namespace charset {

// Converts GB18030 texts to UTF-8 one whole text at a time, with the result GbToUtf8 gives
// for the text converted and finished alone: bytes that form no GB18030 character, and a
// character cut short by the text's end, become U+FFFD.
class GbCellDecoder {
 public:
  // The most UTF-8 bytes one byte of GB18030 takes (a stray byte as U+FFFD).
  static constexpr std::size_t kGrowth = 3;

  GbCellDecoder();

  // Writes the UTF-8 form of bytes at out and returns its end. Calls look(c) with the first
  // byte c of every character (or stray byte) on the way, so that the caller learns what the
  // text holds without a second look. REQUIRES: room for kGrowth * bytes.size() bytes at out.
  template <typename Look>
  char* Convert(std::string_view bytes, char* out, Look look);

  char* Convert(std::string_view bytes, char* out) {
    return Convert(bytes, out, [](unsigned char) {});
  }

 private:
  // The UTF-8 form of a two-byte character (four bytes for the few that GB18030 maps beyond
  // the BMP, such as FE51); length 0 while not yet looked up.
  struct Utf8Char {
    char bytes[4];
    unsigned char length;
  };

  // Fills known with the UTF-8 form of the character lead, trail through the converter.
  void LookUp(unsigned char lead, unsigned char trail, Utf8Char& known);

  // Writes the character at s[0, n) that is not ASCII and not in the table (a four-byte
  // character, a stray or cut byte) or U+FFFD for it; returns its end, *used the bytes taken.
  char* ConvertOther(const unsigned char* s, std::size_t n, std::size_t* used, char* out);

  Converter cd_;
  std::vector<Utf8Char> pairs_;  // by (lead - 0x81) * 256 + trail
};

template <typename Look>
char* GbCellDecoder::Convert(std::string_view bytes, char* out, Look look) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  std::size_t i = 0;
  while (i < n) {
    unsigned char c = s[i];
    while (c < 0x80) {  // a run of ASCII
      look(c);
      *out++ = static_cast<char>(c);
      if (++i == n) return out;
      c = s[i];
    }
    look(c);
    const unsigned char t = i + 1 < n ? s[i + 1] : 0;
    if (c != 0x80 && c != 0xFF && t >= 0x40 && t != 0x7F && t != 0xFF) {  // two bytes
      Utf8Char& u = pairs_[(c - 0x81u) * 256 + t];
      if (u.length == 0) LookUp(c, t, u);
      std::memcpy(out, u.bytes, 4);  // room for four: the two bytes read make up to six
      out += u.length;
      i += 2;
      continue;
    }
    std::size_t used = 1;
    out = ConvertOther(s + i, n - i, &used, out);
    i += used;
  }
  return out;
}

}  // namespace charset
