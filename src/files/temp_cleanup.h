// Removing half-written temporary files when the user interrupts a save. While a save
// runs, SIGINT, SIGTERM and SIGHUP unlink its temporary files and then end the process as
// the signal would have. Outside a save they keep whatever disposition they had, and a
// signal that was ignored at the start (nohup) stays ignored during a save too.
#pragma once

// Registers path as a temporary file of the running save (the new file, or the new backup
// beside it) and, with the first one, installs the handlers, only for signals that are
// not ignored. Returns the slot to disarm, or -1 when every slot is taken or path does
// not fit the static buffer; the file is then not removed by a signal.
int ArmTempCleanup(const char* path);

// Forgets the path in slot; the last one disarmed restores the dispositions that
// ArmTempCleanup replaced. A slot of -1 is ignored.
void DisarmTempCleanup(int slot);
