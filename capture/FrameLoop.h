// The capture's frame loop: plays the show over a frame schedule, each frame
// exactly as long as the schedule says however long it takes to draw, and
// reads every finished frame back into a frame ring. Without a ring it only
// draws (and waits for each frame to be finished), which is what the
// benchmark compares the capture with.
#pragma once

#include <cstdint>

#include "capture/FrameRing.h"
#include "capture/ProgressMeter.h"
#include "time/FrameSchedule.h"
#include "time/PlayHead.h"

struct FrameLoopResult {
    uint64_t frames = 0;    // frames drawn and, with a ring, handed over
    double seconds = 0.0;   // wall time of the loop
    bool completed = false; // false when the ring stopped taking frames or a stop came
};

// Reads the back buffer's `width` x `height` pixels from the lower-left
// corner into `pixels` as RGB, bottom row first.
void ReadBackFrame(uint8_t* pixels, int width, int height);

// Draws the frames of `schedule` with `head`, which has brought the show to
// just before the schedule's first frame (PlayHead::SeekTo). `ring` may be
// null. `stopRequested`, when given, is asked before each frame; the loop
// ends there, not completed, once it says so.
FrameLoopResult RunFrameLoop(PlayHead& head, const FrameSchedule& schedule, FrameRing* ring,
                             int width, int height, ProgressMeter& progress,
                             bool (*stopRequested)() = nullptr);
