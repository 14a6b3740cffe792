#include "render/OverlayCanvas.h"

#include <GL/gl.h>

#include <cstring>
#include <initializer_list>

#include "render/BitmapFont.h"

namespace {

void Corners(float left, float top, float right, float bottom) {
    glVertex2f(left, top);
    glVertex2f(right, top);
    glVertex2f(right, bottom);
    glVertex2f(left, bottom);
}

// The glyph's lit pixels, as one rectangle per run of lit columns in a row.
void GlyphRectangles(const uint8_t* rows, int32_t left, int32_t top, int32_t scale) {
    for (int row = 0; row < bitmap_font::kGlyphHeight; ++row) {
        int column = 0;
        while (column < bitmap_font::kGlyphWidth) {
            const auto lit = [&](int c) { return (rows[row] & (0x10 >> c)) != 0; };
            if (!lit(column)) {
                ++column;
                continue;
            }
            const int first = column;
            while (column < bitmap_font::kGlyphWidth && lit(column)) ++column;
            Corners(static_cast<float>(left + first * scale), static_cast<float>(top + row * scale),
                    static_cast<float>(left + column * scale), static_cast<float>(top + (row + 1) * scale));
        }
    }
}

}  // namespace

OverlayCanvas::OverlayCanvas(int32_t width, int32_t height) {
    // Screen pixels with y down from the viewport's top edge.
    glOrtho(0.0, width, height, 0.0, -1.0, 1.0);
    glViewport(0, 0, width, height);

    for (const GLenum capability :
         {GL_TEXTURE_1D, GL_TEXTURE_2D, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R,
          GL_TEXTURE_GEN_Q, GL_DEPTH_TEST, GL_LIGHTING, GL_FOG, GL_CULL_FACE, GL_ALPHA_TEST,
          GL_STENCIL_TEST, GL_SCISSOR_TEST, GL_COLOR_LOGIC_OP, GL_POLYGON_STIPPLE}) {
        glDisable(capability);
    }
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glBegin(GL_QUADS);
}

OverlayCanvas::~OverlayCanvas() { glEnd(); }  // `saved` then puts the state back

void OverlayCanvas::Rectangle(float left, float top, float right, float bottom, const Colour& colour) {
    glColor4f(colour.red, colour.green, colour.blue, colour.alpha);
    Corners(left, top, right, bottom);
}

void OverlayCanvas::Quad(const float (&x)[4], const float (&y)[4], const Colour& colour) {
    glColor4f(colour.red, colour.green, colour.blue, colour.alpha);
    for (int i = 0; i < 4; ++i) glVertex2f(x[i], y[i]);
}

void OverlayCanvas::Text(const char* text, int32_t left, int32_t top, int32_t scale, const Colour& colour) {
    glColor4f(colour.red, colour.green, colour.blue, colour.alpha);
    for (const char* c = text; *c; ++c, left += bitmap_font::kAdvance * scale) {
        const uint8_t* rows = bitmap_font::GlyphRows(*c);
        if (!rows) rows = bitmap_font::GlyphRows('?');
        GlyphRectangles(rows, left, top, scale);
    }
}

int32_t OverlayCanvas::TextWidth(const char* text, int32_t scale) {
    const int32_t length = static_cast<int32_t>(std::strlen(text));
    if (length == 0) return 0;
    return ((length - 1) * bitmap_font::kAdvance + bitmap_font::kGlyphWidth) * scale;
}
