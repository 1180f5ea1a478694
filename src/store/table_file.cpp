#include "store/table_file.h"

#include <algorithm>
#include <cstring>

#include "locale/messages.h"
#include "store/table_cells.h"
#include "store/table_header.h"

namespace {

constexpr std::size_t kFaultsTold = 5;

// The English names of the fields, for messages about a table without a header.
constexpr std::string_view kEnglish[7] = {"code",     "name",          "holder", "department",
                                          "quantity", "purchase time", "price"};

// Where each field's cells stand, and what the columns are called.
struct Layout {
  std::size_t column[7] = {0, 1, 2, 3, 4, 5, 6};
  std::size_t width = 7;             // cells a row may hold
  std::vector<std::string> names;    // the header's cell of each column; empty: no header
};

// One row's cells, cleaned.
struct Row {
  std::vector<RawCell> raw;
  std::vector<std::string_view> cells;
  std::vector<std::string> scratch;
  std::size_t line = 0;
  std::size_t count = 0;  // cells up to the last that is not empty
};

// Reads the next row that is not all empty into row; false at the end.
bool NextRow(RowReader& reader, Row& row, CellFixes& fixes) {
  while (reader.Next(row.raw, row.line)) {
    const std::size_t n = row.raw.size();
    if (row.scratch.size() < n) row.scratch.resize(n);
    row.cells.resize(n);
    row.count = 0;
    for (std::size_t i = 0; i < n; ++i) {
      const RawCell& raw = row.raw[i];
      row.cells[i] = IsPlainCell(raw) ? raw.text : CleanCell(raw, row.scratch[i], fixes);
      if (!row.cells[i].empty()) row.count = i + 1;
    }
    if (row.count > 0) return true;
  }
  return false;
}

// The separator of the table bytes[0, size): a tab or comma on its first line that is not
// blank, or 0.
char SeparatorOf(const char* bytes, std::size_t size) {
  const char* p = bytes;
  const char* end = bytes + size;
  while (p < end) {
    const void* found = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
    const char* eol = found ? static_cast<const char*>(found) : end;
    const std::string_view line(p, static_cast<std::size_t>(eol - p));
    if (line.find('\t') != std::string_view::npos) return '\t';
    if (line.find_first_not_of(" \r\v\f") != std::string_view::npos) {
      return line.find(',') != std::string_view::npos ? ',' : 0;
    }
    p = eol + 1;
  }
  return 0;
}

// A guess at the rows of bytes[0, size), from the lines of its first part, so that the
// records are reserved once.
std::size_t EstimateRows(const char* bytes, std::size_t size) {
  const std::size_t sample = std::min<std::size_t>(size, 1 << 16);
  const auto feeds = static_cast<std::size_t>(std::count(bytes, bytes + sample, '\n'));
  return static_cast<std::size_t>(static_cast<double>(feeds) * static_cast<double>(size) /
                                  static_cast<double>(sample) * 1.05) + 1;
}

// Adds a row at fault to notes; only the first few are told.
void Fault(TableNotes& notes, std::size_t line, std::string reason) {
  if (notes.rows_at_fault++ < kFaultsTold) notes.faults.push_back({line, std::move(reason)});
}

// Takes the layout from the header row, the columns ignored into notes. False when row
// is no header (it names fewer than three fields); a header that lacks fields is a fault.
bool ReadHeader(const Row& row, Layout& layout, TableNotes& notes) {
  bool named[7] = {};
  std::size_t fields = 0;
  for (std::size_t i = 0; i < row.count; ++i) {
    const int field = FieldNamed(row.cells[i]);
    if (field >= 0 && field < 7 && !named[field]) {
      named[field] = true;
      layout.column[field] = i;
      ++fields;
    } else if (field != kSerialField && !row.cells[i].empty()) {
      notes.ignored.emplace_back(row.cells[i]);
    }
  }
  if (fields < 3) return false;
  layout.names.assign(row.cells.begin(), row.cells.begin() + static_cast<std::ptrdiff_t>(row.count));
  layout.width = row.count;
  std::string missing;
  for (std::size_t f = 0; f < 7; ++f) {
    if (!named[f]) missing += (missing.empty() ? "" : ", ") + std::string(kEnglish[f]);
  }
  if (!missing.empty()) {
    Fault(notes, row.line, msg::Say("the header names no column for: %s", {missing}));
  }
  return true;
}

// Checks a row against the layout; true when it can be a record.
bool CheckRow(const Row& row, const Layout& layout, TableNotes& notes) {
  if (row.count > layout.width) {
    Fault(notes, row.line,
          layout.names.empty()
              ? msg::Say("%s cells, expected seven", {std::to_string(row.count)})
              : msg::Say("%1$s cells, the header has %2$s",
                         {std::to_string(row.count), std::to_string(layout.width)}));
    return false;
  }
  for (std::size_t f = 0; f < 7; ++f) {
    const std::size_t c = layout.column[f];
    if (c < row.count && !row.cells[c].empty()) continue;
    const std::string column = c < layout.names.size()
                                   ? layout.names[c]
                                   : std::to_string(c + 1) + " (" + std::string(kEnglish[f]) + ")";
    Fault(notes, row.line, msg::Say("the cell in column %s is empty", {column}));
    return false;
  }
  return true;
}

// Fills record from a row that CheckRow passed. Cells the file holds as they are become
// slices of it; changed ones are kept apart.
void MakeRecord(const Row& row, const Layout& layout, std::string_view file, TableNotes& notes,
                device& record) {
  TextStore& store = Texts();
  for (std::size_t f = 0; f < 7; ++f) {
    const std::string_view cell = row.cells[layout.column[f]];
    Text& field = record.*kDeviceFields[f];
    if (kDeviceFields[f] == &device::purchaseTime && MayBeDate(cell)) {
      const std::string date = ProgramDate(cell);
      if (!date.empty()) {
        if (notes.dates++ == 0) {
          notes.first_date = cell;
          notes.first_date_now = date;
        }
        field = store.Keep(date);
        continue;
      }
    }
    const bool in_file = cell.data() >= file.data() && cell.data() < file.data() + file.size();
    field = in_file ? store.Slice(cell.data(), cell.size()) : store.Keep(cell);
  }
}

}  // namespace

TableRead ReadTable(const char* bytes, std::size_t size, DevList::Records& records,
                    TableNotes& notes) {
  notes = TableNotes();
  const char separator = SeparatorOf(bytes, size);
  if (separator == 0) return TableRead::kNoTable;
  RowReader reader(bytes, size, separator);
  Row row;
  CellFixes header_fixes, fixes;
  if (!NextRow(reader, row, header_fixes)) return TableRead::kNoTable;
  Layout layout;
  notes.header = ReadHeader(row, layout, notes);
  if (!notes.header) {
    notes.ignored.clear();
    if (row.count != 7) return TableRead::kNoTable;
    fixes = header_fixes;  // the first row is a record's
  }
  notes.separator = separator;
  if (notes.rows_at_fault > 0) return TableRead::kRefused;  // a header that lacks fields
  const std::size_t before = records.size();
  records.reserve(before + EstimateRows(bytes, size));
  const std::string_view file(bytes, size);
  for (bool more = !notes.header; more || NextRow(reader, row, fixes); more = false) {
    if (!CheckRow(row, layout, notes) || notes.rows_at_fault > 0) continue;
    MakeRecord(row, layout, file, notes, records.emplace_back());
  }
  notes.joined = fixes.joined;
  notes.first_joined = fixes.first_joined;
  if (notes.rows_at_fault == 0) return TableRead::kRead;
  records.resize(before);
  return TableRead::kRefused;
}
