#include "platform/PartialFile.h"

#include <fcntl.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/MoveIntoPlace.h"

#ifdef _WIN32
#define WIN32_LEAN_AND_MEAN
#include <io.h>
#include <windows.h>
#else
#include <unistd.h>
#endif

namespace {

// Names tried after the first before giving up: more than any folder holds
// by chance, few enough to end quickly in one filled on purpose.
constexpr int kMoreNames = 99;

long OwnId() {
#ifdef _WIN32
    return static_cast<long>(GetCurrentProcessId());
#else
    return static_cast<long>(getpid());
#endif
}

}  // namespace

FileHandle CreatePartialFile(const std::string& target, std::string& path, std::string& problem) {
#ifdef _WIN32
    constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_BINARY | O_NOINHERIT;
#else
    constexpr int kFlags = O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC;
#endif
    const std::string stem = target + ".partial-" + std::to_string(OwnId());
    for (int attempt = 0; attempt <= kMoreNames; ++attempt) {
        path = attempt == 0 ? stem : stem + "-" + std::to_string(attempt + 1);
        const int fd = open(path.c_str(), kFlags, 0666);
        if (fd < 0) {
            if (errno == EEXIST) continue;
            problem = "cannot create " + path + ": " + std::strerror(errno);
            return nullptr;
        }
        FileHandle file(fdopen(fd, "wb"));
        if (!file) {
            problem = "cannot open " + path + ": " + std::strerror(errno);
            close(fd);
            std::remove(path.c_str());
        }
        return file;
    }
    problem = "cannot create a partial file beside " + target + ": " + stem + " and " +
              std::to_string(kMoreNames) + " names after it are taken";
    return nullptr;
}

bool WriteFileWhole(const std::string& target, const void* data, size_t size, std::string& problem) {
    std::string partial;
    FileHandle file = CreatePartialFile(target, partial, problem);
    if (!file) return false;
    const bool written = std::fwrite(data, 1, size, file.get()) == size;
    const int writeError = errno;
    const bool closed = std::fclose(file.release()) == 0;
    const int failure = !written ? writeError : !closed ? errno : MoveIntoPlace(partial.c_str(), target.c_str());
    if (failure == 0) return true;
    problem = std::strerror(failure);
    std::remove(partial.c_str());
    return false;
}
