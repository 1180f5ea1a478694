// The cells of a table file, as a spreadsheet saves them: rows of cells split at tabs
// ("text, tab-separated", "Unicode text") or at commas as RFC 4180 says (CSV: a cell in
// double quotes may hold the separator, a line end and doubled quotes). Lines end in LF or
// CR LF. Cells are then cleaned to what a field may hold: trimmed, inner blanks one `_`,
// the guards of devmgr's own CSV taken off. The bytes are GB18030, whose multi-byte
// characters never hold an ASCII byte below 0x30, so blanks, tabs, quotes and line ends are
// found byte by byte.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
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

// What cleaning changed in the cells of a table, for the notes.
struct CellFixes {
  std::size_t joined = 0;  // cells whose inner blanks or line ends became `_`
  std::string first_joined;
};

// The cell's text as a field holds it: unquoted (RFC 4180), blanks, tabs, line ends and
// the ideographic space U+3000 trimmed at both ends, `="text"` and an apostrophe before
// = + - @ (the guards devmgr's CSV writes) taken off, and each run of blanks, tabs or line
// ends inside made one `_` (counted in fixes). A view of the cell itself when nothing had
// to change, else of scratch.
std::string_view CleanCell(const RawCell& cell, std::string& scratch, CellFixes& fixes);

// True when CleanCell would give the cell as it is: most cells, checked inline.
inline bool IsPlainCell(const RawCell& cell) {
  const std::string_view text = cell.text;
  return !cell.quoted && !cell.spaced && !text.empty() && text[0] != '=' && text[0] != '\'' &&
         text[0] != '\xA1' && text.back() != '\xA1';  // A1: the ideographic space's bytes
}

// The purchase time text in the program's form, Y.M.D, when it is written Y/M/D, Y-M-D or
// Y年M月D日 (month and day without leading zeros: 2021-03-15 is 2021.3.15); empty for text
// in any other form.
std::string ProgramDate(std::string_view text);

// False for text that ProgramDate surely turns down: the program's own 2021.3.15 among
// them (the year's four digits stand before the first sign).
inline bool MayBeDate(std::string_view text) {
  return text.size() >= 8 && text[4] != '.' && (text[4] < '0' || text[4] > '9');
}
