// x11-probe WINDOW: prints the window's size and the mean brightness
// (0 to 255) of what it shows, as "<width> <height> <brightness>", so that
// end-to-end scripts can tell a drawn frame from a black one.
// x11-probe WINDOW X Y W H: the same for the W x H rectangle at (X, Y) from
// the window's top left, followed by its mean red, green and blue.
// x11-probe WINDOW text: prints the lines of overlay text that the window
// shows (the preview's HUD), read back from its pixels, one per line and
// top first; lines in the error colour start with "! ", lines in the
// warning colour with "? ". End-to-end scripts
// wait on what the HUD says instead of on how long things usually take.
// x11-probe WINDOW cursor: prints "hidden" when the pointer is over the
// window and the cursor there has no visible pixel (the show hides it in
// full screen), "shown" otherwise.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "preview/HudOverlay.h"
#include "render/BitmapFont.h"
#include "render/TextOverlay.h"

namespace {

// The colours the preview's HUD writes in, as 8-bit red, green and blue:
// information and errors.
struct TextColour {
    int red;
    int green;
    int blue;
};
constexpr int ToByte(float level) { return static_cast<int>(level * 255.0f + 0.5f); }
constexpr TextColour ColourOf(const HudOverlay::Ink& ink) {
    return {ToByte(ink.red), ToByte(ink.green), ToByte(ink.blue)};
}
constexpr TextColour kInfoColour = ColourOf(HudOverlay::kInfoInk);
constexpr TextColour kErrorColour = ColourOf(HudOverlay::kErrorInk);
constexpr TextColour kWarningColour = ColourOf(HudOverlay::kWarningInk);

enum class Ink { Blank, Info, Error, Warning };

Ink InkAt(XImage* image, int x, int y) {
    const unsigned long pixel = XGetPixel(image, x, y);
    const int red = static_cast<int>((pixel >> 16) & 0xFF);
    const int green = static_cast<int>((pixel >> 8) & 0xFF);
    const int blue = static_cast<int>(pixel & 0xFF);
    const auto near = [&](const TextColour& colour) {
        return std::abs(red - colour.red) <= 2 && std::abs(green - colour.green) <= 2 &&
               std::abs(blue - colour.blue) <= 2;
    };
    if (near(kInfoColour)) return Ink::Info;
    if (near(kErrorColour)) return Ink::Error;
    if (near(kWarningColour)) return Ink::Warning;
    return Ink::Blank;
}

// Reads the character cell whose top left is (left, top): its character
// and ink, ' ' for a cell with no ink, 0 for one that is no glyph (past the
// end of the text, over the show's own picture).
char ReadCell(XImage* image, int left, int top, Ink& ink) {
    constexpr int kScale = TextOverlay::kScale;
    uint8_t rows[bitmap_font::kGlyphHeight] = {};
    ink = Ink::Blank;
    for (int row = 0; row < bitmap_font::kGlyphHeight; ++row) {
        for (int column = 0; column < bitmap_font::kGlyphWidth; ++column) {
            // A font pixel is a kScale x kScale block, all of one ink.
            const Ink first = InkAt(image, left + column * kScale, top + row * kScale);
            for (int dy = 0; dy < kScale; ++dy) {
                for (int dx = 0; dx < kScale; ++dx) {
                    if (InkAt(image, left + column * kScale + dx, top + row * kScale + dy) != first) {
                        return 0;
                    }
                }
            }
            if (first == Ink::Blank) continue;
            if (ink != Ink::Blank && ink != first) return 0;
            ink = first;
            rows[row] |= static_cast<uint8_t>(0x10 >> column);
        }
    }
    if (ink == Ink::Blank) return ' ';
    for (char c = ' '; c <= '~'; ++c) {
        if (std::memcmp(bitmap_font::GlyphRows(c), rows, sizeof rows) == 0) return c;
    }
    return 0;
}

// The text of the overlay line at `index`, without trailing spaces; error
// lines start with "! ", warnings with "? ".
std::string ReadLine(XImage* image, int width, int index) {
    const int top = TextOverlay::kMargin + index * TextOverlay::kLineHeight;
    std::string text;
    Ink lineInk = Ink::Blank;
    for (int left = TextOverlay::kMargin;
         left + bitmap_font::kGlyphWidth * TextOverlay::kScale <= width;
         left += bitmap_font::kAdvance * TextOverlay::kScale) {
        Ink ink = Ink::Blank;
        const char c = ReadCell(image, left, top, ink);
        if (c == 0) break;
        if (ink != Ink::Blank) {
            if (lineInk != Ink::Blank && ink != lineInk) break;
            lineInk = ink;
        }
        text += c;
    }
    text.erase(text.find_last_not_of(' ') + 1);
    if (!text.empty() && lineInk == Ink::Error) text.insert(0, "! ");
    if (!text.empty() && lineInk == Ink::Warning) text.insert(0, "? ");
    return text;
}

void PrintText(XImage* image, int width, int height) {
    const int glyphHeight = bitmap_font::kGlyphHeight * TextOverlay::kScale;
    for (int index = 0; TextOverlay::kMargin + index * TextOverlay::kLineHeight + glyphHeight <= height;
         ++index) {
        const std::string line = ReadLine(image, width, index);
        if (!line.empty()) std::printf("%s\n", line.c_str());
    }
}

// Whether the pointer is over `window` with a cursor that shows nothing.
bool CursorHiddenOver(Display* display, Window window) {
    Window root = 0, child = 0;
    int rootX = 0, rootY = 0, x = 0, y = 0;
    unsigned int buttons = 0;
    XWindowAttributes attributes;
    if (!XQueryPointer(display, window, &root, &child, &rootX, &rootY, &x, &y, &buttons) ||
        !XGetWindowAttributes(display, window, &attributes) || x < 0 || y < 0 ||
        x >= attributes.width || y >= attributes.height) {
        return false;
    }
    int eventBase = 0, errorBase = 0, major = 6, minor = 0;
    if (!XFixesQueryExtension(display, &eventBase, &errorBase) ||
        !XFixesQueryVersion(display, &major, &minor)) {
        return false;
    }
    XFixesCursorImage* cursor = XFixesGetCursorImage(display);
    if (!cursor) return false;
    bool visible = false;
    for (int i = 0; i < cursor->width * cursor->height; ++i) {
        if (cursor->pixels[i] >> 24) visible = true;
    }
    XFree(cursor);
    return !visible;
}

}  // namespace

int main(int argc, char** argv) {
    const bool text = argc == 3 && std::strcmp(argv[2], "text") == 0;
    const bool cursor = argc == 3 && std::strcmp(argv[2], "cursor") == 0;
    if (argc != 2 && argc != 6 && !text && !cursor) {
        std::fprintf(stderr, "usage: x11-probe WINDOW [X Y W H | text | cursor]\n");
        return 2;
    }
    Display* display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "x11-probe: no display\n");
        return 1;
    }
    const Window window = static_cast<Window>(std::strtoul(argv[1], nullptr, 0));
    XWindowAttributes attributes;
    if (!XGetWindowAttributes(display, window, &attributes)) {
        std::fprintf(stderr, "x11-probe: no such window\n");
        return 1;
    }
    if (cursor) {
        std::printf("%s\n", CursorHiddenOver(display, window) ? "hidden" : "shown");
        XCloseDisplay(display);
        return 0;
    }
    int left = 0, top = 0, width = attributes.width, height = attributes.height;
    const bool region = argc == 6;
    if (region) {
        left = std::atoi(argv[2]);
        top = std::atoi(argv[3]);
        width = std::atoi(argv[4]);
        height = std::atoi(argv[5]);
        if (left < 0 || top < 0 || width <= 0 || height <= 0 || left + width > attributes.width ||
            top + height > attributes.height) {
            std::fprintf(stderr, "x11-probe: the rectangle is not inside the window\n");
            return 2;
        }
    }
    XImage* image = XGetImage(display, window, left, top, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (!image) {
        std::fprintf(stderr, "x11-probe: cannot read the window\n");
        return 1;
    }
    if (text) {
        PrintText(image, width, height);
        XDestroyImage(image);
        XCloseDisplay(display);
        return 0;
    }
    double red = 0, green = 0, blue = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            red += (pixel >> 16) & 0xFF;
            green += (pixel >> 8) & 0xFF;
            blue += pixel & 0xFF;
        }
    }
    const double pixels = static_cast<double>(width) * height;
    if (region) {
        std::printf("%d %d %.1f %.1f %.1f %.1f\n", attributes.width, attributes.height,
                    (red + green + blue) / (3.0 * pixels), red / pixels, green / pixels, blue / pixels);
    } else {
        std::printf("%d %d %.1f\n", attributes.width, attributes.height,
                    (red + green + blue) / (3.0 * pixels));
    }
    XDestroyImage(image);
    XCloseDisplay(display);
    return 0;
}
