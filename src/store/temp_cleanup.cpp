#include "store/temp_cleanup.h"

#include <limits.h>
#include <unistd.h>

#include <atomic>
#include <csignal>
#include <cstring>

namespace {

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};
constexpr int kSignalCount = sizeof kSignals / sizeof kSignals[0];

// The handler may read only what lives in static storage: the path and whether it is set.
char temp_path[PATH_MAX];
volatile std::sig_atomic_t armed = 0;
struct sigaction previous[kSignalCount];
bool replaced[kSignalCount];

// Unlinks the temporary file, then lets the signal do what it would have done: the
// handler was installed with SA_RESETHAND, so raising the (blocked) signal again ends
// the process once the handler returns.
void OnSignal(int signal) {
  if (armed) ::unlink(temp_path);
  ::raise(signal);
}

}  // namespace

bool ArmTempCleanup(const char* path) {
  const std::size_t size = std::strlen(path);
  if (armed || size >= sizeof temp_path) return false;
  std::memcpy(temp_path, path, size + 1);
  std::atomic_signal_fence(std::memory_order_seq_cst);
  armed = 1;
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
  return true;
}

void DisarmTempCleanup() {
  if (!armed) return;
  for (int i = 0; i < kSignalCount; ++i) {
    if (replaced[i]) ::sigaction(kSignals[i], &previous[i], nullptr);
  }
  armed = 0;
  std::atomic_signal_fence(std::memory_order_seq_cst);
}
