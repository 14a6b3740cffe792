// A 5 x 7 bitmap font of printable ASCII, the show's own: the picture
// generator letters the cards with it and the preview's HUD writes with it.
// No GL here; render/TextOverlay.h draws it.
#pragma once

#include <cstdint>

namespace bitmap_font {

constexpr int kGlyphWidth = 5;
constexpr int kGlyphHeight = 7;
// Glyph width plus the gap to the next one.
constexpr int kAdvance = 6;

// The seven rows of `c`, top row first, each five bits with the leftmost
// column in bit 4 (0x10); null for a character without a glyph (anything
// outside space to '~'). Space is a glyph with no bits set.
const uint8_t* GlyphRows(char c);

}  // namespace bitmap_font
