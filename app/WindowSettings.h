// The window that the program entry asks for.
#pragma once

#include <cstdint>
#include <string>

struct WindowSettings {
    std::string title = "Demo";
    int32_t width = 800;
    int32_t height = 600;
    int32_t bits = 32;  // colour bits per pixel
    bool fullscreen = false;
};
