#include "store/import_file.h"

#include <algorithm>
#include <bit>
#include <cerrno>
#include <memory>
#include <new>
#include <string_view>

#include "store/blank_mask.h"
#include "files/file_bytes.h"
#include "files/file_open.h"
#include "store/file_text.h"
#include "store/load_records.h"

namespace {

bool IsBlank(char c) { return IsBlankByte(static_cast<unsigned char>(c)); }

// Blank bytes kept after the content, so that the scan may read whole 64-byte blocks.
constexpr std::size_t kPadding = 64;

// A guess at the number of records in the bytes, from the tokens of their first part,
// so that the record vector is reserved once instead of growing a dozen times.
std::size_t EstimateRecords(const char* bytes, std::size_t size) {
  const std::size_t sample = std::min<std::size_t>(size, 1 << 16);
  std::size_t tokens = 0;
  for (std::size_t i = 0; i < sample; ++i) {
    if (!IsBlank(bytes[i]) && (i == 0 || IsBlank(bytes[i - 1]))) ++tokens;
  }
  if (tokens == 0) return 0;
  const double per_byte = static_cast<double>(tokens) / static_cast<double>(sample);
  return static_cast<std::size_t>(per_byte * static_cast<double>(size) / 7 * 1.05) + 1;
}

// Collects tokens into records: every seventh token completes one and appends it.
struct RecordCutter {
  DevList::Records& records;
  TextStore& store;
  device record;
  int field = 0;

  void Token(const char* begin, const char* end) {
    record.*kDeviceFields[field] = store.Slice(begin, static_cast<std::size_t>(end - begin));
    if (++field == 7) {
      records.push_back(record);
      field = 0;
    }
  }
};

// Cuts bytes[0, size) into tokens and appends every whole run of seven as a record;
// returns the number of tokens. Works 64 bytes at a time: a token starts and ends where
// the blank mask changes.
// REQUIRES: the bytes lie in a buffer adopted by Texts(), followed by kPadding blanks.
std::size_t AppendRecords(const char* bytes, std::size_t size, DevList::Records& records) {
  const std::size_t records_before = records.size();
  records.reserve(records.size() + EstimateRecords(bytes, size));
  RecordCutter cutter{records, Texts(), {}, 0};
  const char* token = nullptr;  // start of the token being read, if any
  uint64_t before = 1;          // bit 0: whether the byte before the block is blank
  for (std::size_t base = 0; base <= size; base += 64) {
    const uint64_t blank = BlankMask64(bytes + base);
    for (uint64_t edges = blank ^ ((blank << 1) | before); edges != 0; edges &= edges - 1) {
      const char* at = bytes + base + std::countr_zero(edges);
      if (token == nullptr) {
        token = at;
      } else {
        cutter.Token(token, at);
        token = nullptr;
      }
    }
    before = blank >> 63;
  }
  return (records.size() - records_before) * 7 + static_cast<std::size_t>(cutter.field);
}

}  // namespace

namespace {

// Appends the records of the file text bytes[0, size) by its shape: a record file, a
// table, a record file gone wrong (nothing appended), or words by sevens.
void AppendByShape(const char* bytes, std::size_t size, DevList::Records& records,
                   ImportNotes& notes) {
  const std::size_t before = records.size();
  if (ParseRecordLines(bytes, size, records, nullptr) && records.size() > before) {
    notes.record_file = true;
    return;
  }
  records.resize(before);  // no record file after all
  if (ReadTable(bytes, size, records, notes.table) != TableRead::kNoTable) return;
  notes.near_fault = NearRecordFault({bytes, size});
  if (notes.near_fault.line > 0) return;
  notes.words = AppendRecords(bytes, size, records);
}

// Reads the whole file, converts text in another encoding, and appends its records;
// throws std::bad_alloc when memory runs out, leaving list's records to be trimmed by the
// caller.
ImportResult ReadAndAppend(int fd, DevList& list, ImportNotes& notes) {
  FileBytes file;
  if (!ReadToEnd(fd, file, kPadding)) return ImportResult::kOpenFailed;
  if (file.size == 0) return ImportResult::kOk;
  notes.decoded = DecodeFileText(file, kPadding, FileRule::kRecordShape);
  notes.encoding = notes.decoded.encoding;
  std::fill_n(file.data.get() + file.size, kPadding, ' ');
  const char* bytes = Texts().Adopt(std::move(file.data), file.size + kPadding);
  DevList::Records& records = list.Mutable();
  const std::size_t before = records.size();
  AppendByShape(bytes, file.size, records, notes);
  notes.records = records.size() - before;
  return ImportResult::kOk;
}

}  // namespace

ImportResult AppendImportFile(const std::string& path, DevList& list, ImportNotes* notes) {
  ImportNotes found;
  if (notes == nullptr) notes = &found;
  *notes = ImportNotes();
  std::string why;
  const int fd = OpenInputFile(path, InputKind::kRegularOrPipe, &why);
  if (fd < 0) return ImportResult::kOpenFailed;
  const std::size_t before = list.size();
  const TextStore::Point start = Texts().Now();
  ImportResult result;
  try {
    result = ReadAndAppend(fd, list, *notes);
  } catch (const std::bad_alloc&) {
    // A file larger than memory must not take the data set down with it.
    if (list.size() > before) list.Mutable().resize(before);
    notes->memory_full = true;
    result = ImportResult::kOpenFailed;
  }
  // A file that gave no record (only blanks, or memory ran out) keeps no bytes.
  if (list.size() == before) Texts().ReleaseSince(start);
  CloseInputFile(fd);
  return result;
}
