// The show's program: wires the platform layer to the show's logic, asks the
// startup question, assembles the demo host and plays it in the run loop.
// It takes no arguments, reads data/ from the working directory and always
// exits with 0.
#include <cstdio>
#include <string>

#include "app/GlWindow.h"
#include "app/ProgramEntry.h"
#include "app/ProgramObjects.h"
#include "app/RunLoop.h"
#include "app/WindowProcedure.h"
#include "audio/KaSounds.h"
#include "demo/DemoHost.h"
#include "demo/FrameHooks.h"
#include "demo/LoadingScreen.h"
#include "effects/ShowEffects.h"
#include "platform/sdl/SdlMixerAudio.h"
#include "platform/sdl/SdlPlatform.h"
#include "platform/sdl/SdlWindowSystem.h"
#include "render/RenderToolkit.h"
#include "textures/gl/GlTextures.h"

namespace {

// SDL comes up first so that every program-wide object may use it, and goes
// down after the last of them.
struct ProgramWide {
    SdlSystem sdl;
    bool platformStarted = sdl.Start();
    SdlMessageBoxes boxes;
    SdlWindowSystem windowSystem;
    GlWindow window{windowSystem, boxes};
    Keyboard keyboard;
    SdlMixerAudio audio;
    KaSounds music{audio, boxes};
    // Built before any GL context exists, so its render state takes effect
    // only through the loading screen's own toolkit.
    RenderToolkit toolkit{window};
};

ProgramWide programWide;

}  // namespace

GlWindow& GetWindow() { return programWide.window; }
Keyboard& GetKeyboard() { return programWide.keyboard; }
MusicPlayer& GetMusicPlayer() { return programWide.music; }
RenderToolkit* GetRenderToolkit() { return &programWide.toolkit; }

int main() {
    MessageBoxes& boxes = programWide.boxes;
    if (!programWide.platformStarted) {
        std::fprintf(stderr, "demo: cannot start SDL: %s\n", SdlSystem::LastError());
        return 0;
    }

    WindowSettings settings;
    settings.fullscreen = AskFullscreen(boxes);
    if (!programWide.window.Create(settings)) {
        // Without a window there is nothing to show the show in.
        ShowError(boxes, std::string("Could not open the window: ") + SdlSystem::LastError());
        return 0;
    }

    SdlClock clock;
    GlTextureFactory textureFactory;
    LoadingScreenFactory loadingViews(programWide.window, programWide.window, clock);
    GlFrameHooks frameHooks;
    HostServices services{clock, GetMusicPlayer(), boxes, textureFactory, loadingViews, frameHooks};
    services.toolkit = GetRenderToolkit();

    {
        DemoHost host(services);
        ShowEffects effects;
        effects.RegisterWith(host);

        SdlMessageQueue queue;
        WindowProcedure procedure(GetKeyboard(), GetWindow(), queue);
        RunLoopServices loop{queue, procedure, GetKeyboard(), GetWindow()};
        const int32_t result = Run(host, run_flags::kEscapeEnds, loop);
        ReportRunResult(boxes, result);
    }
    return 0;
}
