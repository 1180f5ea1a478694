// Tables as spreadsheets save them (Excel's and WPS's "text, tab-separated", "Unicode
// text" and CSV), read as records. After the file's encoding is settled (file_text.h), a
// file whose first line that is not blank holds a tab is split at tabs, else one whose
// first such line holds a comma is split as CSV (table_cells.h). It is a table
// - with a header, when the first row that is not empty names all seven fields (by their
//   labels, in English, or by the other names of table_header.h): the columns are then
//   taken by name, in any order; a serial column and any other column are ignored;
// - without one, when that row holds exactly seven cells (empty cells past the seventh do
//   not count): the columns are then the fields in their order.
// Rows whose cells are all empty are skipped. A table with an empty cell in a field's
// column, or a row with more cells than the header, gives no record at all: the rows at
// fault are told instead, so that a table is never imported shifted.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "model/device.h"
#include "store/load_records.h"

// What reading a table found, for the notes on standard error.
struct TableNotes {
  char separator = 0;   // '\t' or ','; 0 when the file is no table
  bool header = false;  // the first row named the columns
  std::vector<std::string> ignored;  // the header's names of the columns ignored, serial aside
  std::size_t joined = 0;            // cells whose inner blanks or line ends became `_`
  std::string first_joined;          // the first of them, as it now reads
  std::size_t dates = 0;             // purchase times written in another date form
  std::string first_date, first_date_now;  // the first of them, before and after
  std::size_t rows_at_fault = 0;     // when not 0, the table was refused
  std::vector<LoadError> faults;     // the first rows at fault: line and why
};

// How ReadTable ended.
enum class TableRead { kNoTable, kRead, kRefused };

// Appends the records of the table bytes[0, size) to records, in row order, serials 0;
// kNoTable (nothing appended, notes.separator 0) when the bytes are no table by the rule
// above; kRefused when the table is at fault (nothing appended, notes.faults telling the
// first rows at fault). Purchase times written 2021/3/15, 2021-03-15 or in Chinese become
// 2021.3.15 (ProgramDate).
// REQUIRES: the bytes lie in a buffer adopted by Texts() and stay there.
TableRead ReadTable(const char* bytes, std::size_t size, DevList::Records& records,
                    TableNotes& notes);
