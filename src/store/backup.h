// Keeping the old content of a file that a save replaces, as "<file>~" beside it, so that
// the state before this session's first change can always be found again. The mechanics
// differ by platform (backup_posix.cpp, backup_win.cpp); the rule is the same.
#pragma once

#include <string>

// The file a save replaces, as the platform knows it (see the platform's file identity code).
struct SaveTarget;

// The name of the backup of the file at path: path with "~" appended.
std::string BackupPath(const std::string& path);

// Keeps the current content of target as its backup, made under a temporary name and
// renamed over the older backup, so the older one stays whole until the new one is. On
// POSIX systems a hard link to the same inode where the file system allows, else a copy
// with the same mode; on Windows a flushed copy. False with a reason when that failed.
// REQUIRES: target.exists and a regular file.
bool KeepBackup(const SaveTarget& target, std::string* reason);
