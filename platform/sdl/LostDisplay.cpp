#include "platform/sdl/LostDisplay.h"

#if defined(_WIN32) || defined(__EMSCRIPTEN__)

// Windows and web pages have no display connection to lose: the windows go
// with the program.
void EndAtOnceWhenTheDisplayIsLost() {}

#else

#include <X11/Xlib.h>
#include <errno.h>
#include <unistd.h>

namespace {

// Xlib calls this once the connection is gone; it must not return, or Xlib
// calls exit() itself. Only async-signal-safe calls here: the program may be
// anywhere when it happens.
int EndAtOnce(Display*) {
    static const char kMessage[] = "Lost the connection to the display; ending.\n";
    ssize_t written = 0;
    do {
        written = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    } while (written < 0 && errno == EINTR);
    _exit(1);
}

}  // namespace

void EndAtOnceWhenTheDisplayIsLost() { XSetIOErrorHandler(EndAtOnce); }

#endif
