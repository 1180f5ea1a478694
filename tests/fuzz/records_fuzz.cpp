// Fuzz target: the record file reader behind --load and the import. Every input either
// gives one record per line that is not blank, each of seven fields that hold no separator and no line feed, numbered by
// position, which written back as a record file and read again gives the same fields; or
// it is refused naming a line of the input and a reason. Read as a table, the same bytes
// give records of seven fields without white space, no more than they have lines, or
// nothing at all, the rows at fault named by lines of the input; a record file gone wrong
// is named by one of its lines. The same bytes, read as the end of
// a file name beside dev.out, give a backup number only when they are that number's name.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

#include "model/device.h"
#include "files/backup.h"
#include "store/load_records.h"
#include "store/table_file.h"

namespace {

// Aborts, naming the broken promise, unless ok.
void Check(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "records_fuzz: %s\n", what);
  std::abort();
}

// The lines of bytes: line feeds, plus one for a last line without its line feed.
std::size_t LineCount(std::string_view bytes) {
  const auto feeds = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
  return feeds + (!bytes.empty() && bytes.back() != '\n' ? 1 : 0);
}

// The lines of bytes that hold more than blanks and tabs (a CR before a line feed aside).
std::size_t RecordLineCount(std::string_view bytes) {
  std::size_t lines = 0;
  for (std::size_t at = 0; at < bytes.size();) {
    std::size_t eol = bytes.find('\n', at);
    if (eol == std::string_view::npos) eol = bytes.size();
    std::string_view line = bytes.substr(at, eol - at);
    if (eol < bytes.size() && line.ends_with('\r')) line.remove_suffix(1);
    if (line.find_first_not_of(" \t") != std::string_view::npos) ++lines;
    at = eol + 1;
  }
  return lines;
}

// Parses bytes from a buffer adopted by the text store; false when refused.
bool Parse(std::string_view bytes, DevList::Records& records, LoadError* error) {
  auto buffer = std::make_unique<char[]>(bytes.size() + 1);
  std::memcpy(buffer.get(), bytes.data(), bytes.size());
  const char* kept = Texts().Adopt(std::move(buffer), bytes.size() + 1);
  return ParseRecordLines(kept, bytes.size(), records, error);
}

// The record file the writer would make of records.
std::string Render(const DevList::Records& records) {
  std::string out;
  for (const device& d : records) {
    out += std::to_string(d.serial);
    for (Text device::*field : kDeviceFields) out += " " + std::string((d.*field).view());
    out += "\n";
  }
  return out;
}

// One record per record line, numbered by position, seven non-empty fields without separators.
void CheckRecords(const DevList::Records& records, std::size_t lines) {
  Check(records.size() == lines, "not one record per line that is not blank");
  for (std::size_t i = 0; i < records.size(); ++i) {
    Check(records[i].serial == static_cast<int>(i + 1), "serial is not the position");
    for (Text device::*field : kDeviceFields) {
      const std::string_view text = (records[i].*field).view();
      Check(!text.empty(), "empty field");
      Check(text.find_first_of(" \t\n\v\f\r") == std::string_view::npos, "separator in field");
    }
  }
}

// The table reader and the near record file check on bytes.
void CheckTable(std::string_view bytes) {
  auto buffer = std::make_unique<char[]>(bytes.size() + 1);
  std::memcpy(buffer.get(), bytes.data(), bytes.size());
  const char* kept = Texts().Adopt(std::move(buffer), bytes.size() + 1);
  DevList::Records records;
  TableNotes notes;
  const std::size_t lines = LineCount(bytes);
  switch (ReadTable(kept, bytes.size(), records, notes)) {
    case TableRead::kNoTable:
      Check(records.empty() && notes.separator == 0, "no table, yet records or a separator");
      break;
    case TableRead::kRefused:
      Check(records.empty(), "a refused table gave records");
      Check(!notes.faults.empty() && notes.rows_at_fault >= notes.faults.size(), "no fault told");
      for (const LoadError& fault : notes.faults) {
        Check(fault.line >= 1 && fault.line <= lines, "a fault names no line");
        Check(!fault.reason.empty(), "a fault without a reason");
      }
      break;
    case TableRead::kRead:
      Check(records.size() <= lines, "more records than lines");
      for (const device& d : records) {
        for (Text device::*field : kDeviceFields) {
          const std::string_view text = (d.*field).view();
          Check(!text.empty(), "an empty field from a table");
          Check(text.find_first_of(" \t\n\v\f\r") == std::string_view::npos,
                "white space in a field from a table");
        }
      }
      break;
  }
  const LoadError near = NearRecordFault(bytes);
  Check(near.line <= lines, "a record file gone wrong names no line");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
  const std::string_view bytes(reinterpret_cast<const char*>(data), size);
  DevList::Records records;
  LoadError error;
  if (Parse(bytes, records, &error)) {
    CheckRecords(records, RecordLineCount(bytes));
    const std::string again = Render(records);
    DevList::Records reread;
    Check(Parse(again, reread, &error), "its own rendering refused");
    Check(Render(reread) == again, "rendering read back differs");
  } else {
    Check(error.line >= 1 && error.line <= LineCount(bytes), "error names no line");
    Check(!error.reason.empty(), "error without a reason");
  }
  CheckTable(bytes);
  Texts().Reset();
  const int number = BackupNumber(bytes);
  Check(number >= 0, "negative backup number");
  Check(number == 0 || NumberedBackupPath("", number) == bytes, "backup number of another name");
  return 0;
}
