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
