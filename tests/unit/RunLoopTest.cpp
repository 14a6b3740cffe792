#include <gtest/gtest.h>

#include <functional>
#include <initializer_list>
#include <string>
#include <vector>

#include "app/ProgramEntry.h"
#include "app/RunLoop.h"
#include "support/Doubles.h"

using Log = std::vector<std::string>;

namespace {

// An application that answers Init and Uninit as told and each Frame from a
// list; once the list runs out the show is over, so no run can hang.
class ScriptedApplication : public Application {
public:
    explicit ScriptedApplication(Log& log) : log(log) {}

    int32_t Init() override {
        log.push_back("init");
        return initResult;
    }
    int32_t Frame() override {
        log.push_back("frame");
        ++framesRun;
        if (onFrame) onFrame(framesRun);
        const size_t index = static_cast<size_t>(framesRun - 1);
        return index < frameResults.size() ? frameResults[index] : frame_result::kShowOver;
    }
    int32_t Uninit() override {
        log.push_back("uninit");
        return uninitResult;
    }

    int32_t initResult = 0;
    int32_t uninitResult = 0;
    std::vector<int32_t> frameResults;
    std::function<void(int frameNumber)> onFrame;  // runs inside each Frame
    int framesRun = 0;
    Log& log;
};

// The run loop with everything it talks to; swaps and application calls go
// into one log.
struct LoopHarness {
    LoopHarness() { window.log = &log; }
    int32_t RunWith(uint32_t flags) { return Run(application, flags, services); }
    void Queue(std::initializer_list<Message> messages) {
        queue.pending.insert(queue.pending.end(), messages);
    }

    Log log;
    ScriptedApplication application{log};
    ScriptedMessageQueue queue;
    Keyboard keyboard;
    RecordingWindowSurface window;
    WindowProcedure procedure{keyboard, window, queue};
    RunLoopServices services{queue, procedure, keyboard, window};
};

Message KeyDown(int key) { return Message{msg::kKeyDown, static_cast<uintptr_t>(key), 0}; }
Message KeyUp(int key) { return Message{msg::kKeyUp, static_cast<uintptr_t>(key), 0}; }
Message Plain(uint32_t id, uintptr_t wParam = 0, intptr_t lParam = 0) {
    return Message{id, wParam, lParam};
}

constexpr uintptr_t kCloseCommand = 0xF060;

}  // namespace

// --- Run: results -----------------------------------------------------------

TEST(Run, FrameResultsEndTheRunAfterThatFrameIsSwapped) {
    struct Case {
        int32_t frameResult;
        int32_t runResult;
    };
    for (const Case c : {Case{frame_result::kShowOver, run_result::kShowOver},
                         Case{frame_result::kStop, run_result::kStoppedByUser},
                         Case{frame_result::kRuntimeError, run_result::kRuntimeError}}) {
        SCOPED_TRACE(c.frameResult);
        LoopHarness loop;
        loop.application.frameResults = {frame_result::kGoOn, c.frameResult};
        EXPECT_EQ(loop.RunWith(run_flags::kEscapeEnds), c.runResult);
        EXPECT_EQ(loop.log, (Log{"init", "frame", "swap", "frame", "swap", "uninit"}));
    }
}

TEST(Run, UnknownFrameResultsGoOn) {
    LoopHarness loop;
    loop.application.frameResults = {-1, 4, 7, frame_result::kShowOver};
    EXPECT_EQ(loop.RunWith(run_flags::kEscapeEnds), run_result::kShowOver);
    EXPECT_EQ(loop.application.framesRun, 4);
    EXPECT_EQ(loop.window.swaps, 4);
}

TEST(Run, FailedInitEndsAtOnceWithoutFrameOrUninit) {
    for (int32_t failure : {1, -1}) {
        LoopHarness loop;
        loop.application.initResult = failure;
        EXPECT_EQ(loop.RunWith(run_flags::kEscapeEnds), run_result::kInitFailed);
        EXPECT_EQ(loop.log, Log{"init"});
    }
}

TEST(Run, FailedUninitOverridesWhateverEndedTheRun) {
    for (int32_t frameResult :
         {frame_result::kRuntimeError, frame_result::kShowOver, frame_result::kStop}) {
        SCOPED_TRACE(frameResult);
        LoopHarness loop;
        loop.application.frameResults = {frameResult};
        loop.application.uninitResult = 1;
        EXPECT_EQ(loop.RunWith(run_flags::kEscapeEnds), run_result::kUninitFailed);
        EXPECT_EQ(loop.log, (Log{"init", "frame", "swap", "uninit"}));
    }

    LoopHarness closed;
    closed.Queue({Plain(msg::kClose)});
    closed.application.uninitResult = 2;
    EXPECT_EQ(closed.RunWith(run_flags::kEscapeEnds), run_result::kUninitFailed);
}

// --- Run: messages and keys -----------------------------------------------

TEST(Run, ClosingTheWindowEndsTheRunBeforeTheNextFrame) {
    LoopHarness loop;
    loop.application.frameResults = {frame_result::kGoOn, frame_result::kGoOn};
    loop.application.onFrame = [&](int frame) {
        if (frame != 1) return;
        // The quit that the close posts comes after the messages behind it.
        loop.Queue({Plain(msg::kClose), Plain(msg::kSize, 0, msg::PackSize(640, 480)),
                    KeyDown(vk::kEscape)});
    };
    EXPECT_EQ(loop.RunWith(run_flags::kEscapeEnds), run_result::kQuitMessage);
    EXPECT_EQ(loop.log, (Log{"init", "frame", "swap", "uninit"}));
    EXPECT_EQ(loop.window.resizes.size(), 1u);
    EXPECT_TRUE(loop.keyboard.IsDown(vk::kEscape));
}

TEST(Run, EscapeHeldEndsTheRunAtTheNextTurnWithoutAnotherFrameOrSwap) {
    LoopHarness loop;
    loop.application.frameResults = {frame_result::kGoOn, frame_result::kGoOn};
    loop.application.onFrame = [&](int frame) {
        if (frame == 1) loop.Queue({KeyDown(vk::kEscape)});
    };
    EXPECT_EQ(loop.RunWith(run_flags::kEscapeEnds), run_result::kStoppedByUser);
    EXPECT_EQ(loop.log, (Log{"init", "frame", "swap", "uninit"}));
}

TEST(Run, OtherKeysAndATappedEscapeDoNotEndTheRunUnderEscapeOnly) {
    LoopHarness loop;
    loop.application.frameResults = {frame_result::kGoOn, frame_result::kGoOn,
                                     frame_result::kShowOver};
    loop.application.onFrame = [&](int) {
        // Escape pressed and released between two checks reads as up.
        loop.Queue({KeyDown('A'), KeyDown(vk::kSpace), KeyDown(vk::kEscape), KeyUp(vk::kEscape)});
    };
    EXPECT_EQ(loop.RunWith(run_flags::kEscapeEnds), run_result::kShowOver);
    EXPECT_EQ(loop.application.framesRun, 3);
}

TEST(Run, AnyKeyFlagEndsTheRunOnAnyKeyDownSinceTheLastCheck) {
    LoopHarness loop;
    loop.application.frameResults = {frame_result::kGoOn, frame_result::kGoOn};
    loop.application.onFrame = [&](int frame) {
        if (frame == 1) loop.Queue({KeyDown('Q'), KeyUp('Q')});
    };
    EXPECT_EQ(loop.RunWith(run_flags::kAnyKeyEnds), run_result::kStoppedByUser);
    EXPECT_EQ(loop.log, (Log{"init", "frame", "swap", "uninit"}));
}

// --- PumpMessages ---------------------------------------------------------

TEST(PumpMessages, HandsEveryPendingMessageToTheWindowProcedureInOrder) {
    LoopHarness loop;
    loop.Queue({Plain(msg::kPaint, 1), KeyDown('A'), Plain(msg::kPaint, 2)});
    EXPECT_FALSE(PumpMessages(loop.queue, loop.procedure));
    EXPECT_TRUE(loop.queue.pending.empty());
    EXPECT_TRUE(loop.keyboard.IsDown('A'));
    ASSERT_EQ(loop.queue.defaulted.size(), 2u);
    EXPECT_EQ(loop.queue.defaulted[0].wParam, 1u);
    EXPECT_EQ(loop.queue.defaulted[1].wParam, 2u);
}

TEST(PumpMessages, QuitInTheQueueIsReportedAfterTheMessagesBehindItAreHandled) {
    LoopHarness loop;
    loop.Queue({Plain(msg::kQuit), KeyDown('A'), Plain(msg::kSize, 0, msg::PackSize(320, 200))});
    EXPECT_TRUE(PumpMessages(loop.queue, loop.procedure));
    EXPECT_TRUE(loop.queue.pending.empty());
    EXPECT_TRUE(loop.keyboard.IsDown('A'));
    EXPECT_EQ(loop.window.resizes.size(), 1u);
    EXPECT_FALSE(PumpMessages(loop.queue, loop.procedure));
}

// --- WindowProcedure --------------------------------------------------------

TEST(WindowProcedure, SizeResizesToTheLowAndHigh16BitsOfLParam) {
    LoopHarness loop;
    EXPECT_EQ(loop.procedure.Handle(Plain(msg::kSize, 0, (600 << 16) | 800)), 0);
    EXPECT_EQ(loop.procedure.Handle(Plain(msg::kSize, 0, msg::PackSize(0xFFFF, 0xFFFF))), 0);
    ASSERT_EQ(loop.window.resizes.size(), 2u);
    EXPECT_EQ(loop.window.resizes[0].width, 800);
    EXPECT_EQ(loop.window.resizes[0].height, 600);
    EXPECT_EQ(loop.window.resizes[1].width, 65535);
    EXPECT_EQ(loop.window.resizes[1].height, 65535);
    EXPECT_TRUE(loop.queue.defaulted.empty());
}

TEST(WindowProcedure, ClosePostsAQuitWithCodeZeroAndNothingElse) {
    LoopHarness loop;
    loop.queue.quitCode = 99;
    EXPECT_EQ(loop.procedure.Handle(Plain(msg::kClose)), 0);
    EXPECT_EQ(loop.queue.quitsPosted, 1);
    EXPECT_EQ(loop.queue.quitCode, 0);
    EXPECT_TRUE(loop.queue.defaulted.empty());
}

TEST(WindowProcedure, RefusesScreenSaverAndMonitorPowerOnly) {
    LoopHarness loop;
    loop.queue.defaultResult = 77;
    EXPECT_EQ(loop.procedure.Handle(Plain(msg::kSysCommand, msg::kScreenSaveCommand)), 0);
    EXPECT_EQ(loop.procedure.Handle(Plain(msg::kSysCommand, msg::kMonitorPowerCommand)), 0);
    EXPECT_TRUE(loop.queue.defaulted.empty());

    EXPECT_EQ(loop.procedure.Handle(Plain(msg::kSysCommand, kCloseCommand)), 77);
    EXPECT_EQ(loop.procedure.Handle(Plain(msg::kSysCommand, msg::kScreenSaveCommand + 1)), 77);
    EXPECT_EQ(loop.queue.defaulted.size(), 2u);
}

TEST(WindowProcedure, EverythingElseGetsTheDefaultHandlingAndItsResult) {
    LoopHarness loop;
    loop.queue.defaultResult = -5;
    EXPECT_EQ(loop.procedure.Handle(Plain(msg::kPaint, 3, 4)), -5);
    ASSERT_EQ(loop.queue.defaulted.size(), 1u);
    EXPECT_EQ(loop.queue.defaulted[0].id, msg::kPaint);
    EXPECT_EQ(loop.queue.defaulted[0].wParam, 3u);
    EXPECT_EQ(loop.queue.defaulted[0].lParam, 4);
    EXPECT_TRUE(loop.window.resizes.empty());
}

// --- Program entry ----------------------------------------------------------

TEST(ProgramEntry, AsksFullscreenWithNoAsTheDefaultAndOnlyYesGivesFullScreen) {
    RecordingMessageBoxes boxes;
    EXPECT_FALSE(AskFullscreen(boxes));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Fullscreen?");
    EXPECT_EQ(boxes.boxes[0].caption, "Fullscreen");
    EXPECT_EQ(boxes.boxes[0].icon, MessageBoxIcon::Question);
    EXPECT_EQ(boxes.boxes[0].buttons, MessageBoxButtons::YesNoDefaultNo);

    boxes.answer = MessageBoxAnswer::Yes;
    EXPECT_TRUE(AskFullscreen(boxes));
    boxes.answer = MessageBoxAnswer::Ok;
    EXPECT_FALSE(AskFullscreen(boxes));
}

TEST(ProgramEntry, ReportsOnlyFailuresAndRuntimeErrors) {
    const std::vector<std::pair<int32_t, std::string>> expected = {
        {run_result::kInitFailed, "Initialization failed"},
        {run_result::kUninitFailed, "Uninitialization failed"},
        {run_result::kRuntimeError, "Runtime error"}};
    for (const auto& [result, text] : expected) {
        RecordingMessageBoxes boxes;
        ReportRunResult(boxes, result);
        ASSERT_EQ(boxes.boxes.size(), 1u) << result;
        EXPECT_EQ(boxes.boxes[0].text, text);
        EXPECT_EQ(boxes.boxes[0].caption, "Error");
        EXPECT_EQ(boxes.boxes[0].icon, MessageBoxIcon::Error);
        EXPECT_EQ(boxes.boxes[0].buttons, MessageBoxButtons::Ok);
    }
    for (int32_t quiet :
         {0, run_result::kShowOver, run_result::kStoppedByUser, run_result::kQuitMessage, 7, -1}) {
        RecordingMessageBoxes boxes;
        ReportRunResult(boxes, quiet);
        EXPECT_TRUE(boxes.boxes.empty()) << quiet;
    }
}
