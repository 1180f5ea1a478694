// Keeping the old content of a file that a save replaces, on Windows: hard links where the
// volume has them, else flushed copies; moves that never replace; the rule is backup.cpp.

#include "files/backup.h"
#include "files/file_identity_win.h"
#include "locale/messages.h"

namespace {

// Whether error says that a name to create exists already.
bool IsTaken(DWORD error) { return error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS; }

// Makes the copy at temp durable before it is moved into place.
bool FlushFile(const std::wstring& temp, DWORD* error) {
  const HANDLE h = CreateFileW(temp.c_str(), GENERIC_WRITE, FILE_SHARE_DELETE, nullptr,
                               OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (h == INVALID_HANDLE_VALUE) return *error = GetLastError(), false;
  const bool flushed = FlushFileBuffers(h);
  if (!flushed) *error = GetLastError();
  CloseHandle(h);
  return flushed;
}

}  // namespace

// Copies from to the new file temp and flushes it; the reason calls the backup by the
// name shown. kTaken when temp exists already (a file of another run).
Kept CopyFlushed(const std::string& from, const std::string& temp, const std::string& shown,
                 std::string* reason) {
  const std::wstring wide_temp = WideName(temp);
  if (!CopyProtected(WideName(from), wide_temp)) {
    const DWORD error = GetLastError();
    if (IsTaken(error)) return Kept::kTaken;
    *reason = msg::Say("%s: cannot copy for the backup: %s", {from, SystemReason(error)});
    return Kept::kFailed;
  }
  DWORD error = 0;
  if (FlushFile(wide_temp, &error)) return Kept::kDone;
  *reason = msg::Say("%s: cannot write the backup: %s", {shown, SystemReason(error)});
  DeleteFileW(wide_temp.c_str());
  return Kept::kFailed;
}

// Not here: a second link of the file a save replaces would make the next save refuse it,
// were the save cut short before its rename (file_identity_win.cpp counts every link).
// The found file is copied instead.
Kept LinkUnder(const std::string& /*from*/, const std::string& to, std::string* reason) {
  *reason = msg::Say("%s: cannot link for the backup: %s", {to, SystemReason(ERROR_NOT_SUPPORTED)});
  return Kept::kFailed;
}

// One prefix for every file of a save, with the computer's name and this process's id, so
// the sweep knows whose it is.
std::string BackupTemporaryName(const std::string& backup, int attempt) {
  return TemporaryName(backup, attempt);
}

Kept MoveUnder(const std::string& from, const std::string& to, std::string* reason) {
  if (RenameToFreeName(WideName(from), WideName(to))) {
    return Kept::kDone;
  }
  const DWORD error = GetLastError();
  if (IsTaken(error)) return Kept::kTaken;
  *reason = msg::Say("%1$s: cannot be moved to %2$s: %3$s", {from, to, SystemReason(error)});
  return Kept::kFailed;
}

void RemoveBackupFile(const std::string& path) { DeleteFileW(WideName(path).c_str()); }
