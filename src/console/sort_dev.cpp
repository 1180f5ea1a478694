#include <string>

#include "console/globals.h"
#include "console/io.h"
#include "console/operations.h"
#include "console/results.h"
#include "console/rows.h"
#include "console/texts_gbk.h"
#include "model/orders.h"
#include "model/record_sort.h"

namespace {

// Asks whether to browse the sorted data set until the answer is the byte y or n.
bool WantsToBrowse() {
  con::Out(txt::kAskBrowse);
  for (;;) {
    const char answer = con::ReadNonBlankByte();
    if (answer == 'y') return true;
    if (answer == 'n') return false;
    con::Out(txt::kBadBrowse);
  }
}

}  // namespace

void SortDev() {
  con::Out("\n");
  PutSubMenu({txt::kSort1, txt::kSort2, txt::kSort3, txt::kSort4, txt::kSort5, txt::kSort6,
              txt::kSort7, txt::kSort8});
  const std::string token = ReadChoice("1", "8", txt::kSortBadChoice);
  const long long start = con::NowMs();
  dev = SortedCopy(dev, PrefixValue(token));
  con::Out(txt::kSortTook);
  PutElapsed(start);
  SaveDev("dev.out", dev, "dev");
  if (WantsToBrowse()) {
    ViewDev();  // browsing ends with the epilogue, which ends the sort too
    return;
  }
  ReturnMenu();
}
