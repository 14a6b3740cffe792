#include "render/TextOverlay.h"

#include <GL/gl.h>

#include <cstring>
#include <initializer_list>

namespace {

int32_t BandWidth(const char* text) {
    const int32_t length = static_cast<int32_t>(std::strlen(text));
    return 2 * TextOverlay::kMargin + length * bitmap_font::kAdvance * TextOverlay::kScale;
}

int32_t LineTop(int32_t index) { return TextOverlay::kMargin + index * TextOverlay::kLineHeight; }

void Rectangle(int32_t left, int32_t top, int32_t right, int32_t bottom) {
    glVertex2i(left, top);
    glVertex2i(right, top);
    glVertex2i(right, bottom);
    glVertex2i(left, bottom);
}

// The glyph's lit pixels, as one rectangle per run of lit columns in a row.
void GlyphRectangles(const uint8_t* rows, int32_t left, int32_t top) {
    constexpr int kScale = TextOverlay::kScale;
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
            Rectangle(left + first * kScale, top + row * kScale, left + column * kScale,
                      top + (row + 1) * kScale);
        }
    }
}

}  // namespace

void TextOverlay::Extent(const Line* lines, int32_t count, int32_t& width, int32_t& height) {
    width = 0;
    height = 0;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t band = BandWidth(lines[i].text);
        if (band > width) width = band;
    }
    if (count > 0) height = LineTop(count - 1) + kLineHeight - kScale;
}

void TextOverlay::Draw(const Line* lines, int32_t count, int32_t width, int32_t height) {
    if (count <= 0 || width <= 0 || height <= 0) return;

    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
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
    glColor4f(0.0f, 0.0f, 0.0f, kBandAlpha);
    for (int32_t i = 0; i < count; ++i) {
        const int32_t top = LineTop(i) - kScale;
        Rectangle(0, top, BandWidth(lines[i].text), top + kLineHeight);
    }
    for (int32_t i = 0; i < count; ++i) {
        glColor4f(lines[i].red, lines[i].green, lines[i].blue, 1.0f);
        int32_t left = kMargin;
        for (const char* c = lines[i].text; *c; ++c, left += bitmap_font::kAdvance * kScale) {
            const uint8_t* rows = bitmap_font::GlyphRows(*c);
            if (!rows) rows = bitmap_font::GlyphRows('?');
            GlyphRectangles(rows, left, LineTop(i));
        }
    }
    glEnd();

    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glPopAttrib();
}
