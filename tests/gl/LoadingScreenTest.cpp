// The loading screen on a real GL context: its fades, its growth per script
// line, and what each frame shows.
#include <GL/gl.h>

#include "app/GlWindow.h"
#include "demo/LoadingScreen.h"
#include "gl/GlTestContext.h"
#include "support/Doubles.h"

namespace {

// Counts the frames shown and keeps the brightness of the first and last.
class FrameCounter : public WindowSurface {
public:
    void Swap() override {
        const auto pixel = GlTest::PixelAtForTests(5, 5);
        if (swaps == 0) first = pixel[0];
        last = pixel[0];
        ++swaps;
    }
    void Resize(int32_t, int32_t) override {}
    int32_t RefreshRate() override { return refreshRate; }
    int32_t refreshRate = 0;
    int swaps = 0;
    uint8_t first = 0;
    uint8_t last = 0;
};

class LoadingScreenGl : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        Window().Resize(kWidth, kHeight);
    }
    FrameCounter frames;
    ManualClock clock;
};

}  // namespace

TEST_F(LoadingScreenGl, FadesTakeOneHundredAndOneFramesEach) {
    LoadingScreen screen(frames, Window(), clock);
    screen.Load("no/such/loading.png");

    screen.FadeIn();
    EXPECT_EQ(frames.swaps, 101);
    EXPECT_EQ(frames.first, 0);      // the first frame is black
    EXPECT_GE(frames.last, 254);     // the last one all but white
    EXPECT_EQ(clock.sleeps.size(), 101u);

    frames = FrameCounter();
    screen.FadeOut();
    EXPECT_EQ(frames.swaps, 101);
    EXPECT_GE(frames.first, 254);
    EXPECT_EQ(frames.last, 0);
}

TEST_F(LoadingScreenGl, TicksShowAFrameOncePerDisplayRefreshAndAfterTheLastLine) {
    // 150 script lines read `msPerLine` apart on a display of `refreshRate`
    // Hz (0: unknown, taken as 60). Each line grows the picture; a frame
    // shows it when a refresh has passed since the last frame, and the end
    // of the script shows the final size unless the last line's frame did.
    struct Case {
        int32_t refreshRate;
        uint32_t msPerLine;
        int frames;
    };
    const Case cases[] = {
        {60, 0, 2},     // the first line, then the end
        {60, 5, 39},    // every fourth line (20 ms), and the end
        {0, 5, 39},     // the same
        {144, 5, 76},   // every other line (10 ms), and the end
        {60, 20, 150},  // every line, the last one included
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.refreshRate << " Hz, " << c.msPerLine << " ms");
        frames = FrameCounter();
        frames.refreshRate = c.refreshRate;
        LoadingScreen screen(frames, Window(), clock);
        for (int line = 0; line < 150; ++line) {
            screen.Tick();
            clock.now += c.msPerLine;
        }
        screen.Finish();
        EXPECT_EQ(frames.swaps, c.frames);
        EXPECT_TRUE(clock.sleeps.empty());
        EXPECT_FLOAT_EQ(screen.Scale(), 0.9999993f);
    }
}

TEST_F(LoadingScreenGl, DrawLeavesTheMatrixStackAsItWas) {
    LoadingScreen screen(frames, Window(), clock);
    screen.Load("no/such/loading.png");
    GLint before = 0, after = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &before);
    for (int i = 0; i < 40; ++i) screen.Draw(0.5f);
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &after);
    EXPECT_EQ(after, before);
    // A missing picture leaves the plain grey background.
    EXPECT_NEAR(PixelAt(400, 300)[0], 128, 1);
}
