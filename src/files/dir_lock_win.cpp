// Noticing a second devmgr in the working directory on Windows, also one in another Windows
// session or on another PC that uses the same network folder: the lock is a hidden file
// ".devmgr.lock" in the directory, held open for reading and writing shared for deletion only,
// which the system (over a network folder, the server) refuses to every other devmgr, and a
// second handle deletes when the process ends, also when it is killed. A byte-range lock on
// its first byte reaches where share modes do not: programs under Wine with prefixes of their
// own, and file servers that lock for Unix programs.
#include "files/dir_lock.h"

#include "files/file_identity_win.h"

namespace {

// The lock file's name, in the working directory.
constexpr wchar_t kLockName[] = L".devmgr.lock";

}  // namespace

// A devmgr that finds the lock held opens no handle that deletes the file: only the holder
// does, once it has the lock. A lock file that a crash of the whole system left is taken over.
DirLock LockWorkingDirectory() {
  const std::wstring name = ApiName(kLockName);  // a deep folder's takes the long form
  const HANDLE lock = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_DELETE,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_HIDDEN, nullptr);
  if (lock == INVALID_HANDLE_VALUE) {
    return GetLastError() == ERROR_SHARING_VIOLATION ? DirLock::kHeldElsewhere
                                                     : DirLock::kUnavailable;
  }
  OVERLAPPED first_byte{};
  if (!LockFileEx(lock, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0,
                  &first_byte) &&
      GetLastError() == ERROR_LOCK_VIOLATION) {
    CloseHandle(lock);
    return DirLock::kHeldElsewhere;
  }
  // Both handles stay open for the rest of the process (a file system without byte-range
  // locks has the share mode alone).
  CreateFileW(name.c_str(), DELETE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
              OPEN_EXISTING, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
  return DirLock::kTaken;
}
