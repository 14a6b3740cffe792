#include "preview/FileStamp.h"

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
