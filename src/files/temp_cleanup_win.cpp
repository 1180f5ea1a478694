#include "files/temp_cleanup.h"

#include <cwchar>
#include <string>

#include "files/file_identity_win.h"

namespace {

// A save has at most two temporaries at once: the new file and the new backup.
constexpr int kSlots = 2;

// The longest temporary name kept, in UTF-16 units with its terminator.
constexpr std::size_t kMaxName = 1024;

// The console control handler runs on a thread of its own, so the names it deletes live in
// static storage, guarded by one lock that arming and disarming take too.
wchar_t temp_path[kSlots][kMaxName];
bool armed[kSlots] = {};
bool installed = false;
SRWLOCK lock = SRWLOCK_INIT;

// Holds the lock for its lifetime.
class Locked {
 public:
  Locked() { AcquireSRWLockExclusive(&lock); }
  ~Locked() { ReleaseSRWLockExclusive(&lock); }
  Locked(const Locked&) = delete;
  Locked& operator=(const Locked&) = delete;
};

// Ctrl-C, Ctrl-Break, closing the console window, logging off or shutting down: deletes
// the armed temporaries (a file still open goes when its handle closes, as the process
// ends), then returns FALSE so that the next handler, by default ending the process,
// follows. DeleteFileW opens the name and then marks what it opened for deletion; the lock
// keeps the main thread's renames of armed temporaries (TempCleanupHeldOff) out of that gap,
// where the file it marks could already be the renamed dev.out.
BOOL WINAPI OnConsoleEvent(DWORD) {
  RemoveArmedTemporaries();
  return FALSE;
}

}  // namespace

void RemoveArmedTemporaries() {
  Locked held;
  for (int i = 0; i < kSlots; ++i) {
    if (armed[i]) DeleteFileW(temp_path[i]);
  }
}

int ArmTempCleanup(const char* path) {
  const std::wstring wide = WideName(path);
  if (wide.empty() || wide.size() >= kMaxName) return -1;
  Locked held;
  if (!installed) installed = SetConsoleCtrlHandler(OnConsoleEvent, TRUE);
  for (int slot = 0; slot < kSlots; ++slot) {
    if (armed[slot]) continue;
    std::wmemcpy(temp_path[slot], wide.c_str(), wide.size() + 1);
    armed[slot] = true;
    return slot;
  }
  return -1;
}

void DisarmTempCleanup(int slot) {
  if (slot < 0 || slot >= kSlots) return;
  Locked held;
  armed[slot] = false;
}

TempCleanupHeldOff::TempCleanupHeldOff() { AcquireSRWLockExclusive(&lock); }

TempCleanupHeldOff::~TempCleanupHeldOff() { ReleaseSRWLockExclusive(&lock); }
