// The change history that undo draws on: the data set after the last change and after
// the change before it, oldest first, and the data set the session started with (empty,
// or the records of a file loaded at start), which the first change's undo returns to. The history also decides when text memory can be
// given back: the records in use are those of its snapshots, the data set being saved as
// the newest after every change.
#pragma once

#include <cassert>
#include <cstddef>

#include "model/device.h"

class History {
 public:
  static constexpr std::size_t kDepth = 2;

  // Appends a snapshot; when that makes three, the oldest is dropped. When the dropped
  // snapshot held records of its own (its storage not shared with the others), the text
  // store gives back every chunk that no snapshot's record points into any more.
  // REQUIRES: every record in use elsewhere is also in one of the snapshots after the call
  // (true after the data set is saved: an operation's records come from the data set
  // before it, now the older snapshot, or went into the data set).
  void Add(DevList snapshot);

  std::size_t size() const { return count_; }

  // Makes list the data set the session started with. REQUIRES: size() == 0.
  void Start(DevList list) {
    assert(count_ == 0);
    start_ = std::move(list);
  }

  // The data set the session started with; what undo returns to while size() <= 1.
  const DevList& start() const { return start_; }

  // The older of two snapshots. REQUIRES: size() == 2.
  DevList& oldest() {
    assert(count_ == kDepth);
    return snaps_[0];
  }

  // The i-th snapshot, oldest first. REQUIRES: i < size().
  const DevList& at(std::size_t i) const {
    assert(i < count_);
    return snaps_[i];
  }

  void clear();

 private:
  DevList start_;  // let go of once two changes have been made: undo no longer reaches it
  DevList snaps_[kDepth];
  std::size_t count_ = 0;
};
