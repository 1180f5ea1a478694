#include "console/import_notes.h"

#include "console/io.h"
#include "locale/messages.h"

namespace con {
namespace {

// The rows at fault of a table that was refused, then what to do.
void TellRefusedTable(const std::string& name, const TableNotes& table) {
  for (const LoadError& fault : table.faults) {
    Warn(msg::Say("%1$s:%2$s: %3$s", {name, std::to_string(fault.line), fault.reason}));
  }
  Warn(msg::Say("%1$s: a table with %2$s row(s) at fault; nothing imported. Mend the sheet "
                "and import it again.",
                {name, std::to_string(table.rows_at_fault)}));
}

}  // namespace

void TellTableNotes(const std::string& name, const TableNotes& table, std::size_t records) {
  if (table.separator == 0) return;
  if (table.rows_at_fault > 0) return TellRefusedTable(name, table);
  const std::string_view separator =
      table.separator == '\t' ? msg::Tr("tab-separated") : msg::Tr("comma-separated (CSV)");
  const std::string count = std::to_string(records);
  Warn(table.header ? msg::Say("%1$s: a table, %2$s, with a header row; records added: %3$s",
                               {name, separator, count})
                    : msg::Say("%1$s: a table, %2$s, without a header row (the columns in "
                               "the order of the fields); records added: %3$s",
                               {name, separator, count}));
  if (!table.ignored.empty()) {
    std::string columns;
    for (const std::string& column : table.ignored) columns += (columns.empty() ? "" : ", ") + column;
    Warn(msg::Say("%1$s: columns ignored: %2$s", {name, columns}));
  }
  if (table.joined > 0) {
    Warn(msg::Say("%1$s: %2$s cell(s) held blanks or line ends, each run now one _ "
                  "(the first: %3$s)",
                  {name, std::to_string(table.joined), table.first_joined}));
  }
  if (table.dates > 0) {
    Warn(msg::Say("%1$s: %2$s purchase time(s) written in another date form now read as "
                  "the program writes dates (the first: %3$s, now %4$s)",
                  {name, std::to_string(table.dates), table.first_date, table.first_date_now}));
  }
}

namespace {

// The words of a file read by sevens that made no whole record.
void TellDroppedWords(const std::string& name, std::size_t words) {
  const std::size_t dropped = words % 7;
  if (dropped == 0) return;
  const std::string count = std::to_string(words);
  if (dropped == 1) {
    Warn(msg::Say(
        "%s: %s words, not a multiple of seven; the last incomplete record (1 word) was dropped",
        {name, count}));
  } else {
    Warn(msg::Say(
        "%s: %s words, not a multiple of seven; the last incomplete record (%s words) was dropped",
        {name, count, std::to_string(dropped)}));
  }
}

}  // namespace

void TellImportNotes(const std::string& path, const ImportNotes& notes) {
  const std::string name = Printable(path);
  for (const std::string& line : DecodedNote(name, notes.decoded)) Warn(line);
  if (notes.record_file) {
    Warn(msg::Say("%s: read as a record file (a serial and seven fields a line), "
                  "serials dropped; records added: %s",
                  {name, std::to_string(notes.records)}));
  }
  if (notes.near_fault.line > 0) {
    Warn(msg::Say("%1$s:%2$s: %3$s",
                  {name, std::to_string(notes.near_fault.line), notes.near_fault.reason}));
    Warn(msg::Say("%s: most lines are records (a serial and seven fields) but not all; "
                  "nothing imported. Mend the file and import it again.",
                  {name}));
  }
  TellTableNotes(name, notes.table, notes.records);
  TellDroppedWords(name, notes.words);
}

}  // namespace con
