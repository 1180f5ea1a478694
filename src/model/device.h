// The device record and the record list that holds records.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "model/text.h"

// One row of the inventory: which device went to whom, how many, when, at what price.
// All seven fields are texts, the numeric ones too. A plain value: copying a record
// copies its eight fields, and the texts it refers to never change.
struct device {
  int serial = 0;  // 1-based position in the list it was last saved with
  Text code;
  Text name;
  Text holder;
  Text department;
  Text quantity;
  Text purchaseTime;
  Text price;
};

static_assert(sizeof(device) <= 64, "a record stays within one cache line");

// The seven text fields in column order, for code that walks them all.
inline constexpr Text device::* kDeviceFields[7] = {
    &device::code,     &device::name,         &device::holder, &device::department,
    &device::quantity, &device::purchaseTime, &device::price};

// An ordered list of records with value semantics. Copies share their records until
// one of them changes (copy-on-write), so handing a list on by value costs nothing
// when nothing changes and the history's snapshots share storage with the data set.
class DevList {
 public:
  using Records = std::vector<device>;

  DevList() = default;
  explicit DevList(Records records);

  std::size_t size() const { return records_ ? records_->size() : 0; }
  bool empty() const { return size() == 0; }
  const device& operator[](std::size_t i) const { return (*records_)[i]; }
  const device* begin() const { return records_ ? records_->data() : nullptr; }
  const device* end() const { return begin() + size(); }

  // The records for changing them; copies them first when another list shares them.
  Records& Mutable();

  void push_back(const device& record) { Mutable().push_back(record); }
  void clear() { records_.reset(); }
  void swap(DevList& other) noexcept { records_.swap(other.records_); }

  // Sets every serial to the record's position, 1 to n, copying only when needed.
  void Renumber();

  // True when every serial already is the record's position.
  bool IsNumbered() const;

  // True when both lists share the same storage (tests of the sharing).
  bool SharesWith(const DevList& other) const { return records_ == other.records_; }

 private:
  std::shared_ptr<Records> records_;
};
