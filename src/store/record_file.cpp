#include "store/record_file.h"

#include <charconv>
#include <type_traits>

void AppendDecimal(std::string& out, long long value) {
  char digits[24];
  auto [end, ec] = std::to_chars(digits, digits + sizeof digits, value);
  (void)ec;  // 24 characters hold every long long
  out.append(digits, end);
}

void AppendRecordLine(std::string& out, int serial, const device& record) {
  AppendDecimal(out, serial);
  for (Text device::* field : kDeviceFields) {
    out.push_back(' ');
    out.append((record.*field).view());
  }
  out.push_back('\n');
}

namespace {

// Writes records[0, n) to path numbered by position; renumber sets each serial on the way.
template <typename Record>
WriteResult WriteRecords(const std::string& path, Record* records, std::size_t n,
                         bool renumber) {
  AtomicFileWriter writer;
  const WriteResult opened = writer.Open(path);
  for (std::size_t i = 0; i < n; ++i) {
    const int serial = static_cast<int>(i + 1);
    if constexpr (!std::is_const_v<Record>) {
      if (renumber) records[i].serial = serial;
    }
    if (opened != WriteResult::kOk) continue;
    AppendRecordLine(writer.buffer(), serial, records[i]);
    writer.MaybeFlush();
  }
  return opened == WriteResult::kOk ? writer.Commit() : opened;
}

}  // namespace

WriteResult WriteRecordFile(const std::string& path, const DevList& list) {
  return WriteRecords(path, list.begin(), list.size(), false);
}

WriteResult WriteRecordFileRenumbering(const std::string& path, DevList& list) {
  if (list.IsNumbered()) return WriteRecordFile(path, list);
  DevList::Records& records = list.Mutable();
  return WriteRecords(path, records.data(), records.size(), true);
}
