#include "files/file_identity.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

#include "files/backup.h"
#include "files/file_access.h"
#include "locale/messages.h"
#include "files/temp_cleanup.h"

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

// Whether the directory at path is sticky and others (with group_too, also its group) may
// write in it: a place where other users may create files. *dir gets its status.
bool IsSharedSticky(const std::string& path, bool group_too, struct stat* dir) {
  if (::stat(path.c_str(), dir) != 0) return false;
  const mode_t writable = group_too ? S_IWOTH | S_IWGRP : S_IWOTH;
  return (dir->st_mode & S_ISVTX) != 0 && (dir->st_mode & writable) != 0;
}

// Whether the kernel would refuse to follow the symbolic link at path, described by st:
// it lies in a sticky directory that others may write, and neither the user nor the
// directory's owner owns it.
bool IsProtectedLink(const std::string& path, const struct stat& st) {
  struct stat dir;
  return IsSharedSticky(DirectoryOf(path), false, &dir) && st.st_uid != ::geteuid() &&
         st.st_uid != dir.st_uid;
}

// Whether the user may not rename over target, an existing file: in a sticky directory
// only the file's owner, the directory's owner and root may remove or replace a file.
bool IsStuckInSticky(const SaveTarget& target) {
  struct stat dir;
  const uid_t self = ::geteuid();
  if (self == 0 || target.owner == self || ::stat(DirectoryOf(target.path).c_str(), &dir) != 0) {
    return false;
  }
  return (dir.st_mode & S_ISVTX) != 0 && dir.st_uid != self;
}

// The permission bits a new file of the user gets: 0666 less the umask.
mode_t NewFileMode() {
  const mode_t mask = ::umask(0);
  ::umask(mask);
  return 0666 & ~mask;
}

// Gives fd, the user's own file in place of another user's target, no more access than
// target gave: its permission bits less the umask, only the owner's where an access ACL
// that cannot be carried said more, no group rights where the group was not kept. One note.
std::string NarrowToOldAccess(int fd, const SaveTarget& target, bool group_kept) {
  mode_t mode = target.mode & NewFileMode();
  if (HasExtendedAccessList(target.path)) mode &= S_IRWXU;
  if (!group_kept) mode &= ~static_cast<mode_t>(S_IRWXG);
  ::fchmod(fd, mode);
  const std::string attributes = CopyUserAttributes(target.path, fd);
  const std::string note = msg::Say(
      "%s: belongs to another user; the new file is yours, with no more access than "
      "the old one gave",
      {target.path});
  return attributes.empty() ? note : note + "; " + attributes;
}

}  // namespace

bool ReadTargetStatus(SaveTarget* target) {
  struct stat st;
  if (::stat(target->path.c_str(), &st) != 0) return false;
  target->regular = S_ISREG(st.st_mode);
  target->directory = S_ISDIR(st.st_mode);
  target->fifo = S_ISFIFO(st.st_mode);
  target->in_place = target->fifo || S_ISCHR(st.st_mode);
  target->other = S_ISSOCK(st.st_mode) || S_ISBLK(st.st_mode);
  target->mode = st.st_mode & 07777;
  target->owner = st.st_uid;
  target->group = st.st_gid;
  target->links = st.st_nlink;
  target->device = st.st_dev;
  target->inode = st.st_ino;
  return true;
}

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
      target->exists = ReadTargetStatus(target);
      return true;
    }
    if (IsProtectedLink(current, st)) {
      *reason =
          msg::Say("%s: a symbolic link of another user in a shared sticky directory; not followed",
                   {current});
      return false;
    }
    const std::string next = text[0] == '/' ? text : DirectoryPrefix(current) + text;
    if (LendsRights(current, st.st_uid, next)) {
      *reason = msg::Say(
          "%s: a symbolic link of another user, to a file that user may not write; not followed",
          {current});
      return false;
    }
    current = next;
  }
  *reason = msg::Say("%s: too many levels of symbolic links", {path});
  return false;
}

bool IsPlanted(const std::string& path, uid_t owner) {
  struct stat dir;
  return IsSharedSticky(DirectoryOf(path), true, &dir) && owner != ::geteuid() &&
         owner != dir.st_uid;
}

std::string RefusalReason(const SaveTarget& target) {
  if (!target.exists) return "";
  const std::string& path = target.path;
  if (target.directory) return msg::Say("%s: is a directory", {path});
  if (target.other) return msg::Say("%s: is a socket or a block device", {path});
  if ((target.regular || target.fifo) && IsPlanted(path, target.owner)) {
    return msg::Say("%s: a file of another user in a shared sticky directory; not written", {path});
  }
  if (target.regular && target.links > 1) {
    struct stat backup;
    nlink_t others = target.links - 1;
    if (::lstat(BackupPath(path).c_str(), &backup) == 0 && backup.st_ino == target.inode &&
        backup.st_dev == target.device) {
      --others;  // its own backup, left by a save that was cut short
    }
    if (others > 0) {
      return msg::Say("%s: has %s hard links; replacing it would break them",
                      {path, std::to_string(others + 1)});
    }
  }
  if (::access(path.c_str(), W_OK) != 0) {
    return msg::Say("%s: may not be written: %s", {path, msg::SystemError(errno)});
  }
  if (target.regular && IsStuckInSticky(target)) {
    return msg::Say("%s: another user's file in a sticky directory; it cannot be replaced", {path});
  }
  return "";
}

std::string CopyIdentity(int fd, const SaveTarget& target) {
  if (!target.exists) return "";
  const bool own = target.owner == ::geteuid();
  const bool owner_kept = own || ::fchown(fd, target.owner, target.group) == 0;
  const bool group_kept =
      (owner_kept && !own) || ::fchown(fd, static_cast<uid_t>(-1), target.group) == 0;
  if (!owner_kept) return NarrowToOldAccess(fd, target, group_kept);
  ::fchmod(fd, target.mode);
  std::string note = group_kept ? CopyAccessList(target.path, fd)
                                : CarryGroupRights(target.path, target.group, fd);
  if (!group_kept && !note.empty()) {
    ::fchmod(fd, target.mode & ~static_cast<mode_t>(S_IRWXG | S_ISGID));
  }
  const std::string attributes = CopyUserAttributes(target.path, fd);
  return note.empty() ? attributes : note;
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
