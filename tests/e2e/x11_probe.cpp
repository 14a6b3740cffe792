// x11-probe WINDOW: prints the window's size and the mean brightness
// (0 to 255) of what it shows, as "<width> <height> <brightness>", so that
// end-to-end scripts can tell a drawn frame from a black one.
// x11-probe WINDOW X Y W H: the same for the W x H rectangle at (X, Y) from
// the window's top left, followed by its mean red, green and blue.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 2 && argc != 6) {
        std::fprintf(stderr, "usage: x11-probe WINDOW [X Y W H]\n");
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
