// What replacing a file must respect besides its content, on Windows: the name in the
// program's GB18030 bytes turned into the UTF-16 name the wide file API takes, where a
// symbolic link points, other hard links to the file, its read-only attribute, its owner,
// DACL, encryption, compression and streams, programs that hold it open, the backup of its
// previous content, and temporary files that killed runs, here or on another PC, left beside it.
#pragma once

#include <windows.h>

#include <functional>
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

// The UTF-16 name to hand the file API for name, judged by the full name the system resolves
// it to (a relative name against the working directory): name itself while that is within
// the classic limit of MAX_PATH, else the full name behind "\\?\" (or "\\?\UNC\"), which
// every Windows 10 takes whether or not long paths are enabled, up to 32,767 characters.
// Empty when name is empty.
std::wstring ApiName(const std::wstring& name);

// ApiName for name, whose full form is full (empty when it has none).
std::wstring LongFormFor(const std::wstring& name, const std::wstring& full);

// The full form of name, normalised by the system; empty when it has none.
std::wstring FullName(const std::wstring& name);

// Renames the open file h (opened with DELETE access) to the name to, replacing what is there
// (file_replace_win.cpp). Where the system has them (Windows 10 1709 and later, on NTFS), with
// POSIX semantics: the old file's name goes at once, and programs that hold it open with
// FILE_SHARE_DELETE (indexers, scanners, sync agents) keep reading the old content; elsewhere
// (FAT, most network shares, Wine) the classic replace, which any open handle on the old file
// refuses. A refusal because the file is held, or a classic replace that finds it open, is tried
// again with growing pauses for about five seconds (Patiently), whatever the holder shares,
// unless wait is false: then a held file fails at once. False with GetLastError() telling
// why; ERROR_SHARING_VIOLATION when the file stayed held.
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

// Renames the file from to to, never over a file there (ERROR_ALREADY_EXISTS then), with the
// console handler held off the temporaries (TempCleanupHeldOff).
bool RenameToFreeName(const std::wstring& from, const std::wstring& to);

// Calls attempt until it succeeds, or fails with an error that held does not take for another
// program holding a file, or about five seconds of growing pauses have passed (the wait of
// ReplaceByHandle). False with GetLastError() telling why; ERROR_SHARING_VIOLATION when the
// file stayed held.
bool Patiently(const std::function<bool()>& attempt, const std::function<bool(DWORD)>& held);

// Whether error says that another program holds a file: ERROR_SHARING_VIOLATION or
// ERROR_LOCK_VIOLATION.
bool HeldError(DWORD error);

// What the console control handler does before the process ends (temp_cleanup_win.cpp):
// deletes the temporaries armed by ArmTempCleanup, once no TempCleanupHeldOff is held.
void RemoveArmedTemporaries();

// Holds the console control handler off the temporaries that ArmTempCleanup armed, for its
// lifetime (temp_cleanup_win.cpp). Every rename of an armed temporary runs under one, so that
// the handler, which deletes them by name on a thread of its own, deletes a temporary before
// its rename (which then fails) or finds its name gone after, and never the renamed file
// through an open of the old name that the rename overtook. Not held across a pause.
class TempCleanupHeldOff {
 public:
  TempCleanupHeldOff();
  ~TempCleanupHeldOff();
  TempCleanupHeldOff(const TempCleanupHeldOff&) = delete;
  TempCleanupHeldOff& operator=(const TempCleanupHeldOff&) = delete;
};

// Deletes the open file h (opened with DELETE access) once it is closed; false if refused.
bool DeleteByHandle(HANDLE h);

// The reason for a Win32 error code in the words the POSIX build uses, from the catalogue.
std::string SystemReason(DWORD error);

// Follows path through a symbolic link to the file it ends at (which need not exist) and
// reads that file's status. False with a reason when the name is not valid text or the
// link's target has a name the program's code page cannot hold.
bool ResolveTarget(const std::string& path, SaveTarget* target, std::string* reason);

// Why target must not be written: a directory, a read-only file, a file with other hard
// links, or one the user may not open for writing or whose medium takes no writing. Empty
// when it may be written; also for a file another program holds, whatever it shares (the
// rename waits for it, ReplaceByHandle).
std::string RefusalReason(const SaveTarget& target);

// What the name of every temporary of this machine for the file at path begins with:
// ".<name>.tmp-<machine>-" beside it.
std::string TemporaryPrefix(const std::string& path);

// The name of this process's temporary number attempt for the file at path, beside it:
// ".<name>.tmp-<machine>-<pid>-<attempt>". The machine's name on the network (MachinePart)
// keeps the temporaries of devmgr on several PCs sharing one network folder apart: process
// ids are per machine.
std::string TemporaryName(const std::string& path, int attempt);

// The machine called name (its DNS name) as a part of file names: ASCII letters, digits,
// '-', '_' and '.' as they are, any other character as "~" and its four hexadecimal digits;
// past 64 characters, the first 46 and "~h" with 16 hexadecimal digits of a hash of the whole
// name. "~none" for an empty name.
std::string MachinePart(std::wstring_view name);

// TemporaryPrefix and TemporaryName for the machine whose part is machine and the process pid.
std::string TemporaryPrefixFor(const std::string& path, const std::string& machine);
std::string TemporaryNameFor(const std::string& path, const std::string& machine, DWORD pid,
                             int attempt);

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

// Copies the file from to the new file to, created exclusively as a save's temporary is, with
// from's protection (CreateProtected, ReadProtection), bytes, compression and named streams,
// and flushes it through the handle that created it (a descriptor taken over may not let this
// user open it for writing again); a from that another program holds is waited for
// (Patiently). CopyFileW would give the copy
// the folder's defaults: it copies no security descriptor. False with GetLastError() telling
// why, ERROR_FILE_EXISTS when to exists; a copy begun is deleted again then.
bool CopyProtected(const std::wstring& from, const std::wstring& to);

// Gives the new file h, named name, the compression and the named streams of the old file,
// as far as the file system holds them; nothing is reported, like a POSIX owner that cannot
// be given.
void CopyCompressionAndStreams(HANDLE h, const std::wstring& name, const Protection& protection);
