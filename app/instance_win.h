// Process-level services: the single-instance guard, ending a process, and restart.
#pragma once

#include <windows.h>

namespace quorrel {

// The named event that marks a running main window.
inline constexpr char kInstanceEventName[] = "Vq3mKe7Lx2Pd";

// Returns when this process may run a main window; when another process already holds the
// marker, that copy's window comes to the front (or the user is told why it cannot, and
// what to do) and this process ends here with exit code 0. The marker stays until this
// process ends.
void EnsureSingleInstance();
// The same answer before any window of this process opens (a second start need not ask
// for the PIN); returns when no other copy holds the marker. Makes no marker.
void GiveWayIfAnotherCopyRuns();

// Terminates the process with exit code 0 (pid 0: the current one, and then it does not
// return). True when the termination call succeeded.
bool TerminateProcessById(DWORD pid = 0);

// Writes RunDirectory + "\Restart.bat", which waits about `delay` seconds (2 when delay is
// not above 0), starts the program again and deletes itself; starts it hidden and ends this
// process. Returns false, with this process going on, when the program file is not at
// RunDirectory + "\" + ExeFileName or the batch file could not be written or started.
bool RestartProgram(int delay = 2);

// Set in the environment of a copy started by AnswerTableCannotBeCreated (the batch file passes it on).
inline constexpr char kRestartedForTableVariable[] = "QUORREL_RESTARTED_FOR_TABLE";

// True when this process was started by AnswerTableCannotBeCreated; the variable is taken out of the
// environment, so that nothing this process starts inherits it.
bool TakeRestartedForTable();

// The program's answer to an account table that cannot be created: a restart, at most once
// in a row and only where its batch file can be written. Otherwise (a copy that a restart
// started meets the same failure, or the folder takes no file at all) one message says which
// folder cannot be written and what the user can do, and the program ends.
void AnswerTableCannotBeCreated();

}  // namespace quorrel
