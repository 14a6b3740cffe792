#include "platform/FileWatcher.h"

// Systems without a watcher of their own (the browser build): the files are
// looked at instead.
#if !(defined(__linux__) && !defined(__EMSCRIPTEN__)) && !defined(_WIN32)
std::unique_ptr<FileWatcher> MakeSystemFileWatcher() { return nullptr; }
#endif
