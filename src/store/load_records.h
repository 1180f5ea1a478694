// Starting a session from a record file (dev.out as an earlier session wrote it): one
// record a line, a serial and the seven fields. Like the import file, the file is read
// whole into one buffer that the text store adopts, and every field is a slice of it.
//
// Each line holds exactly eight tokens separated by blanks or tabs (a CR before the line
// feed, as a file edited elsewhere may have, and VT and FF count as blanks too). The first
// is the serial, a decimal number from 1 to 2147483647, which is checked and then ignored:
// the records are numbered by position. An empty file gives no records, and the last
// line may lack its line feed. Any other line, an empty one included, is not a record.
#pragma once

#include <cstddef>
#include <string>

#include "model/device.h"

// Why a record file was refused: the 1-based line (0: the file as a whole) and a reason
// in English.
struct LoadError {
  std::size_t line = 0;
  std::string reason;
};

// Reads the record file at path into list, numbered 1..n. On failure list is unchanged
// and error says why: the file cannot be read or is no regular file, or a line is no
// record. A file that charset::IsUtf8File takes for UTF-8 (a record file saved again by an
// editor) is converted to GB18030 first, as an import file is; from_utf8, when given, says
// whether it was.
bool LoadRecordFile(const std::string& path, DevList& list, LoadError* error,
                    bool* from_utf8 = nullptr);

// Cuts bytes[0, size) into records appended to records, serials by position.
// REQUIRES: the bytes lie in a buffer adopted by Texts() and stay there.
// On failure records may hold the records before the bad line.
bool ParseRecordLines(const char* bytes, std::size_t size, DevList::Records& records,
                      LoadError* error);
