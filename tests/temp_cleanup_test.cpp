// The signal handlers of a save: installed for its duration only, never over a signal the
// session was started to ignore (nohup), and gone with the last temporary disarmed.
#include "files/temp_cleanup.h"

#include <gtest/gtest.h>

#include <csignal>

namespace {

// The handler now in place for signal.
void (*Disposition(int signal))(int) {
  struct sigaction now;
  sigaction(signal, nullptr, &now);
  return now.sa_handler;
}

TEST(TempCleanup, IgnoredSignalsStayIgnoredAndHandlersLeaveWithTheLastSlot) {
  const auto hup = std::signal(SIGHUP, SIG_IGN);  // as under nohup
  const auto term = std::signal(SIGTERM, SIG_DFL);
  const int file = ArmTempCleanup("/nonexistent/.dev.out.tmp-1-0");
  const int backup = ArmTempCleanup("/nonexistent/.dev.out~.tmp-1-0");
  EXPECT_EQ(ArmTempCleanup("/nonexistent/third"), -1) << "two slots only";
  EXPECT_EQ(Disposition(SIGHUP), SIG_IGN) << "nohup must keep SIGHUP ignored mid-save";
  EXPECT_NE(Disposition(SIGTERM), SIG_DFL) << "SIGTERM must remove the temporaries";
  DisarmTempCleanup(file);
  EXPECT_NE(Disposition(SIGTERM), SIG_DFL) << "the backup's temporary is still armed";
  DisarmTempCleanup(backup);
  EXPECT_EQ(Disposition(SIGTERM), SIG_DFL);
  EXPECT_EQ(Disposition(SIGHUP), SIG_IGN);
  std::signal(SIGHUP, hup);
  std::signal(SIGTERM, term);
}

}  // namespace
