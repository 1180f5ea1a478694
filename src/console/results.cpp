#include "console/results.h"

#include "console/io.h"
#include "console/rows.h"
#include "console/texts_gbk.h"

void PutSubMenu(std::initializer_list<std::string_view> entries) {
  con::Out(txt::kSubFrame);
  for (std::string_view entry : entries) con::Out(entry);
  con::Out(txt::kSubFrame);
  con::Out(txt::kChoicePrompt);
}

void PutOutputMenu() {
  con::Out("\n");
  con::Out(txt::kSubFrame);
  con::Out(txt::kOutput1);
  con::Out(txt::kOutput2);
  con::Out(txt::kSubFrame);
}

void PutFound(std::string_view found, std::size_t count, long long start_ms) {
  con::Out(found);
  con::OutNumber(static_cast<long long>(count));
  con::Out(txt::kFoundTook);
  PutElapsed(start_ms);
}

void DeliverResults(int choice, const DevList& results, std::string_view file) {
  if (choice == 1) {
    PutList(results);
  } else {
    SaveDev(file, results, "res");
  }
}
