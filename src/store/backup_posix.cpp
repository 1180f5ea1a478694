// Keeping the old content of a file that a save replaces, on POSIX systems: hard links to
// the same inode where the file system allows, else copies; the rule is backup.cpp.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "store/backup.h"
#include "store/file_identity.h"
#include "store/messages.h"
#include "store/temp_cleanup.h"

namespace {

// The temporary name of the attempt-th try at a new backup: one prefix for every file of
// a save, with this process's id, so the sweep knows whose it is.
std::string BackupTemporary(const std::string& backup, int attempt) {
  return TemporaryPrefix(backup) + std::to_string(::getpid()) + "-" + std::to_string(attempt);
}

// The name of path without its directory.
std::string_view NameOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
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

// Whether the file described by st, at path, lies in a sticky directory that others may
// write and belongs to neither the user nor the directory's owner: another user may have
// planted it there, and replacing it is not this user's to do.
bool IsPlanted(const std::string& path, const struct stat& st) {
  struct stat dir;
  if (::stat(DirectoryOf(path).c_str(), &dir) != 0) return false;
  const bool shared = (dir.st_mode & S_ISVTX) != 0 && (dir.st_mode & S_IWOTH) != 0;
  return shared && st.st_uid != ::geteuid() && st.st_uid != dir.st_uid;
}

// Whether the open files a and b hold the same bytes; false when either cannot be read.
bool SameContent(int a, int b) {
  char block_a[1 << 15];
  char block_b[1 << 15];
  for (;;) {
    const ssize_t n = ::read(a, block_a, sizeof block_a);
    if (n <= 0) return n == 0 && ::read(b, block_b, 1) == 0;
    ssize_t got = 0;
    while (got < n) {
      const ssize_t m = ::read(b, block_b + got, static_cast<std::size_t>(n - got));
      if (m <= 0) return false;
      got += m;
    }
    if (std::memcmp(block_a, block_b, static_cast<std::size_t>(n)) != 0) return false;
  }
}

}  // namespace

FileLook LookAtFile(const std::string& path) {
  FileLook look;
  struct stat st;
  if (::lstat(path.c_str(), &st) != 0) return look;
  if (S_ISDIR(st.st_mode)) {
    look.fixed = msg::Say("%s: is a directory", {path});
  } else if (IsPlanted(path, st)) {
    look.fixed =
        msg::Say("%s: another user's file in a shared sticky directory; left as it is", {path});
  }
  look.holds_bytes = S_ISREG(st.st_mode) && st.st_size > 0;
  return look;
}

bool SameBytes(const std::string& path, const std::string& backup) {
  const int a = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  const int b = ::open(backup.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
  struct stat sa;
  struct stat sb;
  bool same =
      a >= 0 && b >= 0 && ::fstat(a, &sa) == 0 && ::fstat(b, &sb) == 0 && sa.st_size == sb.st_size;
  if (same && (sa.st_dev != sb.st_dev || sa.st_ino != sb.st_ino)) same = SameContent(a, b);
  if (a >= 0) ::close(a);
  if (b >= 0) ::close(b);
  return same;
}

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

int HighestBackupNumber(const std::string& path) {
  DIR* dir = ::opendir(DirectoryOf(path).c_str());
  if (dir == nullptr) return 0;
  const std::string_view name = NameOf(path);
  int highest = 0;
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view found = entry->d_name;
    if (!found.starts_with(name)) continue;
    const int number = BackupNumber(found.substr(name.size()));
    if (number > highest) highest = number;
  }
  ::closedir(dir);
  return highest;
}
