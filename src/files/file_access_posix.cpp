#include "files/file_access.h"

#include <acl/libacl.h>
#include <attr/libattr.h>
#include <fcntl.h>
#include <sys/acl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "locale/messages.h"

namespace {

// Whether error says only that the file system keeps no such thing at all.
bool Unsupported(int error) { return error == ENOTSUP || error == ENOSYS; }

// The attributes a save carries over: the user's own (user.*). The ACL goes separately,
// security labels and trusted attributes are the system's to set.
int OnlyUserAttributes(const char* name, struct error_context*) {
  return std::strncmp(name, "user.", 5) == 0 ? 1 : 0;
}

}  // namespace

std::string CopyAccessList(const std::string& from, int fd) {
  acl_t acl = acl_get_file(from.c_str(), ACL_TYPE_ACCESS);
  if (acl == nullptr) return "";  // no ACLs on this file system: the mode says it all
  std::string note;
  if (acl_set_fd(fd, acl) != 0) {
    const int error = errno;
    // A minimal ACL is the mode itself, which the new file has already.
    if (acl_equiv_mode(acl, nullptr) != 0 || !Unsupported(error)) {
      note = msg::Say("%s: its access control list could not be kept: %s",
                      {from, msg::SystemError(error)});
    }
  }
  acl_free(acl);
  return note;
}

bool HasExtendedAccessList(const std::string& from) {
  acl_t acl = acl_get_file(from.c_str(), ACL_TYPE_ACCESS);
  if (acl == nullptr) return false;
  const bool extended = acl_equiv_mode(acl, nullptr) != 0;
  acl_free(acl);
  return extended;
}

namespace {

// Moves the rights of acl's owning-group entry to a new entry naming group, leaves the
// owning group none, and sets the mask anew. False when acl cannot be changed so.
bool NameTheGroup(acl_t* acl, gid_t group) {
  constexpr acl_perm_t kPerms[] = {ACL_READ, ACL_WRITE, ACL_EXECUTE};
  acl_entry_t entry;
  for (int which = ACL_FIRST_ENTRY; acl_get_entry(*acl, which, &entry) == 1;
       which = ACL_NEXT_ENTRY) {
    acl_tag_t tag;
    acl_permset_t rights;
    if (acl_get_tag_type(entry, &tag) != 0 || tag != ACL_GROUP_OBJ) continue;
    if (acl_get_permset(entry, &rights) != 0) return false;
    bool had[3];
    for (int i = 0; i < 3; ++i) had[i] = acl_get_perm(rights, kPerms[i]) == 1;
    if (acl_clear_perms(rights) != 0 || acl_set_permset(entry, rights) != 0) return false;
    acl_entry_t named;
    if (acl_create_entry(acl, &named) != 0 || acl_set_tag_type(named, ACL_GROUP) != 0 ||
        acl_set_qualifier(named, &group) != 0 || acl_get_permset(named, &rights) != 0 ||
        acl_clear_perms(rights) != 0) {
      return false;
    }
    for (int i = 0; i < 3; ++i) {
      if (had[i] && acl_add_perm(rights, kPerms[i]) != 0) return false;
    }
    return acl_set_permset(named, rights) == 0 && acl_calc_mask(acl) == 0;
  }
  return false;
}

}  // namespace

std::string CarryGroupRights(const std::string& from, gid_t group, int fd) {
  acl_t acl = acl_get_file(from.c_str(), ACL_TYPE_ACCESS);
  int error = ENOTSUP;
  if (acl != nullptr && NameTheGroup(&acl, group)) {
    error = acl_set_fd(fd, acl) == 0 ? 0 : errno;
  }
  if (acl != nullptr) acl_free(acl);
  if (error == 0) return "";
  return msg::Say(
      "%s: its group could not be kept, nor its rights given by name; they are dropped: %s",
      {from, msg::SystemError(error)});
}

std::string CopyUserAttributes(const std::string& from, int fd) {
  const int source = ::open(from.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NOCTTY);
  if (source < 0) {
    // Without read access its user. attributes cannot be read either; there may be none.
    return "";
  }
  std::string note;
  if (attr_copy_fd(from.c_str(), source, "", fd, OnlyUserAttributes, nullptr) != 0) {
    note = msg::Say("%s: its extended attributes could not be kept: %s",
                    {from, msg::SystemError(errno)});
  }
  ::close(source);
  return note;
}
