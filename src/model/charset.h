// Character sets at the edges of the program. devmgr keeps, compares and prints its texts
// in GB18030 (of which GBK is a part), while most terminals and editors speak UTF-8. These
// converters, built on glibc's iconv(3), let the console and the import file meet them.
#pragma once

#include <iconv.h>

#include <cstddef>
#include <string>
#include <string_view>

namespace charset {

// The length (1 to 4) of the UTF-8 sequence that starts s[0, n), or 0 when s does not
// start with a whole, valid one: a stray continuation byte, an overlong form, a surrogate,
// a value past U+10FFFF, or a sequence cut short by n. REQUIRES: n > 0.
std::size_t Utf8Length(const unsigned char* s, std::size_t n);

// True when bytes are valid UTF-8 and hold at least one byte that is not ASCII: text an
// editor wrote in UTF-8. Stops at the first invalid sequence, so GBK text is turned down
// within its first few characters; runs of ASCII are skipped eight bytes at a time.
bool IsUtf8Text(std::string_view bytes);

// One iconv(3) conversion descriptor, closed with its owner.
class Iconv {
 public:
  // REQUIRES: glibc knows both charsets (it always knows UTF-8 and GB18030).
  Iconv(const char* to, const char* from);
  ~Iconv();
  Iconv(const Iconv&) = delete;
  Iconv& operator=(const Iconv&) = delete;

  // Converts from *in as far as it can into *out, advancing both; returns 0 when all of
  // the input was converted, else the errno that stopped it (E2BIG, EILSEQ, EINVAL).
  int Run(const char** in, std::size_t* in_left, char** out, std::size_t* out_left);

 private:
  iconv_t cd_;
};

// Shows GB18030 bytes as UTF-8, piece after piece as they are written. Bytes that form no
// GB18030 character come out as U+FFFD, so the output is always valid UTF-8; a character
// cut at the end of one piece is kept back and converted whole with the next.
class GbToUtf8 {
 public:
  GbToUtf8() : cd_("UTF-8", "GB18030") {}

  // Appends the UTF-8 form of bytes (after the part kept from the last call) to out.
  void Convert(std::string_view bytes, std::string& out);

  // Appends what is left of the last piece, its incomplete character as U+FFFD.
  void Finish(std::string& out);

 private:
  void ConvertWhole(std::string_view bytes, bool last, std::string& out);

  Iconv cd_;
  std::string tail_;  // the start of a character cut by the end of the last piece
};

// The GB18030 form of a token typed in UTF-8. Bytes that are not valid UTF-8 pass through
// unchanged, and so does any character that has no GB18030 form; ASCII is the same in
// both. Characters GBK lacks take GB18030's four-byte form.
std::string Utf8ToGb(std::string_view typed);

}  // namespace charset
