// The millisecond clock and sleep.
//
// Readings are a free-running unsigned 32-bit count of milliseconds that
// wraps after about 49.7 days; callers subtract readings in unsigned
// arithmetic so that the differences stay right across the wrap. The show
// plays against the system clock, tests and offline capture against a clock
// they step themselves.
#pragma once

#include <cstdint>

class Clock {
public:
    virtual ~Clock() = default;
    virtual uint32_t Milliseconds() = 0;
    virtual void Sleep(uint32_t milliseconds) = 0;
};
