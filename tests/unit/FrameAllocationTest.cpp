// Proves that a frame of the show allocates nothing.
//
// The counting operator new comes from support/AllocationCounter.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "demo/DemoHost.h"
#include "support/AllocationCounter.h"
#include "support/Doubles.h"
#include "time/PlayHead.h"

namespace {

// An effect with the shape of a real one: it integrates dt, reacts to step
// characters and draws while running, all without allocating.
class QuietEffect : public Effect {
public:
    int32_t Init() override { return 0; }
    int32_t Uninit() override { return 0; }
    void Render() override { ++renders; }
    int32_t Update(uint32_t dt) override {
        runningTime += static_cast<double>(dt) * 0.001;
        if (params.patternEvent != 0) ++stepsSeen;
        return 0;
    }
    void Rewind() override { runningTime = 0.0; }
    double runningTime = 0.0;
    int renders = 0;
    int stepsSeen = 0;
};

// Pictures, music, a macro, patterns, timed sets, fades, triggers and
// pattern switches over eight bars, as a show script has them.
const char* const kShowScript =
    "LoadImage noise noise.png repeat\n"
    "LoadImage pic1 pic1.png\n"
    "LoadMusic song.mp3 125 4\n"
    "Define FLASH=bool.1\n"
    "DefinePattern 0 x.x.y...\n"
    "DefinePattern 1 abcdabcd\n"
    "=0 Set scene.0.bool.0 true\n"
    "=0 Set scene.1.bool.0 true\n"
    "=0 Set scene.2.bool.0 true\n"
    "=0 Set scene.4.bool.0 true\n"
    "=0 UsePattern 0\n"
    "=0 Fade scene.1.dbl.0 from 0 to 1 time #1.0\n"
    "#0.2 Set scene.2.lng.0 5\n"
    "#1.0 Set scene.3.bool.0 true\n"
    "#1.0 Trig scene.3.FLASH\n"
    "#1.2 Fade scene.4.dbl.2 from 1 to 0 time =500\n"
    "#2.0 UsePattern 1\n"
    "#3.0 Trig scene.3.FLASH\n"
    "#4.0 DisablePattern\n"
    "#6.0 UsePattern 0\n"
    "End #8.0\n";

}  // namespace

TEST(FrameAllocation, AFrameOfTheShowAndReplayingAllocateNothing) {
    HeadlessHostServices doubles;
    ManualClock& clock = doubles.clock;
    TempScript script(kShowScript);
    auto host = std::make_unique<DemoHost>(doubles.Services(script.Path()));
    QuietEffect effects[5];
    for (QuietEffect& effect : effects) host->AddEffect(&effect);
    host->SetPassCount(2);
    ASSERT_EQ(host->Init(), 0) << (doubles.boxes.boxes.empty() ? "" : doubles.boxes.boxes[0].text);

    int frames = 0;
    int32_t result = frame_result::kGoOn;
    size_t allocations = 0;
    {
        CountingAllocations counter;
        while (result == frame_result::kGoOn && frames < 2000) {
            clock.now += 16;
            result = host->Frame();
            ++frames;
        }
        // Bringing the show back to a frame, as a seek does.
        PlayHead(*host, 60).SeekTo(300);
        allocations = counter.Count();
    }

    EXPECT_EQ(allocations, 0u);
    // The frames measured did play the whole show.
    EXPECT_EQ(result, frame_result::kShowOver);
    EXPECT_GT(frames, 900);
    EXPECT_GT(effects[0].stepsSeen, 0);
    EXPECT_GT(effects[3].renders, 0);
    EXPECT_EQ(doubles.frameHooks.begins, 2 * (frames + 1));  // and one frame drawn for the seek
}
