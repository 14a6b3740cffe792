// A clock that moves only when its owner moves it: for playing the show
// frame by frame, offline or in tests, however long each frame takes.
// Sleeping moves it by the time asked for, at once.
#pragma once

#include "platform/Clock.h"

class SteppedClock : public Clock {
public:
    uint32_t Milliseconds() override { return now; }
    void Sleep(uint32_t milliseconds) override { now += milliseconds; }
    void Advance(uint32_t milliseconds) { now += milliseconds; }

private:
    uint32_t now = 0;
};
