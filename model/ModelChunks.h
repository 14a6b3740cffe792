// The chunks of a 3DS file, for the code that reads and rewrites them: a
// 16-bit id, a 32-bit length that counts the 6-byte header, then the body,
// all little-endian. Readers work on bounded views of a chunk's body, so no
// read can leave the file or the chunk, whatever the lengths say.
#pragma once

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <string_view>
#include <vector>

namespace model_chunks {

constexpr uint16_t kMain = 0x4D4D;
constexpr uint16_t kScene = 0x3D3D;
constexpr uint16_t kObject = 0x4000;
constexpr uint16_t kMesh = 0x4100;
constexpr uint16_t kVertexList = 0x4110;
constexpr uint16_t kFaceList = 0x4120;
constexpr uint16_t kFaceGroup = 0x4130;
constexpr uint16_t kTexCoordList = 0x4140;
constexpr uint16_t kMeshMatrix = 0x4160;

constexpr size_t kHeaderSize = 6;
constexpr size_t kVertexSize = 12;  // three floats

using Bytes = std::span<const uint8_t>;

inline uint16_t ReadU16(const uint8_t* at) {
    return static_cast<uint16_t>(at[0] | (at[1] << 8));
}

inline uint32_t ReadU32(const uint8_t* at) {
    return static_cast<uint32_t>(at[0]) | (static_cast<uint32_t>(at[1]) << 8) |
           (static_cast<uint32_t>(at[2]) << 16) | (static_cast<uint32_t>(at[3]) << 24);
}

inline float ReadF32(const uint8_t* at) {
    const uint32_t bits = ReadU32(at);
    float value;
    std::memcpy(&value, &bits, sizeof value);
    return value;
}

// Calls handle(id, body) for every chunk in `body`, stepping by each chunk's
// own length whatever the handler read. A chunk that runs past the end of
// `body` is cut there and ends the scan; a length shorter than a header
// cannot be stepped over and ends the scan too.
template <typename Handler>
void ScanChunks(Bytes body, Handler&& handle) {
    size_t offset = 0;
    while (body.size() - offset >= kHeaderSize) {
        const uint16_t id = ReadU16(body.data() + offset);
        const uint32_t length = ReadU32(body.data() + offset + 2);
        if (length < kHeaderSize) return;
        const size_t available = body.size() - offset;
        const size_t chunkSize = std::min<size_t>(length, available);
        handle(id, body.subspan(offset + kHeaderSize, chunkSize - kHeaderSize));
        if (length >= available) return;
        offset += length;
    }
}

// The bytes an object's zero-terminated name takes at the start of `body`:
// up to and including the zero, at most `limit` bytes.
inline size_t NameBytes(Bytes body, size_t limit) {
    const size_t end = std::min(body.size(), limit);
    const auto* zero = std::find(body.data(), body.data() + end, uint8_t{0});
    const size_t length = static_cast<size_t>(zero - body.data());
    return length < end ? length + 1 : end;
}

// Builds a 3DS file: chunks are opened and closed like brackets, and each
// one's length is written when it closes.
class ChunkWriter {
public:
    void Open(uint16_t id) {
        openChunks.push_back(bytes.size());
        U16(id);
        U32(0);
    }
    void Close() {
        const size_t start = openChunks.back();
        openChunks.pop_back();
        const auto length = static_cast<uint32_t>(bytes.size() - start);
        for (int i = 0; i < 4; ++i) bytes[start + 2 + i] = static_cast<uint8_t>(length >> (8 * i));
    }
    void U16(uint16_t value) {
        bytes.push_back(static_cast<uint8_t>(value));
        bytes.push_back(static_cast<uint8_t>(value >> 8));
    }
    void U32(uint32_t value) {
        for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<uint8_t>(value >> (8 * i)));
    }
    void F32(float value) {
        uint32_t bits;
        std::memcpy(&bits, &value, sizeof bits);
        U32(bits);
    }
    void Raw(Bytes raw) { bytes.insert(bytes.end(), raw.begin(), raw.end()); }
    // The characters and a terminating zero.
    void Name(std::string_view name) {
        bytes.insert(bytes.end(), name.begin(), name.end());
        bytes.push_back(0);
    }

    std::vector<uint8_t> bytes;

private:
    std::vector<size_t> openChunks;
};

}  // namespace model_chunks
