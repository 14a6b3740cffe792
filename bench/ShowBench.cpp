// The show's per-frame and loading costs, measured side by side in one run:
//
// - Timeline: ScriptEngine::Step per frame with 1000 events in the table
//   (some done, some fading, most still to come) and with 10 events.
// - Script load: a 1000-line script of timed events, no pictures or music.
// - Host frame: DemoHost::Frame over five effects whose Render does
//   nothing; any allocation inside the timed loop fails the benchmark.
// - Replay: the shipped show brought to its last frame at 60 fps without
//   drawing, as a capture or a seek does before its first frame (the
//   show's five effects, data/script.txt, no GL).
// - PNG loading: the show's pictures (data/png) decoded by our PNG layer and
//   by stb_image, and uploaded with the same upload, decode and upload
//   timed apart. The upload needs a GL context: Mesa's software rasteriser
//   in a window on SDL's offscreen driver.
// - Whole show: frames per second of the real show (data/ files, every
//   effect) in that 800 x 600 window, each frame finished with glFinish,
//   beside RawGlFrame, the same GL work written straight against GL 1.1,
//   their frames drawn in turn. Wall time, and the process's CPU time,
//   since llvmpipe draws on threads of its own.
// - Preview latency: from a seek, or a saved script, to the new frame
//   finished on screen in the paused preview, at bar 0 and in the swarm
//   (bar 20), beside one drawn frame of the same run.
// - Start-up: the show's process started anew, up to its first frame, less
//   the start-up's fixed waits (StartupBench.cpp, with startup_probe).
//
// After the table, the goals and ratios are printed. Run from the
// repository root (the pictures are read from data/png):
//
//   build-bench/bench/show_bench [--benchmark_repetitions=5]
#include <GL/gl.h>
#include <benchmark/benchmark.h>
#include <stb_image.h>

#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "RatioReporter.h"
#include "RawGlFrame.h"
#include "app/GlWindow.h"
#include "capture/OfflineShow.h"
#include "check/ShowCheck.h"
#include "demo/DemoHost.h"
#include "effects/ShowEffects.h"
#include "platform/ConsoleMessageBoxes.h"
#include "platform/sdl/SdlPlatform.h"
#include "platform/sdl/SdlWindowSystem.h"
#include "script/ScriptEngine.h"
#include "support/AllocationCounter.h"
#include "support/Doubles.h"
#include "textures/TextureRegistry.h"
#include "textures/gl/PngUpload.h"
#include "preview/PreviewSession.h"
#include "time/PlayHead.h"

namespace {

// --- A show's script ----------------------------------------------------------

// `events` timed lines spread evenly over 64 bars at 125 beats per minute
// (122.88 s), in the mix a show has: sets of every kind, fades over two
// bars, triggers and pattern switches, on five scenes.
std::string ShowScript(int events) {
    std::string script = "DefinePattern 0 *...*...*.*.*...\nDefinePattern 1 *.......\n";
    const double spacing = 64.0 * 1920.0 / events;
    for (int i = 0; i < events; ++i) {
        std::string time = "=";
        time += std::to_string(static_cast<int>(i * spacing));
        time += ' ';
        std::string scene = "scene.";
        scene += std::to_string(i % 5);
        switch (i % 10) {
            case 0: script += time + "Set " + scene + ".RUN\n"; break;
            case 1: script += time + "Set " + scene + ".dbl.2 0.75\n"; break;
            case 2: script += time + "Set " + scene + ".lng.1 3\n"; break;
            case 3: script += time + "Fade " + scene + ".dbl.0 from 0 to 1 time #2.0\n"; break;
            case 4: script += time + "Trig " + scene + ".bool.1\n"; break;
            case 5: script += time + "Set " + scene + ".bool.2 true\n"; break;
            case 6: script += time + "UsePattern " + std::to_string(i / 10 % 2) + "\n"; break;
            case 7: script += time + "Fade " + scene + ".dbl.4 from 1 to -1 time =1500\n"; break;
            case 8: script += time + "Set " + scene + ".dbl.5 -2.5\n"; break;
            default: script += time + "Set " + scene + ".bool.3 false\n"; break;
        }
    }
    return script;
}

const TempScript& ScriptFile(int events) {
    static std::map<int, std::unique_ptr<TempScript>> files;
    std::unique_ptr<TempScript>& file = files[events];
    if (!file) file = std::make_unique<TempScript>(ShowScript(events));
    return *file;
}

// Where the timed frames start: 40 s into the show, with about a third of
// the events done and fades running. The 4000 frames of 16 ms then play the
// next 64 s, in which events keep coming due.
constexpr uint32_t kFrameMs = 16;
constexpr uint32_t kWarmUpFrames = 2500;
constexpr int kTimedFrames = 4000;

struct LoadedScript {
    RecordingMessageBoxes boxes;
    RecordingMusicPlayer music;
    RecordingTextureFactory factory;
    TextureRegistry registry{factory};
    ScriptEngine engine{boxes, music};
};

std::unique_ptr<LoadedScript> LoadAndPlayTo(int events, uint32_t frames) {
    auto loaded = std::make_unique<LoadedScript>();
    if (!loaded->engine.Load(ScriptFile(events).Path(), &loaded->registry)) return nullptr;
    loaded->engine.Start();
    for (uint32_t i = 0; i < frames; ++i) loaded->engine.Step(kFrameMs);
    return loaded;
}

void TimelineStep(benchmark::State& state) {
    const int events = static_cast<int>(state.range(0));
    const std::unique_ptr<LoadedScript> loaded = LoadAndPlayTo(events, kWarmUpFrames);
    if (!loaded || loaded->engine.EventCount() != events) {
        state.SkipWithError("the script did not load");
        return;
    }
    ScriptEngine& engine = loaded->engine;
    for (auto _ : state) {
        engine.Step(kFrameMs);
        benchmark::DoNotOptimize(engine.GetParams(0));
    }
    int32_t done = 0;
    for (int32_t i = 0; i < engine.EventCount(); ++i) done += engine.StateOf(i) == EventState::Done;
    state.counters["done_at_end"] = done;
}
BENCHMARK(TimelineStep)->Arg(1000)->Arg(10)->Iterations(kTimedFrames)->Unit(benchmark::kMicrosecond);

void ScriptLoad(benchmark::State& state) {
    const TempScript& file = ScriptFile(1000);
    for (auto _ : state) {
        auto loaded = std::make_unique<LoadedScript>();
        if (!loaded->engine.Load(file.Path(), &loaded->registry) || loaded->engine.EventCount() != 1000) {
            state.SkipWithError("the script did not load");
            break;
        }
        benchmark::DoNotOptimize(loaded->engine.Event(999));
    }
}
BENCHMARK(ScriptLoad)->Unit(benchmark::kMillisecond);

// --- Host frame -----------------------------------------------------------------

// An effect that does what an effect's Update does on the CPU (integrate
// dt, read its record, react to step characters) and draws nothing.
class IdleEffect : public Effect {
public:
    int32_t Init() override { return 0; }
    int32_t Uninit() override { return 0; }
    void Render() override {}
    int32_t Update(uint32_t dt) override {
        angle += static_cast<float>(dt) * 0.05f * static_cast<float>(params.dblParams[0] + 1.0);
        if (params.patternEvent != 0) pulse = 1.0f;
        pulse *= 0.9f;
        return 0;
    }
    void Rewind() override { angle = pulse = 0.0f; }
    float angle = 0.0f;
    float pulse = 0.0f;
};

void HostFrame(benchmark::State& state) {
    HeadlessHostServices doubles;
    ManualClock& clock = doubles.clock;
    auto host = std::make_unique<DemoHost>(doubles.Services(ScriptFile(1000).Path()));
    IdleEffect effects[5];
    for (IdleEffect& effect : effects) host->AddEffect(&effect);
    host->SetPassCount(2);
    if (host->Init() != 0) {
        state.SkipWithError("the host did not start");
        return;
    }
    for (uint32_t i = 0; i < kWarmUpFrames; ++i) {
        clock.now += kFrameMs;
        host->Frame();
    }

    size_t allocations = 0;
    {
        CountingAllocations counter;
        for (auto _ : state) {
            clock.now += kFrameMs;
            benchmark::DoNotOptimize(host->Frame());
        }
        allocations = counter.Count();
    }
    state.counters["allocations"] = static_cast<double>(allocations);
    if (allocations != 0) state.SkipWithError("a frame allocated memory");
}
BENCHMARK(HostFrame)->Iterations(kTimedFrames)->Unit(benchmark::kMicrosecond);

// --- Replay -----------------------------------------------------------------------

// The shipped show's timeline and effects replayed from the start to the
// last frame before its End at 60 fps, as a seek does it before drawing the
// warm-up (both of its replays).
void ReplayToEnd(benchmark::State& state) {
    HeadlessHostServices doubles;
    auto host = std::make_unique<DemoHost>(doubles.Services("data/script.txt"));
    ShowEffects effects;
    effects.RegisterWith(*host);
    if (host->Init() != 0 || host->Script().EndTime() == NO_TIME) {
        state.SkipWithError("the show did not start (run from the repository root)");
        return;
    }
    PlayHead head(*host, 60);
    const uint64_t last = head.Grid().FirstAtOrAfter(host->Script().EndTime()) - 1;
    uint64_t warmUp = 0;
    for (auto _ : state) benchmark::DoNotOptimize(head.ReplayToWarmUp(last, warmUp));
    state.counters["replayed_frames"] = static_cast<double>(last);
    if (host->Now() < head.Grid().TimeOf(last - PlayHead::MostWarmUpFrames(60) - 1)) {
        state.SkipWithError("the replay did not reach the end");
    }
}
BENCHMARK(ReplayToEnd)->Unit(benchmark::kMillisecond);

// --- PNG loading ------------------------------------------------------------------

std::vector<std::string> ShowPictures() {
    std::vector<std::string> files;
    for (const auto& entry : std::filesystem::directory_iterator("data/png")) {
        if (entry.path().extension() == ".png") files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The channel count our decoder gives each picture, which stb_image is asked
// for too, so that both make the same pixels.
std::vector<int> OurChannels(const std::vector<std::string>& files) {
    std::vector<int> channels;
    for (const std::string& file : files) {
        PngPixels pixels;
        DecodePngFile(file.c_str(), PngAlphaMode::FromFile, PngRowOrder::TopRowFirst, &pixels);
        channels.push_back(pixels.channels);
    }
    return channels;
}

int64_t PixelBytes(const std::vector<std::string>& files) {
    int64_t bytes = 0;
    for (const std::string& file : files) {
        PngPixels pixels;
        DecodePngFile(file.c_str(), PngAlphaMode::FromFile, PngRowOrder::TopRowFirst, &pixels);
        bytes += static_cast<int64_t>(pixels.SizeInBytes());
    }
    return bytes;
}

void PngDecodeOurs(benchmark::State& state) {
    const std::vector<std::string> files = ShowPictures();
    if (files.empty()) {
        state.SkipWithError("no pictures in data/png (run from the repository root)");
        return;
    }
    for (auto _ : state) {
        for (const std::string& file : files) {
            PngPixels pixels;
            if (!DecodePngFile(file.c_str(), PngAlphaMode::FromFile, PngRowOrder::TopRowFirst, &pixels)) {
                state.SkipWithError("our decoder failed");
                return;
            }
            benchmark::DoNotOptimize(pixels.data.get());
        }
    }
    state.SetBytesProcessed(state.iterations() * PixelBytes(files));
}
BENCHMARK(PngDecodeOurs)->Unit(benchmark::kMillisecond);

void PngDecodeStb(benchmark::State& state) {
    const std::vector<std::string> files = ShowPictures();
    const std::vector<int> channels = OurChannels(files);
    if (files.empty()) {
        state.SkipWithError("no pictures in data/png (run from the repository root)");
        return;
    }
    stbi_set_flip_vertically_on_load(0);
    for (auto _ : state) {
        for (size_t i = 0; i < files.size(); ++i) {
            int width = 0, height = 0, fileChannels = 0;
            stbi_uc* pixels = stbi_load(files[i].c_str(), &width, &height, &fileChannels, channels[i]);
            if (!pixels) {
                state.SkipWithError("stb_image failed");
                return;
            }
            benchmark::DoNotOptimize(pixels);
            stbi_image_free(pixels);
        }
    }
    state.SetBytesProcessed(state.iterations() * PixelBytes(files));
}
BENCHMARK(PngDecodeStb)->Unit(benchmark::kMillisecond);

// The GL context for the uploads; null when none could be made.
GlWindow* uploadWindow = nullptr;

// Each picture decoded, bottom row first as the show uploads it, by us or
// by stb_image; the upload then takes the same pixels either way.
std::vector<PngPixels> DecodedPictures(bool withStb) {
    std::vector<PngPixels> decoded;
    for (const std::string& file : ShowPictures()) {
        PngPixels pixels;
        DecodePngFile(file.c_str(), PngAlphaMode::FromFile, PngRowOrder::BottomRowFirst, &pixels);
        if (withStb) {
            stbi_set_flip_vertically_on_load(1);
            int width = 0, height = 0, fileChannels = 0;
            stbi_uc* stb = stbi_load(file.c_str(), &width, &height, &fileChannels, pixels.channels);
            stbi_set_flip_vertically_on_load(0);
            if (!stb || width != pixels.info.width || height != pixels.info.height) {
                stbi_image_free(stb);
                return {};
            }
            std::memcpy(pixels.data.get(), stb, pixels.SizeInBytes());
            stbi_image_free(stb);
        }
        decoded.push_back(std::move(pixels));
    }
    return decoded;
}

PngPixels CopyOf(const PngPixels& pixels) {
    PngPixels copy;
    copy.info = pixels.info;
    copy.channels = pixels.channels;
    copy.rowOrder = pixels.rowOrder;
    copy.data.reset(new uint8_t[pixels.SizeInBytes()]);
    std::memcpy(copy.data.get(), pixels.data.get(), pixels.SizeInBytes());
    return copy;
}

// Uploads every picture into one texture with the show's upload: resampling
// to power-of-two sides, the CPU mipmap chain and glTexImage2D per level.
void PngUpload(benchmark::State& state) {
    if (!uploadWindow) {
        state.SkipWithError("no GL context");
        return;
    }
    const std::vector<PngPixels> decoded = DecodedPictures(state.range(0) != 0);
    if (decoded.empty()) {
        state.SkipWithError("the pictures could not be decoded");
        return;
    }
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<PngPixels> copies;
        for (const PngPixels& pixels : decoded) copies.push_back(CopyOf(pixels));
        state.ResumeTiming();
        for (PngPixels& pixels : copies) {
            if (!UploadPngPixelsToBoundTexture(std::move(pixels), PngMipmapMode::BuildFullChain)) {
                state.SkipWithError("the upload failed");
                return;
            }
        }
        glFinish();
    }
}
BENCHMARK(PngUpload)->ArgName("stb_pixels")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

// --- Whole show ---------------------------------------------------------------------

// The stretch of show time that is played: from bar 24 of data/script.txt,
// where everything draws: the swarm in both passes (101 model draws a frame),
// the large model sphere-mapped, a picture and the noise flashing once a
// bar, the glow. 250 frames of 40 ms cover 10 s (bars 24 to 29, almost one
// orbit of the camera and half a turn of the model).
constexpr uint32_t kShowStretchStart = 46080;
constexpr uint32_t kShowFrameMs = 40;
constexpr int kShowWarmUpFrames = 10;
constexpr int kShowTimedFrames = 250;

// Wall and CPU time of a run of frames. The CPU clock is the process's, so
// that it counts llvmpipe's rasteriser threads as well.
struct FrameTimes {
    double wallSeconds = 0.0;
    double cpuSeconds = 0.0;
};

double ProcessCpuSeconds() {
    timespec now{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) * 1e-9;
}

// Draws one frame with `draw`, waits for the GL to finish it and adds its
// times to `times`.
template <typename Draw>
void TimeFrame(FrameTimes& times, Draw draw) {
    const auto wallStart = std::chrono::steady_clock::now();
    const double cpuStart = ProcessCpuSeconds();
    draw();
    glFinish();
    times.cpuSeconds += ProcessCpuSeconds() - cpuStart;
    times.wallSeconds += std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
}

// The show and the raw loop in the one window, frame by frame in turn (the
// order swapped every frame), so that load from other processes on this
// shared machine falls on both alike. Each frame leaves the GL state that
// the other's next frame starts from (additive blending on, fill mode,
// client arrays on), and each clears the whole window in both passes.
void WholeShowFrames(benchmark::State& state) {
    if (!uploadWindow) {
        state.SkipWithError("no GL context");
        return;
    }
    RecordingMusicPlayer music;
    RecordingMessageBoxes boxes;
    OfflineShow show(*uploadWindow, *uploadWindow, music, boxes);
    show.StartAt(kShowStretchStart);
    if (!show.Init() || !boxes.Texts().empty()) {
        state.SkipWithError("the show did not start (run from the repository root)");
        return;
    }
    RawGlFrame raw;
    if (!raw.Load(uploadWindow->GetViewportWidth(), uploadWindow->GetViewportHeight())) {
        state.SkipWithError("the model or the pictures could not be read (run from the repository root)");
        return;
    }
    DemoHost& host = show.Host();
    const auto showFrame = [&host] { host.FrameTo(host.Now() + kShowFrameMs); };
    for (int i = 0; i < kShowWarmUpFrames; ++i) {
        showFrame();
        raw.Draw(kShowFrameMs);
    }
    glFinish();

    FrameTimes showTimes, rawTimes;
    bool showFirst = true;
    for (auto _ : state) {
        if (showFirst) TimeFrame(showTimes, showFrame);
        TimeFrame(rawTimes, [&] { raw.Draw(kShowFrameMs); });
        if (!showFirst) TimeFrame(showTimes, showFrame);
        showFirst = !showFirst;
    }
    const double frames = static_cast<double>(state.iterations());
    state.counters["show_fps"] = frames / showTimes.wallSeconds;
    state.counters["raw_fps"] = frames / rawTimes.wallSeconds;
    state.counters["show_cpu_ms"] = showTimes.cpuSeconds / frames * 1e3;
    state.counters["raw_cpu_ms"] = rawTimes.cpuSeconds / frames * 1e3;
}
BENCHMARK(WholeShowFrames)->Iterations(kShowTimedFrames)->UseRealTime()->Unit(benchmark::kMillisecond);

// --- Preview latency -----------------------------------------------------------------

// What the paused preview does between a seek (second argument 0) or a
// saved script (1) and the new frame finished on screen at the time of the
// first argument, in wall time: for a save the show check of the script
// and the script taken, then the replay, at most
// PreviewSession::kQuickWarmUpFrames warm-up frames and the frame sought.
// The frame before, which shows the notice over the picture held, comes
// first and is not counted. "frame_ms_..." is one show frame drawn there
// in the same iterations, the unit of the goal.
void PreviewLatency(benchmark::State& state) {
    if (!uploadWindow) {
        state.SkipWithError("no GL context");
        return;
    }
    const auto time = static_cast<uint32_t>(state.range(0));
    const bool save = state.range(1) != 0;
    RecordingMusicPlayer music;
    RecordingMessageBoxes boxes;
    OfflineShow show(*uploadWindow, *uploadWindow, music, boxes);
    if (!show.Init() || !boxes.Texts().empty()) {
        state.SkipWithError("the show did not start (run from the repository root)");
        return;
    }
    DemoHost& host = show.Host();
    PlayHead head(host, PreviewSession::kGridFps);
    const uint64_t sought = head.Grid().FirstAtOrAfter(time);
    const uint64_t elsewhere = head.Grid().FirstAtOrAfter(time + 5000);
    const auto since = [](std::chrono::steady_clock::time_point start) {
        return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    };
    double frameSeconds = 0.0;
    for (auto _ : state) {
        // The show stands elsewhere, as after playing a while.
        bool exact = true;
        head.SeekTo(elsewhere, 0, exact);
        glFinish();

        const auto frameStart = std::chrono::steady_clock::now();
        head.DrawFrame();
        glFinish();
        frameSeconds += since(frameStart);

        const auto start = std::chrono::steady_clock::now();
        if (save) {
            ShowCheck check = CheckShow("data/script.txt", nullptr);
            if (check.Count(FindingSeverity::Error) > 0) {
                state.SkipWithError("the show check found errors");
                return;
            }
            host.Script().AdoptScript(std::move(check.script));
        }
        head.SeekTo(sought, PreviewSession::kQuickWarmUpFrames, exact);
        head.DrawFrame();
        glFinish();
        state.SetIterationTime(since(start));
    }
    // Named by the arguments, since the reporter keeps counters by name.
    state.counters["frame_ms_" + std::to_string(time) + (save ? "_save" : "_seek")] =
        frameSeconds / static_cast<double>(state.iterations()) * 1e3;
}
BENCHMARK(PreviewLatency)
    ->ArgNames({"at_ms", "save"})
    ->Args({0, 0})
    ->Args({38400, 0})
    ->Args({0, 1})
    ->Args({38400, 1})
    ->Iterations(8)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// --- Report -----------------------------------------------------------------------

void PrintGoal(const char* what, double value, const char* unit, double goal) {
    if (value < 0) {
        std::printf("  %-44s (not measured)\n", what);
        return;
    }
    std::printf("  %-44s %9.3f %s  goal <= %g %s  %s\n", what, value, unit, goal, unit,
                value <= goal ? "met" : "MISSED");
}

void PrintGoalAtLeast(const char* what, double value, const char* unit, double goal) {
    if (value < 0) {
        std::printf("  %-44s (not measured)\n", what);
        return;
    }
    std::printf("  %-44s %9.3f %s  goal >= %g %s  %s\n", what, value, unit, goal, unit,
                value >= goal ? "met" : "MISSED");
}

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;

    // The upload's GL context: an 800 x 600 window on SDL's offscreen driver.
    setenv("SDL_VIDEODRIVER", "offscreen", 0);
    setenv("SDL_AUDIODRIVER", "dummy", 0);
    SdlSystem sdl;
    SdlWindowSystem windowSystem;
    ConsoleMessageBoxes windowBoxes(stderr);
    GlWindow window(windowSystem, windowBoxes);
    WindowSettings settings;
    settings.width = 800;
    settings.height = 600;
    if (sdl.Start() && window.Create(settings)) {
        uploadWindow = &window;
    } else {
        std::fprintf(stderr, "no GL context (%s): the upload is not measured\n", SdlSystem::LastError());
    }

    RatioReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();

    std::printf("\nGoals (CPU time, same run):\n");
    const double step1000 = MicrosOf(reporter, "TimelineStep/1000/");
    const double step10 = MicrosOf(reporter, "TimelineStep/10/");
    PrintGoal("Timeline Step, 1000 events, per frame", step1000, "us", 2.0);
    const double load = MicrosOf(reporter, "ScriptLoad");
    PrintGoal("Script load, 1000 timed lines", load < 0 ? load : load / 1000.0, "ms", 1.0);
    if (reporter.allocations >= 0) {
        std::printf("  %-44s %9.0f       goal 0  %s\n", "Host frame: allocations in the timed frames",
                    reporter.allocations, reporter.allocations == 0 ? "met" : "MISSED");
    }
    const double replay = MicrosOf(reporter, "ReplayToEnd");
    PrintGoal("Replay of the show to its end at 60 fps", replay < 0 ? replay : replay / 1000.0, "ms", 100.0);
    const double replayedFrames = reporter.Counter("replayed_frames");
    if (replay > 0 && replayedFrames > 0) {
        std::printf("  %-44s %9.3f us\n", "  of which one frame (two replays)", replay / replayedFrames);
    }
    const double ours = MicrosOf(reporter, "PngDecodeOurs");
    const double stb = MicrosOf(reporter, "PngDecodeStb");
    const double ourUpload = MicrosOf(reporter, "PngUpload/stb_pixels:0");
    const double stbUpload = MicrosOf(reporter, "PngUpload/stb_pixels:1");
    if (ours > 0 && stb > 0) {
        PrintGoal("PNG decode, ours as a multiple of stb_image", ours / stb, "x ", 1.2);
        if (ourUpload > 0 && stbUpload > 0) {
            PrintGoal("PNG decode + upload, ours / stb_image's", (ours + ourUpload) / (stb + stbUpload),
                      "x ", 1.2);
        }
    }
    const double showFps = reporter.Counter("show_fps");
    const double rawFps = reporter.Counter("raw_fps");
    std::printf("\nWhole show, 800 x 600 on llvmpipe, glFinish per frame (frames in turn, same run):\n");
    if (showFps > 0 && rawFps > 0) {
        std::printf("  %-44s %9.1f fps\n", "The show, bars 24-29 (wall time)", showFps);
        std::printf("  %-44s %9.1f fps\n", "The same GL work in raw GL 1.1 (wall time)", rawFps);
    }
    PrintGoalAtLeast("Show fps / raw GL loop fps", showFps > 0 && rawFps > 0 ? showFps / rawFps : -1.0,
                     "x ", 0.9);

    std::printf("\nPaused preview, to the new frame finished (wall time, same run; goal: 3 frames + 50 ms):\n");
    for (const char* at : {"0", "38400"}) {
        for (const char* save : {"0", "1"}) {
            const std::string name = std::string("PreviewLatency/at_ms:") + at + "/save:" + save;
            const double latency = MicrosOf(reporter.realMicros, name) / 1000.0;
            const double frame =
                reporter.Counter(std::string("frame_ms_") + at + (save[0] == '1' ? "_save" : "_seek"));
            if (latency < 0 || frame <= 0) continue;
            std::printf("  %-5s to #%-4s %8.1f ms = %5.1f frames of %5.1f ms  goal <= %6.1f ms  %s\n",
                        save[0] == '1' ? "save" : "seek", at[0] == '0' ? "0.0" : "20.0", latency,
                        latency / frame, frame, 3 * frame + 50, latency <= 3 * frame + 50 ? "met" : "MISSED");
        }
    }

    std::printf("\nStart-up, process start to the first frame finished, less the waits (wall time):\n");
    const double startup = MicrosOf(reporter.realMicros, "StartupToFirstFrame");
    PrintGoal("Start-up, mean of 10 starts", startup < 0 ? startup : startup / 1000.0, "ms", 150.0);
    if (startup > 0) {
        std::printf("  of which: to main %.1f, SDL and window %.1f, loading screen redraws for the\n"
                    "  script's lines %.1f (%.0f frames), script, pictures, music, model and\n"
                    "  effects %.1f, first frame %.1f ms; waits left out: %.1f ms\n",
                    reporter.Counter("exec_ms"), reporter.Counter("window_ms"),
                    reporter.Counter("lines_ms"), reporter.Counter("redraws"),
                    reporter.Counter("loading_ms"), reporter.Counter("frame_ms"),
                    reporter.Counter("waits_ms"));
    }

    std::printf("\nRatios (CPU time, same run):\n");
    if (step1000 > 0 && step10 > 0) {
        std::printf("  Step with 1000 events / with 10 events:      %6.2fx\n", step1000 / step10);
    }
    const double frame = MicrosOf(reporter, "HostFrame");
    if (frame > 0 && step1000 > 0) {
        std::printf("  Host frame (5 effects, 2 passes) / Step:     %6.2fx\n", frame / step1000);
    }
    if (ours > 0 && ourUpload > 0) {
        std::printf("  PNG upload / our decode:                     %6.2fx\n", ourUpload / ours);
    }
    const double showCpu = reporter.Counter("show_cpu_ms");
    const double rawCpu = reporter.Counter("raw_cpu_ms");
    if (showCpu > 0 && rawCpu > 0) {
        std::printf("  Show frame / raw GL frame (all threads):     %6.2fx\n", showCpu / rawCpu);
    }
    return 0;
}
