#include "time/ShowTimeKeeper.h"

void ShowTimeKeeper::Reset(uint32_t showTime, uint32_t systemNow) {
    time = showTime;
    lastSystem = systemNow;
}

uint32_t ShowTimeKeeper::Advance(uint32_t systemNow, int64_t musicPosition) {
    const uint32_t elapsed = systemNow - lastSystem;  // right across the clock's wrap
    lastSystem = systemNow;
    int64_t next = int64_t{time} + elapsed;
    if (musicPosition >= 0) {
        const int64_t drift = musicPosition - next;
        if (drift > kSnapDistance || drift < -kSnapDistance) {
            next = musicPosition;
        } else {
            next += drift / kPullShare;
        }
    }
    if (next < int64_t{time}) next = time;
    if (next > int64_t{UINT32_MAX}) next = UINT32_MAX;
    time = static_cast<uint32_t>(next);
    return time;
}
