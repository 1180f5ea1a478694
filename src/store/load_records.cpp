#include "store/load_records.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <new>
#include <string_view>

#include "files/file_bytes.h"
#include "files/file_open.h"
#include "store/file_text.h"
#include "store/table_file.h"
#include "locale/messages.h"

namespace {

// What SplitLine found on a line besides its tokens.
constexpr std::size_t kTooMany = 9;        // more than eight tokens
constexpr std::size_t kWhiteInToken = 10;  // a VT, FF or CR, which no token holds

// Splits the line [p, end), without its line end, at blanks and tabs into its tokens;
// returns their number, kTooMany or kWhiteInToken.
std::size_t SplitLine(const char* p, const char* end, std::string_view (&tokens)[8]) {
  std::size_t n = 0;
  for (;;) {
    while (p < end && (*p == ' ' || *p == '\t')) ++p;
    if (p == end) return n;
    const char* start = p;
    while (p < end && *p != ' ' && *p != '\t') {
      if (*p >= '\v' && *p <= '\r') return kWhiteInToken;
      ++p;
    }
    if (n == 8) return kTooMany;
    tokens[n++] = {start, static_cast<std::size_t>(p - start)};
  }
}

// True when token is serial in decimal, without sign or leading zeros.
bool IsSerial(std::string_view token, std::size_t serial) {
  if (token.empty() || token.size() > 19 || token[0] == '0') return false;
  std::size_t value = 0;
  for (char c : token) {
    if (c < '0' || c > '9') return false;
    value = value * 10 + static_cast<std::size_t>(c - '0');
  }
  return value == serial;
}

// A guess at the number of lines, from those of the first part, so that the records are
// reserved once without a pass over the whole file.
std::size_t EstimateLines(const char* bytes, std::size_t size) {
  const std::size_t sample = std::min<std::size_t>(size, 1 << 16);
  const auto feeds = static_cast<std::size_t>(std::count(bytes, bytes + sample, '\n'));
  if (sample == size || feeds == 0) return feeds + 1;
  return static_cast<std::size_t>(static_cast<double>(feeds) * static_cast<double>(size) /
                                  static_cast<double>(sample) * 1.05) +
         1;
}

// Fills error, when given, with line and reason; returns false for the caller to return.
bool Fail(LoadError* error, std::size_t line, std::string reason) {
  if (error == nullptr) return false;
  error->line = line;
  error->reason = std::move(reason);
  return false;
}

// Why a line that SplitLine gave n for is not a record.
std::string LineReason(std::size_t n) {
  if (n == kWhiteInToken) return msg::Say("a field holds a control character (VT, FF or CR)");
  if (n == kTooMany) return msg::Say("more than eight fields, expected a serial and seven");
  return msg::Say("only %s fields, expected a serial and seven", {std::to_string(n)});
}

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

}  // namespace

namespace {

// Walks the record lines of bytes[0, size), calling on_record(serial, tokens) for each; false
// at the first line that breaks the rule, error (when given) saying which and why.
template <typename OnRecord>
bool WalkRecordLines(const char* bytes, std::size_t size, LoadError* error, OnRecord on_record) {
  const char* const end = bytes + size;
  std::size_t line = 0, serial = 0;
  for (const char* p = bytes; p < end;) {
    ++line;
    const void* found = std::memchr(p, '\n', static_cast<std::size_t>(end - p));
    const char* eol = found ? static_cast<const char*>(found) : end;
    const char* next = found ? eol + 1 : end;
    if (found && eol > p && eol[-1] == '\r') --eol;
    std::string_view tokens[8];
    const std::size_t n = SplitLine(p, eol, tokens);
    p = next;
    if (n == 0) continue;
    if (n != 8) return Fail(error, line, LineReason(n));
    if (!IsSerial(tokens[0], ++serial)) {
      return Fail(error, line,
                  msg::Say("the first field is not the serial %s", {std::to_string(serial)}));
    }
    on_record(serial, tokens);
  }
  return true;
}

// True when token is a decimal number, as the serial of a mistyped record line may be.
bool IsDecimal(std::string_view token) {
  return !token.empty() && token.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

bool ParseRecordLines(const char* bytes, std::size_t size, DevList::Records& records,
                      LoadError* error) {
  const std::size_t first = records.size();
  TextStore& store = Texts();
  return WalkRecordLines(bytes, size, error, [&](std::size_t serial, std::string_view* tokens) {
    // Reserved once the file looks like a record file, not for an import file it is not.
    if (serial == 1) records.reserve(first + EstimateLines(bytes, size));
    device record;
    record.serial = static_cast<int>(records.size() + 1);
    for (std::size_t i = 0; i < 7; ++i) {
      record.*kDeviceFields[i] = store.Slice(tokens[i + 1].data(), tokens[i + 1].size());
    }
    records.push_back(record);
  });
}

bool LooksLikeRecordFile(std::string_view bytes) {
  std::size_t records = 0;
  const bool whole = WalkRecordLines(bytes.data(), bytes.size(), nullptr,
                                     [&](std::size_t, std::string_view*) { ++records; });
  return whole && records > 0;
}

LoadError NearRecordFault(std::string_view bytes) {
  const char* const end = bytes.data() + bytes.size();
  std::size_t records = 0, others = 0;
  for (const char* p = bytes.data(); p < end;) {
    const char* eol = p;
    while (eol < end && *eol != '\n' && *eol != '\r') ++eol;
    std::string_view tokens[8];
    const std::size_t n = SplitLine(p, eol, tokens);
    p = eol + 1;
    if (n == 0) continue;
    ++(n == 8 && IsDecimal(tokens[0]) ? records : others);
    if (others >= 16 && others > 4 * records) return {};  // plainly no record file
  }
  LoadError fault;
  if (records > others) WalkRecordLines(bytes.data(), bytes.size(), &fault, [](auto, auto) {});
  return fault;
}

namespace {

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
