// Opening the files devmgr reads (an import file, a record file given to --load) by the
// name the user gave, in the program's encoding: on POSIX systems the bytes are the name,
// on Windows the name is converted to UTF-16 for the wide file API, whatever the process's
// ANSI code page.
#pragma once

#include <string>

// What an input file may be besides a regular file.
enum class InputKind {
  kRegular,        // a regular file only
  kRegularOrPipe,  // also a FIFO (a pipe), read to its end
};

// Opens path for reading and returns a descriptor for read(2), or -1 with a reason in
// English ("cannot open: ...", "not a regular file"). Devices, directories and anything
// kind does not allow are refused: a device such as /dev/zero never ends. A FIFO without
// a writer does not block the open.
int OpenInputFile(const std::string& path, InputKind kind, std::string* reason);

// Closes a descriptor that OpenInputFile returned.
void CloseInputFile(int fd);
