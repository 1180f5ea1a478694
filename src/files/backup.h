// Keeping the old content of a file that a save replaces, so that no earlier state with
// records is ever lost. The rule, the same on every platform (backup.cpp):
//
// - The file found is kept as "<file>~", made under a temporary name and renamed over the
//   older "<file>~", so the older one stays whole until the new one is.
// - The "<file>~" this would replace is kept first under the next numbered name,
//   "<file>.~N~", when it is not empty and its bytes differ from the file found. N is one
//   more than the highest number present beside the file: the highest is the newest.
// - When "<file>~" cannot be replaced (a directory, another user's file in a shared sticky
//   directory, a file another program holds, a rename that fails, an old backup that could
//   not be kept), the file found goes to the next numbered name instead and the save goes
//   on, with a note that says where it went and why; an empty file found has nothing to
//   keep and goes nowhere then.
// - A numbered backup is never deleted or overwritten: each is created under a name that
//   did not exist, and a name taken meanwhile moves on to the next number.
// - A save is refused for its backup only when no backup at all could be made.
//
// The mechanics differ by platform and are declared at the end: making backups (links,
// copies, renames) in backup_posix.cpp and backup_win.cpp, looking at what lies beside the
// file (its backup, its bytes, the numbers taken) in backup_survey_posix.cpp and
// backup_survey_win.cpp.
#pragma once

#include <string>
#include <string_view>

// The name of the backup of the file at path: path with "~" appended.
std::string BackupPath(const std::string& path);

// The name of the numbered backup N of the file at path: "<path>.~N~".
std::string NumberedBackupPath(const std::string& path, int number);

// The number N of a numbered backup from what follows the file's own name in the backup's
// name, ".~N~" (N in decimal from 1, without leading zeros, at most nine digits); 0 for
// anything else.
int BackupNumber(std::string_view suffix);

// Keeps the current content of the file at path by the rule above. True when a backup was
// made; *reason then holds the note to show when it went to a numbered name, and is left
// alone otherwise. False with the reason when no backup could be made.
// REQUIRES: path names an existing regular file, links resolved (the file a save replaces).
bool KeepBackup(const std::string& path, std::string* reason);

// Keeps a copy of the file at path under the next numbered name "<path>.~N~" (*kept_as), for
// a file that is replaced without a "<path>~" (a spreadsheet's copy the user changed). False
// with the reason when no copy could be made. REQUIRES: as KeepBackup.
bool KeepNumberedBackup(const std::string& path, std::string* kept_as, std::string* reason);

// --- The platform's mechanics, used by the calls above only.

// What a file that a backup would keep, or replace, is now.
struct FileLook {
  bool holds_bytes = false;  // a regular file that is not empty
  std::string fixed;         // why it must not be replaced; empty when it may or is missing
};

// Looks at the file at path without following a link.
FileLook LookAtFile(const std::string& path);

// Whether the file at backup holds the same bytes as the one at path (it may be the same
// file). False also when either cannot be read.
bool SameBytes(const std::string& path, const std::string& backup);

// How an attempt to keep a backup ended.
enum class Kept {
  kDone,
  kTaken,        // the name to create exists already: try another
  kFailed,       // the backup could not be made (with a reason)
  kNotReplaced,  // made, but the older backup could not be replaced (with a reason)
};

// Keeps the file at from under the new name to, never replacing a file there: where link
// is true, a hard link where the file system has them; else a flushed copy with from's
// permissions (and owner, where the platform keeps one), removed again on a signal or a
// failure while it is written. Where the platform copies through a temporary file, it is
// named as a temporary of backup, the "<file>~" the numbered name belongs to.
Kept KeepUnder(const std::string& from, bool link, const std::string& to, const std::string& backup,
               std::string* reason);

// Makes the backup of the file at path under a temporary name and renames it over backup.
Kept ReplaceBackup(const std::string& path, const std::string& backup, std::string* reason);

// The highest N among the names "<path>.~N~" beside path; 0 when there is none.
int HighestBackupNumber(const std::string& path);
