// Keeping the old content of a file that a save replaces, on Windows: flushed copies moved
// into place, hard links for an old backup where the volume has them; the rule is
// backup.cpp.

#include "files/backup.h"
#include "files/file_identity_win.h"
#include "locale/messages.h"
#include "files/temp_cleanup.h"

namespace {

// The temporary name of the attempt-th try at a new backup of the file whose backup is
// backup: one prefix for every file of a save, with this process's id, so the sweep
// knows whose it is.
std::string BackupTemporary(const std::string& backup, int attempt) {
  return TemporaryName(backup, attempt);
}

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

// Moves the flushed copy at temp to the new name to, never over a file there.
Kept MoveToNewName(const std::string& temp, const std::string& to, std::string* reason) {
  const std::wstring wide_temp = WideName(temp);
  if (RenameToFreeName(wide_temp, WideName(to))) {
    return Kept::kDone;
  }
  const DWORD error = GetLastError();
  DeleteFileW(wide_temp.c_str());
  if (IsTaken(error)) return Kept::kTaken;
  *reason = msg::Say("%s: cannot write the backup: %s", {to, SystemReason(error)});
  return Kept::kFailed;
}

}  // namespace

Kept KeepUnder(const std::string& from, bool link, const std::string& to, const std::string& backup,
               std::string* reason) {
  if (link && CreateHardLinkW(WideName(to).c_str(), WideName(from).c_str(), nullptr)) {
    return Kept::kDone;
  }
  if (link && IsTaken(GetLastError())) return Kept::kTaken;
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temp = BackupTemporary(backup, attempt);
    const int slot = ArmTempCleanup(temp.c_str());
    Kept kept = CopyFlushed(from, temp, to, reason);
    const bool temp_taken = kept == Kept::kTaken;
    if (kept == Kept::kDone) kept = MoveToNewName(temp, to, reason);
    DisarmTempCleanup(slot);
    if (!temp_taken) return kept;
  }
  *reason = msg::Say("%s: no free temporary name for the new backup", {backup});
  return Kept::kFailed;
}

Kept ReplaceBackup(const std::string& path, const std::string& backup, std::string* reason) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temp = BackupTemporary(backup, attempt);
    const int slot = ArmTempCleanup(temp.c_str());
    Kept kept = CopyFlushed(path, temp, backup, reason);
    if (kept == Kept::kDone && !MoveReplacing(WideName(temp), WideName(backup))) {
      *reason =
          msg::Say("%s: cannot replace the old backup: %s", {backup, SystemReason(GetLastError())});
      DeleteFileW(WideName(temp).c_str());
      kept = Kept::kNotReplaced;
    }
    DisarmTempCleanup(slot);
    if (kept != Kept::kTaken) return kept;
  }
  *reason = msg::Say("%s: no free temporary name for the new backup", {backup});
  return Kept::kFailed;
}
