// Noticing a second devmgr in the working directory on Windows, also one in another Windows
// session or on another PC that uses the same network folder: the lock is a hidden file
// ".devmgr.lock" in the directory, held open without sharing, which the system (over a network
// folder, the server) refuses to every other opener, and deletes when the process ends, also
// when it is killed. A byte-range lock on its first byte reaches where share modes do not:
// programs under Wine with prefixes of their own, and file servers that lock for Unix programs.
#include "store/dir_lock.h"

#include <windows.h>

namespace {

// The lock file's name, in the working directory.
constexpr wchar_t kLockName[] = L".devmgr.lock";

// FileDispositionInfoEx, which MinGW's headers declare only for later targets.
constexpr auto kFileDispositionInfoEx = static_cast<FILE_INFO_BY_HANDLE_CLASS>(21);

// Lets go of h, a lock file that another devmgr holds, without deleting it: Windows 10 1709
// and later can take back the deletion on close; elsewhere h stays open until the process
// ends, which deletes the name only then.
void LetGo(HANDLE h) {
  FILE_DISPOSITION_INFO_EX keep{FILE_DISPOSITION_FLAG_DO_NOT_DELETE | FILE_DISPOSITION_FLAG_ON_CLOSE};
  if (SetFileInformationByHandle(h, kFileDispositionInfoEx, &keep, sizeof keep)) CloseHandle(h);
}

}  // namespace

DirLock LockWorkingDirectory() {
  const HANDLE h = CreateFileW(kLockName, GENERIC_READ | GENERIC_WRITE | DELETE, 0, nullptr,
                               OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN | FILE_FLAG_DELETE_ON_CLOSE,
                               nullptr);
  if (h == INVALID_HANDLE_VALUE) {
    return GetLastError() == ERROR_SHARING_VIOLATION ? DirLock::kHeldElsewhere
                                                     : DirLock::kUnavailable;
  }
  OVERLAPPED first_byte{};
  if (LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &first_byte) ||
      GetLastError() != ERROR_LOCK_VIOLATION) {
    return DirLock::kTaken;  // h stays open; a file system without byte locks has the share mode
  }
  LetGo(h);
  return DirLock::kHeldElsewhere;
}
