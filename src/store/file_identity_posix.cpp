#include "store/file_identity.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "store/temp_cleanup.h"

namespace {

// As many links as the kernel follows in one lookup before it gives up.
constexpr int kMaxLinks = 40;

// "path: what: the system's reason", the line the console prints on standard error.
std::string Failure(const std::string& path, const char* what, int error) {
  return path + ": " + what + ": " + std::strerror(error);
}

// The directory part of path including its slash; empty for a bare name.
std::string DirectoryPrefix(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? "" : path.substr(0, slash + 1);
}

// The name of path without its directory.
std::string BaseName(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The text of the symbolic link at path; false when it cannot be read.
bool ReadLink(const std::string& path, std::string* text) {
  std::string buffer(256, '\0');
  for (;;) {
    const ssize_t n = ::readlink(path.c_str(), buffer.data(), buffer.size());
    if (n < 0) return false;
    if (static_cast<std::size_t>(n) < buffer.size()) {
      text->assign(buffer.data(), static_cast<std::size_t>(n));
      return true;
    }
    buffer.resize(buffer.size() * 2);
  }
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

// Copies the bytes of from into a new file at to, created with from's mode; fsyncs it.
// Returns 0, or the errno that stopped it with a reason that calls to by the name shown;
// a partial copy is removed.
int CopyFile(const SaveTarget& from, const std::string& to, const std::string& shown,
             std::string* reason) {
  const int in = ::open(from.path.c_str(), O_RDONLY | O_CLOEXEC);
  if (in < 0) {
    const int error = errno;
    *reason = Failure(from.path, "cannot read for the backup", error);
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
  *reason = Failure(shown, "cannot write the backup", error);
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

// Whether the kernel would refuse to follow the symbolic link at path, described by st:
// it lies in a sticky directory that others may write, and neither the user nor the
// directory's owner owns it.
bool IsProtectedLink(const std::string& path, const struct stat& st) {
  struct stat dir;
  if (::stat(DirectoryOf(path).c_str(), &dir) != 0) return false;
  const bool shared = (dir.st_mode & S_ISVTX) != 0 && (dir.st_mode & S_IWOTH) != 0;
  return shared && st.st_uid != ::geteuid() && st.st_uid != dir.st_uid;
}

// Fills target's status fields from the file at its path; false when there is none.
bool ReadStatus(SaveTarget* target) {
  struct stat st;
  if (::stat(target->path.c_str(), &st) != 0) return false;
  target->regular = S_ISREG(st.st_mode);
  target->directory = S_ISDIR(st.st_mode);
  target->in_place = S_ISFIFO(st.st_mode) || S_ISCHR(st.st_mode);
  target->other = S_ISSOCK(st.st_mode) || S_ISBLK(st.st_mode);
  target->mode = st.st_mode & 07777;
  target->owner = st.st_uid;
  target->group = st.st_gid;
  target->links = st.st_nlink;
  target->device = st.st_dev;
  target->inode = st.st_ino;
  return true;
}

}  // namespace

std::string DirectoryOf(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

bool ResolveTarget(const std::string& path, SaveTarget* target, std::string* reason) {
  std::string current = path;
  for (int hops = 0; hops <= kMaxLinks; ++hops) {
    struct stat st;
    std::string text;
    if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode) || !ReadLink(current, &text) ||
        text.empty()) {
      target->path = current;
      target->exists = ReadStatus(target);
      return true;
    }
    if (IsProtectedLink(current, st)) {
      *reason = current +
                ": a symbolic link of another user in a shared sticky directory; not followed";
      return false;
    }
    current = text[0] == '/' ? text : DirectoryPrefix(current) + text;
  }
  *reason = path + ": too many levels of symbolic links";
  return false;
}

std::string RefusalReason(const SaveTarget& target) {
  if (!target.exists) return "";
  if (target.directory) return target.path + ": is a directory";
  if (target.other) return target.path + ": is a socket or a block device";
  if (target.regular && target.links > 1) {
    struct stat backup;
    nlink_t others = target.links - 1;
    if (::lstat(BackupPath(target.path).c_str(), &backup) == 0 && backup.st_ino == target.inode &&
        backup.st_dev == target.device) {
      --others;  // its own backup, left by a save that was cut short
    }
    if (others > 0) {
      return target.path + ": has " + std::to_string(others + 1) +
             " hard links; replacing it would break them";
    }
  }
  if (::access(target.path.c_str(), W_OK) != 0) {
    return Failure(target.path, "may not be written", errno);
  }
  return "";
}

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
      *reason = Failure(backup, "cannot replace the old backup", errno);
      made = false;
    }
    // Gone after a rename, but for one case: when the old backup is already a link to the
    // same file (a save cut short after its backup), rename(2) leaves both names as they
    // are, and the temporary name must go by hand.
    if (made || !taken) ::unlink(temp.c_str());
    DisarmTempCleanup(slot);
    if (made || !taken) return made;
  }
  *reason = backup + ": no free temporary name for the new backup";
  return false;
}

void CopyIdentity(int fd, const SaveTarget& target) {
  if (!target.exists) return;
  mode_t mode = target.mode;
  if (::fchown(fd, target.owner, target.group) != 0 &&
      ::fchown(fd, static_cast<uid_t>(-1), target.group) != 0) {
    mode &= ~static_cast<mode_t>(S_IRWXG | S_ISGID);  // another group must not gain access
  }
  ::fchmod(fd, mode);
}

std::string TemporaryPrefix(const std::string& path) {
  return DirectoryPrefix(path) + "." + BaseName(path) + ".tmp-";
}

namespace {

// Removes the temporary files with the prefix of path whose process is gone.
void SweepTemporariesOf(const std::string& path) {
  DIR* dir = ::opendir(DirectoryOf(path).c_str());
  if (dir == nullptr) return;
  const std::string prefix = BaseName(TemporaryPrefix(path));
  const pid_t self = ::getpid();
  while (const dirent* entry = ::readdir(dir)) {
    const char* name = entry->d_name;
    if (std::strncmp(name, prefix.c_str(), prefix.size()) != 0) continue;
    char* end = nullptr;
    const long pid = std::strtol(name + prefix.size(), &end, 10);
    if (end == name + prefix.size() || *end != '-' || pid <= 0 || pid == self) continue;
    if (::kill(static_cast<pid_t>(pid), 0) != 0 && errno == ESRCH) {
      ::unlinkat(::dirfd(dir), name, 0);
    }
  }
  ::closedir(dir);
}

}  // namespace

void SweepStaleTemporaries(const std::string& path) {
  SweepTemporariesOf(path);
  SweepTemporariesOf(BackupPath(path));
}
