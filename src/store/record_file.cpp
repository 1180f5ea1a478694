#include "store/record_file.h"

#include <charconv>
#include <cstring>
#include <type_traits>

void AppendDecimal(std::string& out, long long value) {
  char digits[24];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
  (void)ec;  // 24 characters hold every long long
  out.append(digits, end);
}

namespace {

// Characters a serial takes at most, with its separating blank.
constexpr std::size_t kSerialRoom = 12;

// The most bytes the line of record can take.
std::size_t LineBound(const device& record) {
  std::size_t bound = kSerialRoom + 8;
  for (Text device::*field : kDeviceFields) bound += (record.*field).size();
  return bound;
}

// Formats the line of record with serial at at; returns the end of the line.
char* FormatLine(char* at, int serial, const device& record) {
  at = std::to_chars(at, at + kSerialRoom, serial).ptr;
  for (Text device::*field : kDeviceFields) {
    const std::string_view text = (record.*field).view();
    *at++ = ' ';
    std::memcpy(at, text.data(), text.size());
    at += text.size();
  }
  *at++ = '\n';
  return at;
}

// How many records ahead the writer asks for the bytes of their fields. After a sort the
// records' texts lie scattered through memory; fetching them early hides most of the wait.
constexpr std::size_t kPrefetchAhead = 8;

void Prefetch(const device& record) {
  for (Text device::*field : kDeviceFields) __builtin_prefetch((record.*field).data());
}

// Writes records[0, n) to path numbered by position; renumber sets each serial on the way.
template <typename Record>
WriteResult WriteRecords(const std::string& path, Record* records, std::size_t n, bool renumber,
                         const WriteOptions& options) {
  AtomicFileWriter writer;
  const WriteResult opened = writer.Open(path, options);
  for (std::size_t i = 0; i < n; ++i) {
    const int serial = static_cast<int>(i + 1);
    if constexpr (!std::is_const_v<Record>) {
      if (renumber) records[i].serial = serial;
    }
    if (opened != WriteResult::kOk) continue;
    if (i + kPrefetchAhead < n) Prefetch(records[i + kPrefetchAhead]);
    writer.Advance(FormatLine(writer.Reserve(LineBound(records[i])), serial, records[i]));
  }
  return opened == WriteResult::kOk ? writer.Commit() : opened;
}

}  // namespace

WriteResult WriteRecordFile(const std::string& path, const DevList& list,
                            const WriteOptions& options) {
  return WriteRecords(path, list.begin(), list.size(), false, options);
}

WriteResult WriteRecordFileRenumbering(const std::string& path, DevList& list,
                                       const WriteOptions& options) {
  if (list.IsNumbered()) return WriteRecordFile(path, list, options);
  DevList::Records& records = list.Mutable();
  return WriteRecords(path, records.data(), records.size(), true, options);
}
