// The demo host: owns the show's textures and script engine, brings the
// show up behind the loading screen, and runs each frame's render passes
// over the registered effects.
//
// It is the Application that the run loop drives. Effects are registered in
// the order they draw in; the first one is script scene 0.
//
// Besides playing, it can bring the show to any frame of a frame grid as if
// it had played there from the start (PlayUpTo): the timeline and every
// effect are replayed without drawing, and only the last few frames before
// it are drawn, for what the picture carries from frame to frame.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "demo/Application.h"
#include "demo/Effect.h"
#include "demo/FrameGrid.h"
#include "script/LoadProgress.h"
#include "script/ScriptEngine.h"
#include "textures/TextureRegistry.h"

class Clock;
class FrameHooks;
class LoadingView;
class MessageBoxes;
class MusicPlayer;
class RenderToolkit;
class TextureFactory;

// Makes the loading screen that lives while the host initialises.
class LoadingViewFactory {
public:
    virtual ~LoadingViewFactory() = default;
    virtual std::unique_ptr<LoadingView> NewLoadingView() = 0;
};

// What the host works with, all owned elsewhere and outliving the host.
struct HostServices {
    Clock& clock;
    MusicPlayer& music;
    MessageBoxes& boxes;
    TextureFactory& textureFactory;
    LoadingViewFactory& loadingViews;
    FrameHooks& frameHooks;
    RenderToolkit* toolkit = nullptr;
    const char* scriptPath = "data/script.txt";
    // When false, a script that reported errors still starts with the lines
    // that read cleanly; for the preview, which shows the errors itself.
    bool stopOnScriptErrors = true;
    const char* loadingPicturePath = kLoadingPicturePath;
    // Where the host tells the show's author, in FILE:LINE: form, about the
    // files the script names that could not be loaded and about why a start
    // failed; null to tell nobody. The boxes stay as they are.
    std::FILE* problems = nullptr;
};

class DemoHost : public Application {
public:
    static constexpr int kMaxEffects = 64;
    static constexpr uint32_t kReadyPause = 1000;  // ms between effects ready and fade-out

    explicit DemoHost(const HostServices& services);
    virtual ~DemoHost() = default;

    DemoHost(const DemoHost&) = delete;
    DemoHost& operator=(const DemoHost&) = delete;

    // Appends `effect`; a 65th and later effect, and a null one, are ignored.
    void AddEffect(Effect* effect);
    void SetPassCount(int32_t count) { passCount = count; }
    // Starts the show at `milliseconds`, as a Goto there would, whatever the
    // script says. For tools that play a part of the show.
    void OverrideStartPosition(uint32_t milliseconds) {
        startOverride = milliseconds;
        hasStartOverride = true;
    }

    int32_t Init() override;
    int32_t Frame() override;
    int32_t Uninit() override;

    // Why the last Init failed, for the show's author (e.g. "the picture
    // effect needs the picture 'pic3', which the script does not load");
    // empty when it did not.
    const std::string& InitProblem() const { return initProblem; }

    // How many frames PlayUpTo draws at most before the frame it leads to:
    // kLeadInSpan of show time, and no fewer than kFewestLeadInFrames. The
    // swarm reflects the previous frame's picture, which holds the swarm of
    // the frame before, and so on. Mostly a copy reflects nothing of the
    // copies before, but where copies reflect copies, what came before
    // shows for as long as they stay so placed: in the shipped show at
    // most 8 frames at 60 fps (133 ms) and 5 at 30 fps (167 ms).
    static constexpr uint32_t kLeadInSpan = 250;  // ms
    static constexpr uint64_t kFewestLeadInFrames = 4;
    static uint64_t MostLeadInFrames(const FrameGrid& grid) {
        const uint64_t frames = (uint64_t{kLeadInSpan} * grid.Fps() + 999) / 1000;
        return frames > kFewestLeadInFrames ? frames : kFewestLeadInFrames;
    }

    // Brings the started show to just before frame `frame` of `grid` (whose
    // origin is the script's start position), exactly as playing every
    // frame of the grid from the start would have left it: the timeline and
    // every effect are rewound and replayed without drawing, and then the
    // frames that the next frame's picture still shows are drawn (not for
    // showing). Those are the frames from the last one that drew nothing
    // from earlier frames, at most MostLeadInFrames. The next Frame, with
    // the clock moved on by grid.StepTo(frame), draws frame `frame`. The
    // clock and the music are left alone.
    void PlayUpTo(const FrameGrid& grid, uint64_t frame);

    // PlayUpTo's part without GL: rewinds and replays the frames before
    // `frame` up to the first that is to be drawn, and returns that one.
    uint64_t ReplayLeadingUpTo(const FrameGrid& grid, uint64_t frame);

    // Back to the show's start without drawing: the timeline at the start
    // position as Start left it and every effect as its Init left it. The
    // clock and the music are left alone.
    void Rewind();

    // Plays one frame of `dt` ms as Frame does, every effect's Update in
    // every pass, but draws nothing and makes no GL call. True when an
    // effect's drawing in it would have shown what earlier frames drew.
    bool ReplayFrame(uint32_t dt);

    int32_t EffectCount() const { return effectCount; }
    int32_t PassCount() const { return passCount; }
    ScriptEngine& Script() { return script; }
    TextureRegistry& Textures() { return textures; }

private:
    // Steps the timeline and updates the effects pass by pass, drawing with
    // `draw`. Without, true when an effect needs earlier frames.
    bool PlayFrame(uint32_t dt, bool draw);

    HostServices services;
    std::array<Effect*, kMaxEffects> effects{};
    TextureRegistry textures;
    ScriptEngine script;
    uint32_t lastTime = 0;
    int32_t effectCount = 0;
    int32_t passCount = 0;
    uint32_t startOverride = 0;
    bool hasStartOverride = false;
    std::string initProblem;

    // Writes one finding about the script to services.problems.
    void TellProblem(int32_t line, std::string_view text);
};
