// The show's program: wires the platform layer to the show's logic, asks the
// startup question, assembles the demo host and plays it in the run loop.
// It takes no arguments, reads data/ from the working directory and always
// exits with 0.
#include <cstdio>

#include "app/ProgramEntry.h"
#include "app/ProgramObjects.h"
#include "app/RunLoop.h"
#include "app/WindowProcedure.h"
#include "audio/StandInMusicPlayer.h"
#include "demo/DemoHost.h"
#include "demo/FrameHooks.h"
#include "demo/NullLoadingView.h"
#include "platform/sdl/SdlPlatform.h"
#include "textures/TextureFactory.h"

namespace {

// SDL comes up first so that every program-wide object may use it, and goes
// down after the last of them.
struct ProgramWide {
    ProgramWide() { platformStarted = sdl.Start(); }

    SdlSystem sdl;
    bool platformStarted = false;
    SdlGlWindow window;
    Keyboard keyboard;
    StandInMusicPlayer music;
};

ProgramWide programWide;

}  // namespace

WindowSurface& GetWindow() { return programWide.window; }
Keyboard& GetKeyboard() { return programWide.keyboard; }
MusicPlayer& GetMusicPlayer() { return programWide.music; }
RenderToolkit* GetRenderToolkit() { return nullptr; }

int main() {
    SdlMessageBoxes boxes;
    if (!programWide.platformStarted) {
        std::fprintf(stderr, "demo: cannot start SDL: %s\n", SdlSystem::LastError());
        return 0;
    }

    WindowSettings settings;
    settings.fullscreen = AskFullscreen(boxes);
    if (!programWide.window.Create(settings)) {
        std::fprintf(stderr, "demo: cannot open the window: %s\n", SdlSystem::LastError());
    }

    SdlClock clock;
    HeadlessTextureFactory textureFactory;
    NullLoadingViewFactory loadingViews;
    GlFrameHooks frameHooks;
    HostServices services{clock, GetMusicPlayer(), boxes, textureFactory, loadingViews, frameHooks};
    services.toolkit = GetRenderToolkit();

    {
        DemoHost host(services);
        host.SetPassCount(2);

        SdlMessageQueue queue;
        WindowProcedure procedure(GetKeyboard(), GetWindow(), queue);
        RunLoopServices loop{queue, procedure, GetKeyboard(), GetWindow()};
        const int32_t result = Run(host, run_flags::kEscapeEnds, loop);
        ReportRunResult(boxes, result);
    }
    return 0;
}
