// What replacing a file must respect besides its content, on Windows: the name in the
// program's GB18030 bytes turned into the UTF-16 name the wide file API takes, where a
// symbolic link points, other hard links to the file, its read-only attribute, the backup
// of its previous content, and temporary files that killed runs left beside it.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>

// The file a save replaces, found by following symbolic links from the name it was given.
struct SaveTarget {
  std::string path;     // the resolved file in the program's bytes: the rename goes over it
  bool exists = false;  // whether path exists now; the fields below hold its status then
  bool directory = false;
  bool read_only = false;  // FILE_ATTRIBUTE_READONLY
  DWORD attributes = 0;    // the attributes the new file takes over (hidden, archive...)
  DWORD links = 0;         // hard links to the file
};

// The UTF-16 form of bytes in the program's code page; false when they are not valid there.
bool ToWide(std::string_view bytes, std::wstring* wide);

// The program's bytes for a UTF-16 text; false when a character has no form there.
bool FromWide(std::wstring_view wide, std::string* bytes);

// The UTF-16 form of a file name in the program's bytes; empty when it is not valid.
std::wstring WideName(std::string_view bytes);

// Moves the file from over the file to, replacing it, and returns once the move is on disk.
// A file that a virus scanner or an indexer holds open for a moment is tried again a few
// times. False with GetLastError() telling why.
bool MoveReplacing(const std::wstring& from, const std::wstring& to);

// The reason for a Win32 error code, in English, in the words the POSIX build uses.
std::string SystemReason(DWORD error);

// Follows path through a symbolic link to the file it ends at (which need not exist) and
// reads that file's status. False with a reason when the name is not valid text or the
// link's target has a name the program's code page cannot hold.
bool ResolveTarget(const std::string& path, SaveTarget* target, std::string* reason);

// Why target must not be written: a directory, a read-only file, a file with other hard
// links, or one the user may not open for writing. Empty when it may be written.
std::string RefusalReason(const SaveTarget& target);

// The prefix of every temporary file of target: ".<name>.tmp-" beside it.
std::string TemporaryPrefix(const std::string& path);

// Removes the temporary files of path and of its backup ("<prefix><pid>-<n>") whose
// process is gone. Those of live processes, this one included, are left alone.
void SweepStaleTemporaries(const std::string& path);
