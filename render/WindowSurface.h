// What the run loop, the window procedure and the loading screen need of
// the show's window: presenting a drawn frame, following a change of the
// client size, and how often the display shows a new frame.
#pragma once

#include <cstdint>

class WindowSurface {
public:
    virtual ~WindowSurface() = default;
    // Shows the frame drawn into the back buffer.
    virtual void Swap() = 0;
    // Follows a new client size in pixels.
    virtual void Resize(int32_t width, int32_t height) = 0;
    // The display's refresh rate in frames a second; 0 when the platform
    // cannot tell.
    virtual int32_t RefreshRate() = 0;
};
