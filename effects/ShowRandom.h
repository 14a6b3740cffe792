// The show's pseudo-random generator: the sequence of glibc's rand(),
// reproduced exactly and owned by whoever draws from it, so that every run
// on every platform draws the same numbers (MinGW's rand() is another
// generator), and so that the show can be replayed: its state is a plain
// value that rewinding puts back to the start.
//
// A new generator stands where rand() stands in a program that never calls
// srand() (seed 1). Values lie from 0 to kMax.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

class ShowRandom {
public:
    static constexpr int32_t kMax = 2147483647;

    ShowRandom() { Seed(1); }

    // Starts the sequence anew, as srand(seed) does; 0 counts as 1.
    void Seed(uint32_t seed);

    // The next value, as rand() gives it.
    int32_t Next();

private:
    // glibc's additive feedback generator: r[i] = r[i - 31] + r[i - 3],
    // each value the sum's upper 31 bits.
    static constexpr size_t kDegree = 31;
    static constexpr size_t kSeparation = 3;

    std::array<uint32_t, kDegree> state{};
    size_t front = kSeparation;
    size_t rear = 0;
};
