// The show put together in one place: the texture factory, the loading
// screen, the render toolkit, the demo host with its script and music, and
// the five effects registered in their order with two passes a frame, all
// drawing into one window's GL context. The show's program, the preview,
// the capture, the start-up benchmark and the GL tests build the show here
// and differ only in what their ShowSetup says.
#pragma once

#include <cstdio>
#include <memory>

#include "audio/MusicPlayer.h"
#include "demo/DemoHost.h"
#include "demo/FrameHooks.h"
#include "effects/ShowEffects.h"
#include "platform/Clock.h"
#include "platform/MessageBoxes.h"
#include "render/RenderToolkit.h"
#include "render/ViewportSize.h"
#include "render/WindowSurface.h"
#include "textures/gl/GlTextures.h"
#include "time/InstantClock.h"

struct ShowSetup {
    WindowSurface& window;         // where the loading screen is shown
    const ViewportSize& viewport;  // the window's size as drawing sees it
    MusicPlayer& music;
    MessageBoxes& boxes;
    // The system's millisecond clock, for a show that someone watches load:
    // the loading screen fades by it. Null: the loading screen's fades pass
    // at once.
    Clock* systemClock = nullptr;
    // A live show reads the system clock every frame (DemoHost::Frame) and
    // waits by it before its first frame. Any other show is told each
    // frame's time (DemoHost::FrameTo) and waits for nothing.
    bool live = false;
    const char* scriptPath = "data/script.txt";
    // When false, a script with errors plays the lines that read cleanly.
    bool stopOnScriptErrors = true;
    // Where the host says in FILE:LINE: form why the show could not start;
    // null for nowhere.
    std::FILE* problems = nullptr;
    // The render toolkit to hand the effects; null: one of the show's own.
    RenderToolkit* toolkit = nullptr;
    // What shows the show loading; null: the loading screen on `window`.
    LoadingViewFactory* loadingViews = nullptr;
};

class ShowAssembly {
public:
    explicit ShowAssembly(const ShowSetup& setup);

    ShowAssembly(const ShowAssembly&) = delete;
    ShowAssembly& operator=(const ShowAssembly&) = delete;

    DemoHost& Host() { return *host; }
    ShowEffects& Effects() { return effects; }

private:
    InstantClock instantClock;
    GlTextureFactory textureFactory;
    GlFrameHooks frameHooks;
    std::unique_ptr<RenderToolkit> ownToolkit;
    std::unique_ptr<LoadingViewFactory> ownLoadingViews;
    std::unique_ptr<DemoHost> host;
    ShowEffects effects;  // after the host: destroyed before it
};
