// The rows of a table file, as a spreadsheet saves them: rows of cells split at tabs
// ("text, tab-separated", "Unicode text") or at commas as RFC 4180 says (CSV: a cell in
// double quotes may hold the separator, a line end and doubled quotes). Lines end in LF or
// CR LF. The bytes are GB18030, whose multi-byte characters never hold an ASCII byte below
// 0x30, so separators, quotes, blanks and line ends are found byte by byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

// One cell as the file holds it.
struct RawCell {
  std::string_view text;  // from its first byte to the separator or line end
  bool quoted = false;    // it begins with a double quote
  bool spaced = false;    // it holds a blank, tab, CR, VT or FF (unquoted cells only)
};

// Reads the rows of a table one after the other.
// Bits of the bytes of a 64-byte block: bit i for byte i.
struct BlockMasks {
  uint64_t ends = 0;    // the separator and line feeds
  uint64_t spaces = 0;  // blanks, CR, VT, FF, and tabs that do not separate
};

// Reads the rows of a table one after the other. The bytes are looked at 64 at a time:
// a cell ends at the next bit of the block's ends.
class RowReader {
 public:
  // Rows of bytes[0, size) split at separator ('\t' or ',').
  RowReader(const char* bytes, std::size_t size, char separator)
      : begin_(bytes), p_(bytes), end_(bytes + size), separator_(separator) {}

  // Reads the next row into cells; false at the end of the bytes. line receives the
  // 1-based line that the row starts on (a quoted line end makes a row span lines).
  bool Next(std::vector<RawCell>& cells, std::size_t& line);

 private:
  const char* QuotedEnd(const char* p);
  const char* CellEnd(const char* from, bool& spaced);
  const BlockMasks& MasksAt(const char* base);

  const char* begin_;
  const char* p_;
  const char* end_;
  char separator_;
  std::size_t line_ = 1;            // the line p_ is on
  const char* block_ = nullptr;     // the block masks_ is of
  BlockMasks masks_;
};
