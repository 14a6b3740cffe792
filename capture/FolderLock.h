// A lock that a capture holds in its frames folder while it writes there,
// so that a second capture into the same folder is refused instead of
// mixing its frames with the first one's: the file .demo-capture.lock in
// the folder, locked with flock (LockFileEx on Windows). The system lets go
// of the lock when the process ends, however it ends, so none is ever left
// behind; the empty file stays.
#pragma once

#include <string>

class FolderLock {
public:
    FolderLock() = default;
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    // Takes the lock in `folder`, which exists. False, with `error` saying
    // why, when another process holds it or the lock file cannot be made.
    bool Take(const std::string& folder, std::string& error);

private:
    void* handle = nullptr;  // Windows' HANDLE
    int descriptor = -1;
};
