// A clock whose waits pass at once: it moves only by the time slept. For a
// show that is told each frame's time (the preview, the capture, tests),
// whose loading screen and pause before the first frame keep nobody
// waiting.
#pragma once

#include "platform/Clock.h"

class InstantClock : public Clock {
public:
    uint32_t Milliseconds() override { return now; }
    void Sleep(uint32_t milliseconds) override { now += milliseconds; }

private:
    uint32_t now = 0;
};
