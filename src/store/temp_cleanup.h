// Removing a half-written temporary file when the user interrupts a save. While a save
// runs, SIGINT, SIGTERM and SIGHUP unlink its temporary file and then end the process as
// the signal would have. Outside a save they keep whatever disposition they had.
#pragma once

// Registers path as the temporary file of the running save and installs the handlers
// (only for signals that are not ignored). One save at a time: while one is registered,
// or when path does not fit the static buffer, the call does nothing and returns false.
bool ArmTempCleanup(const char* path);

// Forgets the registered path and restores the dispositions ArmTempCleanup replaced.
void DisarmTempCleanup();
