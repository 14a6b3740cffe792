#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "demo/DemoHost.h"
#include "support/Doubles.h"
#include "time/PlayHead.h"

using Log = std::vector<std::string>;

namespace {

// An effect that logs its calls as "name:call" and keeps what it saw in
// every Update since it was last rewound. Update scribbles on its own copy
// of the record, which must not outlive the pass. bool.2 says that its
// drawing shows earlier frames.
class RecordingEffect : public Effect {
public:
    struct Seen {
        int32_t pass;
        uint32_t dt;
        EffectParams params;
    };

    RecordingEffect(std::string name, Log& log) : name(std::move(name)), log(log) {}

    int32_t Init() override {
        log.push_back(name + ":init");
        texturesAtInit = textures;
        toolkitAtInit = toolkit;
        return initResult;
    }
    int32_t Uninit() override {
        log.push_back(name + ":uninit");
        return uninitResult;
    }
    void Render() override {
        log.push_back(name + ":render");
        ++renders;
    }
    int32_t Update(uint32_t dt) override {
        log.push_back(name + ":update:" + std::to_string(pass));
        seen.push_back({pass, dt, params});
        params.dblParams[3] += 1000.0;
        params.lngParams[1] = -1;
        return 5;  // ignored by the host
    }
    void Rewind() override {
        log.push_back(name + ":rewind");
        seen.clear();
    }
    bool NeedsEarlierFrames() const override { return params.boolParams[2]; }

    std::string name;
    Log& log;
    int32_t initResult = 0;
    int32_t uninitResult = 0;
    TextureRegistry* texturesAtInit = nullptr;
    RenderToolkit* toolkitAtInit = nullptr;
    std::vector<Seen> seen;
    int renders = 0;
};

// A manual clock whose readings show up in the shared log.
class LoggingClock : public ManualClock {
public:
    uint32_t Milliseconds() override {
        if (log) log->push_back("clock:read");
        return ManualClock::Milliseconds();
    }
};

// The host only hands the toolkit on; any distinct address will do.
int toolkitStandIn = 0;
RenderToolkit* const kToolkit = reinterpret_cast<RenderToolkit*>(&toolkitStandIn);

}  // namespace

class DemoHostTest : public ::testing::Test {
protected:
    DemoHostTest() {
        clock.log = &log;
        music.log = &log;
        frameHooks.log = &log;
    }

    // The host is large (the script engine's event table), so it lives on
    // the heap.
    void MakeHost(const std::string& scriptText, int32_t passCount = 2) {
        script = std::make_unique<TempScript>(scriptText);
        HostServices services{clock, music, boxes, textureFactory, loadingViews, frameHooks};
        services.toolkit = kToolkit;
        services.scriptPath = script->Path();
        host = std::make_unique<DemoHost>(services);
        host->SetPassCount(passCount);
    }

    RecordingEffect& AddEffect(const std::string& name) {
        effects.push_back(std::make_unique<RecordingEffect>(name, log));
        host->AddEffect(effects.back().get());
        return *effects.back();
    }

    // Runs one frame `dt` ms after the previous clock reading and returns
    // its result; the log then holds that frame alone.
    int32_t FrameAfter(uint32_t dt) {
        clock.now += dt;
        log.clear();
        return host->Frame();
    }

    Log log;
    LoggingClock clock;
    RecordingMusicPlayer music;
    RecordingMessageBoxes boxes;
    RecordingTextureFactory textureFactory;
    RecordingLoadingViewFactory loadingViews{log};
    RecordingFrameHooks frameHooks;
    std::unique_ptr<TempScript> script;
    std::vector<std::unique_ptr<RecordingEffect>> effects;
    std::unique_ptr<DemoHost> host;
};

// --- Init -------------------------------------------------------------------

TEST_F(DemoHostTest, InitBringsTheShowUpBehindTheLoadingScreen) {
    MakeHost("// three lines\nLoadMusic song.mp3 125 4\nGoto =3000");
    RecordingEffect& first = AddEffect("a");
    AddEffect("b");

    ASSERT_EQ(host->Init(), 0);
    EXPECT_EQ(log, (Log{"loading:load:data/png/loading.png", "loading:fade-in", "loading:tick",
                        "music:load:song.mp3", "loading:tick", "loading:tick", "a:init", "b:init",
                        "sleep:1000", "loading:fade-out", "music:play", "clock:read",
                        "music:position:3000", "loading:destroyed"}));
    EXPECT_EQ(first.texturesAtInit, &host->Textures());
    EXPECT_EQ(first.toolkitAtInit, kToolkit);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(DemoHostTest, ScriptErrorFailsInitBeforeAnyEffectStarts) {
    MakeHost("Bogus line");
    AddEffect("a");

    EXPECT_EQ(host->Init(), 1);
    EXPECT_EQ(log, (Log{"loading:load:data/png/loading.png", "loading:fade-in", "loading:tick",
                        "loading:destroyed"}));
    EXPECT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(music.playCount, 0);
}

TEST_F(DemoHostTest, FailingEffectInitStopsTheStartAndLeavesTheRestAlone) {
    MakeHost("// one line");
    AddEffect("a");
    AddEffect("b").initResult = 1;
    AddEffect("c");

    EXPECT_EQ(host->Init(), 1);
    EXPECT_EQ(log, (Log{"loading:load:data/png/loading.png", "loading:fade-in", "loading:tick",
                        "a:init", "b:init", "loading:destroyed"}));
}

// --- Frame ------------------------------------------------------------------

TEST_F(DemoHostTest, FrameUpdatesEveryEffectAndDrawsTheRunningOnesPassByPass) {
    MakeHost("=0 Set scene.0.bool.0 true");
    AddEffect("a");
    AddEffect("b");
    ASSERT_EQ(host->Init(), 0);

    EXPECT_EQ(FrameAfter(16), frame_result::kGoOn);
    EXPECT_EQ(log,
              (Log{"clock:read", "begin-pass", "a:update:0", "a:render", "b:update:0", "end-pass",
                   "begin-pass", "a:update:1", "a:render", "b:update:1", "end-pass"}));
}

TEST_F(DemoHostTest, EveryUpdateGetsAFreshCopyOfTheRecordThePassAndTheFramesDt) {
    MakeHost("=0 Set scene.0.bool.0 true\n=0 Set scene.0.dbl.3 2.5\n=0 Set scene.0.lng.1 7");
    RecordingEffect& effect = AddEffect("a");
    ASSERT_EQ(host->Init(), 0);

    FrameAfter(16);
    FrameAfter(20);
    ASSERT_EQ(effect.seen.size(), 4u);
    const int32_t passes[] = {0, 1, 0, 1};
    const uint32_t dts[] = {16, 16, 20, 20};
    for (size_t i = 0; i < effect.seen.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(effect.seen[i].pass, passes[i]);
        EXPECT_EQ(effect.seen[i].dt, dts[i]);
        EXPECT_EQ(effect.seen[i].params.dblParams[3], 2.5);
        EXPECT_EQ(effect.seen[i].params.lngParams[1], 7);
        EXPECT_TRUE(effect.seen[i].params.boolParams[0]);
    }
    EXPECT_EQ(host->Script().GetParams(0).dblParams[3], 2.5);
    EXPECT_EQ(host->Script().Now(), 36u);
}

TEST_F(DemoHostTest, DtIsMeasuredFromTheReadingInInitAcrossTheClocksWrap) {
    MakeHost("=0 Set scene.0.bool.0 true");
    RecordingEffect& effect = AddEffect("a");
    clock.now = 0xFFFFFFF0u - DemoHost::kReadyPause;  // Init sleeps before its reading
    ASSERT_EQ(host->Init(), 0);

    clock.now = 0x10;
    host->Frame();
    ASSERT_EQ(effect.seen.size(), 2u);
    EXPECT_EQ(effect.seen[0].dt, 0x20u);
    EXPECT_EQ(host->Script().Now(), 0x20u);
}

TEST_F(DemoHostTest, EffectIsDrawnOnlyWhileItsRunningFlagIsSet) {
    MakeHost("=100 Set scene.0.bool.0 true\n=200 Set scene.0.bool.0 false");
    RecordingEffect& effect = AddEffect("a");
    ASSERT_EQ(host->Init(), 0);

    FrameAfter(50);
    EXPECT_EQ(effect.renders, 0);
    FrameAfter(100);
    EXPECT_EQ(effect.renders, 2);
    FrameAfter(100);
    EXPECT_EQ(effect.renders, 2);
    EXPECT_EQ(effect.seen.size(), 6u);
}

TEST_F(DemoHostTest, PatternCharacterReachesEveryEffectInTheFirstPassOnly) {
    MakeHost("DefinePattern 0 x\n=0 UsePattern 0");
    RecordingEffect& first = AddEffect("a");
    RecordingEffect& second = AddEffect("b");
    ASSERT_EQ(host->Init(), 0);

    // A step lasts 120 ms at the default tempo; the pattern starts within a
    // few frames.
    bool delivered = false;
    for (int frame = 0; frame < 10 && !delivered; ++frame) {
        FrameAfter(120);
        delivered = first.seen[first.seen.size() - 2].params.patternEvent != 0;
    }
    ASSERT_TRUE(delivered);
    const size_t pass0 = first.seen.size() - 2;
    EXPECT_EQ(first.seen[pass0].params.patternEvent, 'x');
    EXPECT_EQ(first.seen[pass0 + 1].params.patternEvent, 0);
    EXPECT_EQ(second.seen[pass0].params.patternEvent, 'x');
    EXPECT_EQ(second.seen[pass0 + 1].params.patternEvent, 0);
}

TEST_F(DemoHostTest, LastFrameIsFullyDrawnBeforeItReportsTheEnd) {
    MakeHost("=0 Set scene.0.bool.0 true\nEnd =100");
    AddEffect("a");
    ASSERT_EQ(host->Init(), 0);

    EXPECT_EQ(FrameAfter(60), frame_result::kGoOn);
    EXPECT_EQ(FrameAfter(60), frame_result::kShowOver);
    EXPECT_EQ(log, (Log{"clock:read", "begin-pass", "a:update:0", "a:render", "end-pass",
                        "begin-pass", "a:update:1", "a:render", "end-pass"}));
}

TEST_F(DemoHostTest, WithoutPassesOnlyTheTimelineAdvances) {
    MakeHost("=0 Set scene.0.bool.0 true\nEnd =100", 0);
    RecordingEffect& effect = AddEffect("a");
    ASSERT_EQ(host->Init(), 0);

    EXPECT_EQ(FrameAfter(60), frame_result::kGoOn);
    EXPECT_EQ(FrameAfter(60), frame_result::kShowOver);
    EXPECT_EQ(log, Log{"clock:read"});
    EXPECT_TRUE(effect.seen.empty());
    EXPECT_EQ(host->Script().Now(), 120u);
}

TEST_F(DemoHostTest, ASeekReplaysEveryFrameBeforeAndDrawsOnlyWhatTheNextOneShows) {
    // 100 frames a second from the Goto; frames 50 to 99 show earlier
    // frames. A pattern switched on before the Goto plays from the start
    // of the show as it did the first time.
    MakeHost("Goto =300\nDefinePattern 0 x.y\n=0 UsePattern 0\n=0 Set scene.0.bool.0 true\n"
             "=800 Set scene.0.bool.2 true\n=1300 Set scene.0.bool.2 false");
    RecordingEffect& effect = AddEffect("a");
    ASSERT_EQ(host->Init(), 0);
    const FrameGrid grid(300, 100);
    // What each update saw since the last rewind, in order.
    const auto updates = [&effect] {
        Log seen;
        for (const RecordingEffect::Seen& update : effect.seen) {
            seen.push_back(std::to_string(update.pass) + ":" + std::to_string(update.dt) + ":" +
                           std::to_string(update.params.patternEvent) + ":" +
                           std::to_string(update.params.boolParams[2]));
        }
        return seen;
    };
    for (uint64_t n = 0; n < 120; ++n) FrameAfter(grid.StepTo(n));
    const Log played = updates();

    struct Case {
        uint64_t frame;
        int drawnBefore;  // frames drawn, not shown, before it
    };
    const int most = static_cast<int>(PlayHead::MostWarmUpFrames(100));  // 25
    PlayHead head(*host, 100);
    for (const Case c : {Case{0, 0}, {5, 1}, {53, 4}, {80, most}, {101, 1}}) {
        SCOPED_TRACE(c.frame);
        frameHooks.begins = 0;
        head.SeekTo(c.frame);
        head.DrawFrame();
        EXPECT_EQ(frameHooks.begins, 2 * (c.drawnBefore + 1));
        EXPECT_EQ(host->Script().Now(), grid.TimeOf(c.frame));
        EXPECT_EQ(updates(), Log(played.begin(), played.begin() + 2 * static_cast<ptrdiff_t>(c.frame + 1)));
    }
}

TEST_F(DemoHostTest, SixtyFifthEffectIsIgnored) {
    MakeHost("=0 Set scene.63.bool.0 true");
    for (int i = 0; i <= DemoHost::kMaxEffects; ++i) {
        AddEffect(std::string("e").append(std::to_string(i)));
    }
    EXPECT_EQ(host->EffectCount(), DemoHost::kMaxEffects);

    ASSERT_EQ(host->Init(), 0);
    FrameAfter(16);
    EXPECT_EQ(host->Uninit(), 0);
    EXPECT_EQ(effects[63]->renders, 2);  // the last effect has the last record
    EXPECT_EQ(log.back(), "e63:uninit");
    EXPECT_EQ(effects[64]->texturesAtInit, nullptr);
    EXPECT_TRUE(effects[64]->seen.empty());
}

// --- Uninit -----------------------------------------------------------------

TEST_F(DemoHostTest, UninitStopsAtTheFirstFailure) {
    MakeHost("// one line");
    AddEffect("a");
    AddEffect("b").uninitResult = -1;
    AddEffect("c");
    ASSERT_EQ(host->Init(), 0);

    log.clear();
    EXPECT_EQ(host->Uninit(), 1);
    EXPECT_EQ(log, (Log{"a:uninit", "b:uninit"}));
}
