// The cells of a table file, as a spreadsheet saves them: rows of cells split at tabs
// ("text, tab-separated", "Unicode text") or at commas as RFC 4180 says (CSV: a cell in
// double quotes may hold the separator, a line end and doubled quotes). Lines end in LF or
// CR LF. Cells are then cleaned to what a field may hold: trimmed, inner blanks one `_`,
// the guards of devmgr's own CSV taken off. The bytes are GB18030, whose multi-byte
// characters never hold an ASCII byte below 0x30, so blanks, tabs, quotes and line ends are
// found byte by byte.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// One cell as the file holds it.
struct RawCell {
  std::string_view text;  // from its first byte to the separator or line end
  bool quoted = false;    // it begins with a double quote
};

// Reads the rows of a table one after the other.
class RowReader {
 public:
  // Rows of bytes[0, size) split at separator ('\t' or ',').
  RowReader(const char* bytes, std::size_t size, char separator)
      : p_(bytes), end_(bytes + size), separator_(separator) {}

  // Reads the next row into cells; false at the end of the bytes. line receives the
  // 1-based line that the row starts on (a quoted line end makes a row span lines).
  bool Next(std::vector<RawCell>& cells, std::size_t& line);

 private:
  const char* QuotedEnd(const char* p);

  const char* p_;
  const char* end_;
  char separator_;
  std::size_t line_ = 1;  // the line p_ is on
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

// The purchase time text in the program's form, Y.M.D, when it is written Y/M/D, Y-M-D or
// Y年M月D日 (month and day without leading zeros: 2021-03-15 is 2021.3.15); empty for text
// in any other form.
std::string ProgramDate(std::string_view text);
