// What the run loop and the window procedure need of the show's window:
// presenting a drawn frame and following a change of the client size.
#pragma once

#include <cstdint>

class WindowSurface {
public:
    virtual ~WindowSurface() = default;
    // Shows the frame drawn into the back buffer.
    virtual void Swap() = 0;
    // Follows a new client size in pixels.
    virtual void Resize(int32_t width, int32_t height) = 0;
};
