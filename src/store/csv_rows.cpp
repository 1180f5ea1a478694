#include "store/csv_rows.h"


#include "store/csv_cells.h"

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
    out = decoder_.Convert(cells[i], start, [&seen](unsigned char c) { seen |= kCellClasses[c]; });
    const auto size = static_cast<std::size_t>(out - start);
    if (size != 0 && !IsSurelyBare(seen, *start, size)) out = GuardInPlace(start, size, seen);
  }
  *out++ = '\r';
  *out++ = '\n';
  return out;
}
