#include "files/temp_cleanup.h"

#include <limits.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];

// A save has at most two temporaries at once: the new file and the new backup.
constexpr int kSlots = 2;

// The handler may read only what lives in static storage: the paths and whether each is set.
char temp_path[kSlots][PATH_MAX];
volatile std::sig_atomic_t armed[kSlots] = {};
int armed_count = 0;
struct sigaction previous[kSignalCount];
bool replaced[kSignalCount];

// Unlinks the temporary files, then lets the signal do what it would have done: the
// handler was installed with SA_RESETHAND, so raising the (blocked) signal again ends
// the process once the handler returns.
void OnSignal(int signal) {
  for (int i = 0; i < kSlots; ++i) {
    if (armed[i]) ::unlink(temp_path[i]);
  }
  ::raise(signal);
}

void InstallHandlers() {
  struct sigaction action = {};
  action.sa_handler = OnSignal;
  action.sa_flags = SA_RESETHAND;
  sigemptyset(&action.sa_mask);
  for (int signal : kSignals) sigaddset(&action.sa_mask, signal);
  for (int i = 0; i < kSignalCount; ++i) {
    replaced[i] = false;
    if (::sigaction(kSignals[i], nullptr, &previous[i]) != 0) continue;
    if (previous[i].sa_handler == SIG_IGN) continue;  // nohup: stay immune
    replaced[i] = ::sigaction(kSignals[i], &action, nullptr) == 0;
  }
}

}  // namespace

int ArmTempCleanup(const char* path) {
  const std::size_t size = std::strlen(path);
  if (size >= sizeof temp_path[0]) return -1;
  for (int slot = 0; slot < kSlots; ++slot) {
    if (armed[slot]) continue;
    std::memcpy(temp_path[slot], path, size + 1);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    armed[slot] = 1;
    if (armed_count++ == 0) InstallHandlers();
    return slot;
  }
  return -1;
}

void DisarmTempCleanup(int slot) {
  if (slot < 0 || slot >= kSlots || !armed[slot]) return;
  if (--armed_count == 0) {
    for (int i = 0; i < kSignalCount; ++i) {
      if (replaced[i]) ::sigaction(kSignals[i], &previous[i], nullptr);
    }
  }
  armed[slot] = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
}
