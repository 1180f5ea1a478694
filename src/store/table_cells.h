// The cells of a table file (table_rows.h) cleaned to what a field may hold: trimmed,
// inner blanks one `_`, the guards of devmgr's own CSV taken off (table_cells.cpp); and a
// purchase time in another date form made the program's (table_dates.cpp).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "store/table_rows.h"

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

// True for the byte A1, which begins the GBK symbols of its row, the ideographic space
// among them (and ends some characters): a cell that begins or ends with it is trimmed.
inline bool IsGbSymbolLead(char c) { return static_cast<unsigned char>(c) == 0xA1; }

// True when CleanCell would give the cell as it is: most cells, checked inline.
inline bool IsPlainCell(const RawCell& cell) {
  const std::string_view text = cell.text;
  return !cell.quoted && !cell.spaced && !text.empty() && text[0] != '=' && text[0] != '\'' &&
         !IsGbSymbolLead(text[0]) && !IsGbSymbolLead(text.back());
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
