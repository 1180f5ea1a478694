#include "locale/reading_weight.h"

#include <cstddef>

#include "locale/char_classes.h"
#include "locale/charset.h"

namespace charset {
namespace {

// The weights. Chosen so that, with every GB2312 hanzi as likely as another:
// - a word of GBK hanzi stays GBK wherever no UTF-8 word of common characters is made of
//   the same bytes (level 2 weighs less than two of level 1, so the UTF-8 form of two
//   rare hanzi still outweighs the three GBK characters its bytes make);
// - a GBK character alone outweighs no two-byte UTF-8 one (kTwoByteUtf8 is above every
//   GBK character), and no GBK word turns Latin, Greek or Cyrillic;
// - Hangul beside hanzi weighs what a rare hanzi does: Korean is written without them.
constexpr unsigned kClassWeight[4] = {2, 3, 6, 8};  // by charclassgen's class
constexpr unsigned kCommon = kClassWeight[0];       // Hangul, kana
constexpr unsigned kTwoByteUtf8 = 7;
constexpr unsigned kFourBytes = 8;  // a GB18030 four-byte code, a UTF-8 one beyond the BMP
constexpr unsigned kHangulBesideHan = 4;

// The class of a code point of the BMP, or of the GBK code lead trail.
unsigned CodePointClass(char32_t c) {
  return classes::kByCodePoint[c >> 2] >> (c & 3) * 2 & 3;
}
unsigned GbkClass(unsigned lead, unsigned trail) {
  const unsigned i = (lead - 0x81) * classes::kTrails + trail - 0x40;
  return classes::kByGbk[i >> 2] >> (i & 3) * 2 & 3;
}

bool IsHangul(char32_t c) {
  return (c >= 0x1100 && c <= 0x11FF) || (c >= 0x3130 && c <= 0x318F) ||
         (c >= 0xAC00 && c <= 0xD7AF);
}
bool IsKana(char32_t c) { return (c >= 0x3040 && c <= 0x30FF) || (c >= 0x31F0 && c <= 0x31FF); }

// Hanzi (the unified ideographs, their extension A and compatibility forms) and kana.
bool IsHanOrKana(char32_t c) {
  return IsKana(c) || (c >= 0x3400 && c <= 0x4DBF) || (c >= 0x4E00 && c <= 0x9FFF) ||
         (c >= 0xF900 && c <= 0xFAFF);
}

// The weight of a three-byte UTF-8 character alone.
unsigned Weight(char32_t c) {
  if (IsHangul(c) || IsKana(c)) return kCommon;
  return kClassWeight[CodePointClass(c)];
}

}  // namespace

uint64_t Utf8Weight(std::string_view bytes) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  uint64_t weight = 0;
  std::size_t last_end = 0;  // where the last character that is not ASCII ended
  char32_t last = 0;         // that character, or 0 for none or one of two or four bytes
  for (std::size_t i = 0; i < n;) {
    const std::size_t length = Utf8Length(s + i, n - i);
    if (length == 1) {
      ++i;
      continue;
    }
    char32_t c = 0;
    if (length == 3) {
      c = (s[i] & 0x0Fu) << 12 | (s[i + 1] & 0x3Fu) << 6 | (s[i + 2] & 0x3Fu);
      weight += Weight(c);
      const bool mixed = (IsHangul(c) && IsHanOrKana(last)) || (IsHanOrKana(c) && IsHangul(last));
      if (mixed && last_end == i) weight += kHangulBesideHan;
    } else {
      weight += length == 2 ? kTwoByteUtf8 : kFourBytes;
    }
    last = c;
    i += length;
    last_end = i;
  }
  return weight;
}

uint64_t GbWeight(std::string_view bytes) {
  const auto* s = reinterpret_cast<const unsigned char*>(bytes.data());
  const std::size_t n = bytes.size();
  uint64_t weight = 0;
  for (std::size_t i = 0; i < n;) {
    if (s[i] < 0x80) {
      ++i;
    } else if (s[i + 1] >= 0x40) {
      weight += kClassWeight[GbkClass(s[i], s[i + 1])];
      i += 2;
    } else {
      weight += kFourBytes;
      i += 4;
    }
  }
  return weight;
}

}  // namespace charset
