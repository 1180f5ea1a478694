#include <string>

#include "console/globals.h"
#include "console/io.h"
#include "console/operations.h"
#include "console/results.h"
#include "console/texts_gbk.h"
#include "model/orders.h"
#include "model/select.h"

namespace {

// The prompt for the two bounds of each filter mode, with its example range.
std::string_view RangePrompt(FilterMode mode) {
  switch (mode) {
    case FilterMode::kQuantity:
      return txt::kAskQuantityRange;
    case FilterMode::kPurchaseTime:
      return txt::kAskTimeRange;
    case FilterMode::kPrice:
      break;
  }
  return txt::kAskPriceRange;
}

}  // namespace

void FilterDev() {
  con::Out("\n");
  PutSubMenu({txt::kFilter1, txt::kFilter2, txt::kFilter3});
  const auto mode = static_cast<FilterMode>(PrefixValue(ReadChoice("1", "3", txt::kBadChoice)));
  con::Out(RangePrompt(mode));
  const std::string low = con::ReadToken();
  const std::string high = con::ReadToken();
  const long long start = con::NowMs();
  const DevList results = Filter(dev, mode, low, high);
  if (results.empty()) {
    con::Out(txt::kFilterNone);
  } else {
    PutFound(txt::kFilterFound, results.size(), start);
    PutOutputMenu();
    con::Out(txt::kChoicePrompt);
    const int choice = PrefixValue(ReadChoice("1", "2", txt::kBadChoice));
    DeliverResults(choice, results, "filter.out");
  }
  ReturnMenu();
}
