#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "script/ScriptEngine.h"
#include "support/Doubles.h"
#include "textures/TextureRegistry.h"

namespace {

// Frames of 15 ms move the pattern player by exactly 1/8 step, so step
// times come out exact: one step every 120 ms at the initial tempo.
constexpr uint32_t kFrame = 15;

struct Delivery {
    uint32_t now;
    char character;
    bool operator==(const Delivery&) const = default;
};
using Deliveries = std::vector<Delivery>;

class TimelineTest : public ::testing::Test {
protected:
    void LoadAndStart(const std::string& text) {
        TempScript script(text);
        ASSERT_TRUE(engine->Load(script.Path(), &registry)) << ::testing::PrintToString(boxes.Texts());
        engine->Start();
    }

    EffectParams& Params(int32_t scene) { return engine->GetParams(scene); }

    // One frame as the host plays it: step, read the step character, then
    // clear it in the records of the registered effects.
    char Frame(uint32_t elapsed) {
        engine->Step(elapsed);
        const char c = Params(0).patternEvent;
        for (int32_t scene = 0; scene < 5; ++scene) Params(scene).patternEvent = 0;
        return c;
    }

    // The step characters delivered while the clock runs up to `until`.
    Deliveries PlayUntil(uint32_t until, uint32_t elapsed = kFrame) {
        Deliveries delivered;
        while (engine->Now() < until) {
            if (const char c = Frame(elapsed)) delivered.push_back({engine->Now(), c});
        }
        return delivered;
    }

    RecordingMessageBoxes boxes;
    RecordingMusicPlayer music;
    RecordingTextureFactory factory;
    TextureRegistry registry{factory};
    std::unique_ptr<ScriptEngine> engine = std::make_unique<ScriptEngine>(boxes, music);
};

// --- Sets ---------------------------------------------------------------------------

TEST_F(TimelineTest, SetsActOnTheirOwnSceneOnceTheClockReachesThem) {
    LoadAndStart("=100 Set scene.3.lng.2 7\n=100 Set scene.3.dbl.1 0.5\n=100 Set scene.3.bool.4 true\n");
    engine->Step(99);
    EXPECT_EQ(Params(3).lngParams[2], 0);
    engine->Step(1);
    EXPECT_EQ(Params(3).lngParams[2], 7);
    EXPECT_EQ(Params(3).dblParams[1], 0.5);
    EXPECT_TRUE(Params(3).boolParams[4]);
    EXPECT_EQ(Params(2).lngParams[2], 0);
}

TEST_F(TimelineTest, ForOneSlotTheLaterLineWinsWhateverTheTimes) {
    LoadAndStart("=200 Set scene.0.dbl.0 1\n=100 Set scene.0.dbl.0 2\n");
    engine->Step(300);
    EXPECT_EQ(Params(0).dblParams[0], 2.0);
}

TEST_F(TimelineTest, StartClearsEveryRecordAndLeavesTheMusicAtItsStart) {
    LoadAndStart("");
    Params(63).dblParams[9] = 5.0;
    Params(63).patternEvent = 'x';
    engine->Start();
    EXPECT_EQ(Params(63).dblParams[9], 0.0);
    EXPECT_EQ(Params(63).patternEvent, '\0');
    EXPECT_TRUE(music.positions.empty());
}

// --- Fades --------------------------------------------------------------------------

TEST_F(TimelineTest, FadeMovesInProportionToTheClock) {
    LoadAndStart("=0 Set scene.0.dbl.0 9\n=1000 Fade scene.0.dbl.0 from 0 to 1 time =1000\n");
    engine->Step(990);
    EXPECT_EQ(Params(0).dblParams[0], 9.0);
    engine->Step(16);  // 1006: from the from value, 6 ms in
    EXPECT_DOUBLE_EQ(Params(0).dblParams[0], 0.006);
    engine->Step(500);
    EXPECT_DOUBLE_EQ(Params(0).dblParams[0], 0.506);
    engine->Step(494);
    EXPECT_DOUBLE_EQ(Params(0).dblParams[0], 1.0);
    Params(0).dblParams[0] = 7.0;
    engine->Step(100);
    EXPECT_EQ(Params(0).dblParams[0], 7.0);
}

TEST_F(TimelineTest, FadeWhollyBetweenTwoFramesEndsAtItsToValue) {
    LoadAndStart("=1000 Fade scene.1.dbl.2 from 2 to -1 time =50\n");
    engine->Step(999);
    engine->Step(100);
    EXPECT_DOUBLE_EQ(Params(1).dblParams[2], -1.0);
}

TEST_F(TimelineTest, FadesOfNoLengthJumpToTheirToValue) {
    LoadAndStart("=100 Fade scene.0.dbl.3 from 0 to 3 time =0\n=100 Fade scene.0.dbl.4 from 1 to 2 time 7\n");
    engine->Step(100);
    EXPECT_EQ(Params(0).dblParams[3], 3.0);
    EXPECT_EQ(Params(0).dblParams[4], 2.0);
}

TEST_F(TimelineTest, SetAndFadeOfOneSlotInOneFrameActInLineOrder) {
    LoadAndStart(
        "=0 Set scene.0.dbl.0 5\n=0 Fade scene.0.dbl.0 from 0 to 1 time =1000\n"
        "=0 Fade scene.1.dbl.0 from 0 to 1 time =1000\n=0 Set scene.1.dbl.0 5\n");
    engine->Step(100);
    EXPECT_DOUBLE_EQ(Params(0).dblParams[0], 0.1);
    EXPECT_DOUBLE_EQ(Params(1).dblParams[0], 5.0);
    engine->Step(100);
    EXPECT_DOUBLE_EQ(Params(1).dblParams[0], 5.1);
}

// --- Triggers -----------------------------------------------------------------------

TEST_F(TimelineTest, TriggerRaisesItsFlagForOneFrameWhateverTheFrameLength) {
    LoadAndStart("=100 Trig scene.1.bool.1\n=100 Trig scene.2.dbl.3 7\n");
    engine->Step(99);
    EXPECT_FALSE(Params(1).boolParams[1]);
    engine->Step(5000);
    EXPECT_TRUE(Params(1).boolParams[1]);
    EXPECT_TRUE(Params(2).boolParams[3]);
    EXPECT_EQ(Params(2).dblParams[3], 0.0);
    engine->Step(1);
    EXPECT_FALSE(Params(1).boolParams[1]);
    EXPECT_FALSE(Params(2).boolParams[3]);
}

TEST_F(TimelineTest, TriggerOnABeatFiresInTheFirstFrameReachingIt) {
    LoadAndStart("#6.2 Trig scene.1.bool.1\n");
    std::vector<uint32_t> raised;
    while (engine->Now() < 20000) {
        engine->Step(16);
        if (Params(1).boolParams[1]) raised.push_back(engine->Now());
    }
    EXPECT_EQ(raised, std::vector<uint32_t>{12480});
}

// --- Patterns -----------------------------------------------------------------------

TEST_F(TimelineTest, FirstPatternPlaysFromStepZeroOneStepEvery120Ms) {
    LoadAndStart("DefinePattern 0 abcd\n=0 UsePattern 0\n");
    EXPECT_EQ(PlayUntil(500), (Deliveries{{30, 'a'}, {120, 'b'}, {240, 'c'}, {360, 'd'}, {480, 'a'}}));
}

TEST_F(TimelineTest, SilentStepsLeaveFramesWithoutACharacter) {
    LoadAndStart("DefinePattern 0 *...*...\n=0 UsePattern 0\n");
    EXPECT_EQ(PlayUntil(2000), (Deliveries{{30, '*'}, {480, '*'}, {960, '*'}, {1440, '*'}, {1920, '*'}}));
}

TEST_F(TimelineTest, StepsOfASlowFrameAreDeliveredOnePerFrameLatestFirst) {
    LoadAndStart("DefinePattern 0 abcd\n=0 UsePattern 0\n");
    EXPECT_EQ(Frame(1), '\0');
    EXPECT_EQ(Frame(480), 'a');  // steps 0 to 4 fall due
    std::string rest;
    while (const char c = Frame(0)) rest += c;
    EXPECT_EQ(rest, "dcba");
}

TEST_F(TimelineTest, AFullQueueDropsFurtherCharacters) {
    LoadAndStart("DefinePattern 0 " + std::string(127, '*') + "Z\n=0 UsePattern 0\n");
    Frame(1);
    // 8000 steps fall due; only steps 0 to 4095 fit, and step 4095 is a Z.
    EXPECT_EQ(Frame(960000), 'Z');
    int delivered = 1;
    while (Frame(0)) ++delivered;
    EXPECT_EQ(delivered, TimelinePlayer::kPendingStepCapacity);
}

TEST_F(TimelineTest, EmptyAndUndefinedPatternsPlayNothing) {
    LoadAndStart("DefinePattern 1\n=0 UsePattern 1\n=1000 UsePattern 7\n");
    EXPECT_TRUE(PlayUntil(3000).empty());
}

TEST_F(TimelineTest, OfSwitchesDueTogetherTheLaterLineWins) {
    LoadAndStart("DefinePattern 0 a\nDefinePattern 1 b\n=0 UsePattern 0\n=0 UsePattern 1\n");
    Frame(kFrame);
    EXPECT_EQ(engine->CurrentPattern(), 1);
    EXPECT_EQ(Frame(kFrame), 'b');
}

TEST_F(TimelineTest, PatternSwitchedOnAfterADisableStartsAfterTheStepWhereItStopped) {
    LoadAndStart(
        "DefinePattern 0 abcdefgh\nDefinePattern 1 wxyz\n"
        "=0 UsePattern 0\n=1000 DisablePattern\n=2000 UsePattern 1\n");
    // Disabled at 1005 with step 0 reached; pattern 1 switched on at 2010
    // therefore begins with its step 1, 1 step (8 frames) later.
    EXPECT_EQ(PlayUntil(2500),
              (Deliveries{{30, 'a'}, {120, 'b'}, {240, 'c'}, {360, 'd'}, {480, 'e'}, {600, 'f'},
                          {720, 'g'}, {840, 'h'}, {960, 'a'},
                          {2115, 'x'}, {2235, 'y'}, {2355, 'z'}, {2475, 'w'}}));
}

// --- Goto and End -------------------------------------------------------------------

TEST_F(TimelineTest, GotoStartsTheClockAndMusicThereWithPastEventsDueAtOnce) {
    LoadAndStart(
        "Goto =5000\n"
        "=1000 Set scene.0.dbl.0 1\n=3000 Set scene.0.dbl.0 2\n"
        "=4000 Trig scene.0.bool.1\n"
        "=5000 Set scene.0.lng.0 3\n=6000 Set scene.0.lng.1 4\n"
        "DefinePattern 0 a\nDefinePattern 1 b\n=1000 UsePattern 0\n=2000 UsePattern 1\n"
        "=4000 Fade scene.0.dbl.1 from 0 to 1 time =2000\n"
        "=0 Fade scene.0.dbl.2 from 0 to 1 time =1000\n");
    EXPECT_EQ(music.positions, std::vector<uint32_t>{5000});
    EXPECT_EQ(engine->Now(), 5000u);

    EXPECT_EQ(Frame(16), '\0');
    EXPECT_EQ(Params(0).dblParams[0], 2.0);
    EXPECT_TRUE(Params(0).boolParams[1]);
    EXPECT_EQ(Params(0).lngParams[0], 3);
    EXPECT_EQ(Params(0).lngParams[1], 0);
    EXPECT_EQ(engine->CurrentPattern(), 1);
    // A running fade takes its value at this time, an ended one its to value.
    EXPECT_DOUBLE_EQ(Params(0).dblParams[1], 0.508);
    EXPECT_DOUBLE_EQ(Params(0).dblParams[2], 1.0);

    EXPECT_EQ(Frame(16), 'b');
    EXPECT_FALSE(Params(0).boolParams[1]);
    EXPECT_DOUBLE_EQ(Params(0).dblParams[1], 0.516);
}

TEST_F(TimelineTest, WithoutEndTheShowNeverFinishes) {
    LoadAndStart("");
    for (int frame = 0; frame < 100; ++frame) engine->Step(1000000);
    EXPECT_FALSE(engine->IsFinished());
}

TEST_F(TimelineTest, EndFinishesTheShowInTheFirstFrameReachingIt) {
    LoadAndStart("End #72.0\n");
    engine->Step(138239);
    EXPECT_FALSE(engine->IsFinished());
    engine->Step(1);
    EXPECT_TRUE(engine->IsFinished());
}

TEST_F(TimelineTest, EndWithoutATimePrefixFinishesAfterTheFirstFrame) {
    LoadAndStart("End 5000\n");
    engine->Step(16);
    EXPECT_TRUE(engine->IsFinished());
}

}  // namespace
