// Putting a finished file in place. Writers make their output beside its
// destination under a name of their own and move it over the destination
// only once it is complete, so that a failed or stopped run leaves an
// earlier file as it was; this is that last step, the same on every system.
#pragma once

// Moves the file at `from` to `to`, replacing a file already there, in one
// step: rename on POSIX systems; on Windows, whose rename refuses to replace
// a file, MoveFileEx with MOVEFILE_REPLACE_EXISTING. 0 when it is done;
// otherwise an errno value that says why (for strerror), and `from` is
// where it was.
int MoveIntoPlace(const char* from, const char* to);
