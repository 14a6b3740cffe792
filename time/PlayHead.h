// Where the show is on its frame grid, and how it gets to any frame there.
//
// A show told each frame's time (the preview, the capture, the golden-frame
// tests) plays the frames of one grid (time/FrameGrid.h: frame 0 where the
// script starts the show). The play head brings the show to any frame of
// that grid exactly as if it had played every frame before from the start:
//
//  - replay: the host is rewound and plays the frames before without
//    drawing (DemoHost::ReplayFrameTo), which brings the timeline and all
//    that the effects integrate there in a few milliseconds;
//  - warm-up: what replay cannot bring back is what the picture carries
//    from frame to frame. The swarm reflects the previous frame's picture
//    and the glow leaves its blending to the next frame, so the last frames
//    before the one sought are drawn (not for showing): from the last frame
//    whose drawing shows nothing of earlier frames (no effect says it
//    NeedsEarlierFrames), at most MostWarmUpFrames.
//
// Then DrawFrame draws the frames one after the other.
#pragma once

#include <cstdint>

#include "time/FrameGrid.h"

class DemoHost;

class PlayHead {
public:
    // How many frames a seek draws at most before the frame it goes to:
    // kWarmUpSpan of show time, and no fewer than kFewestWarmUpFrames. The
    // swarm reflects the previous frame's picture, which holds the swarm of
    // the frame before, and so on. Mostly a copy reflects nothing of the
    // copies before, but where copies reflect copies, what came before
    // shows for as long as they stay so placed: in the shipped show at
    // most 8 frames at 60 fps (133 ms) and 5 at 30 fps (167 ms).
    static constexpr uint32_t kWarmUpSpan = 250;  // ms
    static constexpr uint64_t kFewestWarmUpFrames = 4;
    static uint64_t MostWarmUpFrames(uint32_t fps);

    // The frames of `host`'s show at `fps` (1 or more) frames a second.
    // `stopRequested`, when given, is asked during a replay, which ends
    // there once it says so. The host outlives the play head.
    PlayHead(DemoHost& host, uint32_t fps, bool (*stopRequested)() = nullptr)
        : host(host), fps(fps), stopRequested(stopRequested) {}

    // The grid, from where the host's script starts the show.
    FrameGrid Grid() const;
    // The frame that DrawFrame draws next.
    uint64_t NextFrame() const { return next; }

    // Brings the started show to just before frame `frame`: replay, then
    // warm-up. The next DrawFrame draws `frame`. The music is left alone.
    // False when a stop was asked for during the replay; the show then
    // stands at some frame before.
    bool SeekTo(uint64_t frame);
    // SeekTo drawing no more than `most` warm-up frames, for a frame that is
    // to be seen soon. `exact` tells whether that was every frame SeekTo
    // draws; if not, the frame drawn next may differ from the one SeekTo
    // gives where the swarm's copies reflect what came before.
    bool SeekTo(uint64_t frame, uint64_t most, bool& exact);

    // SeekTo without its drawing: finds the first warm-up frame of `frame`
    // and leaves the show just before it, in `warmUpStart`. False when
    // stopped.
    bool ReplayToWarmUp(uint64_t frame, uint64_t& warmUpStart);

    // Draws frame NextFrame() and moves on to the next; the host's
    // frame_result.
    int32_t DrawFrame();

private:
    // Replays from the start up to `frame` and finds the last frame before
    // it, at most MostWarmUpFrames before, whose drawing shows nothing of
    // earlier frames.
    bool FindWarmUpStart(uint64_t frame, uint64_t& start);
    // Rewinds and replays the frames before `frame`.
    bool ReplayTo(uint64_t frame);
    bool StopAsked() const { return stopRequested && stopRequested(); }

    DemoHost& host;
    uint32_t fps;
    bool (*stopRequested)();
    uint64_t next = 0;
};
