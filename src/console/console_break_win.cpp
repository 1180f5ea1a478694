#include "console/console_break_win.h"

#include <windows.h>

namespace con {
namespace {

// How long an interrupted read waits for the handler's thread: far more than the system
// takes to start it, and short enough when a read came back empty for another reason.
constexpr DWORD kHandlerWaitMs = 5000;

// Ends the process for Ctrl+C and Ctrl+Break as the system's own handler ends it for
// Ctrl+C, so that the status is the same whichever key and whichever thread wins. Any
// other event (the window closed, logoff, shutdown) goes on to the next handler.
BOOL WINAPI OnBreak(DWORD event) {
  if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT) return FALSE;
  ExitProcess(STATUS_CONTROL_C_EXIT);
}

}  // namespace

void InstallBreakHandler() { SetConsoleCtrlHandler(OnBreak, TRUE); }

void AwaitBreak() { Sleep(kHandlerWaitMs); }

}  // namespace con
