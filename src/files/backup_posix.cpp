// Keeping the old content of a file that a save replaces, on POSIX systems: hard links to
// the same inode where the file system allows, else flushed copies; moves that never
// replace (renameat2 with RENAME_NOREPLACE); the rule is backup.cpp.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>

#include "files/backup.h"
#include "files/file_identity.h"
#include "locale/messages.h"

namespace {

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

}  // namespace

Kept LinkUnder(const std::string& from, const std::string& to, std::string* reason) {
  if (::link(from.c_str(), to.c_str()) == 0) return Kept::kDone;
  if (errno == EEXIST) return Kept::kTaken;
  *reason = msg::Say("%s: cannot link for the backup: %s", {to, msg::SystemError(errno)});
  return Kept::kFailed;
}

std::string BackupTemporaryName(const std::string& backup, int attempt) {
  return TemporaryPrefix(backup) + std::to_string(::getpid()) + "-" + std::to_string(attempt);
}

// The copy is created with no more than the owner's bits of from (less the umask), and
// takes from's identity (CopyIdentity: never more access than from gives) before a byte
// is written.
Kept CopyFlushed(const std::string& from, const std::string& temp, const std::string& shown,
                 std::string* reason) {
  const int in = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  if (in < 0) {
    const int error = errno;
    *reason = msg::Say("%s: cannot read for the backup: %s", {from, msg::SystemError(error)});
    return Kept::kFailed;
  }
  const SaveTarget like = IdentityOf(in, from);
  const int out =
      ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, like.mode & 0600);
  int error = out < 0 ? errno : 0;
  if (out >= 0) CopyIdentity(out, like);
  if (error == 0) error = CopyBytes(in, out);
  if (out >= 0 && ::close(out) != 0 && error == 0) error = errno;
  ::close(in);
  if (error == EEXIST) return Kept::kTaken;
  if (error == 0) return Kept::kDone;
  if (out >= 0) ::unlink(temp.c_str());
  *reason = msg::Say("%s: cannot write the backup: %s", {shown, msg::SystemError(error)});
  return Kept::kFailed;
}

// Where the file system cannot rename without replacing, a hard link and an unlink do the
// same; where it has neither, the name is looked at just before the rename, which leaves
// a moment in which another session could take it.
Kept MoveUnder(const std::string& from, const std::string& to, std::string* reason) {
  int error =
      ::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0 ? 0 : errno;
  if (error == EINVAL || error == ENOSYS || error == ENOTSUP) {
    error = ::link(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    if (error == 0) ::unlink(from.c_str());
  }
  if (error == EPERM || error == ENOTSUP || error == EMLINK) {
    struct stat st;
    error = ::lstat(to.c_str(), &st) == 0 ? EEXIST : 0;
    if (error == 0 && ::rename(from.c_str(), to.c_str()) != 0) error = errno;
  }
  if (error == 0) return Kept::kDone;
  if (error == EEXIST) return Kept::kTaken;
  *reason = msg::Say("%1$s: cannot be moved to %2$s: %3$s", {from, to, msg::SystemError(error)});
  return Kept::kFailed;
}

void RemoveBackupFile(const std::string& path) { ::unlink(path.c_str()); }
