// When each captured frame is drawn: frame i at show time
// from + floor(i * 1000 / fps) ms, for every such time before `to`. Each
// frame's step is then a whole number of milliseconds (at 60 fps it
// alternates 16 and 17), and the video's length is exactly frames / fps.
#pragma once

#include <cstdint>

class FrameSchedule {
public:
    // `from` < `to`, and 1 <= `fps`.
    FrameSchedule(uint32_t from, uint32_t to, uint32_t fps) : from(from), to(to), fps(fps) {}

    // The number of frames whose time is before `to`.
    uint64_t FrameCount() const {
        const uint64_t span = static_cast<uint64_t>(to - from) * fps;
        return (span + 999) / 1000;
    }
    // Milliseconds from `from` to frame `frame`.
    uint32_t OffsetOf(uint64_t frame) const {
        return static_cast<uint32_t>(frame * 1000 / fps);
    }
    uint32_t TimeOf(uint64_t frame) const { return from + OffsetOf(frame); }
    // The clock step that brings the show to frame `frame`: 0 for the
    // first frame, which is drawn where the show starts.
    uint32_t StepTo(uint64_t frame) const {
        return frame == 0 ? 0 : OffsetOf(frame) - OffsetOf(frame - 1);
    }

    uint32_t From() const { return from; }
    uint32_t Fps() const { return fps; }

private:
    uint32_t from;
    uint32_t to;
    uint32_t fps;
};
