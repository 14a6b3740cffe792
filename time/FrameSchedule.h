// Which frames a capture draws: the frames of the show's frame grid (frame
// n at the script's start + floor(n * 1000 / fps) ms, demo/FrameGrid.h)
// from the first at or after `from` to the last before `to`, or one of N
// equal runs of them. Each frame's step is a whole number of milliseconds
// (at 60 fps it alternates 16 and 17), and the video's length is exactly
// frames / fps. Captures at one frame rate share their frame times, so
// runs captured apart join into the whole.
#pragma once

#include <cstdint>

#include "time/FrameGrid.h"

class FrameSchedule {
public:
    // The frames of `grid` at `from` or later and before `to`.
    FrameSchedule(const FrameGrid& grid, uint32_t from, uint32_t to)
        : grid(grid), first(grid.FirstAtOrAfter(from)), end(grid.FirstAtOrAfter(to)) {
        if (end < first) end = first;
    }

    // Run `part` (1 to `parts`) of `parts` runs as equal as whole frames
    // allow, in order: together they hold exactly this schedule's frames.
    FrameSchedule Segment(uint64_t part, uint64_t parts) const {
        const uint64_t count = FrameCount();
        FrameSchedule segment = *this;
        segment.first = first + count * (part - 1) / parts;
        segment.end = first + count * part / parts;
        return segment;
    }

    uint64_t FrameCount() const { return end - first; }
    // The grid's number of the schedule's first frame.
    uint64_t FirstFrame() const { return first; }
    uint32_t TimeOf(uint64_t frame) const { return grid.TimeOf(first + frame); }
    // The time of the first frame.
    uint32_t From() const { return TimeOf(0); }
    const FrameGrid& Grid() const { return grid; }
    uint32_t Fps() const { return grid.Fps(); }

private:
    FrameGrid grid;
    uint64_t first;
    uint64_t end;
};
