// Stopping a capture from outside: Ctrl-C at the terminal (SIGINT), SIGTERM
// and SIGHUP. Once they are caught, the first of them only sets a flag that
// the capture looks at between frames, so that it stops within a frame,
// removes what it has not finished and keeps what it has; a second one ends
// the program at once, as it would have without the capture's handling.
#pragma once

// Catches the three signals from now on.
void CatchStopSignals();

// True once one of them has arrived. Safe to call from any thread.
bool StopRequested();

// The signal that arrived, or 0; its name ("SIGINT", ...); and the exit
// status of a program that it stopped, 128 + its number.
int StopSignal();
const char* StopSignalName();
int StopExitStatus();
