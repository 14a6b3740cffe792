// A copy of what the window's viewport shows, kept to be drawn again
// unchanged: for a paused preview, which shows one frame for as long as it
// stands, with the HUD redrawn over it.
#pragma once

#include <cstdint>
#include <vector>

class ViewportSize;

class HeldPicture {
public:
    explicit HeldPicture(const ViewportSize& viewport) : viewport(viewport) {}

    // Reads the viewport's pixels (in the lower left corner of the window)
    // from the back buffer.
    void Keep();

    // Draws the kept pixels back where they were, leaving the GL state as
    // it found it. False, drawing nothing, when nothing is kept or the
    // viewport's size has changed since.
    bool Draw();

private:
    const ViewportSize& viewport;
    std::vector<uint8_t> pixels;  // RGB, bottom row first
    int32_t width = 0;
    int32_t height = 0;
};
