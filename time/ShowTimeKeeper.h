// The preview's show clock: it runs with the system clock and follows the
// music's position while the music plays.
//
// The mixer reports its position in steps of its buffer, so the clock does
// not copy each reading: it runs on with the system clock and is pulled a
// little towards the music every frame, and set to the music's position
// outright when the two are far apart (after a seek, a stall, or music that
// started late). It never runs backwards, since the timeline only moves
// forwards. Without music it is the system clock.
#pragma once

#include <cstdint>

class ShowTimeKeeper {
public:
    // Drift beyond which the clock is set to the music's position.
    static constexpr int64_t kSnapDistance = 150;
    // Below that, each frame closes 1/kPullShare of the drift.
    static constexpr int64_t kPullShare = 8;

    // Starts the clock at `showTime`, the system clock reading `systemNow`.
    void Reset(uint32_t showTime, uint32_t systemNow);

    // Moves the clock on to the system clock reading `systemNow`, following
    // `musicPosition` (ms; negative while no music plays). Returns the
    // show time.
    uint32_t Advance(uint32_t systemNow, int64_t musicPosition);

    uint32_t Time() const { return time; }

private:
    uint32_t time = 0;
    uint32_t lastSystem = 0;
};
