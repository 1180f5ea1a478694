// Starting a session from a record file (dev.out as an earlier session wrote it): one
// record a line, a serial and the seven fields. Like the import file, the file is read
// whole into one buffer that the text store adopts, and every field is a slice of it.
//
// A record file: every line that is not blank (empty, or blanks and tabs only) holds
// exactly eight tokens separated by blanks or tabs, and the first token of the k-th such
// line is k in decimal (1, 2, 3 ... without sign or leading zeros). Lines end in LF or
// CR LF, blank lines anywhere are skipped, and the last line may lack its line end. A
// token never holds white space, so a VT, FF or lone CR makes a line no record line.
// A file devmgr wrote is GBK: a record file is read as GBK whenever it is valid GBK, UTF-8
// only with its mark or when it is no GBK (FileRule::kRecordShape).
// dev.out, its backups, query.out and filter.out are record files; the serials are
// checked and then dropped, the records being numbered by position. The same rule
// decides whether an import file is read as its records or by sevens (import_file.h).
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "model/device.h"
#include "locale/file_charset.h"
#include "store/file_text.h"

struct TableNotes;

// Why a record file was refused: the 1-based line (0: the file as a whole) and a reason
// in English.
struct LoadError {
  std::size_t line = 0;
  std::string reason;
};

// Reads the record file at path into list, numbered 1..n. On failure list is unchanged
// and error says why: the file cannot be read or is no regular file, or a line is no
// record. A table (table_file.h) gives its rows instead; one at fault is refused naming
// its first row at fault, and table, when given, receives what reading it found. A file
// in UTF-8 or UTF-16 (a record file saved again by an editor) is converted to GB18030
// first; decoded, when given, receives what the conversion found.
bool LoadRecordFile(const std::string& path, DevList& list, LoadError* error,
                    DecodedText* decoded = nullptr, TableNotes* table = nullptr);

// Cuts the record file bytes[0, size) into records appended to records, serials by
// position, in one pass. False when the bytes are no record file: then error, when
// given, names the first line that breaks the rule (1-based, blank lines counted) and
// why, and records may hold the records before that line.
// REQUIRES: the bytes lie in a buffer adopted by Texts() and stay there.
bool ParseRecordLines(const char* bytes, std::size_t size, DevList::Records& records,
                      LoadError* error);

// True when bytes are a record file that holds at least one record, by the rule above;
// nothing is kept.
bool LooksLikeRecordFile(std::string_view bytes);

// For bytes that are no record file: when more than half of their lines that are not
// blank (lines ending at LF, CR LF or a lone CR) hold eight fields, the first a decimal
// number, they are a record file gone wrong (two files joined, a mistyped serial, a cut
// last line, CR line ends): the first line that breaks the rule and why. Otherwise line 0.
LoadError NearRecordFault(std::string_view bytes);
