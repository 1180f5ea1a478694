// The rule of keeping backups, written once for every platform (see backup.h); the
// platform files give it links, flushed copies, moves that never replace, and listings.
#include "files/backup.h"

#include <chrono>

#include "files/temp_cleanup.h"
#include "locale/messages.h"

namespace {

constexpr int kMaxNumber = 999999999;

// How many names are tried, when others take them meanwhile.
constexpr int kTries = 100;

// A name of its own for a backup when no number is free: never a number, never the same
// twice in a row.
std::string OwnName(const std::string& path, int attempt) {
  const auto now = std::chrono::system_clock::now().time_since_epoch();
  const long long stamp = std::chrono::duration_cast<std::chrono::microseconds>(now).count();
  return path + ".~kept-" + std::to_string(stamp) + "-" + std::to_string(attempt) + "~";
}

// Moves the file at from to the next free numbered name of path, or when none is left to a
// name of its own, with *note saying so; *kept_as gets the name. False with a reason.
bool KeepNumbered(const std::string& path, const std::string& from, std::string* kept_as,
                  std::string* reason, std::string* note) {
  int number = NextBackupNumber(ListNumberedBackups(path));
  for (int tries = 0; tries < 2 * kTries; ++tries) {
    const bool numbered = tries < kTries && number <= kMaxNumber;
    *kept_as = numbered ? NumberedBackupPath(path, number++) : OwnName(path, tries);
    const Kept kept = MoveUnder(from, *kept_as, reason);
    if (kept == Kept::kTaken) continue;
    if (kept == Kept::kDone && !numbered) {
      *note = msg::Say("%1$s: no numbered name is free; kept as %2$s", {from, *kept_as});
    }
    return kept == Kept::kDone;
  }
  *reason = msg::Say("%s: no free name for a numbered backup", {path});
  return false;
}

// Makes a flushed copy of the file at path under a new temporary of backup; *temp gets its
// name, armed for removal on a signal in *slot. False with a reason.
bool CopyToTemporary(const std::string& path, const std::string& backup, std::string* temp,
                     int* slot, std::string* reason) {
  for (int attempt = 0; attempt < kTries; ++attempt) {
    *temp = BackupTemporaryName(backup, attempt);
    *slot = ArmTempCleanup(temp->c_str());
    const Kept kept = CopyFlushed(path, *temp, backup, reason);
    if (kept == Kept::kDone) return true;
    DisarmTempCleanup(*slot);
    if (kept == Kept::kFailed) return false;
  }
  *reason = msg::Say("%s: no free temporary name for the new backup", {backup});
  return false;
}

// Keeps the file found at path as backup when free is true and that name can be had, else
// under a numbered name: a hard link, or a flushed copy moved there. *where gets the name,
// *fixed why backup was not used; empty *where and true when the file was empty and backup
// not free: nothing to keep. False with a reason when it could not be kept.
bool KeepFound(const std::string& path, const std::string& backup, bool free, std::string* where,
               std::string* fixed, std::string* reason, std::string* note) {
  *where = backup;
  if (free) {
    const Kept linked = LinkUnder(path, backup, fixed);
    if (linked == Kept::kDone) return true;
    free = linked == Kept::kFailed;  // no links here: a copy may still take the name
    *fixed = free ? "" : msg::Say("%s: taken by another save meanwhile", {backup});
  }
  where->clear();
  if (!free && !LookAtFile(path).holds_bytes) return true;
  std::string temp;
  int slot = -1;
  if (!CopyToTemporary(path, backup, &temp, &slot, reason)) return false;
  const Kept moved = free ? MoveUnder(temp, backup, fixed) : Kept::kFailed;
  if (moved == Kept::kTaken) *fixed = msg::Say("%s: taken by another save meanwhile", {backup});
  bool kept = moved == Kept::kDone;
  if (kept) *where = backup;
  if (!kept) kept = KeepNumbered(path, temp, where, reason, note);
  if (!kept) RemoveBackupFile(temp);
  DisarmTempCleanup(slot);
  return kept;
}

// Joins two notes into one line.
std::string Both(const std::string& first, const std::string& second) {
  return first.empty() || second.empty() ? first + second : first + "; " + second;
}

// Moves the backup found at backup, whatever it is by now, to a number of its own: from
// then on no other session can lose it, nor it theirs. *parked gets the name (empty when
// nothing was moved), *fixed why backup must stay as it is, *note where it went when no
// number was free.
void ParkOldBackup(const std::string& path, const std::string& backup, std::string* parked,
                   std::string* fixed, std::string* note) {
  const FileLook old = LookAtFile(backup);
  *fixed = old.fixed;
  if (!fixed->empty() || !old.exists) return;
  if (!KeepNumbered(path, backup, parked, fixed, note)) {
    parked->clear();
    if (!LookAtFile(backup).exists) fixed->clear();  // another save moved it meanwhile
  }
}

// Removes the parked backup again when the one now made at where holds all it held, and
// with it its note.
void TidyParked(const std::string& where, const std::string& parked, std::string* note) {
  if (parked.empty() || where.empty()) return;
  if (LookAtFile(parked).holds_bytes && !SameBytes(where, parked)) return;
  RemoveBackupFile(parked);
  note->clear();
}

}  // namespace

bool KeepBackup(const std::string& path, std::string* reason) {
  const std::string backup = BackupPath(path);
  std::string parked;
  std::string fixed;
  std::string parked_note;
  ParkOldBackup(path, backup, &parked, &fixed, &parked_note);
  std::string where;
  std::string why;
  std::string note;
  if (!KeepFound(path, backup, fixed.empty(), &where, &fixed, &why, &note)) {
    std::string ignored;
    if (!parked.empty()) MoveUnder(parked, backup, &ignored);  // as it was: a retry adds nothing
    *reason = fixed.empty()
                  ? why
                  : msg::Say("%1$s; nor could a numbered backup be made: %2$s", {fixed, why});
    return false;
  }
  TidyParked(where, parked, &parked_note);
  if (!where.empty() && where != backup) {
    note = Both(msg::Say("%1$s; the previous %2$s is kept as %3$s instead", {fixed, path, where}),
                note);
  }
  note = Both(parked_note, note);
  if (!note.empty()) *reason = note;
  return true;
}

bool KeepNumberedBackup(const std::string& path, std::string* kept_as, std::string* reason) {
  const int newest = NextBackupNumber(ListNumberedBackups(path)) - 1;
  if (newest > 0 && SameBytes(path, NumberedBackupPath(path, newest))) {
    *kept_as = NumberedBackupPath(path, newest);
    return true;  // kept already, by an earlier save
  }
  std::string temp;
  int slot = -1;
  if (!CopyToTemporary(path, path, &temp, &slot, reason)) return false;
  std::string note;  // a name of its own is named by *kept_as already
  const bool kept = KeepNumbered(path, temp, kept_as, reason, &note);
  if (!kept) RemoveBackupFile(temp);
  DisarmTempCleanup(slot);
  return kept;
}
