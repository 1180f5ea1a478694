#include "console/rows.h"

#include <string>

#include "console/globals.h"
#include "console/io.h"
#include "console/texts_gbk.h"
#include "console/twins.h"
#include "store/record_file.h"

namespace {

// Whether a save of the data set succeeded in this session; the first keeps a backup.
bool data_set_saved = false;

void AppendRow(std::string& out, int serial, const device& record) {
  AppendDecimal(out, serial);
  for (Text device::*field : kDeviceFields) {
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
  con::Flush();  // what the console said so far shows, however long the save takes
  const long long start = con::NowMs();
  const bool data_set = tag == "dev";
  const std::size_t count = list.size();
  WriteResult result;
  std::string reason;
  WriteOptions options{.keep_backup = data_set && !data_set_saved, .reason = &reason};
  RecordsTwin twin(file, list);  // rendered while the file is written
  if (data_set) {
    // dev is replaced by list; letting go of it first spares renumbering a copy. The
    // history takes the list once numbered, which no one can tell from before: a
    // snapshot's serials are never shown, only renumbered again when it comes back.
    dev.clear();
    result = WriteRecordFileRenumbering(std::string(file), list, options);
    twin.Save(result == WriteResult::kOk);  // before the history may let go of its records
    backup.Add(list);
    dev = std::move(list);
    data_set_saved = data_set_saved || result == WriteResult::kOk;
  } else {
    result = WriteRecordFile(std::string(file), list, options);
    twin.Save(result == WriteResult::kOk);
  }
  ReportSave(file, result, start, count, reason);
}

void ForgetDataSetSaved() {
  data_set_saved = false;
  ForgetTwinNotes();
}

void ReportSave(std::string_view file, WriteResult result, long long start_ms, std::size_t count,
                std::string_view reason) {
  if (!reason.empty()) con::Warn(reason);
  switch (result) {
    case WriteResult::kOk:
      con::Out(file);
      con::Out(txt::kSavedTook);
      PutElapsed(start_ms);
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
