// Record files (dev.out, query.out, filter.out): one line a record, the serial 1..n by
// position and the seven fields, separated by single blanks.
#pragma once

#include <string>

#include "model/device.h"
#include "files/file_writer.h"

// Appends the decimal text of value to out.
void AppendDecimal(std::string& out, long long value);

// Replaces the file at path with the records of list, numbered 1..n by position;
// the serials stored in the records are not read.
WriteResult WriteRecordFile(const std::string& path, const DevList& list,
                            const WriteOptions& options = {});

// The same for the data set, setting each record's serial to its position in the same
// pass (the records are in cache then), so the list leaves numbered 1..n whatever the
// outcome of the write.
WriteResult WriteRecordFileRenumbering(const std::string& path, DevList& list,
                                       const WriteOptions& options = {});
