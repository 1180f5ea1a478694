// Noticing a second devmgr in the same working directory. Both would save dev.out and the
// last save would win, so the second to start is told. The lock is advisory: it warns,
// it does not stop anyone.
#pragma once

// How taking the lock went.
enum class DirLock {
  kTaken,          // this process holds it until it ends (also by a crash)
  kHeldElsewhere,  // another process holds it
  kUnavailable,    // the directory cannot be opened or locked here; nothing is known
};

// Takes an exclusive advisory lock (flock) on the working directory without waiting.
// The descriptor stays open for the rest of the process, which keeps the lock.
DirLock LockWorkingDirectory();
