// x11-probe WINDOW: prints the window's size and the mean brightness
// (0 to 255) of what it shows, as "<width> <height> <brightness>", so that
// end-to-end scripts can tell a drawn frame from a black one.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: x11-probe WINDOW\n");
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
    XImage* image = XGetImage(display, window, 0, 0, static_cast<unsigned>(attributes.width),
                              static_cast<unsigned>(attributes.height), AllPlanes, ZPixmap);
    if (!image) {
        std::fprintf(stderr, "x11-probe: cannot read the window\n");
        return 1;
    }
    double sum = 0;
    for (int y = 0; y < attributes.height; ++y) {
        for (int x = 0; x < attributes.width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            sum += ((pixel >> 16) & 0xFF) + ((pixel >> 8) & 0xFF) + (pixel & 0xFF);
        }
    }
    const double pixels = static_cast<double>(attributes.width) * attributes.height;
    std::printf("%d %d %.1f\n", attributes.width, attributes.height, sum / (3.0 * pixels));
    XDestroyImage(image);
    XCloseDisplay(display);
    return 0;
}
