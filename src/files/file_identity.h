// What replacing a file must respect besides its content, on POSIX systems: where a
// symbolic link points (and which links and files another user planted may not be used),
// other hard links to it, its permission bits, owner, ACL and attributes, whether the user
// may write it, the backup of its previous content, and temporary files that killed runs
// left beside it.
#pragma once

#include <sys/types.h>

#include <string>

// The file a save replaces, found by following symbolic links from the name it was given.
// (Only the status fields the save needs: <sys/stat.h> would clash with the global stat.)
struct SaveTarget {
  std::string path;     // the resolved file: the rename goes over this one
  bool exists = false;  // whether path exists now; the fields below hold its status then
  bool regular = false;
  bool directory = false;
  bool in_place = false;  // a FIFO or a character device: written to, never replaced
  bool fifo = false;
  bool other = false;  // a socket or a block device: refused
  mode_t mode = 0;     // permission bits, with set-id and sticky bits
  uid_t owner = 0;
  gid_t group = 0;
  nlink_t links = 0;
  dev_t device = 0;
  ino_t inode = 0;
};

// Follows path through symbolic links (relative ones against the link's directory) to the
// file they end at, which need not exist. False with a reason when they loop, or when a
// link lies in a sticky directory that others may write and is owned by neither the user
// nor the directory's owner: the kernel would not follow such a link for an open either
// (protected symlinks), since another user may have planted it; likewise when LendsRights
// says the link would lend the user's rights to its owner.
bool ResolveTarget(const std::string& path, SaveTarget* target, std::string* reason);

// Fills target's status fields from the file at its path, following links; false when
// there is none. A save reads it again after the sweep of dead temporaries, which may take
// away a link of the file.
bool ReadTargetStatus(SaveTarget* target);

// Whether following the symbolic link at link, owned by owner, to next would let its owner
// write through the user what that owner may not write: the link lies in a directory that
// its group or others may write, it is neither the user's nor the directory owner's, and
// owner could not write the file next ends at (nor, when there is none, create it in its
// directory). The kernel's reasoning for protected hard links, applied to any such link.
bool LendsRights(const std::string& link, uid_t owner, const std::string& next);

// Why target must not be written: a directory, a socket or a block device, a regular file
// with other hard links than its own backup, a file the user may not write, a FIFO or
// regular file of another user planted in a shared sticky directory (see IsPlanted), or a
// file there that the user could not rename over. Empty when it may be written.
std::string RefusalReason(const SaveTarget& target);

// Whether a FIFO or regular file at path owned by owner may have been planted by another
// user: it lies in a sticky directory that others (or the group) may write, and neither
// the user nor the directory's owner owns it. The kernel refuses to open such a file for
// writing when fs.protected_fifos and fs.protected_regular are 2; devmgr applies the same
// rule itself, whatever those settings.
bool IsPlanted(const std::string& path, uid_t owner);

// Gives the new file fd (a save's temporary, or a backup copy) the identity of target: its
// mode, owner and group, access ACL and user. attributes when the file is the user's or its
// owner could be given to fd. A file of the user's own whose group the user may not give
// keeps that group's rights by an ACL entry naming it (else they are dropped, with a note).
// Another user's file becomes the user's with never more access than it gave: its
// permission bits less the umask, the owner's bits only where an ACL said more, no group
// bits where the group is not kept; with one note. Empty, or one note for standard error.
std::string CopyIdentity(int fd, const SaveTarget& target);

// The prefix of every temporary file of target: ".<name>.tmp-" beside it.
std::string TemporaryPrefix(const std::string& path);

// Removes the temporary files of path and of its backup ("<prefix><pid>-<n>") whose
// process is gone. Those of live processes, this one included, are left alone.
void SweepStaleTemporaries(const std::string& path);

// The directory part of path ("." for a bare name).
std::string DirectoryOf(const std::string& path);
