// The whole show told each frame's time instead of reading the system
// clock: the real host, the five effects and the loading screen, drawing
// into whatever GL context is current. Each frame is exactly as long as its
// caller says, however long it takes to draw (a play head, time/PlayHead.h,
// draws the frames of a grid), so the same frames come out on every run.
// The capture tool and the golden-frame tests use it.
#pragma once

#include <cstdint>
#include <memory>

#include "audio/MusicPlayer.h"
#include "demo/DemoHost.h"
#include "demo/FrameHooks.h"
#include "demo/LoadingScreen.h"
#include "effects/ShowEffects.h"
#include "platform/MessageBoxes.h"
#include "render/RenderToolkit.h"
#include "render/ViewportSize.h"
#include "render/WindowSurface.h"
#include "textures/gl/GlTextures.h"
#include "time/InstantClock.h"

class OfflineShow {
public:
    OfflineShow(WindowSurface& window, const ViewportSize& viewport, MusicPlayer& music,
                MessageBoxes& boxes, const char* scriptPath = "data/script.txt");
    ~OfflineShow();

    OfflineShow(const OfflineShow&) = delete;
    OfflineShow& operator=(const OfflineShow&) = delete;

    // Starts the show at `startPosition` rather than where the script starts
    // it; call before Init.
    void StartAt(uint32_t startPosition) { host->OverrideStartPosition(startPosition); }

    // The host's start: loading screen, script, effects, music, timeline.
    // False when it fails (the reasons have gone to the message boxes).
    bool Init();

    DemoHost& Host() { return *host; }
    ShowEffects& Effects() { return effects; }

private:
    InstantClock clock;
    GlTextureFactory textureFactory;
    LoadingScreenFactory loadingViews;
    GlFrameHooks frameHooks;
    RenderToolkit toolkit;
    std::unique_ptr<DemoHost> host;
    ShowEffects effects;  // after the host: destroyed before it
    bool initialised = false;
};
