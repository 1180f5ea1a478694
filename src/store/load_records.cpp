#include "store/load_records.h"

#include <cerrno>
#include <memory>
#include <new>
#include <string_view>

#include "files/file_bytes.h"
#include "files/file_open.h"
#include "store/file_text.h"
#include "store/record_lines.h"
#include "store/table_file.h"
#include "locale/messages.h"

namespace {

// Reads the regular file at path whole, growing the buffer if it turns out longer than
// its size said.
bool ReadRegularFile(const std::string& path, FileBytes* out, LoadError* error) {
  std::string why;
  const int fd = OpenInputFile(path, InputKind::kRegular, &why);
  if (fd < 0) return Fail(error, 0, why);
  bool read = false;
  try {
    read = ReadToEnd(fd, *out, 1);
    why = read ? "" : msg::Say("cannot read: %s", {msg::SystemError(errno)});
  } catch (const std::bad_alloc&) {
    why = msg::Tr("memory full");
  }
  CloseInputFile(fd);
  return read || Fail(error, 0, why);
}

// Reads the table bytes[0, size) into records, numbered 1..n; false, error saying why,
// when they are no table (record_error is then the reason) or the table is at fault.
bool LoadTable(const char* bytes, std::size_t size, DevList::Records& records,
               const LoadError& record_error, LoadError* error, TableNotes& notes) {
  records.clear();
  switch (ReadTable(bytes, size, records, notes)) {
    case TableRead::kNoTable:
      return Fail(error, record_error.line, record_error.reason);
    case TableRead::kRefused:
      return Fail(error, notes.faults.at(0).line, notes.faults.at(0).reason);
    case TableRead::kRead:
      break;
  }
  for (std::size_t i = 0; i < records.size(); ++i) records[i].serial = static_cast<int>(i + 1);
  return true;
}

}  // namespace

bool LoadRecordFile(const std::string& path, DevList& list, LoadError* error,
                    DecodedText* decoded, TableNotes* table) {
  FileBytes file;
  if (!ReadRegularFile(path, &file, error)) return false;
  const DecodedText found = DecodeFileText(file, 1, FileRule::kRecordShape);
  if (decoded != nullptr) *decoded = found;
  DevList::Records records;
  TableNotes notes;
  if (file.size > 0) {
    const char* bytes = Texts().Adopt(std::move(file.data), file.size);
    LoadError record_error;
    if (!ParseRecordLines(bytes, file.size, records, &record_error) &&
        !LoadTable(bytes, file.size, records, record_error, error, notes)) {
      return false;
    }
  }
  if (table != nullptr) *table = std::move(notes);
  list = DevList(std::move(records));
  return true;
}
