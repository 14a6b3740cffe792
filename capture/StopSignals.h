// Stopping a capture from outside: Ctrl-C at the terminal (SIGINT), SIGTERM
// and SIGHUP; on Windows, Ctrl-C, Ctrl-Break and closing the console
// window. Once they are caught, the first of them only sets a flag that the
// capture looks at between frames, so that it stops within a frame, removes
// what it has not finished and keeps what it has; a second one ends the
// program at once, as it would have without the capture's handling.
// Windows ends a program a few seconds after its console is closed, and
// the capture is given those seconds to stop.
#pragma once

// Catches them from now on.
void CatchStopSignals();

// True once one of them has arrived. Safe to call from any thread.
bool StopRequested();

// The signal that arrived, or 0; its name ("SIGINT", ...; on Windows
// "Ctrl-C", "Ctrl-Break", "closing the console"); and the exit status of a
// program that it stopped, 128 + its number (on Windows SIGINT's for
// Ctrl-C, 130, SIGBREAK's for Ctrl-Break, 149, and SIGTERM's for the
// console's closing, 143).
int StopSignal();
const char* StopSignalName();
int StopExitStatus();
