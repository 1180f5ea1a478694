// The rows of the CSV copies of devmgr's files: UTF-8 after a byte-order mark, CR LF line
// ends on every platform, a header row of the columns' Chinese labels, and one row a record
// (its serial and its seven fields) or a name's total, each cell converted from GB18030 and
// guarded as csv_cells.h says.
#pragma once

#include <cstddef>
#include <string_view>

#include "locale/gb_cells.h"

// The first bytes of a record file's copy: the mark and the header row.
inline constexpr std::string_view kRecordsHead =
    "\xEF\xBB\xBF序列号,设备编号,设备名称,领用人,所属部门,数量,购买时间,价格\r\n";

// The first bytes of the statistics file's copy.
inline constexpr std::string_view kTotalsHead = "\xEF\xBB\xBF设备名称,设备数量\r\n";

// Writes rows of GB18030 cells as CSV rows.
class CsvRows {
 public:
  // The most bytes the row of these cells takes.
  static std::size_t Bound(const std::string_view* cells, std::size_t n);

  // Writes the row of cells[0, n) at out and returns its end.
  // REQUIRES: room for Bound(cells, n) bytes at out.
  char* Put(const std::string_view* cells, std::size_t n, char* out);

 private:
  charset::GbCellDecoder decoder_;
};
