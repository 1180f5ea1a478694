// Record entry: every record of an import file, or one record typed field by field.
#include <string>

#include "console/globals.h"
#include "console/import_notes.h"
#include "console/io.h"
#include "console/operations.h"
#include "console/results.h"
#include "console/rows.h"
#include "console/texts_gbk.h"
#include "store/import_file.h"
#include "locale/messages.h"

namespace {

// What an import found, for the lines on standard error after its console texts.
struct ImportReport {
  std::string path;
  ImportNotes notes;
};

// Asks for a file name and appends the file's records to dev, timing the open, the read
// and the append. False when the file cannot be opened; dev is then unchanged. The name
// is opened as typed, in the encoding of the user's system.
bool ImportFromFile(ImportReport& report) {
  con::Out(txt::kAskFileName);
  report.path = con::ReadFileName();
  const std::string& path = report.path;
  const long long start = con::NowMs();
  if (AppendImportFile(path, dev, &report.notes) != ImportResult::kOk) {
    con::Out(txt::kOpenForReadFailed);
    if (report.notes.memory_full) {
      con::Warn(msg::Say("%s: memory full; nothing imported", {con::Printable(path)}));
    }
    return false;
  }
  con::Out(txt::kReadTook);
  PutElapsed(start);
  return true;
}

// Asks for the seven fields of one record, one token each, and appends it to dev.
// Tokens typed ahead answer the later prompts, which are printed all the same.
void TypeOneRecord() {
  device record;
  for (std::size_t i = 0; i < 7; ++i) {
    con::Out(txt::kAskField);
    con::Out(obj[i + 1]);
    con::Out(txt::kAskFieldEnd);
    record.*kDeviceFields[i] = Texts().Keep(con::ReadToken());
  }
  dev.push_back(record);
}

}  // namespace

// A file that cannot be opened costs the user a message, not the data set: nothing is
// saved and the session goes on.
void ImportDev() {
  con::Out("\n");
  PutSubMenu({txt::kImport1, txt::kImport2});
  ImportReport report;
  if (ReadChoice("1", "2", txt::kBadChoice) == "1") {
    if (!ImportFromFile(report)) return ReturnMenu();
  } else {
    TypeOneRecord();
  }
  SaveDev("dev.out", dev, "dev");
  if (!report.path.empty()) con::TellImportNotes(report.path, report.notes);
  ReturnMenu();
}
