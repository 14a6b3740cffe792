#include "platform/MoveIntoPlace.h"

#include <cerrno>
#include <cstdio>

#ifdef _WIN32
#include <windows.h>
#endif

int MoveIntoPlace(const char* from, const char* to) {
#ifdef _WIN32
    // The same narrow names as the fopen that wrote the file.
    if (MoveFileExA(from, to, MOVEFILE_REPLACE_EXISTING)) return 0;
    switch (GetLastError()) {
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND: return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION: return EACCES;
        case ERROR_NOT_SAME_DEVICE: return EXDEV;
        case ERROR_DISK_FULL: return ENOSPC;
        default: return EIO;
    }
#else
    return std::rename(from, to) == 0 ? 0 : errno;
#endif
}
