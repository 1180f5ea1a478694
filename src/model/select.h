// Picking records out of a list: the query's keyword match and the filter's range test.
// Both read the list only and return copies of the chosen records, in list order, each
// with the serial it has in the list.
#pragma once

#include <string_view>

#include "model/device.h"

// The three ways of querying, numbered as in the query menu.
enum class QueryMode { kName = 1, kDepartment = 2, kGlobal = 3 };

// The records that match keyword, compared as whole byte strings (no prefix, case or
// numeric matching). By name or department: that field equals keyword. Global: the
// serial equals the keyword's decimal prefix value, or any of the seven fields equals
// keyword; a record is taken once however many of its fields match.
DevList Query(const DevList& list, QueryMode mode, std::string_view keyword);

// The three filter ranges, numbered as in the filter menu.
enum class FilterMode { kQuantity = 1, kPurchaseTime = 2, kPrice = 3 };

// The records whose quantity or price (numeric-text range test) or purchase time (date
// range test) lies between low and high, both included. The bounds are used as typed,
// never swapped: with low after high only the two bounds themselves pass.
DevList Filter(const DevList& list, FilterMode mode, std::string_view low,
               std::string_view high);
