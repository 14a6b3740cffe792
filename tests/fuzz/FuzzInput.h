// The fuzz input as a file: the show's loaders take file names, so each
// input is written into an in-memory file (memfd) whose /proc path they
// open. No disk is touched, and the one file is reused for every input.
#pragma once

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

class FuzzInputFile {
public:
    FuzzInputFile() {
        descriptor = memfd_create("fuzz-input", 0);
        if (descriptor < 0) {
            std::perror("memfd_create");
            std::abort();
        }
        std::snprintf(path, sizeof path, "/proc/self/fd/%d", descriptor);
    }
    ~FuzzInputFile() { close(descriptor); }
    FuzzInputFile(const FuzzInputFile&) = delete;
    FuzzInputFile& operator=(const FuzzInputFile&) = delete;

    // Makes `data` the whole content of the file and returns its path.
    const char* Hold(const uint8_t* data, size_t size) {
        if (ftruncate(descriptor, 0) != 0) std::abort();
        size_t written = 0;
        while (written < size) {
            const ssize_t n = pwrite(descriptor, data + written, size - written,
                                     static_cast<off_t>(written));
            if (n <= 0) std::abort();
            written += static_cast<size_t>(n);
        }
        return path;
    }

private:
    int descriptor = -1;
    char path[64] = {};
};
