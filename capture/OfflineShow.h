// The whole show told each frame's time instead of reading the system
// clock (show/ShowAssembly.h): the real host, the five effects and the
// loading screen, drawing into whatever GL context is current. Each frame
// is exactly as long as its caller says, however long it takes to draw (a
// play head, time/PlayHead.h, draws the frames of a grid), so the same
// frames come out on every run. The capture tool and the golden-frame tests
// use it.
#pragma once

#include <cstdint>

#include "show/ShowAssembly.h"

class OfflineShow {
public:
    OfflineShow(WindowSurface& window, const ViewportSize& viewport, MusicPlayer& music,
                MessageBoxes& boxes, const char* scriptPath = "data/script.txt");
    // Ends the show when it started.
    ~OfflineShow();

    OfflineShow(const OfflineShow&) = delete;
    OfflineShow& operator=(const OfflineShow&) = delete;

    // Starts the show at `startPosition` rather than where the script starts
    // it; call before Init.
    void StartAt(uint32_t startPosition) { Host().OverrideStartPosition(startPosition); }

    // The host's start: loading screen, script, effects, music, timeline.
    // False when it fails (the reasons have gone to the message boxes).
    bool Init();

    DemoHost& Host() { return show.Host(); }
    ShowEffects& Effects() { return show.Effects(); }

private:
    ShowAssembly show;
    bool initialised = false;
};
