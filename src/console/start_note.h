// The note at the start of an interactive session. devmgr starts empty, so a dev.out that
// an earlier session left is easily taken for lost: the note says how many records it
// holds, that they are kept as backups, and how to go on from them. On Windows it also
// warns when the working directory is a temporary folder, as when Explorer runs devmgr.exe
// from inside the zip: Windows deletes the files written there.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace con {

// What the note depends on, read from the process's platform (start_note_posix.cpp,
// start_note_win.cpp).
struct StartFacts {
  bool interactive = false;  // standard input is a terminal or a console
  std::string directory;     // the working directory's full path, fit for standard error
  bool temporary = false;    // it lies inside the user's temporary folder (Windows only)
  std::vector<std::string> platform_lines;  // the platform's own lines, told first
};

// The facts of this process.
StartFacts ReadStartFacts();

// The note's lines, each without the "devmgr: " that standard error gives it, for a
// session started with facts whose working directory's dev.out holds records records
// (0: none, or no record file). No lines when no note is due.
std::vector<std::string> StartNote(const StartFacts& facts, std::size_t records);

// The number of records of the record file dev.out in the working directory; 0 when it
// is missing, no record file, or cannot be read. Keeps nothing of it in memory.
std::size_t RecordsInDevOut();

// The note's lines about dev.csv when it is not the copy devmgr wrote of dev.out (a sheet
// saved there, or the copy changed in a spreadsheet): that the next save keeps it, and how to
// take its rows in. No lines unless changed.
std::vector<std::string> CsvNote(bool changed);

// Whether dev.csv in the working directory is there and not devmgr's copy of dev.out.
bool DevCsvChanged();

// Tells the note on standard error, before the first menu, for a session that starts
// without --load. Standard output is not touched.
void TellStartNote();

}  // namespace con
