// Building records and record lists in tests, and rendering them as one comparable string.
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

#include "model/device.h"

// A record from its seven fields as one blank-separated line, such as
// "D1 printer U07 ops 3 2042.1.1 2500"; the texts are kept in the text store.
device RecordOf(std::string_view fields, int serial = 0);

// Record lines, as a list of texts that can be named: const Lines lines = {...};
using Lines = std::initializer_list<std::string_view>;

// A list of such records, numbered 1..n as the data set is after every change.
DevList ListOf(Lines lines);

// "1:D1 2:D2": the serial and one field of each record, in list order.
std::string Render(const DevList& list, Text device::* field = &device::code);
