/* Preloaded by fault tests: makes calls fail with EIO, chosen by the environment.
 * DEVMGR_FAIL_FSYNC=N fails the N-th fsync(2) of a regular file (N-M: the N-th to the
 * M-th), DEVMGR_FAIL_READ=N the N-th read(2) from a regular file (counting from 1). Reads from pipes and terminals,
 * such as the console's, and fsyncs of directories pass and are not counted.
 * DEVMGR_FAIL_LINK=1 fails every link(2) with EPERM, as on a file system without links.
 * DEVMGR_STOP_FSYNC=N stops the process (SIGSTOP) at the N-th fsync of a regular file, so a
 * test can look at a save half done; SIGCONT lets it go on. DEVMGR_STOP_FCHMOD=N stops it
 * likewise at the N-th fchmod(2) of a regular file, before the mode changes. */
#define _GNU_SOURCE
#include <dlfcn.h>
#include <errno.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

/* True when this call, on fd, is one that the variable name says must fail. */
static int ShouldFail(const char *name, int fd, long *count) {
  const char *value = getenv(name);
  struct stat st;
  char *dash;
  if (value == NULL || fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) return 0;
  const long first = strtol(value, &dash, 10);
  const long last = *dash == '-' ? atol(dash + 1) : first;
  ++*count;
  return *count >= first && *count <= last;
}

int fsync(int fd) {
  static long count;
  static long stops;
  static int (*real)(int);
  if (real == NULL) real = (int (*)(int))dlsym(RTLD_NEXT, "fsync");
  if (ShouldFail("DEVMGR_STOP_FSYNC", fd, &stops)) raise(SIGSTOP);
  if (ShouldFail("DEVMGR_FAIL_FSYNC", fd, &count)) {
    errno = EIO;
    return -1;
  }
  return real(fd);
}

int fchmod(int fd, mode_t mode) {
  static long stops;
  static int (*real)(int, mode_t);
  if (real == NULL) real = (int (*)(int, mode_t))dlsym(RTLD_NEXT, "fchmod");
  if (ShouldFail("DEVMGR_STOP_FCHMOD", fd, &stops)) raise(SIGSTOP);
  return real(fd, mode);
}

ssize_t read(int fd, void *buf, size_t n) {
  static long count;
  static ssize_t (*real)(int, void *, size_t);
  if (real == NULL) real = (ssize_t (*)(int, void *, size_t))dlsym(RTLD_NEXT, "read");
  if (ShouldFail("DEVMGR_FAIL_READ", fd, &count)) {
    errno = EIO;
    return -1;
  }
  return real(fd, buf, n);
}

int link(const char *from, const char *to) {
  static int (*real)(const char *, const char *);
  if (real == NULL) real = (int (*)(const char *, const char *))dlsym(RTLD_NEXT, "link");
  if (getenv("DEVMGR_FAIL_LINK") != NULL) {
    errno = EPERM;
    return -1;
  }
  return real(from, to);
}
