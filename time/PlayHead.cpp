#include "time/PlayHead.h"

#include "demo/DemoHost.h"

uint64_t PlayHead::MostWarmUpFrames(uint32_t fps) {
    const uint64_t frames = (uint64_t{kWarmUpSpan} * fps + 999) / 1000;
    return frames > kFewestWarmUpFrames ? frames : kFewestWarmUpFrames;
}

FrameGrid PlayHead::Grid() const { return FrameGrid(host.Script().StartPosition(), fps); }

bool PlayHead::FindWarmUpStart(uint64_t frame, uint64_t& start) {
    const FrameGrid grid = Grid();
    const uint64_t most = MostWarmUpFrames(fps);
    start = frame < most ? 0 : frame - most;
    host.Rewind();
    for (uint64_t n = 0; n < frame; ++n) {
        if (StopAsked()) return false;
        if (!host.ReplayFrameTo(grid.TimeOf(n)) && n > start) start = n;
    }
    return true;
}

bool PlayHead::ReplayTo(uint64_t frame) {
    const FrameGrid grid = Grid();
    host.Rewind();
    for (uint64_t n = 0; n < frame; ++n) {
        if (StopAsked()) return false;
        host.ReplayFrameTo(grid.TimeOf(n));
    }
    next = frame;
    return true;
}

bool PlayHead::ReplayToWarmUp(uint64_t frame, uint64_t& warmUpStart) {
    return FindWarmUpStart(frame, warmUpStart) && ReplayTo(warmUpStart);
}

bool PlayHead::SeekTo(uint64_t frame) {
    bool exact = true;
    return SeekTo(frame, frame, exact);
}

bool PlayHead::SeekTo(uint64_t frame, uint64_t most, bool& exact) {
    uint64_t warmUp = 0;
    if (!FindWarmUpStart(frame, warmUp)) return false;
    const uint64_t nearest = frame < most ? 0 : frame - most;
    exact = warmUp >= nearest;
    if (!ReplayTo(exact ? warmUp : nearest)) return false;
    while (next < frame) DrawFrame();
    return true;
}

int32_t PlayHead::DrawFrame() { return host.FrameTo(Grid().TimeOf(next++)); }
