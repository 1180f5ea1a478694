// Whether a symbolic link of another user may be followed, on POSIX systems (see
// LendsRights in file_identity.h): only when its owner could write where it points.
#include <grp.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <vector>

#include "files/file_identity.h"

namespace {

// Whether the user uid is in the group gid, by the user database (a user it does not know
// is in no group).
bool InGroup(uid_t uid, gid_t gid) {
  const passwd* user = ::getpwuid(uid);
  if (user == nullptr) return false;
  if (user->pw_gid == gid) return true;
  std::vector<gid_t> groups(64);
  int count = static_cast<int>(groups.size());
  const std::string name = user->pw_name;
  if (::getgrouplist(name.c_str(), user->pw_gid, groups.data(), &count) < 0) {
    groups.resize(static_cast<std::size_t>(count));
    if (::getgrouplist(name.c_str(), user->pw_gid, groups.data(), &count) < 0) return false;
  }
  for (int i = 0; i < count; ++i) {
    if (groups[static_cast<std::size_t>(i)] == gid) return true;
  }
  return false;
}

// Whether uid may write the file described by st, by its permission bits (an ACL that
// would grant more is not counted: refusing is the safe side).
bool MayWrite(uid_t uid, const struct stat& st) {
  if (uid == 0) return true;
  if (st.st_uid == uid) return (st.st_mode & S_IWUSR) != 0;
  if (InGroup(uid, st.st_gid)) return (st.st_mode & S_IWGRP) != 0;
  return (st.st_mode & S_IWOTH) != 0;
}

}  // namespace

bool LendsRights(const std::string& link, uid_t owner, const std::string& next) {
  struct stat dir;
  if (owner == ::geteuid() || ::stat(DirectoryOf(link).c_str(), &dir) != 0) return false;
  if ((dir.st_mode & (S_IWGRP | S_IWOTH)) == 0 || owner == dir.st_uid) return false;
  struct stat target;
  if (::stat(next.c_str(), &target) == 0) return !MayWrite(owner, target);
  return ::stat(DirectoryOf(next).c_str(), &target) != 0 || !MayWrite(owner, target);
}
