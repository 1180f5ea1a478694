#include <optional>
#include <string>

#include "console/globals.h"
#include "console/io.h"
#include "console/operations.h"
#include "console/results.h"
#include "console/texts_gbk.h"
#include "model/orders.h"
#include "model/select.h"

namespace {

// The prompt for the keyword of each query mode, by mode number.
std::string_view KeywordPrompt(QueryMode mode) {
  switch (mode) {
    case QueryMode::kName:
      return txt::kAskName;
    case QueryMode::kDepartment:
      return txt::kAskDepartment;
    case QueryMode::kGlobal:
      break;
  }
  return txt::kAskKeyword;
}

// Reads the output choice as a number until it is 1 or 2. A token that holds no number,
// or one too large for 32 bits, is dropped whole; what follows the digits stays unread.
int ReadOutputNumber() {
  for (;;) {
    con::Out(txt::kChoicePrompt);
    const std::optional<int32_t> choice = con::ReadInt();
    if (choice == 1 || choice == 2) return *choice;
    con::Out(txt::kBadChoice);
  }
}

}  // namespace

void QueryDev() {
  con::Out("\n");
  PutSubMenu({txt::kQuery1, txt::kQuery2, txt::kQuery3});
  const auto mode = static_cast<QueryMode>(PrefixValue(ReadChoice("1", "3", txt::kBadChoice)));
  con::Out(KeywordPrompt(mode));
  const std::string keyword = con::ReadToken();
  const long long start = con::NowMs();
  const DevList results = Query(dev, mode, keyword);
  if (results.empty()) {
    con::Out(txt::kQueryNone);
  } else {
    PutFound(txt::kQueryFound, results.size(), start);
    PutOutputMenu();
    DeliverResults(ReadOutputNumber(), results, "query.out");
  }
  ReturnMenu();
}
