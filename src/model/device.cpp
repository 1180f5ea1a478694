#include "model/device.h"

#include <utility>

DevList::DevList(Records records)
    : records_(std::make_shared<Records>(std::move(records))) {}

DevList::Records& DevList::Mutable() {
  if (!records_) {
    records_ = std::make_shared<Records>();
  } else if (records_.use_count() > 1) {
    records_ = std::make_shared<Records>(*records_);
  }
  return *records_;
}

void DevList::Renumber() {
  const std::size_t n = size();
  std::size_t first_wrong = 0;
  while (first_wrong < n && (*records_)[first_wrong].serial == static_cast<int>(first_wrong + 1)) {
    ++first_wrong;
  }
  if (first_wrong == n) return;
  Records& records = Mutable();
  for (std::size_t i = first_wrong; i < n; ++i) records[i].serial = static_cast<int>(i + 1);
}
