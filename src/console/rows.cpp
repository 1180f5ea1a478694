#include "console/rows.h"

#include <string>

#include "console/globals.h"
#include "console/io.h"
#include "console/texts_gbk.h"
#include "store/record_file.h"

namespace {

void AppendRow(std::string& out, int serial, const device& record) {
  AppendDecimal(out, serial);
  for (Text device::* field : kDeviceFields) {
    out.append("\t ");
    out.append((record.*field).view());
  }
  out.append("\t\n");
}

}  // namespace

void PutHeader() {
  std::string line;
  for (std::size_t i = 0; i < obj.size(); ++i) {
    line.append(obj[i]);
    line.append(i + 1 < obj.size() ? "\t " : "\t\n");
  }
  con::Out(line);
}

void PutDev(device record) {
  std::string line;
  AppendRow(line, record.serial, record);
  con::Out(line);
}

void PutList(const DevList& list) {
  PutHeader();
  std::string rows;
  for (const device& record : list) {
    AppendRow(rows, record.serial, record);
    if (rows.size() >= (1 << 16)) {
      con::Out(rows);
      rows.clear();
    }
  }
  con::Out(rows);
}

void PutElapsed(long long start_ms) {
  con::OutNumber(con::NowMs() - start_ms);
  con::Out(txt::kMillis);
}

void SaveDev(std::string_view file, DevList list, std::string_view tag) {
  const long long start = con::NowMs();
  const bool data_set = tag == "dev";
  if (data_set) {
    // dev is replaced by list below; letting go of it first spares renumbering a copy.
    dev.clear();
    list.Renumber();
    backup.Add(list);
  }
  const std::size_t count = list.size();
  const WriteResult result = WriteRecordFile(std::string(file), list);
  if (data_set) dev = std::move(list);
  switch (result) {
    case WriteResult::kOk:
      con::Out(file);
      con::Out(txt::kSavedTook);
      PutElapsed(start);
      con::Out(file);
      con::Out(txt::kNowHolds);
      con::OutNumber(static_cast<long long>(count));
      con::Out(txt::kRecordsLine);
      break;
    case WriteResult::kOpenFailed:
      con::Out(txt::kOpenForWriteFailed);
      break;
    case WriteResult::kWriteFailed:
      con::Out(txt::kWriteFailed);
      break;
  }
}
