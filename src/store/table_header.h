// The names a table's header may give the fields: the labels of the dialogue, English,
// and other names sheets use (listed in the manual page). Letter case, blanks and
// underscores do not matter.
#pragma once

#include <string_view>
#include <vector>

// What FieldNamed gives for a header cell that names no field, and for the serial.
constexpr int kNoField = -1;
constexpr int kSerialField = 7;

// The field (0 to 6, in kDeviceFields' order) a header cell names (GB18030), kSerialField
// or kNoField.
int FieldNamed(std::string_view cell);

// The names each field may go by (kDeviceFields' order), then those of the serial, in
// UTF-8.
const std::vector<std::vector<std::string_view>>& HeaderNames();
