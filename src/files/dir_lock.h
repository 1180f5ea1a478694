// Noticing a second devmgr in the same working directory, where the platform can tell also
// one of another user, another session or another computer on a shared folder. Both would
// save dev.out and the last save would win, so the second to start is told. The lock is
// advisory: it warns, it does not stop anyone.
#pragma once

// How taking the lock went.
enum class DirLock {
  kTaken,          // this process holds it until it ends (also by a crash)
  kHeldElsewhere,  // another process holds it
  kUnavailable,    // the directory cannot be opened or locked here; nothing is known
};

// Takes an exclusive lock on the working directory without waiting, held for the rest of the
// process and let go by its end however it ends: flock on the directory on POSIX systems, a
// lock file held open on Windows (dir_lock_win.cpp).
DirLock LockWorkingDirectory();
