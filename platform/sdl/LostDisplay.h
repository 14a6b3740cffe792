// What the program does when it loses its X display (the server ends or
// the connection breaks): it says so on standard error and ends at once with
// status 1. Xlib's own way is to call exit(), which runs the program-wide
// destructors, and those then wait on the dead connection forever at full
// speed; ending without them is the only way out that cannot hang. This is
// X11's matter alone: on Windows and in a web page the handler does
// nothing.
#pragma once

// Installs the handler; safe to call more than once, and harmless when the
// program draws on another video driver.
void EndAtOnceWhenTheDisplayIsLost();
