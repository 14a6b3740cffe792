#include "platform/sdl/PcmHeaderCheck.h"

#include <cstdint>
#include <cstring>

namespace {

constexpr uint32_t kMinSampleRate = 1000;
constexpr uint32_t kMaxSampleRate = 768000;
// A bound on the walk through a file of tiny chunks.
constexpr int kMaxChunks = 100000;

uint32_t Little16(const unsigned char* b) { return b[0] | b[1] << 8; }
uint32_t Little32(const unsigned char* b) {
    return b[0] | b[1] << 8 | b[2] << 16 | static_cast<uint32_t>(b[3]) << 24;
}
uint32_t Big16(const unsigned char* b) { return b[0] << 8 | b[1]; }
uint32_t Big32(const unsigned char* b) {
    return static_cast<uint32_t>(b[0]) << 24 | b[1] << 16 | b[2] << 8 | b[3];
}

// AIFF's sample rate, an 80-bit extended float, in whole Hz; 0 for a rate
// that is negative, below 1 or beyond 32 bits.
uint32_t ExtendedRate(const unsigned char* b) {
    if (b[0] & 0x80) return 0;
    const int exponent = ((b[0] & 0x7F) << 8 | b[1]) - 16383;
    if (exponent < 0 || exponent > 31) return 0;
    uint64_t mantissa = 0;
    for (int i = 2; i < 10; ++i) mantissa = mantissa << 8 | b[i];
    return static_cast<uint32_t>(mantissa >> (63 - exponent));
}

}  // namespace

bool PcmHeaderIsPlayable(std::FILE* file) {
    unsigned char head[12];
    if (std::fread(head, 1, sizeof head, file) != sizeof head) return true;
    const bool wave = std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WAVE", 4) == 0;
    const bool aiff = std::memcmp(head, "FORM", 4) == 0 &&
                      (std::memcmp(head + 8, "AIFF", 4) == 0 || std::memcmp(head + 8, "AIFC", 4) == 0);
    if (!wave && !aiff) return true;

    // WAV: format tag, channels, sample rate. AIFF: channels, frame
    // count, sample size, sample rate.
    const char* formatChunk = wave ? "fmt " : "COMM";
    const size_t formatBytes = wave ? 8 : 18;
    for (int chunks = 0; chunks < kMaxChunks; ++chunks) {
        unsigned char chunk[8];
        if (std::fread(chunk, 1, sizeof chunk, file) != sizeof chunk) return true;
        const uint32_t size = wave ? Little32(chunk + 4) : Big32(chunk + 4);
        long skip = static_cast<long>(size) + (size & 1);  // chunks are padded to even sizes
        if (std::memcmp(chunk, formatChunk, 4) == 0 && size >= formatBytes) {
            unsigned char format[18];
            if (std::fread(format, 1, formatBytes, file) != formatBytes) return true;
            const uint32_t channels = wave ? Little16(format + 2) : Big16(format);
            const uint32_t rate = wave ? Little32(format + 4) : ExtendedRate(format + 8);
            if (channels == 0 || rate < kMinSampleRate || rate > kMaxSampleRate) return false;
            skip -= static_cast<long>(formatBytes);
        }
        if (std::fseek(file, skip, SEEK_CUR) != 0) return true;
    }
    return true;
}
