// Notices from the operating system that files have been saved, so that a
// program that follows files as they are edited need not look at them
// again and again.
//
// The folder that holds each file is watched, so that an editor that saves
// by writing a new file and renaming it over the old one is seen as well as
// one that writes in place. A file is reported once it is whole: after it
// was renamed into place, or closed after writing. On Linux (inotify) that
// is the IN_MOVED_TO or IN_CLOSE_WRITE notice itself; on Windows, whose
// notices (ReadDirectoryChangesW) come while a file is being written, a
// changed file is reported once it can be opened with writers shut out,
// that is once no one holds it open for writing. Removing a file is no
// save. Nothing here waits.
#pragma once

#include <memory>
#include <string>
#include <vector>

class FileWatcher {
public:
    virtual ~FileWatcher() = default;

    // Starts watching the file at `path`, which need not exist yet. False
    // when the system cannot watch it (its folder is missing, or the system
    // watches too much already): look at the file itself instead.
    virtual bool Watch(const std::string& path) = 0;
    // Stops watching every file.
    virtual void Forget() = 0;

    // Adds to `saved` each watched file, as Watch was given it, that has
    // been saved since the last call, once. False when notices were lost
    // (too many came at once, or a watched folder was removed or moved):
    // then any watched file may have changed, and may no longer be watched.
    virtual bool TakeSaved(std::vector<std::string>& saved) = 0;
};

// The operating system's watcher; null where there is none, or where it
// cannot be had now.
std::unique_ptr<FileWatcher> MakeSystemFileWatcher();
