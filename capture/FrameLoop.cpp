#include "capture/FrameLoop.h"

#include <GL/gl.h>

#include <chrono>

void ReadBackFrame(uint8_t* pixels, int width, int height) {
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels);
}

FrameLoopResult RunFrameLoop(PlayHead& head, const FrameSchedule& schedule, FrameRing* ring,
                             int width, int height, ProgressMeter& progress,
                             bool (*stopRequested)()) {
    using Clock = std::chrono::steady_clock;
    const Clock::time_point start = Clock::now();
    const auto elapsed = [&start] {
        return std::chrono::duration<double>(Clock::now() - start).count();
    };

    FrameLoopResult result;
    const uint64_t total = schedule.FrameCount();
    progress.Update(0, 0.0);
    for (uint64_t frame = 0; frame < total; ++frame) {
        if (stopRequested && stopRequested()) {
            result.seconds = elapsed();
            return result;
        }
        head.DrawFrame();
        if (ring) {
            uint8_t* pixels = ring->Acquire();
            if (!pixels) {
                result.seconds = elapsed();
                return result;
            }
            ReadBackFrame(pixels, width, height);
            ring->Publish();
        } else {
            glFinish();
        }
        result.frames = frame + 1;
        progress.Update(result.frames, elapsed());
    }
    result.seconds = elapsed();
    result.completed = true;
    return result;
}
