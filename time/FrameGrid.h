// The times a show's frames are drawn at when it plays at a fixed frame
// rate: frame n at origin + floor(n * 1000 / fps) ms, the origin being
// where the script starts the show. Every capture and every seek at one
// frame rate lands on the same times, so the frame at a given time is the
// same however the show got there. At 60 fps the frames are 16, 17, 17,
// 16, ... ms apart.
#pragma once

#include <cstdint>

class FrameGrid {
public:
    // 1 <= `fps`.
    FrameGrid(uint32_t origin, uint32_t fps) : origin(origin), fps(fps) {}

    // Milliseconds from the origin to frame `frame`.
    uint64_t OffsetOf(uint64_t frame) const { return frame * 1000 / fps; }
    uint32_t TimeOf(uint64_t frame) const { return static_cast<uint32_t>(origin + OffsetOf(frame)); }
    // The first frame at or after `time`; frame 0 for any time up to the
    // origin.
    uint64_t FirstAtOrAfter(uint32_t time) const {
        if (time <= origin) return 0;
        return (static_cast<uint64_t>(time - origin) * fps + 999) / 1000;
    }
    // The clock step from the frame before `frame` to it; 0 for frame 0,
    // which is drawn where the show starts.
    uint32_t StepTo(uint64_t frame) const {
        return frame == 0 ? 0 : static_cast<uint32_t>(OffsetOf(frame) - OffsetOf(frame - 1));
    }

    uint32_t Origin() const { return origin; }
    uint32_t Fps() const { return fps; }

private:
    uint32_t origin;
    uint32_t fps;
};
