#include "store/history.h"

#include <algorithm>
#include <utility>

#include "model/text.h"

namespace {

// Records looked at first in each list, spread over it: usually enough to see every chunk
// in use, so that a change that freed nothing costs no walk over every text.
constexpr std::size_t kSamples = 4096;

// Marks the texts of list's records at positions step apart from the end; true once
// every chunk is marked.
bool MarkEvery(const DevList& list, std::size_t step, TextMarks& marks) {
  for (std::size_t i = list.size(); i > 0;) {
    i = i > step ? i - step : 0;
    for (Text device::* field : kDeviceFields) {
      if (marks.Mark(list[i].*field)) return true;
    }
  }
  return false;
}

// Gives back the text chunks that no record of the lists points into. A sample of the
// records first, then all of them, newest first (appended records end a list), stopping
// as soon as every chunk is known live.
void ReclaimTexts(const DevList* lists, std::size_t count) {
  TextMarks marks(Texts());
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t step = std::max<std::size_t>(1, lists[i].size() / kSamples);
    if (MarkEvery(lists[i], step, marks)) return;
  }
  for (std::size_t i = 0; i < count; ++i) {
    if (MarkEvery(lists[i], 1, marks)) return;
  }
  Texts().FreeUnmarked(marks);
}

}  // namespace

void History::Add(DevList snapshot) {
  DevList dropped;
  if (count_ == kDepth) {
    dropped = std::move(snaps_[0]);
    snaps_[0] = std::move(snaps_[1]);
    --count_;
  }
  snaps_[count_++] = std::move(snapshot);
  if (count_ == kDepth && !start_.empty()) dropped = std::move(start_);
  const bool own_records = !dropped.empty() && std::none_of(snaps_, snaps_ + count_,
      [&](const DevList& snap) { return snap.SharesWith(dropped); });
  if (own_records) {
    dropped.clear();
    ReclaimTexts(snaps_, count_);
  }
}

void History::clear() {
  start_.clear();
  for (DevList& snap : snaps_) snap.clear();
  count_ = 0;
}
