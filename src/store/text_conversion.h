// Converting the bytes of a file in UTF-8 or UTF-16 to GB18030, the program's text, for
// file_text.h. What is no text in that encoding becomes U+FFFD and is counted.
#pragma once

#include <cstddef>

#include "files/file_bytes.h"
#include "locale/file_charset.h"

// What a conversion could not read.
struct Unreadable {
  std::size_t replaced = 0;  // characters that became U+FFFD
  bool odd_end = false;      // a UTF-16 text's odd last byte, a blank or line end, kept as such
};

// Converts in[0, in_left) from the charset from (kUtf8 or kUtf16Le) to GB18030, into a new
// buffer with room bytes free after the content. A bad UTF-8 byte, a surrogate without its
// pair and a UTF-16 unit cut short become U+FFFD (its GB18030 form, or UTF-8's where the
// platform's GB18030 is GBK); a character GB18030 has no form for keeps its UTF-8 form.
// std::bad_alloc when memory runs out.
FileBytes ToGb18030(charset::FileEncoding from, const char* in, std::size_t in_left,
                    std::size_t room, Unreadable& unreadable);
