// The change history that undo draws on: the data set after the last change and after
// the change before it, oldest first.
#pragma once

#include <cassert>
#include <cstddef>

#include "model/device.h"

class History {
 public:
  static constexpr std::size_t kDepth = 2;

  // Appends a snapshot; when that makes three, the oldest is dropped.
  void Add(DevList snapshot);

  std::size_t size() const { return count_; }

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
  DevList snaps_[kDepth];
  std::size_t count_ = 0;
};
