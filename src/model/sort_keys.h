// Sorting records fast: each record's key field is packed once into a fixed-size prefix
// whose order agrees with the field's order, so almost every comparison is two integer
// compares; only prefixes that cannot tell two texts apart fall back to the full order.
#pragma once

#include <cstdint>
#include <vector>

#include "model/device.h"

// One of the eight record orders: a key field, its comparison and a direction.
struct RecordOrder {
  Text device::* field;
  bool by_date;     // date order instead of numeric-text order
  bool descending;  // the ascending comparison with the records swapped
};

// The record order of an order number 1..8 (code, quantity, purchase time, price;
// ascending, then the same four descending); false for any other number.
bool RecordOrderOf(int order, RecordOrder* out);

// The positions 0..n-1 of [first, last) in sorted order. Stable: records whose keys tie
// keep their relative order, in both directions.
std::vector<uint32_t> SortPermutation(const device* first, const device* last,
                                      const RecordOrder& order);
