#include "store/table_rows.h"

#include <algorithm>
#include <bit>
#include <cstring>

#include "store/blank_mask.h"

namespace {

bool IsSpaceByte(char c) { return IsBlankByte(static_cast<unsigned char>(c)); }

// The masks of the 64 bytes at p for a table split at separator: the separators and line
// feeds, and the other white space (blank_mask.h).
// REQUIRES: p[0, 64) is readable.
BlockMasks Masks64(const char* p, char separator) {
  BlockMasks m;
#if defined(__SSE2__)
  const __m128i sep = _mm_set1_epi8(separator);
  const __m128i feed = _mm_set1_epi8('\n');
  for (int i = 0; i < 4; ++i) {
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
    const __m128i end = _mm_or_si128(_mm_cmpeq_epi8(c, sep), _mm_cmpeq_epi8(c, feed));
    m.ends |= static_cast<uint64_t>(static_cast<uint16_t>(_mm_movemask_epi8(end))) << (16 * i);
  }
#else
  for (int i = 0; i < 64; ++i) {
    m.ends |= static_cast<uint64_t>(p[i] == separator || p[i] == '\n') << i;
  }
#endif
  m.spaces = BlankMask64(p) & ~m.ends;
  return m;
}

}  // namespace

const BlockMasks& RowReader::MasksAt(const char* base) {
  if (base == block_) return masks_;
  block_ = base;
  if (end_ - base >= 64) {
    masks_ = Masks64(base, separator_);
  } else {  // the last block: its tail copied beside plain bytes
    char tail[64];
    std::memset(tail, 'x', sizeof tail);
    std::memcpy(tail, base, static_cast<std::size_t>(end_ - base));
    masks_ = Masks64(tail, separator_);
  }
  return masks_;
}

const char* RowReader::CellEnd(const char* from, bool& spaced) {
  spaced = false;
  const auto offset = static_cast<std::size_t>(from - begin_);
  for (const char* base = from - offset % 64; base < end_; base += 64) {
    const BlockMasks& m = MasksAt(base);
    const uint64_t after = from > base ? ~uint64_t{0} << (from - base) : ~uint64_t{0};
    const uint64_t ends = m.ends & after;
    if (ends != 0) {
      const int at = std::countr_zero(ends);
      spaced |= (m.spaces & after & ((uint64_t{1} << at) - 1)) != 0;
      return base + at;
    }
    spaced |= (m.spaces & after) != 0;
  }
  return end_;
}

const char* RowReader::QuotedEnd(const char* p) {
  for (++p; p < end_; ++p) {
    if (*p == '\n') ++line_;
    if (*p != '"') continue;
    if (p + 1 < end_ && p[1] == '"') {
      ++p;
    } else {
      return p + 1;
    }
  }
  return end_;
}

bool RowReader::Next(std::vector<RawCell>& cells, std::size_t& line) {
  cells.clear();
  if (p_ >= end_) return false;
  line = line_;
  for (const char* start = p_;;) {
    const bool quoted = *start == '"';
    bool spaced = false;
    const char* p = CellEnd(quoted ? QuotedEnd(start) : start, spaced);
    const char* cell_end = p;
    const bool row_ends = p == end_ || *p == '\n';
    if (row_ends && cell_end > start && cell_end[-1] == '\r') {
      --cell_end;  // a CR LF line end; a CR inside still counts
      spaced = spaced && std::find_if(start, cell_end, IsSpaceByte) != cell_end;
    }
    cells.push_back({{start, static_cast<std::size_t>(cell_end - start)}, quoted, spaced});
    p_ = p == end_ ? end_ : p + 1;
    if (row_ends) {
      line_ += p == end_ ? 0 : 1;
      return true;
    }
    if (p_ == end_) {  // a separator ends the file: one more empty cell
      cells.push_back({});
      return true;
    }
    start = p_;
  }
}
