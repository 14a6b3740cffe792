// What a file looks like from outside: whether it is there, its size, its
// modification time and its inode. Two different stamps mean the file was
// changed, replaced or removed in between; the preview polls stamps a few
// times a second instead of asking the system for change notices.
#pragma once

#include <cstdint>

struct FileStamp {
    bool exists = false;
    int64_t size = 0;
    int64_t modifiedSeconds = 0;
    int64_t modifiedNanoseconds = 0;
    uint64_t inode = 0;  // on Windows, the file's index on its volume

    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file at `path` now; a stamp that does not exist when the
// file cannot be looked at.
FileStamp StampOf(const char* path);
