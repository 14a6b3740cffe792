#include "preview/PreviewSession.h"

#include <cmath>
#include <cstdlib>

#include "demo/DemoHost.h"
#include "platform/Clock.h"
#include "platform/Messages.h"
#include "preview/PreviewMusic.h"
#include "preview/ScriptReloader.h"
#include "render/Multisampling.h"
#include "scenes/ShowScenes.h"
#include "script/ScriptEngine.h"

PreviewSession::PreviewSession(const PreviewServices& services)
    : services(services), playHead(services.host, kGridFps) {}

ScriptEngine& PreviewSession::Script() const { return services.host.Script(); }

uint32_t PreviewSession::ShowTime() const {
    return seekPending || refining ? playHead.Grid().TimeOf(seekFrame) : Script().Now();
}

PreviewWork PreviewSession::Work() const {
    if (changesWaiting) return PreviewWork::Reload;
    return seekPending ? PreviewWork::Seek : PreviewWork::None;
}

void PreviewSession::Begin() {
    static const std::vector<std::string> kNoProblems;
    services.reloader.Watch(Script(),
                            services.startupProblems ? *services.startupProblems : kNoProblems);
    const uint32_t system = services.systemClock.Milliseconds();
    keeper.Reset(Script().Now(), system);
    frameTime = Script().Now();
    lastPoll = system;
    lastFrame = system;
    fpsWindowStart = system;
    frameRequested = true;
}

bool PreviewSession::AtEnd() const {
    const uint32_t end = Script().EndTime();
    return end != NO_TIME && ShowTime() >= end;
}

uint32_t PreviewSession::LastTime() const {
    const uint32_t end = Script().EndTime();
    return end == NO_TIME ? NO_TIME - 1 : end;
}

uint32_t PreviewSession::BarAt(uint32_t milliseconds) const {
    const double bar = Script().BarLength();
    return bar > 0.0 ? static_cast<uint32_t>(std::floor(milliseconds / bar)) : 0;
}

uint32_t PreviewSession::BarTime(uint32_t bar) const {
    const double time = std::round(bar * Script().BarLength());
    return time >= static_cast<double>(LastTime()) ? LastTime() : static_cast<uint32_t>(time);
}

void PreviewSession::KeyPressed(int32_t key) {
    if (key >= '0' && key <= '9') {
        const uint32_t system = services.systemClock.Milliseconds();
        if (typedDigits > 0 && system - lastDigitTime >= kTypingPause) typedDigits = 0;
        lastDigitTime = system;
        if (typedDigits < kMaxBarDigits) {
            typedBar[typedDigits++] = static_cast<char>(key);
            typedBar[typedDigits] = '\0';
        }
        if (key - '0' < kShowSceneCount) selectedScene = key - '0';
        return;
    }
    if (key == vk::kReturn) {
        if (typedDigits > 0) SeekTo(BarTime(static_cast<uint32_t>(std::atoi(typedBar))));
        typedDigits = 0;
        typedBar[0] = '\0';
        return;
    }
    // Any other key drops a bar number half typed.
    typedDigits = 0;
    typedBar[0] = '\0';

    switch (key) {
        case vk::kSpace: TogglePause(); break;
        case vk::kLeft: SeekByUnits(Script().BeatLength(), -1); break;
        case vk::kRight: SeekByUnits(Script().BeatLength(), 1); break;
        case vk::kPrior: SeekByUnits(Script().BarLength(), -1); break;
        case vk::kNext: SeekByUnits(Script().BarLength(), 1); break;
        case vk::kHome: SeekTo(0); break;
        case 'L': LoopKey(); break;
        case 'H': hudVisible = !hudVisible; break;
        case 'T': timelineVisible = !timelineVisible; break;
        case vk::kEscape:
            if (loop == LoopState::Off) {
                quit = true;
            } else {
                loop = LoopState::Off;
            }
            break;
        default: break;
    }
}

void PreviewSession::SeekByUnits(double unit, int32_t units) {
    if (!(unit > 0.0)) return;
    // From the nearest beat or bar line, so that seeks land on the grid.
    const double here = std::round(ShowTime() / unit);
    const double there = here + units;
    if (there <= 0.0) {
        SeekTo(0);
        return;
    }
    const double time = std::round(there * unit);
    SeekTo(time >= static_cast<double>(LastTime()) ? LastTime() : static_cast<uint32_t>(time));
}

void PreviewSession::SeekTo(uint32_t milliseconds) {
    const FrameGrid grid = playHead.Grid();
    seekFrame = grid.FirstAtOrAfter(milliseconds);
    // The show holds no frame at or past its end.
    if (seekFrame > 0 && grid.TimeOf(seekFrame) > LastTime()) --seekFrame;
    seekPending = true;
    seekMovesMusic = true;
    refining = false;
}

void PreviewSession::SeekAgain() {
    const bool movesMusic = seekPending && seekMovesMusic;
    SeekTo(ShowTime());
    seekMovesMusic = movesMusic;
}

uint32_t PreviewSession::FinishSeek() {
    seekPending = false;
    bool exact = true;
    playHead.SeekTo(seekFrame, kQuickWarmUpFrames, exact);
    // While it plays the frames go on anyway; paused, the frame held is
    // made exact in the frames that follow.
    refining = paused && !exact;
    refineStarted = false;
    const uint32_t time = playHead.Grid().TimeOf(seekFrame);
    // From the system clock after the replay, which may have taken a while.
    keeper.Reset(time, services.systemClock.Milliseconds());
    if (!paused && seekMovesMusic) services.music.PlayFrom(time);
    return time;
}

void PreviewSession::LoopKey() {
    const uint32_t bar = BarAt(ShowTime());
    if (loop != LoopState::StartSet) {
        loopStartBar = bar;
        loopStart = BarTime(bar);
        loop = LoopState::StartSet;
        return;
    }
    // The loop holds both bars, whichever way round they were marked.
    const uint32_t first = bar < loopStartBar ? bar : loopStartBar;
    const uint32_t last = bar < loopStartBar ? loopStartBar : bar;
    loopStart = BarTime(first);
    loopEnd = BarTime(last + 1);
    loop = LoopState::On;
}

void PreviewSession::TogglePause() {
    if (!paused) {
        Pause();
        return;
    }
    if (AtEnd()) {
        paused = false;
        SeekTo(0);
        return;
    }
    Resume();
}

void PreviewSession::Pause() {
    paused = true;
    services.music.Pause();
    // The frame it stops on is the show's own frame there.
    SeekTo(ShowTime());
}

void PreviewSession::Resume() {
    const uint32_t time = ShowTime();
    paused = false;
    keeper.Reset(time, services.systemClock.Milliseconds());
    if (refining && refineStarted) {
        // The show stands in the frames before the one held: it is brought
        // back there, the music with it.
        SeekTo(time);
        return;
    }
    refining = false;
    // The music starts again exactly at the show time, whatever it drifted
    // to while it stood.
    services.music.PlayFrom(time);
}

void PreviewSession::HeldPictureLost() {
    if (paused) SeekAgain();
}

void PreviewSession::Refine(uint32_t& target) {
    if (!refineStarted) {
        uint64_t warmUpStart = 0;
        playHead.ReplayToWarmUp(seekFrame, warmUpStart);
        refineStarted = true;
    }
    if (playHead.NextFrame() < seekFrame) {
        playHead.DrawFrame();
        return;
    }
    refining = false;
    target = playHead.Grid().TimeOf(seekFrame);
    drawsShow = true;
}

void PreviewSession::CountFrame(uint32_t systemNow) {
    ++fpsFrames;
    const uint32_t window = systemNow - fpsWindowStart;
    if (window >= 1000) {
        framesPerSecond = static_cast<int32_t>((int64_t{fpsFrames} * 1000 + window / 2) / window);
        fpsFrames = 0;
        fpsWindowStart = systemNow;
    }
}

bool PreviewSession::LookAtFiles(uint32_t systemNow) {
    const bool due = services.reloader.LooksAtFiles() && systemNow - lastPoll >= kPollInterval;
    if (due) lastPoll = systemNow;
    if (services.reloader.FindChanges(due)) changesWaiting = true;
    return changesWaiting;
}

void PreviewSession::TakeChanges() {
    changesWaiting = false;
    const ScriptReloader::Result result = services.reloader.TakeChanges(Script());
    if (result.scriptReloaded) {
        ++reloadCount;
        // The new script plays from the show time it replaced, as if it had
        // played up to there.
        SeekAgain();
    } else if (result.picturesReloaded > 0 && paused) {
        SeekAgain();  // the frame held, drawn with the new pictures
    }
}

uint32_t PreviewSession::IdleMilliseconds() {
    if (!paused || frameRequested || seekPending || changesWaiting || refining) return 0;
    const uint32_t system = services.systemClock.Milliseconds();
    if (LookAtFiles(system)) return 0;
    uint32_t idle = kIdleHudInterval;
    if (services.reloader.LooksAtFiles()) idle = kPollInterval - (system - lastPoll);
    if (services.reloader.HasWatcher() && kNoticeInterval < idle) idle = kNoticeInterval;
    if (hudVisible) {
        const uint32_t sinceFrame = system - lastFrame;
        if (sinceFrame >= kIdleHudInterval) return 0;
        if (kIdleHudInterval - sinceFrame < idle) idle = kIdleHudInterval - sinceFrame;
    }
    return idle;
}

void PreviewSession::PrepareFrame() {
    const uint32_t system = services.systemClock.Milliseconds();
    frameRequested = false;
    lastFrame = system;
    CountFrame(system);
    // Paused, the frames are drawn as the capture draws them.
    if (services.multisampling) services.multisampling->Use(!paused);
    LookAtFiles(system);

    ScriptEngine& script = Script();
    drawsShow = !paused;
    uint32_t target = script.Now();
    bool sought = false;
    if (announced) {
        // The frame before showed that the work was under way: now it is done.
        announced = false;
        if (changesWaiting) TakeChanges();
        if (seekPending) {
            target = FinishSeek();
            drawsShow = true;
            sought = true;
        }
    }
    if (!sought) {
        // This frame shows the picture as it was, with the notice.
        if (Work() != PreviewWork::None) announced = true;
        if (paused && refining && !announced) Refine(target);
    }
    // A seek waiting for the next frame leaves the show where it stands.
    if (!sought && !paused && !seekPending) {
        const int64_t musicPosition =
            services.music.IsPlaying() ? services.music.PositionMilliseconds() : -1;
        target = keeper.Advance(system, musicPosition);
        const uint32_t end = script.EndTime();
        uint32_t wrapAt = loopEnd;
        if (end != NO_TIME && end < wrapAt) wrapAt = end;
        if (loop == LoopState::On && script.Now() >= loopStart && script.Now() < wrapAt &&
            target >= wrapAt) {
            // Back to the loop's start in the next frame, with no notice.
            SeekTo(loopStart);
            announced = true;
            target = loopStart;
        } else if (end != NO_TIME && target >= end) {
            // The show stops at its end and waits there, on a frame drawn
            // at the end.
            target = end;
            paused = true;
            services.music.Pause();
        }
    }
    frameTime = target < script.Now() ? script.Now() : target;
}
