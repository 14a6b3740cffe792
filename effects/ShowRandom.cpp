#include "effects/ShowRandom.h"

void ShowRandom::Seed(uint32_t seed) {
    // The state is filled with a multiplicative congruential generator
    // (16807 * x mod 2^31 - 1, computed without overflow in 32 bits as glibc
    // does), then stirred by discarding ten rounds of values.
    int32_t word = static_cast<int32_t>(seed == 0 ? 1 : seed);
    state[0] = static_cast<uint32_t>(word);
    for (size_t i = 1; i < kDegree; ++i) {
        const int32_t hi = word / 127773;
        const int32_t lo = word % 127773;
        word = 16807 * lo - 2836 * hi;
        if (word < 0) word += kMax;
        state[i] = static_cast<uint32_t>(word);
    }
    front = kSeparation;
    rear = 0;
    for (size_t i = 0; i < kDegree * 10; ++i) Next();
}

int32_t ShowRandom::Next() {
    uint32_t& sum = state[front];
    sum += state[rear];
    front = front + 1 == kDegree ? 0 : front + 1;
    rear = rear + 1 == kDegree ? 0 : rear + 1;
    return static_cast<int32_t>(sum >> 1);
}
