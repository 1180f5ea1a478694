// Keeping the old content of a file that a save replaces, on Windows: a copy, flushed,
// moved over the older backup.
#include "store/backup.h"

#include "store/file_identity_win.h"
#include "store/temp_cleanup.h"
#include "store/messages.h"

namespace {

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

// Copies target to temp, flushes it and moves it over backup. False with a reason;
// *taken when temp already existed (a file of another run).
bool MakeBackupAt(const SaveTarget& target, const std::string& temp, const std::string& backup,
                  bool* taken, std::string* reason) {
  const std::wstring wide_temp = WideName(temp);
  *taken = false;
  if (!CopyFileW(WideName(target.path).c_str(), wide_temp.c_str(), TRUE)) {
    const DWORD error = GetLastError();
    *taken = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS;
    *reason = msg::Say("%s: cannot copy for the backup: %s", {target.path, SystemReason(error)});
    return false;
  }
  DWORD error = 0;
  if (!FlushFile(wide_temp, &error)) {
    *reason = msg::Say("%s: cannot write the backup: %s", {temp, SystemReason(error)});
  } else if (!MoveReplacing(wide_temp, WideName(backup))) {
    *reason = msg::Say("%s: cannot replace the old backup: %s", {backup, SystemReason(GetLastError())});
  } else {
    return true;
  }
  DeleteFileW(wide_temp.c_str());
  return false;
}

}  // namespace

std::string BackupPath(const std::string& path) { return path + "~"; }

bool KeepBackup(const SaveTarget& target, std::string* reason) {
  const std::string backup = BackupPath(target.path);
  const std::string prefix =
      TemporaryPrefix(backup) + std::to_string(GetCurrentProcessId()) + "-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temp = prefix + std::to_string(attempt);
    const int slot = ArmTempCleanup(temp.c_str());
    bool taken = false;
    const bool made = MakeBackupAt(target, temp, backup, &taken, reason);
    DisarmTempCleanup(slot);
    if (made || !taken) return made;
  }
  *reason = msg::Say("%s: no free temporary name for the new backup", {backup});
  return false;
}
