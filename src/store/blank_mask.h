// Finding the white space in a block of bytes 64 at a time, for the import file's
// tokenizer: token boundaries are then the changes between neighbouring bits.
#pragma once

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

// True for the bytes that separate tokens: blank, tab, LF, VT, FF and CR (9 to 13).
inline bool IsBlankByte(unsigned char c) {
  return c == ' ' || static_cast<unsigned char>(c - 9) < 5;
}

// Bit i is set when p[i] separates tokens. REQUIRES: p[0, 64) is readable.
inline uint64_t BlankMask64(const char* p) {
  uint64_t mask = 0;
#if defined(__SSE2__)
  const __m128i space = _mm_set1_epi8(' ');
  const __m128i tab = _mm_set1_epi8('\t');
  const __m128i four = _mm_set1_epi8(4);
  for (int i = 0; i < 4; ++i) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
    const __m128i off = _mm_sub_epi8(c, tab);  // 0..4 exactly for tab to CR
    const __m128i control = _mm_cmpeq_epi8(_mm_min_epu8(off, four), off);
    const __m128i blank = _mm_or_si128(control, _mm_cmpeq_epi8(c, space));
    mask |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(blank))) << (16 * i);
  }
#else
  for (int i = 0; i < 64; ++i) {
    mask |= static_cast<uint64_t>(IsBlankByte(static_cast<unsigned char>(p[i]))) << i;
  }
#endif
  return mask;
}
