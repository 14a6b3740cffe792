#include "demo/LoadingScreen.h"

#include <GL/gl.h>

#include "render/RenderToolkit.h"
#include "textures/TextureRegistry.h"

LoadingScreen::LoadingScreen(WindowSurface& window, const ViewportSize& viewport, Clock& clock)
    : window(window), viewport(viewport), clock(clock) {}

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
        window.Swap();
        clock.Sleep(1);
    }
}

void LoadingScreen::FadeOut() {
    for (float x = 1.0f; x > 0.0f; x -= 0.01f) {
        Draw(x);
        window.Swap();
        clock.Sleep(1);
    }
}

void LoadingScreen::Tick() {
    scale += 0.005f;
    Draw(1.0f);
    window.Swap();
}
