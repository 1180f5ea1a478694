// Ctrl+C and Ctrl+Break on Windows: both end the session the one way a Ctrl+C ends a
// console program, with the status STATUS_CONTROL_C_EXIT, wherever the program is. A
// console read that Ctrl+C interrupts returns before the control handler has run (the
// system starts it on a thread of its own); the reader waits for it instead of taking
// the interrupted read for the end of input, which would end the session with status 0.
#pragma once

namespace con {

// Installs the control handler for Ctrl+C and Ctrl+Break. Called once, before the first
// save, so that the temporary files' own handler, installed later, runs before it.
void InstallBreakHandler();

// Called when a console read returned without a character: gives the control handler
// time to end the process. Returns only when no Ctrl+C or Ctrl+Break came.
void AwaitBreak();

}  // namespace con
