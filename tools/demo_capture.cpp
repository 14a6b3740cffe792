// demo-capture: renders the show offline at a fixed frame rate, frame-exact
// however slow each frame is, to PNG frames or to a video with the music.
// It needs no display: the show draws into an 800 x 600 window on SDL's
// offscreen driver (on Windows, which has none with OpenGL, an ordinary
// window), against a clock that moves by exactly one frame's milliseconds
// per frame.
//
//   demo-capture [--fps N] [--from TIME] [--to TIME] [--script FILE]
//   demo-capture [--fps N] [--from TIME] [--to TIME] [--script FILE]
//                [--segment K/N] [--frames DIR [--overwrite] | OUTPUT] [--benchmark]
//   demo-capture [--fps N] [--from TIME] [--to TIME] [--script FILE]
//                --join LIST OUTPUT
//
// Exit status: 0 when every frame was written, 1 when the capture failed
// (script errors, missing files, an encoder that fails), 2 for a wrong
// command line, 128 + the signal's number when SIGINT, SIGTERM or SIGHUP
// stopped it (130, 143, 129; on Windows 130 for Ctrl-C, 149 for Ctrl-Break,
// 143 for the console's closing).
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "app/GlWindow.h"
#include "audio/KaSounds.h"
#include "capture/CaptureOptions.h"
#include "capture/ChildProcess.h"
#include "capture/FolderLock.h"
#include "capture/FrameLoop.h"
#include "capture/FrameRing.h"
#include "capture/MusicPathRecorder.h"
#include "capture/OfflineShow.h"
#include "capture/PngFrameWriter.h"
#include "capture/ProgressMeter.h"
#include "capture/ScriptSurvey.h"
#include "capture/SegmentJoin.h"
#include "capture/StopSignals.h"
#include "capture/VideoEncoder.h"
#include "platform/CommandLine.h"
#include "platform/ConsoleMessageBoxes.h"
#include "platform/sdl/SdlMixerAudio.h"
#include "platform/sdl/SdlPlatform.h"
#include "platform/sdl/SdlWindowSystem.h"
#include "time/FrameSchedule.h"
#include "time/PlayHead.h"

namespace {

constexpr const char* kProgram = "demo-capture";
constexpr int kWidth = 800;
constexpr int kHeight = 600;
// Frames waiting for the writer: enough to ride out a slow write without
// holding up the drawing, few enough to keep memory small (1.4 MB each).
constexpr int kRingBuffers = 4;

int Fail(const std::string& message) {
    std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
    return 1;
}

std::string Ms(uint32_t milliseconds) { return "=" + std::to_string(milliseconds); }

// The show's window and music device, up for the whole run.
struct Platform {
    SdlSystem sdl;
    // The same frames on every system: single-sampled, as on SDL's
    // offscreen driver, even where the window is an ordinary one.
    SdlWindowSystem windowSystem{SdlWindowSystem::Multisampling::Off};
    std::unique_ptr<GlWindow> window;
    std::unique_ptr<SdlMixerAudio> audio;
    std::unique_ptr<KaSounds> player;
};

// What one pass over the frames gives.
struct PassResult {
    uint64_t frames = 0;
    double seconds = 0.0;     // drawing and, for a capture, writing to the end
    double cpuSeconds = 0.0;  // of every thread, ffmpeg's included
};

// The video of `schedule`'s frames with the music from its first frame.
VideoSettings VideoFor(const CaptureOptions& options, const FrameSchedule& schedule,
                       const std::string& musicPath) {
    VideoSettings settings;
    settings.output = options.VideoPath();
    settings.width = kWidth;
    settings.height = kHeight;
    settings.fps = schedule.Fps();
    settings.frameCount = schedule.FrameCount();
    settings.musicPath = musicPath;
    settings.musicStart = schedule.From();
    return settings;
}

// Says that a stop came before the video was made.
void SayStoppedBeforeVideo(const CaptureOptions& options) {
    std::fprintf(stderr, "%s: stopped by %s; no video was made, and %s is as it was\n", kProgram,
                 StopSignalName(), options.VideoPath().c_str());
}

// --join: the segments' pictures one after the other, copied, with the
// music of the whole range, once the list is found to give every segment
// of `whole` once, in order.
int Join(const CaptureOptions& options, const FrameSchedule& whole, const std::string& musicPath) {
    std::string error;
    std::vector<JoinEntry> segments;
    if (!ReadJoinList(options.joinList, segments, error)) return Fail(error + "; nothing was joined");
    if (!CheckJoinSegments(segments, whole, StopRequested, error)) {
        if (!StopRequested()) return Fail(error + "; nothing was joined");
        SayStoppedBeforeVideo(options);
        return StopExitStatus();
    }
    VideoSettings settings = VideoFor(options, whole, musicPath);
    settings.concatList = ConcatList(segments, whole);
    VideoEncoder video(settings, StopRequested);
    if (!video.Start(error) || !video.Finish(error)) {
        if (!StopRequested()) return Fail(error);
        SayStoppedBeforeVideo(options);
        return StopExitStatus();
    }
    std::fprintf(stderr, "%s: joined %zu segments of %llu frames in all, %s on at %u fps, %s -> %s\n",
                 kProgram, segments.size(), static_cast<unsigned long long>(whole.FrameCount()),
                 Ms(whole.From()).c_str(), whole.Fps(), musicPath.empty() ? "without sound" : "with the music",
                 options.VideoPath().c_str());
    return 0;
}

class Capture {
public:
    // PNG frames are numbered from `firstNumber`.
    Capture(const CaptureOptions& options, const FrameSchedule& schedule, uint64_t firstNumber,
            Platform& platform, ConsoleMessageBoxes& boxes)
        : options(options), schedule(schedule), firstNumber(firstNumber), platform(platform),
          boxes(boxes) {}

    // Plays the frames once; with `write`, reads each back and writes it
    // out. False after saying why on stderr.
    bool Pass(bool write, PassResult& result) {
        if (StopRequested()) return Stopped(write, 0);
        MusicPathRecorder music(platform.player.get());
        const int errorsBefore = boxes.ErrorCount();
        OfflineShow show(*platform.window, *platform.window, music, boxes,
                         options.script.c_str());
        if (!show.Init()) return Failed("the show could not start (see above); nothing was captured");
        if (music.HasMusic() && !music.Opened()) {
            return Failed("cannot open the music " + music.Path() + "; nothing was captured");
        }
        if (boxes.ErrorCount() != errorsBefore) {
            return Failed("the show reported errors while starting (above); nothing was captured");
        }
        // The first frame is the one the whole show would draw there.
        PlayHead head(show.Host(), schedule.Fps(), StopRequested);
        if (!head.SeekTo(schedule.FirstFrame())) return Stopped(write, 0);

        const bool interactive = isatty(STDERR_FILENO) != 0;
        ProgressMeter progress(stderr, interactive, schedule.FrameCount());
        const auto start = std::chrono::steady_clock::now();
        const double cpuAtStart = ProcessorSeconds();
        if (!write) {
            const FrameLoopResult drawn =
                RunFrameLoop(head, schedule, nullptr, kWidth, kHeight, progress, StopRequested);
            progress.Close();
            if (!drawn.completed) return Stopped(write, 0);
            result.frames = drawn.frames;
            result.seconds = drawn.seconds;
            result.cpuSeconds = ProcessorSeconds() - cpuAtStart;
            return true;
        }

        std::string error;
        std::unique_ptr<PngFrameWriter> pictures;
        std::unique_ptr<VideoEncoder> video;
        FrameSink* sink = nullptr;
        if (!options.framesDir.empty()) {
            pictures = std::make_unique<PngFrameWriter>(options.framesDir, kWidth, kHeight, firstNumber);
            sink = pictures.get();
        } else {
            // A segment's video is a piece of a whole that gets its music
            // when the pieces are joined, and says which piece it is.
            VideoSettings settings =
                VideoFor(options, schedule, options.segmentParts ? std::string() : music.Path());
            if (options.segmentParts) {
                settings.comment = SegmentComment(schedule, options.segmentPart, options.segmentParts);
            }
            video = std::make_unique<VideoEncoder>(std::move(settings), StopRequested);
            if (!video->Start(error)) return Failed(error);
            sink = video.get();
        }

        FrameRing ring(static_cast<size_t>(kWidth) * kHeight * 3, kRingBuffers, *sink);
        const FrameLoopResult drawn =
            RunFrameLoop(head, schedule, &ring, kWidth, kHeight, progress, StopRequested);
        // The frames drawn before a stop are still written.
        const bool allWritten = ring.Finish() && drawn.completed;
        progress.Close();
        result.frames = ring.FramesWritten();
        if (StopRequested()) {
            if (video) video->Abandon();
            return Stopped(write, result.frames);
        }
        // ffmpeg's own message, when it fails, is already on stderr.
        if (video && !allWritten) {
            video->Cancel(error);
            return Failed(error.empty() ? "ffmpeg stopped taking frames" : error);
        }
        if (video && !video->Finish(error)) {
            return StopRequested() ? Stopped(write, result.frames) : Failed(error);
        }
        if (!allWritten) return Failed(pictures->Error());
        result.seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        result.cpuSeconds = ProcessorSeconds() - cpuAtStart;
        return true;
    }

private:
    bool Failed(const std::string& message) {
        Fail(message);
        return false;
    }

    // Says what a stop leaves behind, after `frames` frames were written.
    bool Stopped(bool write, uint64_t frames) {
        if (write && options.framesDir.empty()) {
            SayStoppedBeforeVideo(options);
            return false;
        }
        const std::string left = write ? "the " + std::to_string(frames) + " frames written to " +
                                             options.framesDir + " stay"
                                       : "nothing was written";
        std::fprintf(stderr, "%s: stopped by %s; %s\n", kProgram, StopSignalName(), left.c_str());
        return false;
    }

    const CaptureOptions& options;
    const FrameSchedule& schedule;
    uint64_t firstNumber;
    Platform& platform;
    ConsoleMessageBoxes& boxes;
};

double Fps(const PassResult& pass) { return pass.seconds > 0 ? pass.frames / pass.seconds : 0.0; }

int Run(int argc, char** argv) {
    if (AnswerHelpOrVersion(argc, argv, kProgram, kCaptureUsage)) return 0;
#ifdef SIGPIPE
    // A failing ffmpeg closes the pipe; writing to it must report EPIPE, not
    // end the program.
    signal(SIGPIPE, SIG_IGN);
#endif
    CatchStopSignals();

    CaptureOptions options;
    std::string error;
    if (!ParseCaptureOptions(argc, argv, options, error)) {
        std::fprintf(stderr, "%s: %s\n%s", kProgram, error.c_str(), kCaptureUsage);
        return 2;
    }
    if (options.help) {
        std::fputs(kCaptureUsage, stdout);
        return 0;
    }

    // The show is checked once without a window, as demo-check checks it,
    // to know its times and refuse its errors before anything is drawn.
    ConsoleMessageBoxes boxes(stderr, kProgram);
    SdlMixerAudio checkAudio(SoundOutput::Off);
    ScriptSurvey survey(boxes, &checkAudio);
    if (!survey.Load(options.script.c_str(), error)) return Fail(error);

    uint32_t from = survey.StartPosition();
    if (!options.from.empty() && !survey.ResolveTime(options.from, from, error)) {
        return Fail("--from: " + error);
    }
    uint32_t to = 0;
    if (!options.to.empty()) {
        if (!survey.ResolveTime(options.to, to, error)) return Fail("--to: " + error);
        if (survey.HasEnd() && to > survey.EndTime()) {
            return Fail("--to " + options.to + " (" + Ms(to) + ") is after the script's End (" +
                        Ms(survey.EndTime()) + "), where the show is over");
        }
    } else if (!survey.HasEnd()) {
        return Fail("the script " + options.script +
                    " has no End, so say where the capture stops with --to TIME");
    } else if (survey.EndTime() > from && survey.EndTime() - from > kOneDayMs) {
        // No show plays that long: its frames are not planned.
        return Fail("the script " + options.script + " ends at " + Ms(survey.EndTime()) + ", " +
                    DaysText(survey.EndTime() - from) + " away, so say where the capture stops with --to TIME");
    } else {
        to = survey.EndTime();
    }
    const FrameSchedule whole(FrameGrid(survey.StartPosition(), options.fps), from, to);
    if (whole.FrameCount() == 0) {
        return Fail("nothing to capture: no frame at " + std::to_string(options.fps) +
                    " fps lies from " + Ms(from) + " to before " + Ms(to));
    }
    const FrameSchedule schedule =
        options.segmentParts ? whole.Segment(options.segmentPart, options.segmentParts) : whole;
    // A segment's video must be long enough to be joined to the others.
    const uint64_t fewest = options.segmentParts && options.framesDir.empty() ? kFewestFramesToJoin : 1;
    if (schedule.FrameCount() < fewest) {
        return Fail("segment " + std::to_string(options.segmentPart) + "/" +
                    std::to_string(options.segmentParts) + " would hold " +
                    std::to_string(schedule.FrameCount()) + " of the range's " +
                    std::to_string(whole.FrameCount()) + " frames; a segment's video needs " +
                    std::to_string(fewest) + " or more to be joined: use fewer segments");
    }

    // The output's place is made ready, or refused, before the first frame.
    // A frames folder stays locked until the capture ends.
    FolderLock framesLock;
    const bool ready = options.framesDir.empty()
                           ? PrepareVideoOutput(options.VideoPath(), error)
                           : PrepareFrameFolder(options.framesDir, options.overwrite, framesLock, error);
    if (!ready) return Fail(error);
    if (!options.joinList.empty()) return Join(options, whole, survey.MusicPath());

    // No window on screen, whatever display there is (where SDL can draw
    // without one). The stop signals stay with the capture, which stops
    // between frames.
    SdlSystem::DrawOffscreen();
    Platform platform;
    if (!platform.sdl.Start(SdlSystem::Signals::LeftToTheProgram)) {
        return Fail(std::string("cannot start SDL: ") + SdlSystem::LastError());
    }
    platform.window = std::make_unique<GlWindow>(platform.windowSystem, boxes);
    WindowSettings settings;
    settings.width = kWidth;
    settings.height = kHeight;
    if (!platform.window->Create(settings)) {
        return Fail(std::string("cannot open an OpenGL window to draw in: ") + SdlSystem::LastError());
    }
    // The music is opened as the show opens it, on the no-sound device, to
    // report a bad music file as the show would; the video's sound comes
    // from the file.
    platform.audio = std::make_unique<SdlMixerAudio>(SoundOutput::Off);
    platform.player = std::make_unique<KaSounds>(*platform.audio, boxes);

    Capture capture(options, schedule, schedule.FirstFrame() - whole.FirstFrame(), platform, boxes);
    PassResult drawOnly;
    if (options.benchmark && !capture.Pass(false, drawOnly)) {
        return StopRequested() ? StopExitStatus() : 1;
    }
    PassResult captured;
    if (!capture.Pass(true, captured)) return StopRequested() ? StopExitStatus() : 1;

    const std::string destination =
        options.framesDir.empty() ? options.VideoPath() : options.framesDir + "/";
    // A segment stops where the next one starts; the last one at --to.
    const uint32_t stop = options.segmentParts ? std::min(schedule.TimeOf(schedule.FrameCount()), to) : to;
    std::fprintf(stderr, "%s: %llu frames, %s to %s at %u fps, in %.1f s (%.1f fps) -> %s\n",
                 kProgram, static_cast<unsigned long long>(captured.frames), Ms(schedule.From()).c_str(),
                 Ms(stop).c_str(), options.fps, captured.seconds, Fps(captured),
                 destination.c_str());
    if (options.benchmark) {
        const auto perFrame = [](double seconds, uint64_t frames) {
            return frames ? 1000.0 * seconds / frames : 0.0;
        };
        const double drawMs = perFrame(drawOnly.seconds, drawOnly.frames);
        const double captureMs = perFrame(captured.seconds, captured.frames);
        std::fprintf(stderr,
                     "%s: benchmark: drawing only %.2f fps (%.1f ms a frame), capture %.2f fps "
                     "(%.1f ms a frame): read-back and writing add %.1f ms a frame\n"
                     "%s: benchmark: processor time a frame, all threads and ffmpeg: drawing "
                     "only %.1f ms, capture %.1f ms\n",
                     kProgram, Fps(drawOnly), drawMs, Fps(captured), captureMs, captureMs - drawMs,
                     kProgram, perFrame(drawOnly.cpuSeconds, drawOnly.frames),
                     perFrame(captured.cpuSeconds, captured.frames));
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) { return WithStandardOutputChecked(kProgram, Run(argc, argv)); }
