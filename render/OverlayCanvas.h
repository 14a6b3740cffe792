// Flat shapes and bitmap-font text drawn over a finished frame, such as the
// preview's HUD and timeline strip, in whole screen pixels with y down from
// the top of a viewport at the origin.
//
// Making a canvas saves every piece of GL state (attributes, matrices,
// matrix mode) and sets up flat, alpha-blended drawing; destroying it
// restores the state as it found it, since the show's effects rely on the
// state that the frame before them left behind. Shapes land in the order
// they are given. Nothing here allocates.
#pragma once

#include <cstdint>

#include "render/SavedGlState.h"

class OverlayCanvas {
public:
    // Red, green, blue and opacity, each from 0 to 1.
    struct Colour {
        float red;
        float green;
        float blue;
        float alpha;
    };

    // A canvas over a `width` x `height` viewport at the origin; both must
    // be positive.
    OverlayCanvas(int32_t width, int32_t height);
    ~OverlayCanvas();
    OverlayCanvas(const OverlayCanvas&) = delete;
    OverlayCanvas& operator=(const OverlayCanvas&) = delete;

    void Rectangle(float left, float top, float right, float bottom, const Colour& colour);
    // A four-sided shape through its corners in order around it.
    void Quad(const float (&x)[4], const float (&y)[4], const Colour& colour);
    // `text` with its top left at (left, top), each font pixel `scale`
    // screen pixels square. Characters without a glyph show as '?'.
    void Text(const char* text, int32_t left, int32_t top, int32_t scale, const Colour& colour);

    // The width of `text` drawn at `scale`, up to the end of its last glyph.
    static int32_t TextWidth(const char* text, int32_t scale);

private:
    SavedGlState saved;  // made before the canvas's own set-up, gone after it
};
