#include "files/dir_lock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cerrno>

DirLock LockWorkingDirectory() {
  const int fd = ::open(".", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return DirLock::kUnavailable;
  if (::flock(fd, LOCK_EX | LOCK_NB) == 0) return DirLock::kTaken;  // fd stays open
  const int error = errno;
  ::close(fd);
  return error == EWOULDBLOCK ? DirLock::kHeldElsewhere : DirLock::kUnavailable;
}
