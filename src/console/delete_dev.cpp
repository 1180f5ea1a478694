// Deletion: one record by the serial a listing shows, or all records.
#include <string>

#include "console/globals.h"
#include "console/io.h"
#include "console/operations.h"
#include "console/results.h"
#include "console/rows.h"
#include "console/texts_gbk.h"
#include "model/orders.h"

namespace {

// Reads serials until one passes the range test against 1..n and also names a record.
// Some tokens pass the test without naming one (with ten or more records a letter, 00 or
// -1); they are refused like any other. REQUIRES: n > 0.
std::size_t ReadSerial(std::size_t n) {
  const std::string high = std::to_string(n);
  for (;;) {
    const std::string token = con::ReadToken();
    if (CmpStr("1", token, high)) {
      const int32_t position = PrefixValue(token);
      if (position >= 1 && static_cast<std::size_t>(position) <= n) {
        return static_cast<std::size_t>(position);
      }
    }
    con::Out(txt::kBadSerial);
  }
}

// Removes the record at the position the user names. With no records no serial could
// pass, so the prompt is not shown at all.
void DeleteBySerial() {
  if (dev.empty()) {
    con::Out(txt::kNothingToDelete);
    return;
  }
  con::Out(txt::kAskSerial);
  const std::size_t position = ReadSerial(dev.size());
  // One pass into a new vector: the old one is shared with the history anyway.
  DevList::Records kept;
  kept.reserve(dev.size() - 1);
  kept.insert(kept.end(), dev.begin(), dev.begin() + (position - 1));
  kept.insert(kept.end(), dev.begin() + position, dev.end());
  dev = DevList(std::move(kept));
}

}  // namespace

// Deletes by serial or all, then saves; every run adds one snapshot, even a no-op.
void DeletDev() {
  con::Out("\n");
  PutSubMenu({txt::kDelete1, txt::kDelete2});
  if (ReadChoice("1", "2", txt::kBadChoice) == "1") {
    DeleteBySerial();
  } else {
    dev.clear();
    con::Out(txt::kCleared);
  }
  SaveDev("dev.out", dev, "dev");
  ReturnMenu();
}
