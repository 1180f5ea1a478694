// What a save carries over besides the permission bits and the owner, on POSIX systems:
// the old file's access ACL and its user. extended attributes, so that replacing the file
// neither widens nor narrows who may use it; and where the user cannot give the new file
// the old one's group, that group's rights by name. Where the owner or an ACL cannot be
// kept, access is narrowed, never widened (CopyIdentity in file_identity.h). Both are
// copied with the libraries made for them (libacl, libattr).
#pragma once

#include <sys/types.h>

#include <string>

// Gives the new file fd the access ACL of the file at from. Set after the mode: with an
// ACL the group bits of the mode are the ACL's mask, not the owning group's rights, and
// only the ACL itself puts them back as they were. Empty when the ACL was kept or there
// was nothing to keep; else a note saying it could not be.
std::string CopyAccessList(const std::string& from, int fd);

// Gives the new file fd the user. attributes of the file at from. Empty when they were
// kept or there were none; else a note saying they could not be.
std::string CopyUserAttributes(const std::string& from, int fd);

// Whether the file at from has an access ACL that says more than its permission bits.
bool HasExtendedAccessList(const std::string& from);

// Gives the new file fd, the user's own but no longer in the group of the file at from, the
// rights that group had there, by an ACL entry naming the group, with none for fd's own
// group; the rest of from's ACL goes along. Set after the mode. Empty when done, else a
// note saying the group's rights and ACL could not be kept (fd's own group then must not
// get them: the caller takes the group bits away).
std::string CarryGroupRights(const std::string& from, gid_t group, int fd);
