// Lines of text in the bitmap font drawn over a finished frame, such as the
// preview's HUD: each line on a darkened band as long as its text, from the
// top left of the viewport, in whole screen pixels.
//
// Drawing leaves every piece of GL state as it found it
// (render/OverlayCanvas.h).
#pragma once

#include <cstdint>

#include "render/BitmapFont.h"

class TextOverlay {
public:
    struct Line {
        const char* text;
        float red;
        float green;
        float blue;
    };

    static constexpr int kScale = 2;   // screen pixels per font pixel
    static constexpr int kMargin = 4;  // around the text, in screen pixels
    static constexpr int kLineHeight = (bitmap_font::kGlyphHeight + 3) * kScale;
    // How dark a band makes what lies under it: its alpha.
    static constexpr float kBandAlpha = 0.6f;

    // Draws `count` lines in a `width` x `height` viewport at the origin.
    // Characters without a glyph show as '?'.
    static void Draw(const Line* lines, int32_t count, int32_t width, int32_t height);

    // The part of the viewport, from its top left, that Draw changes.
    static void Extent(const Line* lines, int32_t count, int32_t& width, int32_t& height);
};
