// Quantity totals per device name, the numbers behind the statistics.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

#include "model/device.h"

// Device name to quantity total. Names are ordered byte by byte as unsigned values, a
// name before its extensions (10 before 9, Printer before pc before pc2); the transparent
// comparator lets a record's name be looked up without building a string.
using QuantityTotals = std::map<std::string, int64_t, std::less<>>;

// Adds the quantity of every record of list to its name's total in totals, inserting a
// name at 0 when it is new. Each quantity counts with its 64-bit decimal prefix value
// (0 without leading digits); totals saturate at the 64-bit bounds instead of wrapping.
void AddQuantities(const DevList& list, QuantityTotals& totals);

// a + b, held at the 64-bit bounds when the exact sum lies outside them.
int64_t SaturatingAdd(int64_t a, int64_t b);
