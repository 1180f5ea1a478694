// The eight record orders of the sort menu and the sort that applies one of them.
#pragma once

#include "model/device.h"

// One record order: a key field, the order its texts compare in, and a direction.
// Orders 1 to 4 are code, quantity, purchaseTime and price ascending (numeric-text
// order, the purchase time in date order); 5 to 8 are the same keys descending. Only the
// key is looked at: records with equivalent keys are tied, there is no second key.
struct RecordOrder {
  Text device::* key;
  bool by_date;
  bool descending;

  // True when record a goes strictly before record b.
  bool operator()(const device& a, const device& b) const;

  // The same for two key texts: the one place where the order is defined.
  bool KeyBefore(std::string_view a, std::string_view b) const;
};

// The record order numbered order; false when order is not 1 to 8.
bool FindRecordOrder(int order, RecordOrder* found);

// Reorders [first, last) by the record order numbered order. The sort is stable: tied
// records keep their relative order, in both directions, so results are reproducible.
// Any other order number leaves the range untouched. Serials are not changed.
// Takes pointers so that argument-dependent lookup never offers std::sort instead.
void sort(device* first, device* last, int order);

// The records of list in the record order numbered order, as sort would leave them, built
// straight from list: the data set is shared with the history, so sorting it in place
// would copy it first. Any other order number gives list unchanged.
DevList SortedCopy(const DevList& list, int order);
