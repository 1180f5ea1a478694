// Keeping the old content of a file that a save replaces, so that no earlier state with
// records is ever lost, however sessions on the same file interleave. The rule, the same on
// every platform (backup.cpp):
//
// - No step ever replaces a name: every backup is made by a hard link, or by a copy
//   written under a temporary name, flushed, and then moved to a name that does not exist.
//   So no other session's backup is ever overwritten, and no truncated copy ever stands
//   under a backup name (a kill leaves at most a temporary, swept by the next save).
// - The "<file>~" found is first moved, as it is then, to the next numbered name
//   "<file>.~N~"; the file found is then kept as "<file>~". The moved one is removed again
//   when it is empty or holds the same bytes as the file now kept: only a state worth
//   keeping takes a number.
// - When "<file>~" cannot be used (a directory or other non-file, another user's file in a
//   shared sticky directory, a file another program holds, a name another session took
//   meanwhile), the file found goes to a numbered name instead, with a note saying where it
//   went and why; an empty file found has nothing to keep and goes nowhere then.
// - N is one more than the highest number devmgr could have made there: numbers of the
//   user's own regular files, and those of other files that continue the directory's
//   sequence; a far-off number planted by someone else is passed over. When no number is
//   free, the file goes to a name of its own ("<file>.~kept-PID-K~"), with a note: a save
//   is never stopped by the names beside it.
// - When no backup at all could be made the save is refused, and what this attempt moved
//   goes back where it was, so that a retry leaves no copy more.
//
// The mechanics differ by platform and are declared at the end: making backups (links,
// copies, moves that never replace) in backup_posix.cpp and backup_win.cpp, looking at what
// lies beside the file (its backup, its bytes, the numbers taken) in
// backup_survey_posix.cpp and backup_survey_win.cpp.
#pragma once

#include <string>
#include <string_view>
#include <vector>

// The name of the backup of the file at path: path with "~" appended.
std::string BackupPath(const std::string& path);

// The name of the numbered backup N of the file at path: "<path>.~N~".
std::string NumberedBackupPath(const std::string& path, int number);

// The number N of a numbered backup from what follows the file's own name in the backup's
// name, ".~N~" (N in decimal from 1, without leading zeros, at most nine digits); 0 for
// anything else.
int BackupNumber(std::string_view suffix);

// A numbered backup found beside a file.
struct NumberedBackup {
  int number = 0;
  bool own = false;  // a regular file of the user's, as devmgr makes them
};

// The number the next numbered backup takes among those found: one more than the highest
// of the user's own, or of others' that continue the sequence from there in steps of at
// most a hundred; 1 when there is none.
int NextBackupNumber(std::vector<NumberedBackup> found);

// Keeps the current content of the file at path by the rule above. True when a backup was
// made, or there was nothing to keep; *reason then holds the note to show when the file
// went to a numbered name, and is left alone otherwise. False with the reason when no
// backup could be made.
// REQUIRES: path names an existing regular file, links resolved (the file a save replaces).
bool KeepBackup(const std::string& path, std::string* reason);

// Keeps a copy of the file at path under the next numbered name "<path>.~N~" (*kept_as), for
// a file that is replaced without a "<path>~" (a spreadsheet's copy the user changed); when
// the newest numbered backup holds its bytes already, that one is *kept_as and no copy is
// made. False with the reason when no copy could be made. REQUIRES: as KeepBackup.
bool KeepNumberedBackup(const std::string& path, std::string* kept_as, std::string* reason);

// --- The platform's mechanics, used by the calls above only.

// What a file that a backup would keep, or move away, is now.
struct FileLook {
  bool exists = false;
  bool holds_bytes = false;  // a regular file that is not empty
  std::string fixed;         // why it must not be moved away; empty when it may or is missing
};

// Looks at the file at path without following a link.
FileLook LookAtFile(const std::string& path);

// Whether the file at backup holds the same bytes as the one at path (it may be the same
// file). False also when either cannot be read.
bool SameBytes(const std::string& path, const std::string& backup);

// How an attempt to make a name ended.
enum class Kept {
  kDone,
  kTaken,   // the name to create exists already: try another
  kFailed,  // not made (with a reason)
};

// Makes to a hard link of the file at from, never replacing a file there. kFailed, with a
// reason, also where the file system has no hard links.
Kept LinkUnder(const std::string& from, const std::string& to, std::string* reason);

// The name of the attempt-th temporary of a new backup copy of the file whose backup is
// backup: a temporary of backup, which the sweep of a later save removes when this process
// is gone.
std::string BackupTemporaryName(const std::string& backup, int attempt);

// Copies the file at from into the new file temp, created exclusively, with no more access
// than from gives (its permission bits, and its owner where the platform lets the user keep
// it), and flushes it to stable storage. kTaken when temp exists; on a failure the partial
// copy is removed and the reason calls the backup by the name shown.
Kept CopyFlushed(const std::string& from, const std::string& temp, const std::string& shown,
                 std::string* reason);

// Moves the file at from to the new name to, never replacing a file there.
Kept MoveUnder(const std::string& from, const std::string& to, std::string* reason);

// Removes the file at path, if it can.
void RemoveBackupFile(const std::string& path);

// The numbered backups "<path>.~N~" beside path.
std::vector<NumberedBackup> ListNumberedBackups(const std::string& path);
