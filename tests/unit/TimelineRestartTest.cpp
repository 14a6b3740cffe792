// Restarting the timeline at any time, as the preview seeks: every event
// acts again, the state at the new time is what a Goto there gives, a
// pattern keeps its beat, and a newly read script can be taken over.
#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "script/ScriptEngine.h"
#include "support/Doubles.h"
#include "textures/TextureRegistry.h"

namespace {

constexpr uint32_t kFrame = 15;  // 1/8 of a step at 125 beats per minute

struct Delivery {
    uint32_t now;
    char character;
    bool operator==(const Delivery&) const = default;
    friend void PrintTo(const Delivery& d, std::ostream* out) {
        *out << "{" << d.now << ", '" << d.character << "'}";
    }
};
using Deliveries = std::vector<Delivery>;

// Sets, triggers, fades (one running across the times tried, one over
// before them) and pattern switches.
const char* const kScript =
    "DefinePattern 0 abcdefgh\n"
    "DefinePattern 1 xy\n"
    "=0 UsePattern 0\n"
    "=1000 Set scene.0.dbl.0 1\n"
    "=3000 Set scene.0.dbl.0 2\n"
    "=2500 Trig scene.1.bool.1\n"
    "=4000 Set scene.2.lng.0 3\n"
    "=1000 Fade scene.1.dbl.1 from 0 to 1 time =4000\n"
    "=0 Fade scene.1.dbl.2 from 4 to 2 time =500\n"
    "=3500 UsePattern 1\n";

class Player {
public:
    explicit Player(const std::string& text) : script(text) {
        EXPECT_TRUE(engine->Load(script.Path(), &registry)) << testing::PrintToString(boxes.Texts());
    }
    // One frame as the host plays it.
    char Frame(uint32_t elapsed) {
        engine->Step(elapsed);
        const char c = engine->GetParams(0).patternEvent;
        for (int32_t scene = 0; scene < 5; ++scene) engine->GetParams(scene).patternEvent = 0;
        return c;
    }
    Deliveries PlayUntil(uint32_t until) {
        Deliveries delivered;
        while (engine->Now() < until) {
            if (const char c = Frame(kFrame)) delivered.push_back({engine->Now(), c});
        }
        return delivered;
    }

    TempScript script;
    RecordingMessageBoxes boxes;
    RecordingMusicPlayer music;
    RecordingTextureFactory factory;
    TextureRegistry registry{factory};
    std::unique_ptr<ScriptEngine> engine = std::make_unique<ScriptEngine>(boxes, music);
};

void ExpectSameRecords(ScriptEngine& a, ScriptEngine& b, uint32_t time) {
    for (int32_t scene = 0; scene < 3; ++scene) {
        const EffectParams& x = a.GetParams(scene);
        const EffectParams& y = b.GetParams(scene);
        for (int i = 0; i < EffectParams::kDblCount; ++i)
            EXPECT_DOUBLE_EQ(x.dblParams[i], y.dblParams[i]) << time << " scene " << scene << " dbl." << i;
        for (int i = 0; i < EffectParams::kLngCount; ++i)
            EXPECT_EQ(x.lngParams[i], y.lngParams[i]) << time << " scene " << scene << " lng." << i;
        for (int i = 0; i < EffectParams::kBoolCount; ++i)
            EXPECT_EQ(x.boolParams[i], y.boolParams[i]) << time << " scene " << scene << " bool." << i;
    }
}

}  // namespace

TEST(TimelineRestart, AnyTimeForwardOrBackLooksAsAGotoThereWould) {
    Player seeking(kScript);
    seeking.engine->Start();
    seeking.PlayUntil(5000);

    // Forward and back again, past and before events already consumed.
    for (const uint32_t time : {2000u, 200u, 4200u, 0u, 2500u, 1000u}) {
        seeking.engine->Restart(time);
        Player fresh(kScript);
        fresh.engine->SetStartPosition(time);
        fresh.engine->Start();
        EXPECT_EQ(seeking.engine->Now(), time);
        for (int frame = 0; frame < 3; ++frame) {
            seeking.Frame(16);
            fresh.Frame(16);
            ExpectSameRecords(*seeking.engine, *fresh.engine, time);
            EXPECT_EQ(seeking.engine->CurrentPattern(), fresh.engine->CurrentPattern()) << time;
        }
    }
    // The music is the caller's to move.
    EXPECT_TRUE(seeking.music.positions.empty());
}

TEST(TimelineRestart, RestartingBackUndoesWhatCameLater) {
    Player player(kScript);
    player.engine->Start();
    player.PlayUntil(4500);
    ASSERT_EQ(player.engine->GetParams(2).lngParams[0], 3);

    player.engine->Restart(1500);
    player.Frame(0);
    EXPECT_EQ(player.engine->GetParams(2).lngParams[0], 0);
    EXPECT_EQ(player.engine->GetParams(0).dblParams[0], 1.0);
    // The running fade takes its value at 1500 ms: an eighth of the way.
    EXPECT_DOUBLE_EQ(player.engine->GetParams(1).dblParams[1], 0.125);
    EXPECT_DOUBLE_EQ(player.engine->GetParams(1).dblParams[2], 2.0);
    // The trigger at 2500 fires again when the clock gets there.
    player.PlayUntil(2490);
    EXPECT_FALSE(player.engine->GetParams(1).boolParams[1]);
    player.Frame(kFrame);
    EXPECT_TRUE(player.engine->GetParams(1).boolParams[1]);
}

TEST(TimelineRestart, APatternPlaysOnFromTheStepItWouldHaveReached) {
    // Steps every 120 ms from the switch at 0: played through, step 4 ('e')
    // falls on 480 ms, step 5 on 600 ms, and so on.
    Player player("DefinePattern 0 abcdefgh\n=0 UsePattern 0\n");
    player.engine->Start();
    player.PlayUntil(3000);

    // On a step: that step is still due, one frame after the switching one.
    player.engine->Restart(480);
    EXPECT_EQ(player.PlayUntil(1000),
              (Deliveries{{510, 'e'}, {600, 'f'}, {720, 'g'}, {840, 'h'}, {960, 'a'}}));

    // Between steps: the step before is over; the next comes on time.
    player.engine->Restart(500);
    EXPECT_EQ(player.PlayUntil(750), (Deliveries{{605, 'f'}, {725, 'g'}}));

    // At the switch itself the pattern starts from its first step.
    player.engine->Restart(0);
    EXPECT_EQ(player.PlayUntil(130), (Deliveries{{30, 'a'}, {120, 'b'}}));
}

TEST(TimelineRestart, ASwitchAtTheRestartTimeOrADisableStartsFromTheFirstStep) {
    Player player(
        "DefinePattern 0 abcdefgh\nDefinePattern 1 wxyz\n"
        "=0 UsePattern 0\n=960 UsePattern 1\n=1920 DisablePattern\n=2400 UsePattern 0\n");
    player.engine->Start();
    player.PlayUntil(3000);

    // Pattern 1, switched on 240 ms (two steps) before the restart, goes on
    // with its step 2.
    player.engine->Restart(1200);
    EXPECT_EQ(player.PlayUntil(1450), (Deliveries{{1215 + kFrame, 'y'}, {1320, 'z'}, {1440, 'w'}}));

    // Pattern 1 is the one switched on at 960 ms itself: from its start.
    player.engine->Restart(960);
    EXPECT_EQ(player.PlayUntil(1100), (Deliveries{{990, 'w'}, {1080, 'x'}}));

    // Disabled before the restart: nothing plays until the next switch.
    player.engine->Restart(2000);
    EXPECT_EQ(player.PlayUntil(2390), Deliveries{});
}

TEST(TimelineRestart, AdoptedScriptReplacesEventsTempoEndAndPictures) {
    Player playing(
        "Define _IMG_DIR=old/\nLoadImage pic1 a.png\nLoadMusic song.ogg 125 4\n"
        "=0 Set scene.0.dbl.0 1\n=1000 Set scene.0.lng.0 5\nEnd =9000\n");
    playing.engine->Start();
    playing.PlayUntil(2000);

    Player edited(
        "Define _IMG_DIR=new/\nLoadImage pic1 b.bmp repeat\nLoadImage noise n.png\n"
        "LoadMusic song.ogg 100 3\n"
        "=0 Set scene.0.dbl.0 7\n=1500 Set scene.1.bool.2 true\nEnd =5000\n");
    playing.engine->AdoptScript(edited.engine->Script());
    playing.engine->Restart(2000);
    playing.Frame(0);

    EXPECT_EQ(playing.engine->Now(), 2000u);
    EXPECT_EQ(playing.engine->GetParams(0).dblParams[0], 7.0);
    EXPECT_EQ(playing.engine->GetParams(0).lngParams[0], 0);
    EXPECT_TRUE(playing.engine->GetParams(1).boolParams[2]);
    EXPECT_EQ(playing.engine->BeatLength(), 600.0);
    EXPECT_EQ(playing.engine->BarLength(), 1800.0);
    EXPECT_EQ(playing.engine->EndTime(), 5000u);
    ASSERT_EQ(playing.engine->Pictures().size(), 2u);
    EXPECT_EQ(playing.engine->Pictures()[0].handle, "pic1");
    EXPECT_EQ(playing.engine->Pictures()[0].fileName, "new/b.bmp");
    EXPECT_EQ(playing.engine->Pictures()[0].wrapMode, kWrapRepeat);
    EXPECT_EQ(playing.engine->Pictures()[1].fileName, "new/n.png");
}
