#include "console/start_note.h"

#include <new>

#include "console/io.h"
#include "model/device.h"
#include "store/csv_twin.h"
#include "store/load_records.h"
#include "locale/messages.h"

namespace con {

std::vector<std::string> StartNote(const StartFacts& facts, std::size_t records) {
  if (!facts.interactive) return {};
  std::vector<std::string> lines = facts.platform_lines;
  if (facts.temporary) {
    lines.push_back(msg::Say("%s is a temporary folder: Windows deletes the files written "
                             "there, dev.out among them.",
                             {facts.directory}));
    lines.push_back(msg::Say("Unzip devmgr into a folder of your own first and start it "
                             "there."));
  }
  if (records == 0) return lines;
  lines.push_back(msg::Say("dev.out in %1$s holds %2$s record(s) of an earlier session.",
                           {facts.directory, std::to_string(records)}));
  lines.push_back(msg::Say("This session starts empty. Its first change keeps that file as "
                           "dev.out~, and an older dev.out~ as dev.out.~N~."));
  lines.push_back(msg::Say("To go on from it: choose 1, then 1, and type dev.out; "
                           "or start devmgr --load dev.out."));
  return lines;
}

std::size_t RecordsInDevOut() {
  const TextStore::Point start = Texts().Now();
  std::size_t records = 0;
  try {
    DevList list;
    LoadError error;
    if (LoadRecordFile("dev.out", list, &error)) records = list.size();
  } catch (const std::bad_alloc&) {
    records = 0;  // a file larger than memory is told of by no note
  }
  Texts().ReleaseSince(start);
  return records;
}

std::vector<std::string> CsvNote(bool changed) {
  if (!changed) return {};
  return {msg::Say("dev.csv was changed after devmgr wrote it, or another program wrote it; "
                   "the next save keeps it as dev.csv.~N~."),
          msg::Say("To take its rows in: choose 1, then 1, and type dev.csv.")};
}

bool DevCsvChanged() { return LookAtTwin("dev.out", TwinKind::kRecords) == TwinState::kForeign; }

void TellStartNote() {
  const StartFacts facts = ReadStartFacts();
  if (!facts.interactive) return;
  for (const std::string& line : StartNote(facts, RecordsInDevOut())) Warn(line);
  for (const std::string& line : CsvNote(DevCsvChanged())) Warn(line);
}

}  // namespace con
