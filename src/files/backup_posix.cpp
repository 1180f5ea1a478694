// Keeping the old content of a file that a save replaces, on POSIX systems: hard links to
// the same inode where the file system allows, else copies; the rule is backup.cpp.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "files/backup.h"
#include "files/file_identity.h"
#include "locale/messages.h"
#include "files/temp_cleanup.h"

namespace {

// The temporary name of the attempt-th try at a new backup: one prefix for every file of
// a save, with this process's id, so the sweep knows whose it is.
std::string BackupTemporary(const std::string& backup, int attempt) {
  return TemporaryPrefix(backup) + std::to_string(::getpid()) + "-" + std::to_string(attempt);
}

// Writes all of bytes to fd, going on after a short write; errno tells why it stopped.
bool WriteAll(int fd, const char* bytes, std::size_t size) {
  while (size > 0) {
    const ssize_t n = ::write(fd, bytes, size);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) return false;
    if (n == 0) return errno = ENOSPC, false;  // no progress and no reason: the disk is full
    bytes += n;
    size -= static_cast<std::size_t>(n);
  }
  return true;
}

// Copies what is left to read from in to out and syncs out; 0 or the errno that stopped it.
int CopyBytes(int in, int out) {
  char block[1 << 16];
  for (;;) {
    const ssize_t n = ::read(in, block, sizeof block);
    if (n == 0) return ::fsync(out) == 0 ? 0 : errno;
    if (n < 0 && errno != EINTR) return errno;
    if (n > 0 && !WriteAll(out, block, static_cast<std::size_t>(n))) return errno;
  }
}

// The identity of the open file fd (mode, owner, group), as CopyIdentity takes it.
SaveTarget IdentityOf(int fd, const std::string& path) {
  SaveTarget like;
  struct stat st = {};
  like.path = path;
  like.exists = like.regular = ::fstat(fd, &st) == 0;
  like.mode = like.exists ? st.st_mode & 07777 : 0600;
  like.owner = st.st_uid;
  like.group = st.st_gid;
  return like;
}

// Copies the file at from into a new file at to, created exclusively with from's mode and
// owner, and syncs it. Returns 0, or the errno that stopped it with a reason that calls to
// by the name shown (EEXIST without one: to is taken). When arm, to is removed on a signal
// from its creation on; a partial copy is removed.
int CopyFile(const std::string& from, const std::string& to, const std::string& shown, bool arm,
             std::string* reason) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (in < 0) {
    const int error = errno;
    *reason = msg::Say("%s: cannot read for the backup: %s", {from, msg::SystemError(error)});
    return error;
  }
  const SaveTarget like = IdentityOf(in, from);
  const int out =
      ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, like.mode & 0777);
  int error = out < 0 ? errno : 0;
  const int slot = out >= 0 && arm ? ArmTempCleanup(to.c_str()) : -1;
  if (out >= 0) CopyIdentity(out, like);
  if (error == 0) error = CopyBytes(in, out);
  if (out >= 0 && ::close(out) != 0 && error == 0) error = errno;
  ::close(in);
  if (error != 0 && out >= 0) ::unlink(to.c_str());
  DisarmTempCleanup(slot);
  if (error != 0 && error != EEXIST) {
    *reason = msg::Say("%s: cannot write the backup: %s", {shown, msg::SystemError(error)});
  }
  return error;
}

// Makes the new backup of the file at path at temp: a hard link to its inode, or else a
// copy. False with a reason; *taken when temp was taken (by a file of another run).
bool MakeBackupAt(const std::string& path, const std::string& temp, bool* taken,
                  std::string* reason) {
  *taken = false;
  if (::link(path.c_str(), temp.c_str()) == 0) return true;
  if (errno == EEXIST) return *taken = true, false;
  const int error = CopyFile(path, temp, BackupPath(path), false, reason);
  *taken = error == EEXIST;
  return error == 0;
}

}  // namespace

// The copy is made at to itself, created exclusively: a temporary could not be linked
// there where the file system has no links.
Kept KeepUnder(const std::string& from, bool link, const std::string& to,
               const std::string& /*backup*/, std::string* reason) {
  if (link && ::link(from.c_str(), to.c_str()) == 0) return Kept::kDone;
  if (link && errno == EEXIST) return Kept::kTaken;
  const int error = CopyFile(from, to, to, true, reason);
  if (error == EEXIST) return Kept::kTaken;
  return error == 0 ? Kept::kDone : Kept::kFailed;
}

Kept ReplaceBackup(const std::string& path, const std::string& backup, std::string* reason) {
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temp = BackupTemporary(backup, attempt);
    const int slot = ArmTempCleanup(temp.c_str());
    bool taken = false;
    Kept kept = MakeBackupAt(path, temp, &taken, reason) ? Kept::kDone : Kept::kFailed;
    if (kept == Kept::kDone && ::rename(temp.c_str(), backup.c_str()) != 0) {
      *reason =
          msg::Say("%s: cannot replace the old backup: %s", {backup, msg::SystemError(errno)});
      kept = Kept::kNotReplaced;
    }
    // Gone after a rename, but for one case: when the old backup is already a link to the
    // same file (a save cut short after its backup), rename(2) leaves both names as they
    // are, and the temporary name must go by hand.
    if (!taken) ::unlink(temp.c_str());
    DisarmTempCleanup(slot);
    if (!taken) return kept;
  }
  *reason = msg::Say("%s: no free temporary name for the new backup", {backup});
  return Kept::kFailed;
}
