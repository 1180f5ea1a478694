// The notes an import leaves on standard error after its console texts: how the file was
// read (converted, a record file, a table) and what did not go in, and why.
#pragma once

#include <string>

#include "store/import_file.h"

namespace con {

// Tells the notes of an import of the file at path (as typed) on standard error.
void TellImportNotes(const std::string& path, const ImportNotes& notes);

// Tells how a table was read (a file named name, printable, that gave records records), or
// why it was refused; nothing for a file that was no table.
void TellTableNotes(const std::string& name, const TableNotes& table, std::size_t records);

}  // namespace con
