// Keeping the old content of a file that a save replaces, on POSIX systems: a hard link
// to the same inode where the file system allows, else a copy.
#include "store/backup.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "store/file_identity.h"
#include "store/temp_cleanup.h"
#include "store/messages.h"

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

// Copies the bytes of from into a new file at to, created with from's mode; fsyncs it.
// Returns 0, or the errno that stopped it with a reason that calls to by the name shown;
// a partial copy is removed.
int CopyFile(const SaveTarget& from, const std::string& to, const std::string& shown,
             std::string* reason) {
  const int in = ::open(from.path.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    const int error = errno;
    *reason = msg::Say("%s: cannot read for the backup: %s", {from.path, msg::SystemError(error)});
    return error;
  }
  const int out =
      ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, from.mode & 0777);
  int error = out < 0 ? errno : 0;
  if (out >= 0) CopyIdentity(out, from);
  char block[1 << 16];
  while (error == 0) {
    const ssize_t n = ::read(in, block, sizeof block);
    if (n == 0) break;
    if (n < 0) {
      if (errno != EINTR) error = errno;
    } else if (!WriteAll(out, block, static_cast<std::size_t>(n))) {
      error = errno;
    }
  }
  if (error == 0 && ::fsync(out) != 0) error = errno;
  if (out >= 0 && ::close(out) != 0 && error == 0) error = errno;
  ::close(in);
  if (error == 0) return 0;
  *reason = msg::Say("%s: cannot write the backup: %s", {shown, msg::SystemError(error)});
  if (out >= 0) ::unlink(to.c_str());
  return error;
}

// Makes the new backup at temp: a hard link to target's inode, or else a copy. False with
// a reason; *exists when temp was taken (by a file of another run).
bool MakeBackupAt(const SaveTarget& target, const std::string& temp, bool* exists,
                  std::string* reason) {
  *exists = false;
  if (::link(target.path.c_str(), temp.c_str()) == 0) return true;
  if (errno == EEXIST) return *exists = true, false;
  const int error = CopyFile(target, temp, BackupPath(target.path), reason);
  *exists = error == EEXIST;
  return error == 0;
}

}  // namespace

std::string BackupPath(const std::string& path) { return path + "~"; }

bool KeepBackup(const SaveTarget& target, std::string* reason) {
  const std::string backup = BackupPath(target.path);
  const std::string prefix = TemporaryPrefix(backup) + std::to_string(::getpid()) + "-";
  for (int attempt = 0; attempt < 100; ++attempt) {
    const std::string temp = prefix + std::to_string(attempt);
    const int slot = ArmTempCleanup(temp.c_str());
    bool taken = false;
    bool made = MakeBackupAt(target, temp, &taken, reason);
    if (made && ::rename(temp.c_str(), backup.c_str()) != 0) {
      *reason = msg::Say("%s: cannot replace the old backup: %s", {backup, msg::SystemError(errno)});
      made = false;
    }
    // Gone after a rename, but for one case: when the old backup is already a link to the
    // same file (a save cut short after its backup), rename(2) leaves both names as they
    // are, and the temporary name must go by hand.
    if (made || !taken) ::unlink(temp.c_str());
    DisarmTempCleanup(slot);
    if (made || !taken) return made;
  }
  *reason = msg::Say("%s: no free temporary name for the new backup", {backup});
  return false;
}

