#include "store/file_identity.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "store/backup.h"
#include "store/temp_cleanup.h"
#include "store/messages.h"

namespace {

// As many links as the kernel follows in one lookup before it gives up.
constexpr int kMaxLinks = 40;

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
      *reason = msg::Say(
          "%s: a symbolic link of another user in a shared sticky directory; not followed",
          {current});
      return false;
    }
    current = text[0] == '/' ? text : DirectoryPrefix(current) + text;
  }
  *reason = msg::Say("%s: too many levels of symbolic links", {path});
  return false;
}

std::string RefusalReason(const SaveTarget& target) {
  if (!target.exists) return "";
  if (target.directory) return msg::Say("%s: is a directory", {target.path});
  if (target.other) return msg::Say("%s: is a socket or a block device", {target.path});
  if (target.regular && target.links > 1) {
    struct stat backup;
    nlink_t others = target.links - 1;
    if (::lstat(BackupPath(target.path).c_str(), &backup) == 0 && backup.st_ino == target.inode &&
        backup.st_dev == target.device) {
      --others;  // its own backup, left by a save that was cut short
    }
    if (others > 0) {
      return msg::Say("%s: has %s hard links; replacing it would break them",
                      {target.path, std::to_string(others + 1)});
    }
  }
  if (::access(target.path.c_str(), W_OK) != 0) {
    return msg::Say("%s: may not be written: %s", {target.path, msg::SystemError(errno)});
  }
  return "";
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
