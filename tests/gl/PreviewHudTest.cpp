// The preview's HUD and timeline strip on a real GL context: the text
// lands where the font puts it, drawing either leaves the GL state as it
// was, and the show under them draws exactly as without them, in the
// window outside them and in its render targets. The strip scrubs, zooms
// around the pointer, scrolls and names its lanes, lists the lines of the
// marks under the pointer, draws the music's loudness in decibels and
// keeps its ruler readable under the play head. A preview frame, HUD and
// strip included, allocates nothing.
#include <GL/gl.h>
#include <unistd.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <fstream>
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
            } else if (y < overlaid.timeline->Height()) {
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

TEST_F(PreviewHud, TheTimelineScrubsZoomsAroundThePointerScrollsItsLanesAndNamesTheLineUnderIt) {
    PreviewStack stack(Window());
    ASSERT_TRUE(stack.Start(0));
    stack.session->KeyPressed(vk::kSpace);
    stack.session->KeyPressed('T');
    stack.Frame(true);
    TimelineStrip& strip = *stack.timeline;
    ASSERT_EQ(strip.ViewSpan(), 66 * 1920.0);
    const int stripTop = kHeight - strip.Height();
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

    // Pointing at the first Set of bar 32 in the lane of scene.1.bool.1
    // names its line, above the strip, in the tooltip's near-white; the
    // lane's name is drawn beside it, glyph for glyph.
    const int32_t lane = strip.Model().FindLane(ParameterId{1, ParamKind::Bool, 1});
    ASSERT_GE(lane, strip.FirstLane());
    ASSERT_LT(lane, strip.FirstLane() + strip.LanesShown());
    const int laneTop = stripTop + TimelineStrip::kRulerHeight + TimelineStrip::kLoudnessHeight +
                        (lane - strip.FirstLane()) * TimelineStrip::kLaneHeight;
    const int x = static_cast<int>(std::lround(strip.XOf(32 * 1920.0)));
    mouse(msg::kMouseMove, x + 2, laneTop + TimelineStrip::kLaneHeight / 2);
    const TimelineMark* mark = strip.Hovered();
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->start, 32u * 1920u);
    EXPECT_EQ(mark->text, "#32.0 Set scene.1.bool.1 true");
    stack.Frame(true);
    const auto inkWithin = [&](int left, int top, int right, int bottom, const std::array<uint8_t, 4>& ink) {
        int count = 0;
        for (int y = top; y < bottom; ++y) {
            for (int column = left; column < right; ++column) count += PixelAt(column, kHeight - 1 - y) == ink;
        }
        return count;
    };
    EXPECT_GT(inkWithin(0, stripTop - 30, kWidth, stripTop, {242, 242, 242, 255}), 100);
    int glyphPixels = 0;
    for (const char c : strip.Model().LaneLabel(lane)) {
        for (int row = 0; row < bitmap_font::kGlyphHeight; ++row) glyphPixels += std::popcount(bitmap_font::GlyphRows(c)[row]);
    }
    EXPECT_EQ(inkWithin(0, laneTop, TimelineStrip::kLabelWidth, laneTop + TimelineStrip::kLaneHeight,
                        {199, 196, 184, 255}),
              glyphPixels);

    // Drawing the strip, tooltip and all, leaves the GL state as it was.
    SetUnusualGlState();
    const std::vector<float> before = GlStateSnapshot();
    strip.Draw();
    EXPECT_EQ(GlStateSnapshot(), before);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));

    // In a low window the strip keeps to the lower half, and the wheel over
    // the lanes' names scrolls through them, no further than the last.
    Window().Resize(kWidth, 300);
    stack.Frame(true);
    const int32_t lanes = static_cast<int32_t>(strip.Model().Lanes().size());
    ASSERT_LT(strip.LanesShown(), lanes);
    EXPECT_LE(strip.Height(), 150);
    const int lanesY = 300 - strip.Height() + TimelineStrip::kRulerHeight + TimelineStrip::kLoudnessHeight + 2;
    EXPECT_TRUE(mouse(msg::kMouseWheel, 20, lanesY, msg::PackWheel(-3 * msg::kWheelNotch)));
    EXPECT_EQ(strip.FirstLane(), 3);
    EXPECT_NEAR(strip.ViewSpan(), 66 * 1920.0 / (1.25 * 1.25), 1e-6) << "scrolling zoomed";
    mouse(msg::kMouseWheel, 20, lanesY, msg::PackWheel(-100 * msg::kWheelNotch));
    EXPECT_EQ(strip.FirstLane() + strip.LanesShown(), lanes);
}

TEST_F(PreviewHud, TheStripListsMarksThatShareAPlaceDrawsLoudnessInDecibelsAndKeepsTheRulerReadable) {
    // Eight lines on one parameter at bar 4.
    const std::string script = testing::TempDir() + "preview-hud-" + std::to_string(getpid()) + ".txt";
    {
        std::ofstream out(script);
        out << "Define _IMG_DIR=data/png/\nDefine _MUSIC_DIR=data/music/\nLoadMusic show.ogg 125 4\n"
               "LoadImage mallow mallow.png\nLoadImage noise noise.png repeat\n";
        for (int i = 1; i <= 6; ++i) out << "LoadImage pic" << i << " pic" << i << ".png\n";
        out << "#0.0 Set scene.0.RUN\n#0.0 Set scene.4.RUN\nEnd #16.0\n";
        for (int i = 0; i < 8; ++i) out << "#4.0 Set scene.3.dbl.0 " << i << "\n";
    }
    PreviewStack stack(Window(), script.c_str());
    const bool started = stack.Start(0);
    std::remove(script.c_str());
    ASSERT_TRUE(started);
    stack.session->KeyPressed(vk::kSpace);
    stack.session->KeyPressed('T');
    TimelineStrip& strip = *stack.timeline;
    stack.Frame(true);
    for (int i = 0; i < 500 && strip.LoudnessState() == MusicLoudness::State::Measuring; ++i) stack.Frame(true);
    ASSERT_EQ(strip.LoudnessState(), MusicLoudness::State::Ready);
    stack.Frame(true);
    const int stripTop = kHeight - strip.Height();

    // The loudness: the tone's second half, 6 dB quieter, stands plainly
    // lower; a line marks every 6 dB.
    const int loudnessBottom = stripTop + TimelineStrip::kRulerHeight + TimelineStrip::kLoudnessHeight - 1;
    const auto barHeight = [&](double ms) {
        const int column = static_cast<int>(std::lround(strip.XOf(ms)));
        int height = 0;
        for (int y = loudnessBottom - 1; y > loudnessBottom - TimelineStrip::kLoudnessHeight; --y) {
            const auto pixel = PixelAt(column, kHeight - 1 - y);
            if (pixel[2] > pixel[0] + 40) height = loudnessBottom - y;  // the band's blue
        }
        return height;
    };
    const int loud = barHeight(5000.0);
    const int quieter = barHeight(15000.0);
    EXPECT_GE(loud, 18);
    EXPECT_GE(loud - quieter, 4);
    EXPECT_EQ(barHeight(25000.0), 0);

    // Pointing at bar 4 in the lane: every line there is listed, the first
    // six and a count of the rest.
    const int32_t lane = strip.Model().FindLane(ParameterId{3, ParamKind::Dbl, 0});
    ASSERT_GE(lane, 0);
    const int laneY = stripTop + TimelineStrip::kRulerHeight + TimelineStrip::kLoudnessHeight +
                      (lane - strip.FirstLane()) * TimelineStrip::kLaneHeight + 5;
    strip.HandleMessage(Message{msg::kMouseMove, 0, msg::PackPoint(static_cast<int>(strip.XOf(4 * 1920.0)), laneY)});
    const TimelineStrip::PointedMarks pointed = strip.Pointed();
    ASSERT_EQ(pointed.count, 8);
    ASSERT_EQ(pointed.listed, TimelineStrip::kMaxListedMarks);
    for (int32_t i = 0; i < pointed.listed; ++i) EXPECT_EQ(pointed.marks[i]->text, "#4.0 Set scene.3.dbl.0 " + std::to_string(i));
    stack.Frame(true);
    int inkRows = 0;
    for (int y = 0; y < stripTop; ++y) {
        bool ink = false;
        for (int column = 0; column < kWidth && !ink; ++column) {
            ink = PixelAt(column, kHeight - 1 - y) == std::array<uint8_t, 4>{242, 242, 242, 255};
        }
        inkRows += ink;
    }
    EXPECT_EQ(inkRows, 7 * bitmap_font::kGlyphHeight * 2) << "six lines and the count, in glyphs twice the size";
    strip.HandleMessage(Message{msg::kMouseLeave, 0, 0});

    // The play head on a bar number of the ruler hides none of it.
    const int labelLeft = static_cast<int>(strip.XOf(8 * 1920.0)) + 2;
    const auto labelInk = [&] {
        int count = 0;
        for (int y = stripTop + 4; y < stripTop + 4 + bitmap_font::kGlyphHeight; ++y) {
            for (int column = labelLeft; column < labelLeft + 12; ++column) {
                count += PixelAt(column, kHeight - 1 - y) == std::array<uint8_t, 4>{199, 196, 184, 255};
            }
        }
        return count;
    };
    const int alone = labelInk();
    ASSERT_GT(alone, 10);
    stack.session->SeekTo(static_cast<uint32_t>(strip.TimeAt(labelLeft + 6)));
    stack.Frame(true);  // the seek's notice
    stack.Frame(true);
    ASSERT_NEAR(strip.XOf(stack.host->Script().Now()), labelLeft + 6, 1.0);
    EXPECT_EQ(labelInk(), alone);
}

TEST_F(PreviewHud, APreviewFrameWithItsHudAndTimelineAllocatesNothing) {
    PreviewStack stack(Window());
    // More findings than fit, long ones among them.
    stack.startupFindings.assign(40, "data/script.txt:9: warning: " + std::string(100, 'w') + " and more words");
    ASSERT_TRUE(stack.Start(16 * 1920));
    stack.session->KeyPressed('T');
    stack.session->KeyPressed('2');  // the model's scene, with parameters set
    stack.Frame(true);
    // The pointer on the marks of bar 32 in the lane of scene.1.bool.1: a
    // tooltip.
    TimelineStrip& strip = *stack.timeline;
    const int32_t lane = strip.Model().FindLane(ParameterId{1, ParamKind::Bool, 1});
    const int laneY = kHeight - strip.Height() + TimelineStrip::kRulerHeight + TimelineStrip::kLoudnessHeight +
                      (lane - strip.FirstLane()) * TimelineStrip::kLaneHeight + 5;
    strip.HandleMessage(Message{msg::kMouseMove, 0, msg::PackPoint(static_cast<int>(strip.XOf(32 * 1920.0)), laneY)});
    // The music's loudness comes from a worker, which may allocate; the
    // seek to the start time is done.
    for (int i = 0; i < 500 && (strip.LoudnessState() == MusicLoudness::State::Measuring ||
                                stack.session->Work() != PreviewWork::None);
         ++i) {
        stack.Frame(true);
    }
    ASSERT_NE(strip.Hovered(), nullptr);

    // A second of frames: the files are looked at four times.
    size_t allocations = 0;
    {
        CountingAllocations counter;
        for (int i = 0; i < 63; ++i) stack.Frame(true);
        allocations = counter.Count();
    }
    EXPECT_EQ(allocations, 0u);
    // The findings are counted where they would run into the strip.
    const HudText& text = stack.hud->Text();
    ASSERT_GE(text.count, 6);
    EXPECT_EQ(std::string(text.lines[text.count - 1].text).rfind("... and ", 0), 0u);
    std::vector<TextOverlay::Line> lines;
    for (int32_t i = 0; i < text.count; ++i) lines.push_back({text.lines[i].text, 1, 1, 1});
    int32_t width = 0, height = 0;
    TextOverlay::Extent(lines.data(), text.count, width, height);
    EXPECT_LE(height, kHeight - stack.timeline->Height());
}
