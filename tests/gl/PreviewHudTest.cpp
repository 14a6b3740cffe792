// The preview's HUD and timeline strip on a real GL context: the text
// lands where the font puts it, drawing either leaves the GL state as it
// was, and the show under them draws exactly as without them, in the
// window outside them and in its render targets. The strip scrubs, zooms
// around the pointer and names the line of the mark under it. A preview
// frame, HUD and strip included, allocates nothing.
#include <GL/gl.h>
#include <unistd.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include "gl/GlTestContext.h"
#include "gl/PreviewStack.h"
#include "render/TextOverlay.h"
#include "support/AllocationCounter.h"
#include "time/FrameGrid.h"

namespace {

class PreviewHud : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        ASSERT_EQ(chdir(SHOW_SOURCE_DIR), 0);
        Window().Resize(kWidth, kHeight);
    }
};

}  // namespace

TEST_F(PreviewHud, DrawingTextLeavesEveryGlStateAsItFoundIt) {
    SetUnusualGlState();
    const std::vector<float> before = GlStateSnapshot();
    const TextOverlay::Line lines[] = {{"#12.3  23040 ms  60 fps", 1.0f, 1.0f, 0.8f}};
    TextOverlay::Draw(lines, 1, kWidth, kHeight);
    EXPECT_EQ(GlStateSnapshot(), before);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(PreviewHud, TextLandsInTheFontAndNothingOutsideItsExtentChanges) {
    glClearColor(0.5f, 0.5f, 0.5f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    // "|" is the middle column of its cell, all seven rows; "." two by two
    // at the bottom right of the second cell.
    const TextOverlay::Line lines[] = {{"|", 1.0f, 0.0f, 0.0f}, {"x.", 0.0f, 1.0f, 0.0f}};
    TextOverlay::Draw(lines, 2, kWidth, kHeight);
    int32_t width = 0, height = 0;
    TextOverlay::Extent(lines, 2, width, height);
    EXPECT_EQ(width, 2 * TextOverlay::kMargin + 2 * bitmap_font::kAdvance * TextOverlay::kScale);
    EXPECT_EQ(height, TextOverlay::kMargin + 2 * TextOverlay::kLineHeight - TextOverlay::kScale);

    // Pixels from the top left; GL counts rows from the bottom.
    const auto at = [this](int x, int y) { return PixelAt(x, kHeight - 1 - y); };
    const int s = TextOverlay::kScale;
    const int left = TextOverlay::kMargin;
    const int top = TextOverlay::kMargin;
    for (int row = 0; row < 7; ++row) {
        EXPECT_EQ(at(left + 2 * s, top + row * s), (std::array<uint8_t, 4>{255, 0, 0, 255})) << row;
        // Beside the stroke, the band darkens the grey.
        const auto band = at(left, top + row * s);
        EXPECT_LT(band[0], 0x80);
        EXPECT_EQ(band[0], band[1]);
    }
    const int secondTop = top + TextOverlay::kLineHeight;
    const int dotLeft = left + bitmap_font::kAdvance * s;
    EXPECT_EQ(at(dotLeft + 2 * s, secondTop + 5 * s), (std::array<uint8_t, 4>{0, 255, 0, 255}));
    EXPECT_NE(at(dotLeft + 2 * s, secondTop + 4 * s)[1], 255);

    // Outside the extent the frame is as it was.
    for (const auto& [x, y] : std::vector<std::pair<int, int>>{
             {width, 0}, {width + 5, 10}, {0, height}, {width - 1, height}, {799, 599}}) {
        EXPECT_EQ(at(x, y), (std::array<uint8_t, 4>{128, 128, 128, 255})) << x << "," << y;
    }
}

TEST_F(PreviewHud, TheShowUnderTheHudAndTheTimelineDrawsAsWithoutThem) {
    // From bar 16: the swarm, the beat and the glow all at work.
    constexpr uint32_t kStart = 16 * 1920;
    constexpr int kFrames = 40;

    PreviewStack plain(Window());
    ASSERT_TRUE(plain.Start(kStart)) << testing::PrintToString(plain.messages.Texts());
    for (int i = 0; i < kFrames; ++i) plain.Frame(false);
    const std::vector<uint8_t> plainWindow = ReadWindowPixels();
    const std::vector<uint8_t> plainBuffer = ReadTexture(plain.host->Textures().Find("buffer"));
    const std::vector<uint8_t> plainGlow = ReadTexture(plain.host->Textures().Find("glowbuffer"));

    PreviewStack overlaid(Window());
    ASSERT_TRUE(overlaid.Start(kStart));
    overlaid.session->KeyPressed('T');
    for (int i = 0; i < kFrames; ++i) overlaid.Frame(true);
    const std::vector<uint8_t> overlaidWindow = ReadWindowPixels();
    EXPECT_EQ(ReadTexture(overlaid.host->Textures().Find("buffer")), plainBuffer);
    EXPECT_EQ(ReadTexture(overlaid.host->Textures().Find("glowbuffer")), plainGlow);
    ASSERT_EQ(overlaid.host->Script().Now(), plain.host->Script().Now());

    const HudText& text = overlaid.hud->Text();
    ASSERT_GE(text.count, 3);
    std::vector<TextOverlay::Line> lines;
    for (int32_t i = 0; i < text.count; ++i) lines.push_back({text.lines[i].text, 1, 1, 1});
    int32_t width = 0, height = 0;
    TextOverlay::Extent(lines.data(), text.count, width, height);

    size_t differentInHud = 0;
    size_t differentInStrip = 0;
    size_t differentOutside = 0;
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const size_t at = (static_cast<size_t>(y) * kWidth + x) * 4;
            if (std::equal(&overlaidWindow[at], &overlaidWindow[at] + 3, &plainWindow[at])) continue;
            if (x < width && kHeight - 1 - y < height) {
                ++differentInHud;
            } else if (y < TimelineStrip::kHeight) {
                ++differentInStrip;
            } else {
                ++differentOutside;
            }
        }
    }
    EXPECT_EQ(differentOutside, 0u);
    EXPECT_GT(differentInHud, 1000u);
    EXPECT_GT(differentInStrip, 20000u);
}

TEST_F(PreviewHud, TheTimelineScrubsZoomsAroundThePointerAndNamesTheLineUnderIt) {
    PreviewStack stack(Window());
    ASSERT_TRUE(stack.Start(0));
    stack.session->KeyPressed(vk::kSpace);
    stack.session->KeyPressed('T');
    stack.Frame(true);
    TimelineStrip& strip = *stack.timeline;
    ASSERT_EQ(strip.ViewSpan(), 66 * 1920.0);
    const int stripTop = kHeight - TimelineStrip::kHeight;
    const auto mouse = [&](uint32_t id, int x, int y, uintptr_t wParam = 0) {
        return strip.HandleMessage(Message{id, wParam, msg::PackPoint(x, y)});
    };

    // A click, then a drag: the paused show goes where the pointer is, to
    // the first frame at or after it at 60 frames a second.
    const auto frameAt = [](double time) {
        const FrameGrid grid(0, PreviewSession::kGridFps);
        return grid.TimeOf(grid.FirstAtOrAfter(static_cast<uint32_t>(std::lround(time))));
    };
    EXPECT_FALSE(mouse(msg::kLeftButtonDown, 400, stripTop - 1)) << "a click above the strip";
    EXPECT_TRUE(mouse(msg::kLeftButtonDown, 400, stripTop + 3));
    stack.Frame(true);
    EXPECT_EQ(stack.host->Script().Now(), frameAt(strip.TimeAt(400)));
    EXPECT_TRUE(mouse(msg::kMouseMove, 500, stripTop - 50));
    EXPECT_TRUE(mouse(msg::kLeftButtonUp, 500, stripTop - 50));
    stack.Frame(true);  // the seek's notice
    stack.Frame(true);
    EXPECT_EQ(stack.host->Script().Now(), frameAt(strip.TimeAt(500)));
    EXPECT_TRUE(stack.session->Paused());

    // Two notches of the wheel: a view 1.25 x 1.25 times narrower, with the
    // same time under the pointer.
    const double under = strip.TimeAt(500);
    EXPECT_TRUE(mouse(msg::kMouseWheel, 500, stripTop + 3, msg::PackWheel(2 * msg::kWheelNotch)));
    EXPECT_NEAR(strip.ViewSpan(), 66 * 1920.0 / (1.25 * 1.25), 1e-6);
    EXPECT_NEAR(strip.TimeAt(500), under, 1e-6);

    // Pointing at the first Set of bar 32 in scene 1's lane names its line,
    // above the strip, in the tooltip's near-white.
    const int x = static_cast<int>(std::lround(TimelineStrip::kLabelWidth +
                                               (32 * 1920.0 - strip.ViewStart()) / strip.ViewSpan() *
                                                   (kWidth - TimelineStrip::kLabelWidth - TimelineStrip::kRightMargin)));
    const int sceneOneY = stripTop + TimelineStrip::kRulerHeight + TimelineStrip::kLoudnessHeight +
                          TimelineStrip::kLaneHeight + TimelineStrip::kLaneHeight / 2;
    mouse(msg::kMouseMove, x + 2, sceneOneY);
    const TimelineMark* mark = strip.Hovered();
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->start, 32u * 1920u);
    EXPECT_EQ(mark->text, "#32.0 Set scene.1.bool.1 true");
    stack.Frame(true);
    int tooltipInk = 0;
    for (int y = kHeight - stripTop; y < kHeight - stripTop + 22; ++y) {
        for (int column = 0; column < kWidth; ++column) {
            tooltipInk += PixelAt(column, y) == std::array<uint8_t, 4>{242, 242, 242, 255};
        }
    }
    EXPECT_GT(tooltipInk, 100);

    // Drawing the strip, tooltip and all, leaves the GL state as it was.
    SetUnusualGlState();
    const std::vector<float> before = GlStateSnapshot();
    strip.Draw();
    EXPECT_EQ(GlStateSnapshot(), before);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(PreviewHud, APreviewFrameWithItsHudAndTimelineAllocatesNothing) {
    PreviewStack stack(Window());
    ASSERT_TRUE(stack.Start(16 * 1920));
    stack.session->KeyPressed('T');
    stack.session->KeyPressed('2');  // the model's scene, with parameters set
    // The pointer on the marks of bar 32 in scene 1's lane: a tooltip.
    stack.timeline->HandleMessage(Message{msg::kMouseMove, 0, msg::PackPoint(397, kHeight - 64)});
    for (int i = 0; i < 10; ++i) stack.Frame(true);
    ASSERT_NE(stack.timeline->Hovered(), nullptr);

    // A second of frames: the files are looked at four times.
    size_t allocations = 0;
    {
        CountingAllocations counter;
        for (int i = 0; i < 63; ++i) stack.Frame(true);
        allocations = counter.Count();
    }
    EXPECT_EQ(allocations, 0u);
    EXPECT_GE(stack.hud->Text().count, 4);
}
