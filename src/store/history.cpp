#include "store/history.h"

#include <utility>

void History::Add(DevList snapshot) {
  if (count_ == kDepth) {
    snaps_[0] = std::move(snaps_[1]);
    --count_;
  }
  snaps_[count_++] = std::move(snapshot);
}

void History::clear() {
  for (DevList& snap : snaps_) snap.clear();
  count_ = 0;
}
