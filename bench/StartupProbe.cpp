// The show's start-up, up to its first frame, for the start-up benchmark in
// show_bench, which starts this program as a child process:
//
//   startup_probe SPAWN_NS
//
// SPAWN_NS is the parent's CLOCK_MONOTONIC reading, in nanoseconds, just
// before it started this process. The probe starts as the show does (SDL,
// an 800 x 600 window, the music player, the host with the five effects,
// the loading screen, the script with its pictures and music), draws and
// shows the first frame, waits for the GL to finish it, and prints one line
// of times in ms and, last, a count:
//
//   FIRST_FRAME WAITS TO_MAIN WINDOW SCRIPT_LINES LOADING FRAME REDRAWS
//
// FIRST_FRAME is the time from SPAWN_NS to the finished first frame, less
// WAITS, the start-up's fixed waits: the loading screen's two fades, timed
// as they draw, and the host's pause before the fade-out, which is skipped
// rather than slept. The rest split FIRST_FRAME into its steps: starting the
// process up to main, SDL with the window and its GL context, the loading
// screen's redraws for the script's lines, the rest of the host's start
// (script, pictures, music, model, effects), and the first frame. REDRAWS
// is how many frames the loading screen showed for the script's lines.
//
// The startup question is not asked (the window is windowed), the window is
// on SDL's offscreen driver and the music opens on the no-sound device, so
// that the run needs no display or sound card. Run from the repository root
// (it reads data/).
#include <GL/gl.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

#include "app/GlWindow.h"
#include "audio/KaSounds.h"
#include "demo/LoadingScreen.h"
#include "platform/sdl/SdlMixerAudio.h"
#include "platform/sdl/SdlPlatform.h"
#include "platform/sdl/SdlWindowSystem.h"
#include "show/ShowAssembly.h"

namespace {

uint64_t MonotonicNanoseconds() {
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<uint64_t>(now.tv_sec) * 1000000000u + static_cast<uint64_t>(now.tv_nsec);
}

// The system clock, except that sleeping returns at once: the start-up's
// sleeps are waits the show makes on purpose, not work.
class NoWaitClock : public Clock {
public:
    explicit NoWaitClock(Clock& inner) : inner(inner) {}
    uint32_t Milliseconds() override { return inner.Milliseconds(); }
    void Sleep(uint32_t) override {}

private:
    Clock& inner;
};

// The window, counting the frames shown.
class CountingSurface : public WindowSurface {
public:
    explicit CountingSurface(WindowSurface& inner) : inner(inner) {}
    void Swap() override {
        ++swaps;
        inner.Swap();
    }
    void Resize(int32_t width, int32_t height) override { inner.Resize(width, height); }
    int32_t RefreshRate() override { return inner.RefreshRate(); }
    int swaps = 0;

private:
    WindowSurface& inner;
};

// Where the loading screen's time went, in ns, and the frames it showed for
// the script's lines.
struct LoadingTimes {
    uint64_t fades = 0;
    uint64_t ticks = 0;
    int redraws = 0;
};

// The real loading screen, with the time its fades and its redraws for the
// script's lines take kept apart.
class TimedLoadingView : public LoadingView {
public:
    TimedLoadingView(std::unique_ptr<LoadingView> inner, LoadingTimes& times,
                     const CountingSurface& window)
        : inner(std::move(inner)), times(times), window(window) {}
    bool Load(const char* path) override { return inner->Load(path); }
    void FadeIn() override { Timed(times.fades, [this] { inner->FadeIn(); }); }
    void FadeOut() override { Timed(times.fades, [this] { inner->FadeOut(); }); }
    void Tick() override { Redraws([this] { inner->Tick(); }); }
    void Finish() override { Redraws([this] { inner->Finish(); }); }

private:
    template <typename Step>
    void Redraws(Step step) {
        const int before = window.swaps;
        Timed(times.ticks, step);
        times.redraws += window.swaps - before;
    }

    template <typename Step>
    void Timed(uint64_t& total, Step step) {
        // The step's frames must be drawn before its time is counted, and
        // none of the earlier work may be counted with it.
        glFinish();
        const uint64_t start = MonotonicNanoseconds();
        step();
        glFinish();
        total += MonotonicNanoseconds() - start;
    }

    std::unique_ptr<LoadingView> inner;
    LoadingTimes& times;
    const CountingSurface& window;
};

class TimedLoadingViews : public LoadingViewFactory {
public:
    TimedLoadingViews(LoadingViewFactory& inner, LoadingTimes& times, const CountingSurface& window)
        : inner(inner), times(times), window(window) {}
    std::unique_ptr<LoadingView> NewLoadingView() override {
        return std::make_unique<TimedLoadingView>(inner.NewLoadingView(), times, window);
    }

private:
    LoadingViewFactory& inner;
    LoadingTimes& times;
    const CountingSurface& window;
};

double Ms(uint64_t nanoseconds) { return static_cast<double>(nanoseconds) / 1e6; }

}  // namespace

int main(int argc, char** argv) {
    const uint64_t mainEntered = MonotonicNanoseconds();
    char* end = nullptr;
    errno = 0;
    const uint64_t spawned = argc == 2 ? std::strtoull(argv[1], &end, 10) : 0;
    if (argc != 2 || errno != 0 || end == argv[1] || *end != '\0') {
        std::fprintf(stderr, "usage: startup_probe SPAWN_NS\n");
        return 2;
    }

    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    SdlSystem sdl;
    if (!sdl.Start()) {
        std::fprintf(stderr, "startup_probe: cannot start SDL: %s\n", SdlSystem::LastError());
        return 1;
    }
    SdlMessageBoxes boxes;
    SdlWindowSystem windowSystem;
    GlWindow window(windowSystem, boxes);
    SdlMixerAudio audio(SoundOutput::Off);
    KaSounds music(audio, boxes);

    WindowSettings settings;
    settings.width = 800;
    settings.height = 600;
    if (!window.Create(settings)) {
        std::fprintf(stderr, "startup_probe: cannot open the window: %s\n", SdlSystem::LastError());
        return 1;
    }

    const uint64_t windowOpen = MonotonicNanoseconds();

    SdlClock systemClock;
    NoWaitClock clock(systemClock);
    LoadingTimes loadingTimes;
    CountingSurface countingWindow(window);
    LoadingScreenFactory loadingScreens(countingWindow, window, clock);
    TimedLoadingViews loadingViews(loadingScreens, loadingTimes, countingWindow);
    ShowSetup setup{window, window, music, boxes};
    setup.systemClock = &clock;
    setup.live = true;
    setup.loadingViews = &loadingViews;

    ShowAssembly show(setup);
    DemoHost& host = show.Host();
    if (host.Init() != 0) {
        std::fprintf(stderr, "startup_probe: the show did not start\n");
        return 1;
    }
    const uint64_t started = MonotonicNanoseconds();
    host.Frame();
    window.Swap();
    glFinish();
    const uint64_t firstFrame = MonotonicNanoseconds();
    host.Uninit();

    const uint64_t loading = started - windowOpen - loadingTimes.fades - loadingTimes.ticks;
    std::printf("%.3f %.3f %.3f %.3f %.3f %.3f %.3f %d\n",
                Ms(firstFrame - spawned - loadingTimes.fades), Ms(loadingTimes.fades),
                Ms(mainEntered - spawned), Ms(windowOpen - mainEntered), Ms(loadingTimes.ticks),
                Ms(loading), Ms(firstFrame - started), loadingTimes.redraws);
    return 0;
}
