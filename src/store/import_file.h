// Reading the import file: whitespace-separated tokens, seven to a record, lines without
// meaning. The file is read whole into one buffer that the text store adopts, and every
// field is a slice of that buffer, so a file of a million records costs one allocation
// for its bytes and none per field.
#pragma once

#include <string>

#include "model/device.h"

// How reading an import file ended.
enum class ImportResult {
  kOk,
  kOpenFailed,  // missing, unreadable, a directory or device, a read error before the end,
                // or too large for memory
};

// Appends one record for every whole run of seven tokens in the file at path to the end
// of list, in file order; a trailing one to six tokens are dropped. Tokens are separated
// by blanks, tabs, LF, CR, VT and FF and are kept byte for byte (NUL bytes included).
// The new records' serials are 0 until the list is saved. On kOpenFailed list is unchanged.
ImportResult AppendImportFile(const std::string& path, DevList& list);

