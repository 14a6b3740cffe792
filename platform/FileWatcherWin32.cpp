// The file watcher on Windows: ReadDirectoryChangesW on the folders of the
// files watched, each read left pending and looked at without waiting.
#include "platform/FileWatcher.h"

#if defined(_WIN32)

#define WIN32_LEAN_AND_MEAN
#include <windows.h>

#include <algorithm>

namespace {

// Paths are in the system's code page, as the rest of the program opens
// them; the notices name files in UTF-16.
std::wstring Wide(const std::string& text) {
    if (text.empty()) return {};
    const int length = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<size_t>(length), L'\0');
    MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), length);
    return wide;
}

bool SameName(const std::wstring& a, const wchar_t* b, size_t length) {
    return CompareStringOrdinal(a.data(), static_cast<int>(a.size()), b, static_cast<int>(length), TRUE) ==
           CSTR_EQUAL;
}

// One watched folder and its read of changes, always pending.
struct Folder {
    static constexpr DWORD kBufferWords = 4096;

    std::wstring path;
    HANDLE handle = INVALID_HANDLE_VALUE;
    OVERLAPPED overlapped{};
    DWORD buffer[kBufferWords];  // FILE_NOTIFY_INFORMATION records are DWORD-aligned
    bool reading = false;

    ~Folder() {
        if (reading) {
            CancelIo(handle);
            DWORD ignored = 0;
            GetOverlappedResult(handle, &overlapped, &ignored, TRUE);
        }
        if (handle != INVALID_HANDLE_VALUE) CloseHandle(handle);
        if (overlapped.hEvent) CloseHandle(overlapped.hEvent);
    }

    bool Open() {
        handle = CreateFileW(path.c_str(), FILE_LIST_DIRECTORY,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OVERLAPPED, nullptr);
        if (handle == INVALID_HANDLE_VALUE) return false;
        overlapped.hEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
        return overlapped.hEvent && Read();
    }

    bool Read() {
        ResetEvent(overlapped.hEvent);
        reading = ReadDirectoryChangesW(handle, buffer, sizeof buffer, FALSE,
                                        FILE_NOTIFY_CHANGE_FILE_NAME | FILE_NOTIFY_CHANGE_LAST_WRITE |
                                            FILE_NOTIFY_CHANGE_SIZE,
                                        nullptr, &overlapped, nullptr) != 0;
        return reading;
    }
};

class DirectoryChangesWatcher : public FileWatcher {
public:
    bool Watch(const std::string& path) override {
        const size_t slash = path.find_last_of("/\\");
        const std::wstring folderPath = slash == std::string::npos ? L"." : Wide(path.substr(0, slash + 1));
        const std::wstring name = Wide(slash == std::string::npos ? path : path.substr(slash + 1));
        if (name.empty()) return false;
        size_t folder = 0;
        while (folder < folders.size() && !SameName(folders[folder]->path, folderPath.data(), folderPath.size())) {
            ++folder;
        }
        if (folder == folders.size()) {
            auto opened = std::make_unique<Folder>();
            opened->path = folderPath;
            if (!opened->Open()) return false;
            folders.push_back(std::move(opened));
        }
        // A file watched again, as each reload of a script does with its
        // pictures, keeps its one entry.
        for (const Entry& entry : entries) {
            if (entry.folder == folder && entry.name == name && entry.path == path) return true;
        }
        entries.push_back(Entry{path, folder, name});
        return true;
    }

    void Forget() override {
        entries.clear();
        folders.clear();
    }

    bool TakeSaved(std::vector<std::string>& saved) override {
        bool whole = true;
        for (size_t folder = 0; folder < folders.size(); ++folder) {
            Folder& watched = *folders[folder];
            if (!watched.reading) continue;
            DWORD bytes = 0;
            if (!GetOverlappedResult(watched.handle, &watched.overlapped, &bytes, FALSE)) {
                if (GetLastError() == ERROR_IO_INCOMPLETE) continue;
                watched.reading = false;  // the folder is gone
                whole = false;
                continue;
            }
            // No bytes: more changes came than the buffer holds.
            if (bytes == 0) whole = false;
            if (bytes > 0) TakeNotices(folder, watched.buffer, saved);
            if (!watched.Read()) whole = false;
        }
        // A file changed in place is whole once no one has it open for
        // writing: then it opens with writing shut out.
        for (Entry& entry : entries) {
            if (!entry.written) continue;
            const HANDLE file = CreateFileA(entry.path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                            OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (file == INVALID_HANDLE_VALUE) {
                if (GetLastError() == ERROR_SHARING_VIOLATION) continue;
                entry.written = false;  // gone again
                continue;
            }
            CloseHandle(file);
            entry.written = false;
            Report(entry, saved);
        }
        return whole;
    }

private:
    struct Entry {
        std::string path;  // as Watch was given it
        size_t folder;
        std::wstring name;
        bool written = false;  // changed in place, perhaps still being written
    };

    // Renames into place are saves; files changed in place are marked
    // until they are whole.
    void TakeNotices(size_t folder, const DWORD* buffer, std::vector<std::string>& saved) {
        const auto* bytes = reinterpret_cast<const BYTE*>(buffer);
        for (;;) {
            const auto* notice = reinterpret_cast<const FILE_NOTIFY_INFORMATION*>(bytes);
            const size_t length = notice->FileNameLength / sizeof(WCHAR);
            for (Entry& entry : entries) {
                if (entry.folder != folder || !SameName(entry.name, notice->FileName, length)) continue;
                if (notice->Action == FILE_ACTION_RENAMED_NEW_NAME) {
                    entry.written = false;
                    Report(entry, saved);
                } else if (notice->Action == FILE_ACTION_ADDED || notice->Action == FILE_ACTION_MODIFIED) {
                    entry.written = true;
                }
            }
            if (notice->NextEntryOffset == 0) break;
            bytes += notice->NextEntryOffset;
        }
    }

    void Report(const Entry& entry, std::vector<std::string>& saved) {
        if (std::find(saved.begin(), saved.end(), entry.path) == saved.end()) saved.push_back(entry.path);
    }

    std::vector<std::unique_ptr<Folder>> folders;
    std::vector<Entry> entries;
};

}  // namespace

std::unique_ptr<FileWatcher> MakeSystemFileWatcher() { return std::make_unique<DirectoryChangesWatcher>(); }

#endif
