#include "platform/RegularFile.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace {

std::string SizeText(uint64_t bytes) {
    if (bytes >= (uint64_t{1} << 20) && bytes % (uint64_t{1} << 20) == 0) {
        return std::to_string(bytes >> 20) + " MB";
    }
    return std::to_string(bytes) + " bytes";
}

bool Refuse(std::string& problem, std::string text) {
    problem = std::move(text);
    return false;
}

}  // namespace

FileHandle OpenRegularFile(const char* path, uint64_t maxBytes, uint64_t& size,
                           std::string& problem, FileRefusal* refusal) {
    FileRefusal ignored;
    FileRefusal& why = refusal ? *refusal : ignored;
    why = FileRefusal::None;
#ifdef _WIN32
    const int fd = open(path, O_RDONLY | O_BINARY);
#else
    // Without waiting for a writer, should it be a pipe.
    const int fd = open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
#endif
    if (fd < 0) {
        const int openError = errno;
#ifdef _WIN32
        // Windows does not open a folder as a file at all.
        struct stat folder;
        if (stat(path, &folder) == 0 && S_ISDIR(folder.st_mode)) {
            why = FileRefusal::Folder;
            Refuse(problem, std::string(path) + " is a folder");
            return nullptr;
        }
#endif
        why = FileRefusal::CannotOpen;
        Refuse(problem, std::string("cannot open ") + path + ": " + std::strerror(openError));
        errno = openError;
        return nullptr;
    }
    struct stat info;
    std::string refused;
    int statError = 0;
    if (fstat(fd, &info) != 0) {
        statError = errno;
        why = FileRefusal::CannotOpen;
        refused = std::string("cannot read ") + path + ": " + std::strerror(statError);
    } else if (S_ISDIR(info.st_mode)) {
        why = FileRefusal::Folder;
        refused = std::string(path) + " is a folder";
    } else if (!S_ISREG(info.st_mode)) {
        why = FileRefusal::NotRegular;
        refused = std::string(path) + " is not a regular file (it is a device, a pipe or a socket)";
    } else if (static_cast<uint64_t>(info.st_size) > maxBytes) {
        why = FileRefusal::TooLarge;
        refused = std::string(path) + " is larger than " + SizeText(maxBytes);
    }
    if (!refused.empty()) {
        close(fd);
        Refuse(problem, std::move(refused));
        errno = statError;
        return nullptr;
    }
#ifndef _WIN32
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) & ~O_NONBLOCK);
#endif
    FileHandle file(fdopen(fd, "rb"));
    if (!file) {
        const int openError = errno;
        why = FileRefusal::CannotOpen;
        Refuse(problem, std::string("cannot open ") + path + ": " + std::strerror(openError));
        close(fd);
        errno = openError;
        return nullptr;
    }
    size = static_cast<uint64_t>(info.st_size);
    return file;
}

bool ReadRegularFile(const char* path, uint64_t maxBytes, std::string& bytes, std::string& problem) {
    uint64_t size = 0;
    FileHandle file = OpenRegularFile(path, maxBytes, size, problem);
    if (!file) return false;
    // One byte more than the size, to see the file grow.
    bytes.resize(static_cast<size_t>(size) + 1);
    size_t got = 0;
    for (;;) {
        got += std::fread(bytes.data() + got, 1, bytes.size() - got, file.get());
        if (got < bytes.size() || std::ferror(file.get())) break;
        if (bytes.size() > maxBytes) {
            return Refuse(problem, std::string(path) + " is larger than " + SizeText(maxBytes));
        }
        bytes.resize(static_cast<size_t>(std::min<uint64_t>(bytes.size() * 2, maxBytes + 1)));
    }
    if (std::ferror(file.get())) {
        return Refuse(problem, std::string("cannot read ") + path + ": " + std::strerror(errno));
    }
    bytes.resize(got);
    return true;
}
