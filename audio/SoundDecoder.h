// Decoding a whole sound file into samples at once, for looking at the
// music (its loudness over time) rather than for playing it. The platform
// layer implements it with the audio library's decoders; tests use doubles.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct DecodedSound {
    uint32_t framesPerSecond = 0;
    int32_t channels = 0;
    std::vector<int16_t> samples;  // the channels of a frame side by side
};

class SoundDecoder {
public:
    virtual ~SoundDecoder() = default;
    // The whole file at `path` in `sound`; false, with `problem` saying why,
    // when it cannot be read or decoded.
    virtual bool DecodeFile(const char* path, DecodedSound& sound, std::string& problem) = 0;
};
