// The demo host: owns the show's textures and script engine, brings the
// show up behind the loading screen, and runs each frame's render passes
// over the registered effects.
//
// It is the Application that the run loop drives. Effects are registered in
// the order they draw in; the first one is script scene 0.
//
// The live show's run loop calls Frame, which reads the millisecond clock.
// A show told each frame's time instead (the preview, the capture, a
// replay) calls FrameTo, or ReplayFrameTo to play a frame without drawing
// it; time/PlayHead.h brings the show to any frame of a frame grid that way.
#pragma once

#include <array>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>

#include "demo/Application.h"
#include "demo/Effect.h"
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

    // Plays and draws the frame at show time `time`: one frame of
    // `time` - Now() ms (unsigned, as the clock's wrap gives it), as Frame
    // plays the time the clock has moved on. The frame's frame_result.
    int32_t FrameTo(uint32_t time);

    // The same frame without drawing: every effect's Update in every pass,
    // no GL call. True when an effect's drawing in it would have shown what
    // earlier frames drew.
    bool ReplayFrameTo(uint32_t time);

    // Back to the show's start without drawing: the timeline at the start
    // position as Init left it and every effect as its Init left it. The
    // clock and the music are left alone.
    void Rewind();

    // The show time of the last frame played: where the timeline stands.
    uint32_t Now() const { return script.Now(); }

    int32_t EffectCount() const { return effectCount; }
    int32_t PassCount() const { return passCount; }
    ScriptEngine& Script() { return script; }
    TextureRegistry& Textures() { return textures; }

private:
    // Steps the timeline by `dt` and updates the effects pass by pass,
    // drawing with `draw`. Without, true when an effect needs earlier frames.
    bool PlayFrame(uint32_t dt, bool draw);
    int32_t FrameResult() const { return script.IsFinished() ? frame_result::kShowOver : frame_result::kGoOn; }

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
