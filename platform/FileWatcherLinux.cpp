// The file watcher on Linux: inotify on the folders of the files watched.
#include "platform/FileWatcher.h"

#if defined(__linux__) && !defined(__EMSCRIPTEN__)

#include <sys/inotify.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>

namespace {

// The folder that holds `path` and the file's name in it.
void SplitPath(const std::string& path, std::string& folder, std::string& name) {
    const size_t slash = path.rfind('/');
    if (slash == std::string::npos) {
        folder = ".";
        name = path;
    } else {
        folder = slash == 0 ? "/" : path.substr(0, slash);
        name = path.substr(slash + 1);
    }
}

class InotifyWatcher : public FileWatcher {
public:
    explicit InotifyWatcher(int queue) : queue(queue) {}
    ~InotifyWatcher() override { close(queue); }

    bool Watch(const std::string& path) override {
        if (!WatchAs(path, path)) return false;
        // A symbolic link's file is saved in its own folder, which is
        // watched as well.
        struct stat link;
        if (lstat(path.c_str(), &link) == 0 && S_ISLNK(link.st_mode)) {
            char* target = realpath(path.c_str(), nullptr);
            const bool watched = target && WatchAs(target, path);
            std::free(target);
            return watched;
        }
        return true;
    }

    void Forget() override {
        std::vector<int> removed;
        for (const Entry& entry : entries) {
            if (std::find(removed.begin(), removed.end(), entry.folder) != removed.end()) continue;
            inotify_rm_watch(queue, entry.folder);
            removed.push_back(entry.folder);
        }
        entries.clear();
        // What came before, the removals' own notices included, is old.
        std::vector<std::string> old;
        TakeSaved(old);
    }

    bool TakeSaved(std::vector<std::string>& saved) override {
        bool whole = true;
        alignas(inotify_event) char buffer[16 * 1024];
        for (;;) {
            const ssize_t length = read(queue, buffer, sizeof buffer);
            if (length < 0 && errno == EINTR) continue;
            if (length <= 0) break;
            for (ssize_t at = 0; at < length;) {
                const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
                at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
                if (event->mask & (IN_Q_OVERFLOW | IN_IGNORED | IN_DELETE_SELF | IN_MOVE_SELF)) whole = false;
                if (!(event->mask & (IN_CLOSE_WRITE | IN_MOVED_TO)) || event->len == 0) continue;
                for (const Entry& entry : entries) {
                    if (entry.folder != event->wd || entry.name != event->name) continue;
                    if (std::find(saved.begin(), saved.end(), entry.path) == saved.end()) {
                        saved.push_back(entry.path);
                    }
                }
            }
        }
        return whole;
    }

private:
    // Watches the folder of `file` for saves of it, which are reported as
    // saves of `path`.
    bool WatchAs(const std::string& file, const std::string& path) {
        std::string folder, name;
        SplitPath(file, folder, name);
        if (name.empty()) return false;
        const int watch = inotify_add_watch(queue, folder.c_str(),
                                            IN_CLOSE_WRITE | IN_MOVED_TO | IN_DELETE_SELF | IN_MOVE_SELF |
                                                IN_ONLYDIR);
        if (watch < 0) return false;
        // A file watched again, as each reload of a script does with its
        // pictures, keeps its one entry.
        for (const Entry& entry : entries) {
            if (entry.folder == watch && entry.name == name && entry.path == path) return true;
        }
        entries.push_back(Entry{path, watch, name});
        return true;
    }

    struct Entry {
        std::string path;  // as Watch was given it
        int folder;        // the folder's watch
        std::string name;  // the file's name in the folder
    };

    int queue;
    std::vector<Entry> entries;
};

}  // namespace

std::unique_ptr<FileWatcher> MakeSystemFileWatcher() {
    const int queue = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (queue < 0) return nullptr;
    return std::make_unique<InotifyWatcher>(queue);
}

#endif
