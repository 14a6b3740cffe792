// Starting the timeline again, as a seek does before it replays the show:
// every event acts again, the state at the new time is what a Goto there
// gives, and a newly read script can be taken over.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "script/ScriptEngine.h"
#include "support/Doubles.h"
#include "textures/TextureRegistry.h"

namespace {

constexpr uint32_t kFrame = 15;

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
    void Frame(uint32_t elapsed) {
        engine->Step(elapsed);
        for (int32_t scene = 0; scene < 5; ++scene) engine->GetParams(scene).patternEvent = 0;
    }
    void PlayUntil(uint32_t until) {
        while (engine->Now() < until) Frame(kFrame);
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
        seeking.engine->SetStartPosition(time);
        seeking.engine->Rewind();
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
    playing.engine->SetStartPosition(2000);
    playing.engine->Rewind();
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
