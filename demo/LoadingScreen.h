// The loading screen: one picture, faded in from black, grown a little with
// every script line read, and faded out once the show is ready. It draws and
// swaps the buffers itself, since the run loop has not started yet. While
// the script is read it shows the grown picture at most once per display
// refresh (a swap waits for one), and once more after the last line.
#pragma once

#include <memory>

#include "demo/DemoHost.h"
#include "demo/LoadingView.h"
#include "platform/Clock.h"
#include "render/ViewportSize.h"
#include "render/WindowSurface.h"
#include "textures/gl/GlTextures.h"

class LoadingScreen : public LoadingView {
public:
    LoadingScreen(WindowSurface& window, const ViewportSize& viewport, Clock& clock);

    // Loads the picture, clamped at its edges. The result is the texture's.
    bool Load(const char* path) override;
    // 101 frames from black to full brightness, 1 ms apart.
    void FadeIn() override;
    // 101 frames from full brightness to black, 1 ms apart.
    void FadeOut() override;
    // Grows the picture by 0.005 of its size, and shows it at full
    // brightness when a display refresh has passed since the last frame.
    void Tick() override;
    // Shows the picture at its final size, unless the last frame did.
    void Finish() override;
    // Draws one frame at brightness `brightness` (0 to 1) into the back
    // buffer, without swapping.
    void Draw(float brightness);

    float Scale() const { return scale; }

private:
    // Swaps, and notes when.
    void Present();

    WindowSurface& window;
    const ViewportSize& viewport;
    Clock& clock;
    int32_t refreshRate;  // frames a second
    std::unique_ptr<ImageTexture> picture;
    float scale = 0.25f;
    bool presented = false;
    uint32_t presentedAt = 0;  // clock reading after the last swap
    bool grownSinceFrame = false;
};

class LoadingScreenFactory : public LoadingViewFactory {
public:
    LoadingScreenFactory(WindowSurface& window, const ViewportSize& viewport, Clock& clock)
        : window(window), viewport(viewport), clock(clock) {}
    std::unique_ptr<LoadingView> NewLoadingView() override {
        return std::make_unique<LoadingScreen>(window, viewport, clock);
    }

private:
    WindowSurface& window;
    const ViewportSize& viewport;
    Clock& clock;
};
