// The program's four globals, built before main runs and alive until the process ends.
// They live in an inline namespace so that the global stat does not clash with the POSIX
// function stat(): where <sys/stat.h> is included too, write state::stat.
#pragma once

#include <array>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>

#include "model/device.h"
#include "store/history.h"

inline namespace state {

// The eight column labels (GBK), in column order.
extern const std::array<std::string_view, 8> obj;

// The data set.
extern DevList dev;

// The last two states of the data set, oldest first; undo draws on them.
extern History backup;

// Quantity totals per device name, in unsigned byte order of the names.
extern std::map<std::string, int64_t, std::less<>> stat;

}  // namespace state

// Empties dev, backup and stat and frees the text store, as at program start.
// REQUIRES: no record outside these globals is still in use.
void ResetGlobals();
