// Character sets at the edges of the program. devmgr keeps, compares and prints its texts
// in GB18030 (of which GBK is a part), while most terminals and editors speak UTF-8 and
// the Windows console speaks UTF-16. These converters let the console and the import file
// meet them. The one platform part is Converter: iconv(3) on POSIX systems
// (charset_posix.cpp), the code page functions on Windows (charset_win.cpp).
#pragma once

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

// A converter from one charset to another, released with its owner. Charsets are named as
// iconv(3) names them; every platform knows "UTF-8", "GB18030" and "UTF-16LE". Where the
// platform has only GBK (Windows without code page 54936, as under Wine), "GB18030" is
// GBK: characters GBK lacks are then invalid both ways.
class Converter {
 public:
  // A charset the platform does not know leaves a converter whose Run fails with EINVAL.
  Converter(const char* to, const char* from);
  ~Converter();
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // Converts from *in as far as it can into *out, advancing both; returns 0 when all of
  // the input was converted, else the errno that stopped it, with *in at the character
  // that stopped it: E2BIG (*out is full), EILSEQ (an invalid input character, or one
  // with no form in the target charset), EINVAL (a character cut short by the input's end).
  int Run(const char** in, std::size_t* in_left, char** out, std::size_t* out_left);

 private:
  void* handle_;  // the platform's converter, or nullptr when it could not be opened
};

// Converts GB18030 bytes piece after piece, as they are written, into another charset.
// Bytes that form no GB18030 character come out as U+FFFD, so the output is always valid;
// a character cut at the end of one piece is kept back and converted whole with the next.
class GbDecoder {
 public:
  // to: a Unicode charset ("UTF-8", "UTF-16LE"); replacement: U+FFFD in it.
  GbDecoder(const char* to, std::string_view replacement)
      : cd_(to, "GB18030"), replacement_(replacement) {}

  // Appends the converted form of bytes (after the part kept from the last call) to out.
  void Convert(std::string_view bytes, std::string& out);

  // Appends what is left of the last piece, its incomplete character as U+FFFD.
  void Finish(std::string& out);

 private:
  void ConvertWhole(std::string_view bytes, bool last, std::string& out);

  Converter cd_;
  std::string_view replacement_;
  std::string tail_;  // the start of a character cut by the end of the last piece
};

// Shows GB18030 bytes as UTF-8 (a UTF-8 terminal), as GbDecoder converts them.
class GbToUtf8 : public GbDecoder {
 public:
  GbToUtf8() : GbDecoder("UTF-8", "\xEF\xBF\xBD") {}
};

// Shows GB18030 bytes as UTF-16 (the Windows console), as GbDecoder converts them.
class GbToUtf16 {
 public:
  // Appends the UTF-16 form of bytes (after the part kept from the last call) to out.
  void Convert(std::string_view bytes, std::u16string& out);

  // Appends what is left of the last piece, its incomplete character as U+FFFD.
  void Finish(std::u16string& out);

 private:
  void Append(std::u16string& out);

  GbDecoder decoder_{"UTF-16LE", "\xFD\xFF"};
  std::string bytes_;  // UTF-16LE, as the decoder writes it
};

// The GB18030 form of UTF-16 typed at a console, piece after piece as it is read. A
// surrogate pair cut between two pieces is kept back and converted whole. A surrogate
// without its pair becomes '?'; a character that has no GB18030 form takes its UTF-8 form,
// as Utf8ToGb keeps such a character as typed.
class Utf16ToGb {
 public:
  // Appends the GB18030 form of units (after a high surrogate kept from the last call).
  void Convert(std::u16string_view units, std::string& out);

 private:
  Converter cd_{"GB18030", "UTF-16LE"};
  char16_t high_ = 0;  // a high surrogate that ended the last piece, or 0
};

// The GB18030 form of a token typed in UTF-8. Bytes that are not valid UTF-8 pass through
// unchanged, and so does any character that has no GB18030 form; ASCII is the same in
// both. Characters GBK lacks take GB18030's four-byte form.
std::string Utf8ToGb(std::string_view typed);

}  // namespace charset
