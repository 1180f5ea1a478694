#include "files/file_open.h"
#include "locale/messages.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

int OpenInputFile(const std::string& path, InputKind kind, std::string* reason) {
  // Opening without blocking keeps a FIFO without a writer from hanging the session.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    *reason = msg::Say("cannot open: %s", {msg::SystemError(errno)});
    return -1;
  }
  struct stat st;
  const bool fits = ::fstat(fd, &st) == 0 &&
                    (S_ISREG(st.st_mode) || (kind == InputKind::kRegularOrPipe && S_ISFIFO(st.st_mode)));
  if (!fits) {
    ::close(fd);
    *reason = msg::Tr("not a regular file");
    return -1;
  }
  ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
  return fd;
}

void CloseInputFile(int fd) { ::close(fd); }
