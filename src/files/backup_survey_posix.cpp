// What lies beside a file that a save replaces, on POSIX systems, for the rule of backups
// (backup.cpp): what its backup is, whether it holds the same bytes, the numbers taken and
// whose they are.
#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>

#include "files/backup.h"
#include "files/file_identity.h"
#include "locale/messages.h"

namespace {

// The name of path without its directory.
std::string_view NameOf(std::string_view path) {
  const std::size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
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
  look.exists = true;
  if (!S_ISREG(st.st_mode)) {
    look.fixed = msg::Say("%s: not a regular file, not replaced", {path});
  } else if (IsPlanted(path, st)) {
    look.fixed =
        msg::Say("%s: another user's file in a shared sticky directory, not replaced", {path});
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

std::vector<NumberedBackup> ListNumberedBackups(const std::string& path) {
  std::vector<NumberedBackup> found;
  DIR* dir = ::opendir(DirectoryOf(path).c_str());
  if (dir == nullptr) return found;
  const std::string_view name = NameOf(path);
  while (const dirent* entry = ::readdir(dir)) {
    const std::string_view entry_name = entry->d_name;
    if (!entry_name.starts_with(name)) continue;
    NumberedBackup backup;
    backup.number = BackupNumber(entry_name.substr(name.size()));
    if (backup.number == 0) continue;
    struct stat st;
    backup.own = ::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0 &&
                 S_ISREG(st.st_mode) && st.st_uid == ::geteuid();
    found.push_back(backup);
  }
  ::closedir(dir);
  return found;
}
