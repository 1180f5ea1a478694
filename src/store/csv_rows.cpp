#include "store/csv_rows.h"

#include <cstdint>
#include <cstring>

#include "store/csv_cells.h"

namespace {

// Copies an ASCII text to out, with the classes of its bytes in *seen; false, with nothing
// done, when the text holds a byte beyond ASCII. Eight bytes at a time, without a branch on
// what they hold: most cells (codes, numbers, dates) are ASCII.
bool CopyAscii(std::string_view text, char* out, unsigned* seen) {
  const auto* s = reinterpret_cast<const unsigned char*>(text.data());
  const std::size_t n = text.size();
  if (n > 0 && s[0] >= 0x80) return false;  // a name, most likely: no look at the rest
  std::uint64_t high = 0;
  unsigned a = 0, b = 0;
  std::size_t i = 0;
  for (; i + 8 <= n; i += 8) {
    std::uint64_t word;
    std::memcpy(&word, s + i, 8);
    high |= word;
    a |= kCellClasses[s[i]] | kCellClasses[s[i + 1]] | kCellClasses[s[i + 2]] |
         kCellClasses[s[i + 3]];
    b |= kCellClasses[s[i + 4]] | kCellClasses[s[i + 5]] | kCellClasses[s[i + 6]] |
         kCellClasses[s[i + 7]];
  }
  for (; i < n; ++i) {
    high |= s[i];
    a |= kCellClasses[s[i]];
  }
  if ((high & 0x8080808080808080u) != 0) return false;
  std::memcpy(out, s, n);
  *seen = a | b;
  return true;
}

}  // namespace

std::size_t CsvRows::Bound(const std::string_view* cells, std::size_t n) {
  std::size_t bound = n + 2;  // the commas and the line end
  for (std::size_t i = 0; i < n; ++i) {
    bound += CellBound(charset::GbCellDecoder::kGrowth * cells[i].size());
  }
  return bound;
}

char* CsvRows::Put(const std::string_view* cells, std::size_t n, char* out) {
  for (std::size_t i = 0; i < n; ++i) {
    if (i > 0) *out++ = ',';
    // Converted in place, and guarded there: most cells stand as they are.
    char* start = out;
    unsigned seen = 0;
    if (CopyAscii(cells[i], start, &seen)) {
      out = start + cells[i].size();
    } else {
      seen = 0;
      const auto look = [&seen](unsigned char c) { seen |= kCellClasses[c]; };
      out = decoder_.Convert(cells[i], start, look);
    }
    const auto size = static_cast<std::size_t>(out - start);
    if (size != 0 && !IsSurelyBare(seen, *start, size)) out = GuardInPlace(start, size, seen);
  }
  *out++ = '\r';
  *out++ = '\n';
  return out;
}
