// Telling a whole file's character set: devmgr keeps GB18030 (GBK) bytes, and a file an
// editor saved in UTF-8 is converted when it is read. Many short GBK texts are valid UTF-8
// too (目录 in GBK is C4 BF C2 BC, two Latin-1 letters in UTF-8), so validity alone is not
// enough: a file that could be either is taken for UTF-8 only when, read so, it is mostly
// Chinese. Platform-neutral: plain byte checks, no converter.
#pragma once

#include <string_view>

namespace charset {

// True when bytes are GB18030 as far as its structure goes: single bytes 00-7F, a lead
// 81-FE with a trail 40-7E or 80-FE, or the four bytes 81-FE 30-39 81-FE 30-39. A lone 80
// or FF, a lead cut by the end or a bad trail makes it false. Whether a well-formed code
// has a character assigned is not looked at. Empty text is valid.
bool IsGb18030Text(std::string_view bytes);

// True when a file's bytes are to be read as UTF-8 and converted: the file is valid UTF-8
// and either begins with the byte-order mark EF BB BF, or holds a byte that is not ASCII
// and is not valid GB18030, or holds a byte that is not ASCII and, read as UTF-8, more than
// half of its characters that are not ASCII are CJK (U+2E80-U+9FFF, U+F900-U+FAFF,
// U+FE30-U+FE4F, U+FF00-U+FFEF). Any other file is taken byte for byte.
bool IsUtf8File(std::string_view bytes);

}  // namespace charset
