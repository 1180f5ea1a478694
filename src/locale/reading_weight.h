// Weighing the two readings of bytes that are valid both as UTF-8 and as GB18030: each
// character weighs the more the rarer it is, and the lighter reading is the likelier one.
// A file of devmgr's holds Chinese, and now and then Korean or Japanese: the weights (see
// reading_weight.cpp) make a word of common hanzi, symbols, Hangul or kana light, a rare
// hanzi heavier, and a character outside GBK or a two-byte UTF-8 one (Latin, Greek,
// Cyrillic) heavy. How common a hanzi is comes from a table generated at build time from
// iconv's GB2312 and GBK (tools/charclassgen.cpp): level-1 hanzi and symbols are common.
#pragma once

#include <cstdint>
#include <string_view>

namespace charset {

// The weight of bytes read as UTF-8: its characters' weights added up. ASCII weighs
// nothing; Hangul weighs more where it stands right beside a hanzi or kana.
// REQUIRES: bytes are valid UTF-8.
uint64_t Utf8Weight(std::string_view bytes);

// The weight of bytes read as GB18030, its characters' weights added up; ASCII weighs
// nothing. REQUIRES: charset::IsGb18030Text(bytes).
uint64_t GbWeight(std::string_view bytes);

}  // namespace charset
