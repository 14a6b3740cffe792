#include "preview/FileStamp.h"

#if defined(_WIN32)

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

// Windows keeps modification times in 100-ns steps from 1601 and has no
// inodes; the file's index on its volume names the file instead, so that a
// file replaced by another is still told apart.
FileStamp StampOf(const char* path) {
    FileStamp stamp;
    // No access asked and every sharing allowed: an editor saving the file
    // at this moment is not disturbed.
    const HANDLE file = CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                    nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) return stamp;
    BY_HANDLE_FILE_INFORMATION info;
    const bool known = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    if (!known) return stamp;
    constexpr int64_t kStepsPerSecond = 10'000'000;
    const int64_t steps = (static_cast<int64_t>(info.ftLastWriteTime.dwHighDateTime) << 32) |
                          info.ftLastWriteTime.dwLowDateTime;
    stamp.exists = true;
    stamp.size = (static_cast<int64_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
    stamp.modifiedSeconds = steps / kStepsPerSecond;
    stamp.modifiedNanoseconds = steps % kStepsPerSecond * 100;
    stamp.inode = static_cast<uint64_t>(info.nFileIndexHigh) << 32 | info.nFileIndexLow;
    return stamp;
}

#else

#include <sys/stat.h>

FileStamp StampOf(const char* path) {
    FileStamp stamp;
    struct stat info;
    if (stat(path, &info) != 0) return stamp;
    stamp.exists = true;
    stamp.size = static_cast<int64_t>(info.st_size);
    stamp.modifiedSeconds = static_cast<int64_t>(info.st_mtim.tv_sec);
    stamp.modifiedNanoseconds = static_cast<int64_t>(info.st_mtim.tv_nsec);
    stamp.inode = static_cast<uint64_t>(info.st_ino);
    return stamp;
}

#endif

bool SettlingStamp::Settled(const FileStamp& now) {
    if (!(now == seen)) {
        seen = now;
        stillLooks = 0;
        return false;
    }
    if (now == taken) return false;
    if (++stillLooks < kStillLooks) return false;
    taken = now;
    stillLooks = 0;
    return true;
}
