#include "demo/LoadingScreen.h"

#include <GL/gl.h>

#include "render/RenderToolkit.h"
#include "textures/TextureRegistry.h"

namespace {

// The refresh rate assumed where the platform cannot tell.
constexpr int32_t kDefaultRefreshRate = 60;

}  // namespace

LoadingScreen::LoadingScreen(WindowSurface& window, const ViewportSize& viewport, Clock& clock)
    : window(window), viewport(viewport), clock(clock), refreshRate(window.RefreshRate()) {
    if (refreshRate <= 0) refreshRate = kDefaultRefreshRate;
}

bool LoadingScreen::Load(const char* path) {
    picture = std::make_unique<ImageTexture>();
    return picture->Load(path, kWrapClamp);
}

void LoadingScreen::Draw(float brightness) {
    // A toolkit of its own: its construction sets the render state that the
    // whole show then runs with.
    RenderToolkit toolkit(viewport);
    glPushMatrix();
    toolkit.Clear(brightness, brightness, brightness);
    toolkit.BeginOrtho();
    toolkit.ResetBlend();
    glColor3f(brightness, brightness, brightness);
    if (picture) toolkit.DrawCentered(*picture, scale);
    toolkit.EndOrtho();
    glPopMatrix();
}

void LoadingScreen::FadeIn() {
    // Float steps of 0.01 never reach 1.0 exactly: 101 frames, the last at
    // 0.9999993.
    for (float x = 0.0f; x <= 1.0f; x += 0.01f) {
        Draw(x);
        Present();
        clock.Sleep(1);
    }
}

void LoadingScreen::FadeOut() {
    for (float x = 1.0f; x > 0.0f; x -= 0.01f) {
        Draw(x);
        Present();
        clock.Sleep(1);
    }
}

void LoadingScreen::Tick() {
    scale += 0.005f;
    grownSinceFrame = true;
    // A frame each line would wait for a display refresh each line.
    const uint64_t sinceLastFrame = clock.Milliseconds() - presentedAt;
    if (presented && sinceLastFrame * static_cast<uint64_t>(refreshRate) < 1000) return;
    Draw(1.0f);
    Present();
}

void LoadingScreen::Finish() {
    if (!grownSinceFrame) return;
    Draw(1.0f);
    Present();
}

void LoadingScreen::Present() {
    window.Swap();
    presented = true;
    presentedAt = clock.Milliseconds();
    grownSinceFrame = false;
}
