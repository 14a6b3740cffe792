// The content's one random source: xorshift32 from a fixed seed, so that
// every run of a generator makes the same pictures and the same music.
#pragma once

#include <cstdint>

class XorShift32 {
public:
    explicit XorShift32(uint32_t seed) : state(seed) {}
    uint32_t Next() {
        state ^= state << 13;
        state ^= state >> 17;
        state ^= state << 5;
        return state;
    }

private:
    uint32_t state;
};
