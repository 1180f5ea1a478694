#include "store/record_file.h"

#include <charconv>

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

WriteResult WriteRecordFile(const std::string& path, const DevList& list) {
  AtomicFileWriter writer;
  WriteResult opened = writer.Open(path);
  if (opened != WriteResult::kOk) return opened;
  std::string& buffer = writer.buffer();
  for (std::size_t i = 0; i < list.size(); ++i) {
    AppendRecordLine(buffer, static_cast<int>(i + 1), list[i]);
    writer.MaybeFlush();
  }
  return writer.Commit();
}
