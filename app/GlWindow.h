// The show's window and its OpenGL context.
//
// Opens the window (full screen when asked and the display allows it), picks
// the pixel format, re-creates the window with a 4- or 2-sample format when
// the driver offers one, keeps the viewport the largest 4:3 rectangle in the
// lower-left corner of the client area, swaps the buffers, and tears it all
// down in a fixed order, telling the user about every step that fails.
#pragma once

#include <cstdint>

#include "app/WindowSettings.h"
#include "platform/MessageBoxes.h"
#include "platform/WindowSystem.h"
#include "render/ViewportSize.h"
#include "render/WindowSurface.h"

class GlWindow : public WindowSurface, public ViewportSize {
public:
    GlWindow(WindowSystem& system, MessageBoxes& boxes);
    ~GlWindow() override;

    GlWindow(const GlWindow&) = delete;
    GlWindow& operator=(const GlWindow&) = delete;

    // True when the window is open with a current OpenGL context.
    bool Create(const WindowSettings& settings);
    // Tears everything down; does nothing when nothing is up. Always true.
    bool Kill();
    void Resize(int32_t width, int32_t height) override;
    void Swap() override;
    int32_t RefreshRate() override;

    int32_t GetViewportWidth() const override { return viewportWidth; }
    int32_t GetViewportHeight() const override { return viewportHeight; }

    // True when the windowing system's extension list, or without one the
    // OpenGL list, names `name` as a whole word.
    bool HasExtension(const char* name);
    // Looks for a 4-sample, then a 2-sample format.
    bool FindMultisampleFormat();

    bool IsFullscreen() const { return fullscreen; }
    bool IsActive() const { return active; }
    bool IsMultisampleReady() const { return multisampleReady; }
    int32_t MultisampleFormat() const { return multisampleFormat; }

private:
    WindowSystem& system;
    MessageBoxes& boxes;
    bool hasDeviceContext = false;
    bool hasContext = false;
    bool hasWindow = false;
    bool fullscreen = false;
    bool active = false;
    bool multisampleReady = false;
    int32_t multisampleFormat = 0;
    DisplayModeRequest displayMode{};
    int32_t viewportWidth = 0;
    int32_t viewportHeight = 0;
    float aspect = 4.0f / 3.0f;
};

// Whether `list`, a space-separated list, holds `name` as a whole word.
bool ExtensionListHas(const char* list, const char* name);
