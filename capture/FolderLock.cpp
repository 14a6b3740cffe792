#include "capture/FolderLock.h"

#include <cerrno>
#include <cstring>

#if defined(_WIN32)
#define WIN32_LEAN_AND_MEAN
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace {

constexpr const char* kLockName = "/.demo-capture.lock";

std::string HeldElsewhere(const std::string& folder) {
    return "another capture is writing its frames into " + folder +
           "; wait until it has ended, or give another folder";
}

}  // namespace

#if defined(_WIN32)

FolderLock::~FolderLock() {
    if (handle) CloseHandle(static_cast<HANDLE>(handle));
}

bool FolderLock::Take(const std::string& folder, std::string& error) {
    const std::string path = folder + kLockName;
    const HANDLE file = CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE,
                                    FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                    OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = "cannot make the lock file " + path + " (error " + std::to_string(GetLastError()) + ")";
        return false;
    }
    OVERLAPPED whole{};
    if (!LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &whole)) {
        const DWORD failure = GetLastError();
        CloseHandle(file);
        error = failure == ERROR_LOCK_VIOLATION
                    ? HeldElsewhere(folder)
                    : "cannot lock " + path + " (error " + std::to_string(failure) + ")";
        return false;
    }
    handle = file;
    return true;
}

#else

FolderLock::~FolderLock() {
    if (descriptor >= 0) close(descriptor);
}

bool FolderLock::Take(const std::string& folder, std::string& error) {
    const std::string path = folder + kLockName;
    // A link planted under the name is not followed.
    const int file = open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (file < 0) {
        error = "cannot make the lock file " + path + ": " + std::strerror(errno);
        return false;
    }
    if (flock(file, LOCK_EX | LOCK_NB) != 0) {
        const int failure = errno;
        close(file);
        error = failure == EWOULDBLOCK ? HeldElsewhere(folder)
                                       : "cannot lock " + path + ": " + std::strerror(failure);
        return false;
    }
    descriptor = file;
    return true;
}

#endif
