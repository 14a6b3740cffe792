// The preview without a window: the demo host (no effects) plays a script
// from a temporary folder against the preview session, with a music double
// that runs with the system clock while it plays. Keys seek, pause and
// loop; edited files are reloaded; the show time is kept through all of it.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "app/RunLoop.h"
#include "check/ShowCheck.h"
#include "demo/DemoHost.h"
#include "demo/NullLoadingView.h"
#include "platform/ConsoleMessageBoxes.h"
#include "platform/Messages.h"
#include "preview/PreviewLoop.h"
#include "preview/PreviewMusic.h"
#include "preview/PreviewSession.h"
#include "preview/ScriptReloader.h"
#include "script/ScriptReader.h"
#include "support/Doubles.h"
#include "textures/TextureRegistry.h"
#include "time/FrameGrid.h"
#include "time/InstantClock.h"

namespace {

// Music that plays in step with the system clock while it plays, up to its
// length; every call is logged.
class SteadyMusic : public PreviewMusic {
public:
    bool IsPlaying() override { return playing; }
    int64_t PositionMilliseconds() override { return position; }
    void Pause() override {
        playing = false;
        log.push_back("pause");
    }
    void PlayFrom(uint32_t milliseconds) override {
        position = milliseconds;
        playing = milliseconds < length;
        log.push_back("play:" + std::to_string(milliseconds));
    }
    void Run(uint32_t milliseconds) {
        if (!playing) return;
        position += milliseconds;
        if (position >= length) {
            position = length;
            playing = false;
        }
    }
    bool playing = true;  // the host started it
    int64_t position = 0;
    int64_t length = 1000000;
    std::vector<std::string> log;
};

// A folder of its own for the script and pictures, new and empty at the
// start, removed at the end.
class Folder {
public:
    Folder() {
        static int made = 0;
        const std::string name = "preview-test-" + std::to_string(getpid()) + "-" + std::to_string(made++);
        path = (std::filesystem::temp_directory_path() / name).string();
        std::filesystem::remove_all(path);
        std::filesystem::create_directories(path);
    }
    ~Folder() { std::filesystem::remove_all(path); }
    std::string Path(const std::string& name) const { return path + "/" + name; }

    // Writes `name` and gives it a modification time of its own, so that
    // writes in quick succession are told apart.
    void Write(const std::string& name, const std::string& text) {
        std::ofstream(Path(name), std::ios::binary | std::ios::trunc) << text;
        std::filesystem::last_write_time(
            Path(name), std::filesystem::file_time_type(std::chrono::seconds(1000000 + ++writes)));
    }

private:
    std::string path;
    long writes = 0;
};

// The show check as far as a host without effects goes: the script as read,
// and the errors a test adds (a picture that an effect would miss).
ShowCheck ScriptOnlyCheck(const char* path, const std::vector<std::string>& addedErrors) {
    ShowCheck check;
    check.script = ReadScript(path, check.readProblem);
    for (const ScriptFinding& finding : check.script.findings) {
        check.findings.push_back(CheckFinding{path, finding.line, finding.severity, finding.ReportText()});
    }
    for (const std::string& error : addedErrors) {
        check.findings.push_back(CheckFinding{path, 0, FindingSeverity::Error, error});
    }
    return check;
}

class PreviewSessionTest : public ::testing::Test {
protected:
    // Writes the script, starts the host and begins the session.
    void Start(const std::string& script) {
        Build(script);
        ASSERT_EQ(host->Init(), 0);
        session->Begin();
    }

    // Writes the script and makes the host and the session.
    void Build(const std::string& script) {
        folder.Write("script.txt", script);
        scriptPath = folder.Path("script.txt");
        HostServices services{showClock, hostMusic, messages, factory, loadingViews, hooks};
        services.scriptPath = scriptPath.c_str();
        services.stopOnScriptErrors = false;
        host = std::make_unique<DemoHost>(services);
        host->SetPassCount(2);
        reloader = std::make_unique<ScriptReloader>(
            scriptPath, host->Textures(), echo, nullptr,
            [this](const char* path) { return ScriptOnlyCheck(path, checkErrors); });
        PreviewServices previewServices{*host, music, systemClock, *reloader};
        previewServices.startupProblems = &messages.Texts();
        session = std::make_unique<PreviewSession>(previewServices);
    }

    // One frame `elapsed` ms after the last one.
    void Frame(uint32_t elapsed) {
        systemClock.now += elapsed;
        music.Run(elapsed);
        session->PrepareFrame();
        host->FrameTo(session->FrameTime());
    }
    void Frames(int count, uint32_t elapsed = 16) {
        for (int i = 0; i < count; ++i) Frame(elapsed);
    }
    // The frame that shows the work waiting (a seek), drawn at once, then
    // the frame after the work, `elapsed` ms on.
    void WorkFrames(uint32_t elapsed) {
        Frame(0);
        Frame(elapsed);
    }
    // 800 ms of frames: the files are looked at, and a change is taken once
    // it has held still for two looks more.
    void Settle() { Frames(50); }
    void Keys(std::initializer_list<int32_t> keys) {
        for (const int32_t key : keys) session->KeyPressed(key);
    }

    // The show time, or where a seek made since the last frame goes.
    uint32_t Now() { return session->ShowTime(); }
    // Where a seek to `time` lands: the first frame at or after it at 60
    // frames a second from the start.
    static uint32_t OnGrid(uint32_t time) {
        const FrameGrid grid(0, PreviewSession::kGridFps);
        return grid.TimeOf(grid.FirstAtOrAfter(time));
    }
    EffectParams& Params(int32_t scene) { return host->Script().GetParams(scene); }

    Folder folder;
    std::string scriptPath;
    std::FILE* echo = nullptr;  // where the reloader says what went wrong
    ManualClock systemClock;
    InstantClock showClock;
    RecordingMusicPlayer hostMusic;
    ConsoleMessageBoxes messages{nullptr};
    RecordingTextureFactory factory;
    NullLoadingViewFactory loadingViews;
    RecordingFrameHooks hooks;
    SteadyMusic music;
    std::unique_ptr<DemoHost> host;
    std::unique_ptr<ScriptReloader> reloader;
    std::unique_ptr<PreviewSession> session;
    std::vector<std::string> checkErrors;  // what the show check adds to a saved script's findings
};

// 125 beats per minute, four to the bar: a beat is 480 ms, a bar 1920 ms.
const char* const kShow =
    "=0 Set scene.0.dbl.0 1\n"
    "#2.0 Set scene.0.lng.0 2\n"
    "#1.0 Fade scene.1.dbl.1 from 0 to 1 time #2.0\n"
    "#3.0 Trig scene.2.bool.1\n"
    "End #10.0\n";

// --- Seeking ---------------------------------------------------------------------

TEST_F(PreviewSessionTest, SeekKeysMoveByBeatAndBarFromTheGridAndStayInTheShow) {
    Start(kShow);
    Frames(44);  // 704 ms
    ASSERT_EQ(Now(), 704u);

    struct Step {
        std::vector<int32_t> keys;
        uint32_t expected;
    };
    const std::vector<Step> steps = {
        {{vk::kRight}, 960},          // 704 is nearest beat 1: on to beat 2
        {{vk::kLeft}, 480},
        {{vk::kLeft, vk::kLeft}, 0},  // not before the start
        {{vk::kNext}, 1920},
        {{vk::kNext, vk::kNext}, 5760},
        {{vk::kPrior}, 3840},
        {{'7', vk::kReturn}, 13440},  // bar 7: #7.0
        {{vk::kHome}, 0},
        {{'1', '2', vk::kReturn}, 19200},  // past the end: the end
        {{'0', vk::kReturn}, 0},
    };
    // Each seek lands on the first frame of the 60 fps grid at or after
    // the beat or bar, and the next one counts from there.
    for (const Step& step : steps) {
        for (const int32_t key : step.keys) session->KeyPressed(key);
        EXPECT_EQ(Now(), OnGrid(step.expected));
        WorkFrames(16);  // the show and the music get there
        EXPECT_EQ(host->Script().Now(), OnGrid(step.expected));
        EXPECT_EQ(music.log.back(), "play:" + std::to_string(OnGrid(step.expected)));
    }

    // The show goes on from where it was moved to.
    Keys({'3', vk::kReturn});
    Frames(10);  // the notice, the seek and eight more
    EXPECT_EQ(Now(), OnGrid(5760) + 8 * 16);
}

TEST_F(PreviewSessionTest, SeekingPlaysTheTimelineUpToTheNewTime) {
    Start(kShow);
    Keys({'5', vk::kReturn});
    WorkFrames(16);
    EXPECT_EQ(Params(0).lngParams[0], 2);
    // The fade is over (summed frame by frame, as the show played it).
    EXPECT_NEAR(Params(1).dblParams[1], 1.0, 1e-9);
    // The trigger of bar 3 has been and gone by bar 5.
    Frame(16);
    EXPECT_FALSE(Params(2).boolParams[1]);

    // Back to #1.2: the lng set of bar 2 is undone, the fade a quarter in.
    Keys({'1', vk::kReturn, vk::kRight, vk::kRight});
    ASSERT_EQ(Now(), OnGrid(2880));
    WorkFrames(0);
    EXPECT_EQ(Params(0).lngParams[0], 0);
    EXPECT_EQ(Params(0).dblParams[0], 1.0);
    EXPECT_NEAR(Params(1).dblParams[1], (OnGrid(2880) - 1920.0) / 3840.0, 1e-9);
}

TEST_F(PreviewSessionTest, DigitsPickTheSceneAndOtherKeysDropAHalfTypedBar) {
    Start(kShow);
    Keys({'3'});
    EXPECT_EQ(session->SelectedScene(), 3);
    Keys({'7'});  // only 0 to 4 are scenes
    EXPECT_EQ(session->SelectedScene(), 3);
    EXPECT_STREQ(session->TypedBar(), "37");
    Keys({'H', vk::kReturn});
    EXPECT_STREQ(session->TypedBar(), "");
    EXPECT_EQ(Now(), 0u);
    EXPECT_FALSE(session->HudVisible());

    // No more digits than a bar number needs.
    Keys({'1', '1', '1', '1', '1', '1', '1'});
    EXPECT_STREQ(session->TypedBar(), "11111");

    // A scene picked a while before is not the start of a bar number.
    Keys({vk::kLeft, '2'});
    systemClock.now += PreviewSession::kTypingPause;
    Keys({'6', vk::kReturn});
    EXPECT_EQ(session->SelectedScene(), 2);
    EXPECT_EQ(Now(), OnGrid(6 * 1920));
}

// --- Time, pause and the show's end ---------------------------------------------------

TEST_F(PreviewSessionTest, SpaceStopsTheClockAndTheMusicAndPlaysOnFromTheSameTime) {
    Start(kShow);
    Frames(30);
    ASSERT_EQ(Now(), 480u);

    // It stops on the frame of the 60 fps grid there, which it holds.
    Keys({vk::kSpace});
    EXPECT_TRUE(session->Paused());
    EXPECT_EQ(music.log.back(), "pause");
    WorkFrames(50);
    EXPECT_TRUE(session->DrawsShow());
    Frames(20, 50);
    EXPECT_FALSE(session->DrawsShow());
    EXPECT_EQ(Now(), OnGrid(480));
    // A seek while paused moves the show but leaves the music for later.
    Keys({vk::kRight});
    EXPECT_EQ(Now(), OnGrid(960));
    WorkFrames(50);
    EXPECT_TRUE(session->DrawsShow());
    EXPECT_EQ(music.log.back(), "pause");

    Keys({vk::kSpace});
    EXPECT_FALSE(session->Paused());
    EXPECT_EQ(music.log.back(), "play:" + std::to_string(OnGrid(960)));
    Frames(5);
    EXPECT_EQ(Now(), OnGrid(960) + 80);
}

TEST_F(PreviewSessionTest, TheClockFollowsTheMusicAndWithoutItTheSystemClock) {
    Start(kShow);
    Frames(10);
    ASSERT_EQ(Now(), 160u);

    // The music jumps ahead (a stall made up for): the clock is set to it.
    music.position += 400;
    Frame(16);
    EXPECT_EQ(Now(), 576u);

    // A little behind: pulled towards it over the next frames.
    music.position -= 40;
    Frames(30);
    const int64_t drift = int64_t{Now()} - music.position;
    EXPECT_LE(std::abs(drift), ShowTimeKeeper::kPullShare);

    // Music that has played out leaves the system clock.
    music.playing = false;
    const uint32_t before = Now();
    Frames(10, 20);
    EXPECT_EQ(Now(), before + 200);
}

TEST_F(PreviewSessionTest, AtTheEndThePreviewWaitsAndSpacePlaysFromTheStart) {
    Start("=0 Set scene.0.dbl.0 1\nEnd =1000\n");
    Frames(70);
    EXPECT_EQ(Now(), 1000u);
    EXPECT_TRUE(session->Paused());
    EXPECT_TRUE(session->AtEnd());
    EXPECT_EQ(music.log.back(), "pause");
    Frames(5);
    EXPECT_EQ(Now(), 1000u);

    Keys({vk::kSpace});
    EXPECT_EQ(Now(), 0u);
    EXPECT_FALSE(session->Paused());
    WorkFrames(16);
    EXPECT_EQ(music.log.back(), "play:0");
    EXPECT_EQ(Params(0).dblParams[0], 1.0);
}

// --- Loop -----------------------------------------------------------------------------

TEST_F(PreviewSessionTest, TheLoopWrapsAtItsEndAndEscapeClearsItThenQuits) {
    Start(kShow);
    Keys({'2', vk::kReturn, vk::kRight});  // #2.1
    Keys({'L'});
    EXPECT_EQ(session->Loop(), LoopState::StartSet);
    Keys({vk::kNext});  // #3.1
    Keys({'L'});
    ASSERT_EQ(session->Loop(), LoopState::On);
    EXPECT_EQ(session->LoopStart(), 3840u);
    EXPECT_EQ(session->LoopEnd(), 7680u);

    // Played on, the show comes back to the loop's start at its end, with
    // the music, and the timeline is as it was there.
    uint32_t latest = 0;
    for (int i = 0; i < 400; ++i) {
        Frame(16);
        EXPECT_GE(Now(), 3840u);
        EXPECT_LT(Now(), 7680u);
        latest = Now() > latest ? Now() : latest;
    }
    EXPECT_GT(latest, 7600u);
    EXPECT_NE(std::find(music.log.begin(), music.log.end(), "play:" + std::to_string(OnGrid(3840))),
              music.log.end());
    EXPECT_EQ(Params(0).lngParams[0], 2);

    Keys({vk::kEscape});
    EXPECT_EQ(session->Loop(), LoopState::Off);
    EXPECT_FALSE(session->QuitRequested());
    Frames(300);
    EXPECT_GT(Now(), 7680u);
    Keys({vk::kEscape});
    EXPECT_TRUE(session->QuitRequested());
}

TEST_F(PreviewSessionTest, ALoopMarkedBackwardsHoldsBothBarsAndAHalfMarkedOneClears) {
    Start(kShow);
    Keys({'5', vk::kReturn, 'L', vk::kPrior, vk::kPrior, 'L'});
    EXPECT_EQ(session->LoopStart(), 5760u);
    EXPECT_EQ(session->LoopEnd(), 11520u);

    // A third L starts a new loop; Escape clears one only half marked.
    Keys({'L'});
    EXPECT_EQ(session->Loop(), LoopState::StartSet);
    Keys({vk::kEscape});
    EXPECT_EQ(session->Loop(), LoopState::Off);
    EXPECT_FALSE(session->QuitRequested());
}

// --- Reloading ------------------------------------------------------------------------

TEST_F(PreviewSessionTest, AnEditedScriptPlaysOnFromTheSameShowTime) {
    Start("=0 Set scene.0.dbl.0 1\nDefinePattern 0 *...\n=0 UsePattern 0\n");
    Frames(60);
    ASSERT_EQ(Now(), 960u);

    folder.Write("script.txt",
                 "=0 Set scene.0.dbl.0 2\n=500 Set scene.1.lng.0 4\nLoadMusic x.ogg 120 4\n");
    Settle();
    EXPECT_EQ(session->ReloadCount(), 1);
    // Up to a frame on: the new script is played up to the next frame of
    // the 60 fps grid, where the show stands a frame long.
    EXPECT_NEAR(Now(), 960.0 + 800.0, 17.0);
    EXPECT_EQ(Params(0).dblParams[0], 2.0);
    EXPECT_EQ(Params(1).lngParams[0], 4);
    EXPECT_EQ(host->Script().CurrentPattern(), -1);
    EXPECT_EQ(host->Script().BeatLength(), 500.0);
    // The music plays on untouched; the new script's music is not opened.
    EXPECT_EQ(music.log, std::vector<std::string>{});
    EXPECT_TRUE(hostMusic.loaded.empty());
    EXPECT_TRUE(reloader->Problems().empty());
}

TEST_F(PreviewSessionTest, AScriptWithErrorsLeavesTheLastGoodOneAndItsErrorsShow) {
    Start("=0 Set scene.0.dbl.0 1\n");
    Frames(10);

    folder.Write("script.txt", "=0 Set scene.0.dbl.0 3\nBogus words\n=0 Set scene.99.dbl.0 1\n");
    Settle();
    EXPECT_EQ(session->ReloadCount(), 0);
    EXPECT_EQ(Params(0).dblParams[0], 1.0);
    // The check's findings, in the checker's form.
    ASSERT_EQ(reloader->Problems().size(), 2u);
    EXPECT_EQ(reloader->Problems()[0].rfind(scriptPath + ":2: error: Syntax error: 'Bogus' is not a command", 0), 0u)
        << reloader->Problems()[0];
    EXPECT_EQ(reloader->Problems()[1], scriptPath + ":3: error: Invalid scene");
    EXPECT_TRUE(reloader->SaveRefused());
    const uint32_t kept = Now();

    // A script that is gone for a moment, as some editors save, is no
    // reason to stop either.
    std::remove(scriptPath.c_str());
    Settle();
    EXPECT_EQ(reloader->Problems(),
              std::vector<std::string>{scriptPath + ": error: cannot read the script: cannot open " + scriptPath +
                                       ": No such file or directory"});
    EXPECT_EQ(Params(0).dblParams[0], 1.0);

    // A script that reads well but that the show would refuse (an effect
    // misses its picture) is refused too.
    checkErrors = {"the model effect needs the picture 'mallow', which the script does not load"};
    folder.Write("script.txt", "=0 Set scene.0.dbl.0 3\n");
    Settle();
    EXPECT_EQ(session->ReloadCount(), 0);
    EXPECT_EQ(Params(0).dblParams[0], 1.0);
    EXPECT_EQ(reloader->Problems(), std::vector<std::string>{scriptPath + ": error: " + checkErrors[0]});
    EXPECT_TRUE(reloader->SaveRefused());

    checkErrors.clear();
    folder.Write("script.txt", "=0 Set scene.0.dbl.0 3\n// saved again\n");
    Settle();
    EXPECT_EQ(session->ReloadCount(), 1);
    EXPECT_EQ(Params(0).dblParams[0], 3.0);
    EXPECT_TRUE(reloader->Problems().empty());
    EXPECT_FALSE(reloader->SaveRefused());
    EXPECT_NEAR(Now(), kept + 3 * 800.0, 17.0);
}

TEST_F(PreviewSessionTest, AScriptCaughtHalfWayThroughASaveIsNotTaken) {
    Start("=0 Set scene.0.dbl.0 1\n");
    Frames(10);

    // Emptied, and written again 1.6 s later: the empty file is refused.
    folder.Write("script.txt", "");
    Frames(100);
    EXPECT_EQ(session->ReloadCount(), 0);
    EXPECT_EQ(Params(0).dblParams[0], 1.0);
    EXPECT_EQ(reloader->Problems(), std::vector<std::string>{scriptPath + ": error: the script is empty"});

    // Written a line every 200 ms: taken only once it holds still.
    std::string text;
    for (const char* line : {"=0 Set scene.0.dbl.0 2\n", "=0 Set scene.0.dbl.1 5\n",
                             "=0 Set scene.0.dbl.2 7\n"}) {
        text += line;
        folder.Write("script.txt", text);
        Frames(12);
        EXPECT_EQ(session->ReloadCount(), 0) << text;
    }
    Settle();
    EXPECT_EQ(session->ReloadCount(), 1);
    EXPECT_EQ(Params(0).dblParams[2], 7.0);
    EXPECT_TRUE(reloader->Problems().empty());
}

TEST_F(PreviewSessionTest, ErrorsAtStartDoNotStopThePreviewAndStandUntilAReload) {
    Start("=0 Set scene.0.dbl.0 1\nNonsense\n");
    EXPECT_EQ(reloader->Problems(), std::vector<std::string>{"Syntax error on line 2:\nNonsense"});
    Frame(16);
    EXPECT_EQ(Params(0).dblParams[0], 1.0);

    folder.Write("script.txt", "=0 Set scene.0.dbl.0 1\n");
    Settle();
    EXPECT_TRUE(reloader->Problems().empty());
}

TEST_F(PreviewSessionTest, PicturesAreReadAgainWhenTheirFilesOrLinesChange) {
    folder.Write("a.png", "first");
    folder.Write("b.png", "other");
    folder.Write("n.png", "noise");
    const std::string images = "Define _IMG_DIR=" + folder.Path("") + "\n";
    Start(images + "LoadImage pic1 a.png\nLoadImage noise n.png repeat\n");
    Texture* held = host->Textures().Find("pic1");
    ASSERT_NE(held, nullptr);
    const size_t loadsAtStart = factory.loads.size();

    folder.Write("a.png", "second picture");
    Settle();
    ASSERT_EQ(factory.loads.size(), loadsAtStart + 1);
    EXPECT_EQ(factory.loads.back(), folder.Path("a.png"));
    EXPECT_EQ(host->Textures().Find("pic1"), held);

    // The script gives pic1 another file: read into the same texture; the
    // noise, unchanged, is not read again.
    folder.Write("script.txt", images + "LoadImage pic1 b.bmp\nLoadImage noise n.png repeat\n");
    Settle();
    ASSERT_EQ(factory.loads.size(), loadsAtStart + 2);
    EXPECT_EQ(factory.loads.back(), folder.Path("b.png"));
    EXPECT_EQ(host->Textures().Find("pic1"), held);
    EXPECT_EQ(factory.destroyed, 0);

    // Nothing changes: nothing is read.
    Frames(40);
    EXPECT_EQ(factory.loads.size(), loadsAtStart + 2);
}

TEST_F(PreviewSessionTest, APictureThatCannotBeReadIsSaidAndListedUntilItIsMended) {
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> said(std::tmpfile(), std::fclose);
    echo = said.get();
    folder.Write("a.png", "first");
    folder.Write("b.png", "second");
    factory.unreadable = {folder.Path("b.png")};
    const std::string images = "Define _IMG_DIR=" + folder.Path("") + "\n";
    const std::string script = images + "LoadImage pic1 a.png\nLoadImage pic2 b.png\n";
    const auto line = [&](int number, const char* handle, const char* file) {
        return scriptPath + ":" + std::to_string(number) + ": error: cannot read the picture '" + handle +
               "': " + folder.Path(file) + ": unreadable";
    };
    // Broken at the start: listed as the show holds it (the start's check
    // has said so).
    Start(script);
    EXPECT_EQ(reloader->PictureProblems(), std::vector<std::string>{line(3, "pic2", "b.png")});

    // Mended, then the other one removed while the show plays.
    factory.unreadable.clear();
    folder.Write("b.png", "mended");
    Settle();
    EXPECT_TRUE(reloader->PictureProblems().empty());
    factory.unreadable = {folder.Path("a.png")};
    std::remove(folder.Path("a.png").c_str());
    Settle();
    EXPECT_EQ(reloader->PictureProblems(), std::vector<std::string>{line(2, "pic1", "a.png")});

    // A script edit that keeps the picture keeps it listed.
    folder.Write("script.txt", script + "=0 Set scene.0.dbl.0 1\n");
    Settle();
    ASSERT_EQ(session->ReloadCount(), 1);
    EXPECT_EQ(reloader->PictureProblems(), std::vector<std::string>{line(2, "pic1", "a.png")});

    // Standard error heard of the break once.
    std::rewind(echo);
    char text[512] = {};
    EXPECT_EQ(std::string(text, std::fread(text, 1, sizeof text - 1, echo)), line(2, "pic1", "a.png") + "\n");
}

// --- The run loop ---------------------------------------------------------------------

// Logs each drawing with the system time, and queues messages as if the
// user had acted: at given frames, or once the system clock reaches given
// times (the queue's waits let that time pass).
class ScriptedOverlay : public FrameOverlay {
public:
    ScriptedOverlay(ScriptedMessageQueue& queue, ManualClock& clock, std::vector<std::string>& log)
        : queue(queue), clock(clock), log(log) {}
    void Draw() override {
        log.push_back("overlay");
        frameTimes.push_back(clock.now);
        ++frames;
        for (const auto& [frame, message] : plan) {
            if (frame == frames) queue.pending.push_back(message);
        }
        DeliverDue();
    }
    void DeliverDue() {
        while (!timedPlan.empty() && timedPlan.front().first <= clock.now) {
            queue.pending.push_back(timedPlan.front().second);
            timedPlan.erase(timedPlan.begin());
        }
    }
    ScriptedMessageQueue& queue;
    ManualClock& clock;
    std::vector<std::string>& log;
    std::vector<std::pair<int, Message>> plan;
    std::vector<std::pair<uint32_t, Message>> timedPlan;  // in time order
    std::vector<uint32_t> frameTimes;
    int frames = 0;
};

// The host played at the times the session works out, as the preview's
// show plays it, without holding a paused frame (which takes GL).
class SessionTimedHost : public Application {
public:
    SessionTimedHost(DemoHost& host, const PreviewSession& session) : host(host), session(session) {}
    int32_t Init() override { return host.Init(); }
    int32_t Frame() override { return host.FrameTo(session.FrameTime()); }
    int32_t Uninit() override { return host.Uninit(); }

private:
    DemoHost& host;
    const PreviewSession& session;
};

class PreviewLoopTest : public PreviewSessionTest {
protected:
    // Runs the preview's loop over the host, which reads `script`.
    int32_t RunLoop(const std::string& script) {
        Build(script);
        PreviewHooks previewHooks(*session, overlay);
        RunLoopServices loop{queue, procedure, keyboard, window, &previewHooks};
        SessionTimedHost show(*host, *session);
        return ::Run(show, kPreviewRunFlags, loop);
    }

    std::vector<std::string> log;
    ScriptedMessageQueue queue;
    RecordingWindowSurface window;
    Keyboard keyboard;
    WindowProcedure procedure{keyboard, window, queue};
    ScriptedOverlay overlay{queue, systemClock, log};
};

TEST_F(PreviewLoopTest, TakesEveryPressDrawsTheOverlayBeforeEachSwapAndOutlivesTheEnd) {
    hooks.log = &log;
    window.log = &log;
    systemClock.autoAdvance = 20;  // the show ends within the first frames
    // A press and its release between two frames (at the end, paused, the
    // HUD's once-a-second frames); then Escape twice.
    overlay.plan = {{30, Message{msg::kKeyDown, 'H', 0}}, {30, Message{msg::kKeyUp, 'H', 0}},
                    {31, Message{msg::kKeyDown, vk::kEscape, 0}},
                    {32, Message{msg::kKeyDown, vk::kEscape, 0}}};

    // Escape with no loop quits: the second one is never needed.
    EXPECT_EQ(RunLoop("End =100\n"), run_result::kStoppedByUser);
    EXPECT_EQ(overlay.frames, 31);
    EXPECT_FALSE(session->HudVisible());
    EXPECT_TRUE(session->AtEnd());
    ASSERT_GE(log.size(), 4u);
    EXPECT_EQ(std::vector<std::string>(log.end() - 4, log.end()),
              (std::vector<std::string>{"begin-pass", "end-pass", "overlay", "swap"}));
}

TEST_F(PreviewLoopTest, EndsOnAQuitMessage) {
    overlay.plan = {{3, Message{msg::kClose, 0, 0}}};
    EXPECT_EQ(RunLoop(""), run_result::kQuitMessage);
    EXPECT_EQ(window.swaps, 3);
}

TEST_F(PreviewLoopTest, PausedItWaitsForInputAndDrawsOnlyWhenTheWindowWouldChange) {
    systemClock.autoAdvance = 1;  // time passes even if the loop never waits
    overlay.plan = {{1, Message{msg::kKeyDown, vk::kSpace, 0}}};
    overlay.timedPlan = {{5000, Message{msg::kPaint, 0, 0}},
                         {9000, Message{msg::kKeyDown, vk::kEscape, 0}}};
    // The script is saved anew at 6000 ms.
    bool saved = false;
    queue.onWait = [&](uint32_t milliseconds) {
        systemClock.now += milliseconds;
        overlay.DeliverDue();
        if (!saved && systemClock.now >= 6000) {
            folder.Write("script.txt", "End =100000\n=0 Set scene.0.dbl.0 2\n");
            saved = true;
        }
    };

    EXPECT_EQ(RunLoop("End =100000\n=0 Set scene.0.dbl.0 1\n"), run_result::kStoppedByUser);
    EXPECT_EQ(session->ReloadCount(), 1);
    // Paused after the first frame, it draws the HUD once a second, the
    // exposed window at once and the new script within a second: about a
    // dozen frames in nine seconds, never thousands.
    EXPECT_GE(overlay.frames, 9);
    EXPECT_LE(overlay.frames, 16);
    const auto drawnWithin = [&](uint32_t from, uint32_t to) {
        return std::any_of(overlay.frameTimes.begin(), overlay.frameTimes.end(),
                           [&](uint32_t time) { return time >= from && time <= to; });
    };
    EXPECT_TRUE(drawnWithin(5000, 5020)) << "the exposed window was not drawn at once";
    EXPECT_TRUE(drawnWithin(6000, 7000)) << "the saved script was not shown";
    EXPECT_FALSE(queue.waits.empty());
}

}  // namespace
