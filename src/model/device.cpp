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

bool DevList::IsNumbered() const {
  for (std::size_t i = 0; i < size(); ++i) {
    if ((*records_)[i].serial != static_cast<int>(i + 1)) return false;
  }
  return true;
}

void DevList::Renumber() {
  if (IsNumbered()) return;
  Records& records = Mutable();
  for (std::size_t i = 0; i < records.size(); ++i) records[i].serial = static_cast<int>(i + 1);
}
