#include "support/records.h"

#include <stdexcept>

device RecordOf(std::string_view fields, int serial) {
  device record;
  record.serial = serial;
  for (Text device::* field : kDeviceFields) {
    const std::size_t end = fields.find(' ');
    record.*field = Texts().Keep(fields.substr(0, end));
    fields = end == std::string_view::npos ? std::string_view() : fields.substr(end + 1);
  }
  if (!fields.empty() || record.price.empty()) throw std::invalid_argument("seven fields");
  return record;
}

DevList ListOf(Lines lines) {
  DevList::Records records;
  for (std::string_view line : lines) {
    records.push_back(RecordOf(line, static_cast<int>(records.size() + 1)));
  }
  return DevList(std::move(records));
}

std::string Render(const DevList& list, Text device::* field) {
  std::string out;
  for (const device& record : list) {
    if (!out.empty()) out += ' ';
    out += std::to_string(record.serial) + ":" + std::string((record.*field).view());
  }
  return out;
}
