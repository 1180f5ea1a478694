// What replacing a file must respect besides its content, on Windows: the name in the
// program's GB18030 bytes turned into the UTF-16 name the wide file API takes, where a
// symbolic link points, other hard links to the file, its read-only attribute, its owner,
// DACL, encryption, compression and streams, programs that hold it open, the backup of its
// previous content, and temporary files that killed runs, here or on another PC, left beside it.
#pragma once

#include <windows.h>

#include <string>
#include <string_view>
#include <vector>

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

// The UTF-16 form of a file name in the program's bytes, as the file API takes it (ApiName);
// empty when it is not valid.
std::wstring WideName(std::string_view bytes);

// The UTF-16 name to hand the file API for name: itself, or for a name too long for the
// classic limit of MAX_PATH its full form behind "\\?\" (or "\\?\UNC\"), which every
// Windows 10 takes whether or not long paths are enabled. Empty when name is empty.
std::wstring ApiName(const std::wstring& name);

// The full form of name, normalised by the system; empty when it has none.
std::wstring FullName(const std::wstring& name);

// Renames the open file h (opened with DELETE access) to the name to, replacing what is there
// (file_replace_win.cpp). Where the system has them (Windows 10 1709 and later, on NTFS), with
// POSIX semantics: the old file's name goes at once, and programs that hold it open with
// FILE_SHARE_DELETE (indexers, scanners, sync agents) keep reading the old content; elsewhere
// (FAT, most network shares, Wine) the classic replace, which any open handle on the old file
// refuses. A refusal because the file is held, or a classic replace that finds it open, is tried
// again with growing pauses for about five seconds (not at all unless wait). False with
// GetLastError() telling why; ERROR_SHARING_VIOLATION when the file stayed held.
//
// What is durable when this returns: only what was flushed before. The rename is a change of
// the directory, which NTFS writes to its journal lazily; Windows has no call that waits for
// one rename to be on disk (MOVEFILE_WRITE_THROUGH waits only for the copy of a move between
// volumes, and flushing the volume takes an administrator). After a crash NTFS comes back with
// either the old or the new file under the name, each whole, but a save that had returned may
// be undone by a power loss soon after it. FAT keeps no journal and promises neither.
bool ReplaceByHandle(HANDLE h, const std::wstring& to, bool wait = true);

// ReplaceByHandle for the file named from, opened here.
bool MoveReplacing(const std::wstring& from, const std::wstring& to);

// Deletes the open file h (opened with DELETE access) once it is closed; false if refused.
bool DeleteByHandle(HANDLE h);

// The reason for a Win32 error code in the words the POSIX build uses, from the catalogue.
std::string SystemReason(DWORD error);

// Follows path through a symbolic link to the file it ends at (which need not exist) and
// reads that file's status. False with a reason when the name is not valid text or the
// link's target has a name the program's code page cannot hold.
bool ResolveTarget(const std::string& path, SaveTarget* target, std::string* reason);

// Why target must not be written: a directory, a read-only file, a file with other hard
// links, or one the user may not open for writing. Empty when it may be written.
std::string RefusalReason(const SaveTarget& target);

// What the name of every temporary of this machine for the file at path begins with:
// ".<name>.tmp-<machine>-" beside it.
std::string TemporaryPrefix(const std::string& path);

// The name of this process's temporary number attempt for the file at path, beside it:
// ".<name>.tmp-<machine>-<pid>-<attempt>". The machine's name keeps the temporaries of
// devmgr on several PCs sharing one network folder apart: process ids are per machine.
std::string TemporaryName(const std::string& path, int attempt);

// Removes the temporary files of path and of its backup that this machine's processes left
// and that are gone. Those of live processes, this one included, and every other machine's
// are left alone: whether a process runs there cannot be known from here.
void SweepStaleTemporaries(const std::string& path);

// What the new file takes over from the one it replaces, read before its temporary is
// created (file_protection_win.cpp): owner (where the user may give it), group and DACL,
// the attributes hidden, system, archive, not indexed and encrypted, compression, and the
// named streams.
struct Protection {
  std::wstring from;                      // the old file, empty when there is none
  std::vector<unsigned char> descriptor;  // owner, group and DACL; empty when unreadable
  std::vector<unsigned char> no_owner;    // group and DACL, for a user who may not give the owner
  DWORD attributes = FILE_ATTRIBUTE_NORMAL;
  bool compressed = false;
};

// The protection of target, for a new file beside it; empty when it does not exist.
Protection ReadProtection(const SaveTarget& target);

// Creates the file at name exclusively, for reading, writing and deleting, shared for deletion
// only, with protection's descriptor (without the owner when the user may not give it, with
// the folder's defaults when that fails too) and attributes. INVALID_HANDLE_VALUE with
// GetLastError() telling why.
HANDLE CreateProtected(const std::wstring& name, const Protection& protection);

// Gives the new file h, named name, the compression and the named streams of the old file,
// as far as the file system holds them; nothing is reported, like a POSIX owner that cannot
// be given.
void CopyCompressionAndStreams(HANDLE h, const std::wstring& name, const Protection& protection);
