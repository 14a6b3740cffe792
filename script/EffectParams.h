// The per-effect parameter record that the timeline fills and every effect
// reads: ten doubles, five longs, ten flags and the frame's step character.
//
// Scripts name the slots dbl.0 to dbl.9, lng.0 to lng.4 and bool.0 to
// bool.9. bool.0 is the effect's running flag: the host draws an effect only
// while it is set.
#pragma once

#include <cstdint>

struct EffectParams {
    static constexpr int kDblCount = 10;
    static constexpr int kLngCount = 5;
    static constexpr int kBoolCount = 10;

    // bool.0, the running flag.
    static constexpr int kRunningIndex = 0;

    double dblParams[kDblCount];
    int32_t lngParams[kLngCount];
    bool boolParams[kBoolCount];
    char patternEvent;  // 0 when no step character reached this frame

    bool Running() const { return boolParams[kRunningIndex]; }
};
