// The show as the preview plays it, for GL tests, without a window system
// of its own: the real host and effects on the test's GL context, against a
// system clock that moves 16 ms a frame, with the HUD over the timeline
// strip, and the window's pixels, textures and GL state read back.
#pragma once

#include <GL/gl.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "app/GlWindow.h"
#include "demo/NullLoadingView.h"
#include "platform/ConsoleMessageBoxes.h"
#include "preview/HudOverlay.h"
#include "preview/OverlayStack.h"
#include "preview/PreviewMusic.h"
#include "preview/PreviewSession.h"
#include "preview/PreviewShow.h"
#include "preview/ScriptReloader.h"
#include "preview/TimelineStrip.h"
#include "render/HeldPicture.h"
#include "render/Multisampling.h"
#include "show/ShowAssembly.h"
#include "support/Doubles.h"

class SilentMusic : public PreviewMusic {
public:
    bool IsPlaying() override { return false; }
    int64_t PositionMilliseconds() override { return -1; }
    void Pause() override {}
    void PlayFrom(uint32_t) override {}
};

// Music that is a steady tone for its first ten seconds, the same tone 6 dB
// quieter for the next ten, then silence.
class ToneDecoder : public SoundDecoder {
public:
    bool DecodeFile(const char* path, SoundSink& sink, std::string& problem) override;
};

// The preview of a script (data/script.txt by default), from the working
// folder.
class PreviewStack {
public:
    explicit PreviewStack(GlWindow& window, const char* scriptPath = "data/script.txt");
    ~PreviewStack();

    bool Start(uint32_t at);
    // One frame: the session's, the host's (or, paused, the frame held)
    // and, with `withOverlays`, the timeline strip and the HUD as the keys
    // left them.
    void Frame(bool withOverlays);

    ManualClock systemClock;
    RecordingMusicPlayer music;
    SilentMusic previewMusic;
    ConsoleMessageBoxes messages{nullptr};
    NullLoadingViewFactory loadingViews;
    ToneDecoder decoder;
    // What the preview found wrong at its start; shown until a reload.
    std::vector<std::string> startupFindings;
    ShowAssembly assembly;
    DemoHost* host;
    std::unique_ptr<ScriptReloader> reloader;
    std::unique_ptr<PreviewSession> session;
    HeldPicture held;
    GlMultisampling multisampling;
    std::unique_ptr<PreviewShow> show;  // the host as the preview's loop draws it
    std::unique_ptr<HudOverlay> hud;
    std::unique_ptr<TimelineStrip> timeline;
    std::unique_ptr<OverlayStack> overlays;
    bool started = false;
};

// The window's 800 x 600 RGBA pixels, bottom row first.
std::vector<uint8_t> ReadWindowPixels();
// The RGBA texels of level 0 of a texture.
std::vector<uint8_t> ReadTexture(Texture* texture);
// The GL state that overlays must leave as they found it: matrices, colour,
// viewport, matrix mode, texture binding, blending, polygon mode and the
// capabilities the show switches.
std::vector<float> GlStateSnapshot();
// Sets every part of that state to something other than its default.
void SetUnusualGlState();
