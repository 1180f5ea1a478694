#include "console/stat_dev.h"

#include <string>

#include "console/globals.h"
#include "console/io.h"
#include "console/operations.h"
#include "console/results.h"
#include "console/rows.h"
#include "console/texts_gbk.h"
#include "console/twins.h"
#include "model/orders.h"
#include "files/file_writer.h"
#include "store/record_file.h"

namespace {

// Prints the totals as a table: the header line, then name, two tabs, total per line.
void PutTotals(const QuantityTotals& totals) {
  std::string table(txt::kStatHeader);
  for (const auto& [name, total] : totals) {
    table.append(name);
    table.append("\t\t");
    AppendDecimal(table, total);
    table.append("\n");
    if (table.size() >= (1 << 16)) {
      con::Out(table);
      table.clear();
    }
  }
  con::Out(table);
}

}  // namespace

std::string StatFileBytes(const QuantityTotals& totals) {
  std::string bytes;
  for (const auto& [name, total] : totals) {
    bytes.append(name);
    bytes.push_back(' ');
    AppendDecimal(bytes, total);
    bytes.push_back('\n');
  }
  return bytes;
}

void SaveMap(std::string_view file, const QuantityTotals& totals) {
  con::Flush();  // what the console said so far shows, however long the save takes
  const long long start = con::NowMs();
  std::string reason;
  const TwinState twin = LookAtTwinOf(file, TwinKind::kTotals);
  const WriteResult result =
      WriteFileAtomically(std::string(file), StatFileBytes(totals), {.reason = &reason});
  if (result == WriteResult::kOk) SaveTwin(file, twin, totals);
  ReportSave(file, result, start, totals.size(), reason);
}

void StatDev() {
  const long long start = con::NowMs();
  state::stat.clear();
  AddQuantities(dev, state::stat);
  con::Out(txt::kStatTook);
  PutElapsed(start);
  PutOutputMenu();
  con::Out(txt::kChoicePrompt);
  if (PrefixValue(ReadChoice("1", "2", txt::kBadChoice)) == 1) {
    PutTotals(state::stat);
  } else {
    SaveMap("stat.out", state::stat);
  }
  ReturnMenu();
}
