// Saving the quantity statistics.
#pragma once

#include <string>
#include <string_view>

#include "model/quantity_totals.h"

// The statistics file's content: one line per name, in the map's order: the name, a
// blank, the total in decimal.
std::string StatFileBytes(const QuantityTotals& totals);

// Replaces file with the totals and reports it like a saved record file; a file that
// cannot be opened or written is reported and the program goes on. Takes the map by
// reference: the caller's map is only read, and a copy of a large map would cost.
void SaveMap(std::string_view file, const QuantityTotals& totals);
