#include "render/TextOverlay.h"

#include <cstring>

#include "render/OverlayCanvas.h"

namespace {

int32_t BandWidth(const char* text) {
    const int32_t length = static_cast<int32_t>(std::strlen(text));
    return 2 * TextOverlay::kMargin + length * bitmap_font::kAdvance * TextOverlay::kScale;
}

int32_t LineTop(int32_t index) { return TextOverlay::kMargin + index * TextOverlay::kLineHeight; }

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

    OverlayCanvas canvas(width, height);
    for (int32_t i = 0; i < count; ++i) {
        const int32_t top = LineTop(i) - kScale;
        canvas.Rectangle(0.0f, static_cast<float>(top), static_cast<float>(BandWidth(lines[i].text)),
                         static_cast<float>(top + kLineHeight), {0.0f, 0.0f, 0.0f, kBandAlpha});
    }
    for (int32_t i = 0; i < count; ++i) {
        canvas.Text(lines[i].text, kMargin, LineTop(i), kScale, {lines[i].red, lines[i].green, lines[i].blue, 1.0f});
    }
}
