#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "model/Model.h"

namespace {

constexpr uint16_t kMainChunk = 0x4D4D;
constexpr size_t kHeaderSize = 6;

bool StartsWith(const unsigned char* bytes, size_t length, const char* start) {
    const size_t startLength = std::strlen(start);
    return length >= startLength && std::memcmp(bytes, start, startLength) == 0;
}

// What a file that is not a 3DS model looks like, from its first bytes.
std::string LooksLike(const unsigned char* bytes, size_t length) {
    if (StartsWith(bytes, length, "\xFF\xD8\xFF")) return " (it is a JPEG picture)";
    if (StartsWith(bytes, length, "\x89PNG")) return " (it is a PNG picture)";
    if (StartsWith(bytes, length, "OggS")) return " (it is Ogg audio)";
    if (StartsWith(bytes, length, "solid") || StartsWith(bytes, length, "v ") ||
        StartsWith(bytes, length, "#")) {
        return " (it looks like text: another model format, such as OBJ or STL)";
    }
    return "";
}

}  // namespace

std::string ModelFileProblem(const char* path) {
    const std::string file = ModelFilePath(path);
    // Looked at before it is opened, so that a pipe or a device is never
    // opened.
    struct stat status;
    if (stat(file.c_str(), &status) != 0) return std::string("cannot open it: ") + std::strerror(errno);
    if (S_ISDIR(status.st_mode)) return "it is a folder, not a model";
    if (!S_ISREG(status.st_mode)) return "it is not a regular file";
    if (status.st_size == 0) return "the file is empty";

    std::FILE* stream = std::fopen(file.c_str(), "rb");
    if (!stream) return std::string("cannot open it: ") + std::strerror(errno);
    unsigned char start[16] = {};
    const size_t length = std::fread(start, 1, sizeof start, stream);
    std::fclose(stream);
    const unsigned id = start[0] | (start[1] << 8);
    const unsigned long chunkLength = start[2] | (start[3] << 8) | (start[4] << 16) |
                                      (static_cast<unsigned long>(start[5]) << 24);
    if (length < kHeaderSize || id != kMainChunk || chunkLength < kHeaderSize) {
        return "it is not a 3DS file: it does not start with a 3DS main chunk" + LooksLike(start, length);
    }
    return {};
}
