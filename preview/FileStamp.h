// What a file looks like from outside: whether it is there, its size, its
// modification time and its inode. Two different stamps mean the file was
// changed, replaced or removed in between; the preview polls stamps a few
// times a second instead of asking the system for change notices. A
// changed file is taken only once its stamp has held still for a while, so
// that a file caught half way through a save is not read.
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

// The stamp of a watched file as last taken, and a newer one that has to
// hold still before it is taken.
class SettlingStamp {
public:
    // Looks after a change that hold still this often count as a finished save.
    static constexpr int kStillLooks = 2;

    SettlingStamp() = default;
    explicit SettlingStamp(const FileStamp& taken) : taken(taken), seen(taken) {}

    // One look at the file, whose stamp is `now`: true when it differs from
    // the stamp taken and has been the same for kStillLooks looks since it
    // changed; it is then the stamp taken.
    bool Settled(const FileStamp& now);

    const FileStamp& Taken() const { return taken; }

private:
    FileStamp taken;
    FileStamp seen;
    int stillLooks = 0;
};
