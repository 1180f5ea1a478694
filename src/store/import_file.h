// Reading the import file. Its shape decides how: a record file (load_records.h) gives
// its records line by line; a table (table_file.h) its rows; a record file gone wrong
// (NearRecordFault) nothing, told line by line, rather than its words scrambled by sevens;
// any other file whitespace-separated tokens, seven to a record, lines without meaning.
// The file is read whole into one buffer that the text store adopts, and every field is a
// slice of that buffer, so a file of a million records costs one allocation for its bytes
// and none per field.
#pragma once

#include <cstddef>
#include <string>

#include "model/device.h"
#include "locale/file_charset.h"
#include "store/file_text.h"
#include "store/load_records.h"
#include "store/table_file.h"

// How reading an import file ended.
enum class ImportResult {
  kOk,
  kOpenFailed,  // missing, unreadable, a directory or device, a read error before the end,
                // or too large for memory
};

// What reading an import file found besides its records, for the console to tell.
struct ImportNotes {
  // The encoding the file was in; all but GB18030 were converted to it.
  charset::FileEncoding encoding = charset::FileEncoding::kGb18030;
  DecodedText decoded;       // what converting it found
  bool record_file = false;  // the file was a record file, read line by line
  LoadError near_fault;      // line > 0: a record file gone wrong, refused for this line
  TableNotes table;          // table.separator != 0: the file was a table
  std::size_t records = 0;   // records appended
  std::size_t words = 0;     // tokens read by sevens; words % 7 of them were dropped at the end
  bool memory_full = false;  // memory ran out while reading: nothing was imported
};

// Appends the records of a record file that holds at least one to the end of list, in
// file order, serials dropped; of a table, one record a row (none when the table or a
// near record file is at fault: notes tell why). Of any other file, appends one record for
// every whole run of seven tokens, in file order; a trailing one to six tokens are dropped. Tokens are
// separated by blanks, tabs, LF, CR, VT and FF and are kept byte for byte (NUL bytes
// included).
// The new records' serials are 0 (by sevens) or their positions (a record file) until
// the list is saved. On kOpenFailed list is unchanged.
// A file in UTF-8 or UTF-16 (charset::FileEncodingOf; a record file by its shape is read as
// GBK when it is valid GBK) is converted to GB18030 first (a leading byte-order mark
// dropped); any other file is taken as it is.
// When notes is given it receives what was found.
ImportResult AppendImportFile(const std::string& path, DevList& list, ImportNotes* notes = nullptr);
