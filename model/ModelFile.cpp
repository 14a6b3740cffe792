// Reading a 3DS file from disk: opened once, and only when it is a regular
// file, so that a pipe or a device named as the model never keeps the
// program waiting.
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <new>

#include "model/Model.h"
#include "model/ModelChunks.h"
#include "platform/RegularFile.h"

namespace {

using namespace model_chunks;

bool StartsWith(const uint8_t* bytes, size_t length, const char* start) {
    const size_t startLength = std::strlen(start);
    return length >= startLength && std::memcmp(bytes, start, startLength) == 0;
}

// What a file that is not a 3DS model looks like, from its first bytes.
std::string LooksLike(const uint8_t* bytes, size_t length) {
    if (StartsWith(bytes, length, "\xFF\xD8\xFF")) return " (it is a JPEG picture)";
    if (StartsWith(bytes, length, "\x89PNG")) return " (it is a PNG picture)";
    if (StartsWith(bytes, length, "OggS")) return " (it is Ogg audio)";
    if (StartsWith(bytes, length, "solid") || StartsWith(bytes, length, "v ") ||
        StartsWith(bytes, length, "#")) {
        return " (it looks like text: another model format, such as OBJ or STL)";
    }
    return "";
}

// The file's first chunk, the only one the loader looks at, as far as the
// file of `fileSize` bytes holds it; false when it cannot be read. Reading
// stops at the length the chunk claims, and never sets aside more than the
// file holds.
bool ReadFirstChunk(std::FILE* file, uint64_t fileSize, std::vector<uint8_t>& bytes) {
    uint8_t header[kHeaderSize];
    size_t size = std::fread(header, 1, kHeaderSize, file);
    const size_t wanted = size == kHeaderSize ? std::max<size_t>(ReadU32(header + 2), kHeaderSize) : size;
    bytes.assign(header, header + size);
    bytes.resize(static_cast<size_t>(std::min<uint64_t>(wanted, std::max<uint64_t>(fileSize, kHeaderSize))));
    while (size < wanted) {
        // The file grew while it was read.
        if (size == bytes.size()) bytes.resize(std::min(wanted, bytes.size() * 2));
        const size_t got = std::fread(bytes.data() + size, 1, bytes.size() - size, file);
        if (got == 0) break;
        size += got;
    }
    bytes.resize(size);
    return std::ferror(file) == 0;
}

}  // namespace

ModelFileStatus ReadModelFile(const char* path, std::vector<uint8_t>& bytes, std::string& problem) {
    bytes.clear();
    const std::string file = ModelFilePath(path);
    uint64_t fileSize = 0;
    std::string openProblem;
    FileRefusal refusal = FileRefusal::None;
    const FileHandle stream = OpenRegularFile(file.c_str(), UINT64_MAX, fileSize, openProblem, &refusal);
    if (!stream) {
        switch (refusal) {
            case FileRefusal::Folder: problem = "it is a folder, not a model"; break;
            case FileRefusal::NotRegular: problem = "it is not a regular file"; break;
            case FileRefusal::CannotOpen: problem = std::string("cannot open it: ") + std::strerror(errno); break;
            default: problem = openProblem; break;
        }
        return ModelFileStatus::Unreadable;
    }
    if (fileSize == 0) {
        problem = "the file is empty";
        return ModelFileStatus::NotA3ds;
    }
    try {
        if (!ReadFirstChunk(stream.get(), fileSize, bytes)) {
            problem = std::string("cannot read it: ") + std::strerror(errno);
            bytes.clear();
            return ModelFileStatus::Unreadable;
        }
    } catch (const std::bad_alloc&) {
        problem = "it is too large to read";
        bytes.clear();
        return ModelFileStatus::Unreadable;
    }
    if (bytes.size() < kHeaderSize || ReadU16(bytes.data()) != kMain || ReadU32(bytes.data() + 2) < kHeaderSize) {
        problem = "it is not a 3DS file: it does not start with a 3DS main chunk" +
                  LooksLike(bytes.data(), bytes.size());
        return ModelFileStatus::NotA3ds;
    }
    return ModelFileStatus::Read;
}

ModelFileStatus Model::LoadFile(const char* path, std::string& problem) {
    std::vector<uint8_t> bytes;
    const ModelFileStatus status = ReadModelFile(path, bytes, problem);
    LoadFromMemory(bytes.data(), bytes.size());
    return status;
}

void Model::Load(const char* path) {
    std::string ignored;
    LoadFile(path, ignored);
}
