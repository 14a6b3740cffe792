#include "gl/GlTestContext.h"

#include <cstdlib>

#include "app/GlWindow.h"
#include "platform/ConsoleMessageBoxes.h"
#include "platform/sdl/SdlPlatform.h"
#include "platform/sdl/SdlWindowSystem.h"

namespace {
SdlSystem* sdlSystem = nullptr;
SdlWindowSystem* windowSystem = nullptr;
ConsoleMessageBoxes* boxes = nullptr;
GlWindow* glWindow = nullptr;
}  // namespace

void GlTest::SetUpTestSuite() {
    if (glWindow) return;
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    sdlSystem = new SdlSystem();
    ASSERT_TRUE(sdlSystem->Start()) << SdlSystem::LastError();
    windowSystem = new SdlWindowSystem();
    boxes = new ConsoleMessageBoxes(stderr);
    glWindow = new GlWindow(*windowSystem, *boxes);
    WindowSettings settings;
    settings.width = kWidth;
    settings.height = kHeight;
    ASSERT_TRUE(glWindow->Create(settings)) << SdlSystem::LastError();
}

GlWindow& GlTest::Window() { return *glWindow; }

void GlTest::SetUp() {
    ASSERT_NE(glWindow, nullptr) << "no GL context";
    // Every test starts from GL's initial state as far as it matters here.
    glViewport(0, 0, kWidth, kHeight);
    glLoadIdentity();
    glDisable(GL_BLEND);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glClearColor(0.0f, 0.0f, 0.0f, 0.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

std::array<uint8_t, 4> GlTest::PixelAt(int x, int y) {
    std::array<uint8_t, 4> pixel{};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, pixel.data());
    return pixel;
}
