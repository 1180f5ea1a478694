// Record entry: every record of an import file, or one record typed field by field.
#include <string>

#include "console/globals.h"
#include "console/io.h"
#include "console/operations.h"
#include "console/results.h"
#include "console/rows.h"
#include "console/texts_gbk.h"
#include "store/import_file.h"

namespace {

// Asks for a file name and appends the file's records to dev, timing the open, the read
// and the append. False when the file cannot be opened; dev is then unchanged.
bool ImportFromFile() {
  con::Out(txt::kAskFileName);
  const std::string path = con::ReadToken();
  const long long start = con::NowMs();
  if (AppendImportFile(path, dev) != ImportResult::kOk) {
    con::Out(txt::kOpenForReadFailed);
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
  if (ReadChoice("1", "2", txt::kBadChoice) == "1") {
    if (!ImportFromFile()) return ReturnMenu();
  } else {
    TypeOneRecord();
  }
  SaveDev("dev.out", dev, "dev");
  ReturnMenu();
}
