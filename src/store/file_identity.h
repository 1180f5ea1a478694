// What replacing a file must respect besides its content: where a symbolic link points,
// other hard links to it, its permission bits and owner, whether the user may write it,
// the backup of its previous content, and temporary files that killed runs left beside it.
#pragma once

#include <sys/types.h>

#include <string>

// The file a save replaces, found by following symbolic links from the name it was given.
// (Only the status fields the save needs: <sys/stat.h> would clash with the global stat.)
struct SaveTarget {
  std::string path;     // the resolved file: the rename goes over this one
  bool exists = false;  // whether path exists now; the fields below hold its status then
  bool regular = false;
  bool directory = false;
  mode_t mode = 0;  // permission bits, with set-id and sticky bits
  uid_t owner = 0;
  gid_t group = 0;
  nlink_t links = 0;
  dev_t device = 0;
  ino_t inode = 0;
};

// Follows path through symbolic links (relative ones against the link's directory) to the
// file they end at, which need not exist. False with a reason when they loop.
bool ResolveTarget(const std::string& path, SaveTarget* target, std::string* reason);

// Why target must not be replaced: a directory, a regular file with other hard links than
// its own backup, or a file the user may not write. Empty when it may be replaced.
std::string RefusalReason(const SaveTarget& target);

// The name of the backup of the file at path: path with "~" appended.
std::string BackupPath(const std::string& path);

// Keeps the current content of target as its backup, replacing an older backup: a hard link
// to the same inode where the file system allows, else a copy with the same mode. False
// with a reason when neither worked. REQUIRES: target.exists and a regular file.
bool KeepBackup(const SaveTarget& target, std::string* reason);

// Gives the temporary file fd the mode and, where permitted, the owner of target.
void CopyIdentity(int fd, const SaveTarget& target);

// The prefix of every temporary file of target: ".<name>.tmp-" beside it.
std::string TemporaryPrefix(const std::string& path);

// Removes the temporary files of path ("<prefix><pid>-<n>") whose process is gone.
// Those of live processes, this one included, are left alone.
void SweepStaleTemporaries(const std::string& path);

// The directory part of path ("." for a bare name).
std::string DirectoryOf(const std::string& path);
