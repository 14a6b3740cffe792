// The whole show drawn headless, frame by frame at 60 frames per second,
// compared with reference pictures, and checked for what a viewer sees.
//
// A reference picture for show time T is what the window shows at T when
// the show plays at 60 frames per second from its start (frames at
// floor(n * 1000 / 60) ms, so T is one of those times). The tests get there
// as a capture does: the frames before are replayed without drawing, all
// but the last one or two.
// Set SHOW_UPDATE_GOLDEN=1 to write the references anew (then look at them).
#include <GL/gl.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/GlWindow.h"
#include "capture/OfflineShow.h"
#include "gl/GlTestContext.h"
#include "gl/PreviewStack.h"
#include "platform/Messages.h"
#include "support/Doubles.h"
#include "support/RgbPicture.h"
#include "time/PlayHead.h"

namespace {

constexpr uint32_t kFps = 60;

using Picture = RgbPicture;

double MeanBrightness(const Picture& picture, int x0, int y0, int x1, int y1) {
    double sum = 0;
    for (int y = y0; y < y1; ++y)
        for (int x = x0; x < x1; ++x) sum += picture.At(x, y, 0) + picture.At(x, y, 1) + picture.At(x, y, 2);
    return sum / (3.0 * (x1 - x0) * (y1 - y0));
}

// The back buffer as a person would see it, top row first.
Picture ReadWindow(int width, int height) {
    Picture picture;
    picture.width = width;
    picture.height = height;
    std::vector<uint8_t> bottomUp(size_t(width) * height * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, bottomUp.data());
    picture.rgb.resize(bottomUp.size());
    for (int y = 0; y < height; ++y) {
        std::memcpy(&picture.rgb[size_t(y) * width * 3],
                    &bottomUp[size_t(height - 1 - y) * width * 3], size_t(width) * 3);
    }
    return picture;
}

class ShowFrames : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        ASSERT_EQ(chdir(SHOW_SOURCE_DIR), 0);
        Window().Resize(kWidth, kHeight);
    }

    // The show started and brought to just before its first frame at or
    // after `time`, as if it had played at 60 frames per second from its
    // start; NextFrame draws that frame.
    std::unique_ptr<OfflineShow> ShowAt(uint32_t time, const char* script = "data/script.txt") {
        auto show = std::make_unique<OfflineShow>(Window(), Window(), music, boxes, script);
        EXPECT_TRUE(show->Init()) << ::testing::PrintToString(boxes.Texts());
        head = std::make_unique<PlayHead>(show->Host(), kFps);
        head->SeekTo(head->Grid().FirstAtOrAfter(time));
        return show;
    }

    void NextFrame() { head->DrawFrame(); }

    Picture FrameAt(uint32_t showTime) {
        auto show = ShowAt(showTime);
        NextFrame();
        EXPECT_EQ(show->Host().Now(), showTime) << "not a time of the 60 fps grid";
        return ReadWindow(kWidth, kHeight);
    }

    RecordingMusicPlayer music;
    RecordingMessageBoxes boxes;
    std::unique_ptr<PlayHead> head;
};

struct Golden {
    const char* name;
    uint32_t showTime;  // ms
};

// One reference per stretch of the show: the held title, the pebble
// arriving, the swarm on the beat, the sphere-mapped pebble with a card,
// the breakdown card, the end card.
const Golden kGoldens[] = {
    {"title", 2883},   {"pebble", 11533},    {"swarm", 38416},
    {"mirror", 49933}, {"breakdown", 66250}, {"end", 120000},
};

}  // namespace

TEST_F(ShowFrames, MatchTheReferencePictures) {
    const bool update = std::getenv("SHOW_UPDATE_GOLDEN") != nullptr;
    for (const Golden& golden : kGoldens) {
        SCOPED_TRACE(golden.name);
        const Picture picture = HalfSize(FrameAt(golden.showTime));
        const std::string path = std::string("tests/golden/") + golden.name + ".png";
        if (update) {
            ASSERT_TRUE(WriteRgbPng(path, picture));
            continue;
        }
        Picture reference;
        ASSERT_TRUE(ReadRgbPng(path, reference)) << path;
        ASSERT_EQ(reference.width, picture.width);
        ASSERT_EQ(reference.height, picture.height);
        const PictureDifference difference = Compare(picture, reference);
        EXPECT_TRUE(difference.Matches())
            << "mean difference " << difference.mean << ", " << difference.far << " of "
            << difference.samples << " values differ by more than 24";
        if (::testing::Test::HasFailure()) {
            WriteRgbPng("/tmp/show-frame-" + std::string(golden.name) + ".png", picture);
        }
    }
}

TEST_F(ShowFrames, APausedPreviewShowsTheFrameACaptureMakesAfterASeek) {
    // Times of the 60 fps grid: the swarm, which reflects the frames
    // before, and the noise, which moves every frame, at bar 20; the glow's
    // streaks over the swarm at #17.0.
    for (const uint32_t time : {38400u, 32650u}) {
        SCOPED_TRACE(time);
        const Picture captured = FrameAt(time);

        // The preview plays a while from bar 24 first, in real time: its
        // effects are off the grid when it pauses and seeks.
        PreviewStack preview(Window());
        ASSERT_TRUE(preview.Start(46080));
        for (int i = 0; i < 8; ++i) preview.Frame(false);
        preview.session->KeyPressed(vk::kSpace);
        preview.session->SeekTo(time);
        // The frames that show the seek under way and the frame sought
        // being made exact.
        int frames = 0;
        do {
            preview.Frame(false);
        } while ((!preview.session->FrameIsExact() || preview.session->Work() != PreviewWork::None) &&
                 ++frames < 60);
        // Then the frame held, again and again.
        for (int i = 0; i < 3; ++i) {
            preview.Frame(false);
            EXPECT_EQ(preview.host->Script().Now(), time);
            const Picture shown = ReadWindow(kWidth, kHeight);
            size_t differ = 0;
            for (size_t at = 0; at < shown.rgb.size(); ++at) differ += shown.rgb[at] != captured.rgb[at];
            EXPECT_EQ(differ, 0u) << "preview frame " << i;
        }
    }
}

TEST_F(ShowFrames, ShowNeverIsBlackOnceTheTitleIsUp) {
    const Picture title = FrameAt(2000);  // a time of the grid
    EXPECT_GT(MeanBrightness(title, 0, 0, kWidth, kHeight), 10.0);
}

TEST_F(ShowFrames, PulseShrinksTheImageForUnderOneHundredMilliseconds) {
    // From bar 16 every beat is a "*".
    auto show = ShowAt(30720 - 100);
    uint32_t pulseStart = 0;
    bool pulsing = false;
    uint32_t longest = 0;
    while (show->Host().Now() < 30720 + 1500) {
        NextFrame();
        const float zoom = show->Effects().glow.zoom;
        if (zoom < 0 && !pulsing) {
            pulsing = true;
            pulseStart = show->Host().Now();
        } else if (zoom >= 0 && pulsing) {
            pulsing = false;
            longest = std::max(longest, show->Host().Now() - pulseStart);
        }
    }
    EXPECT_GT(longest, 0u);
    EXPECT_LT(longest, 100u + 17u);  // back to full size within one frame after 100 ms
}

TEST_F(ShowFrames, NoiseMovesEveryFrameButTheSameWayEveryRun) {
    auto firstRun = [&] {
        auto show = ShowAt(40000);
        NextFrame();
        Picture one = ReadWindow(kWidth, kHeight);
        NextFrame();
        Picture two = ReadWindow(kWidth, kHeight);
        return std::make_pair(one, two);
    };
    const auto [a1, a2] = firstRun();
    const auto [b1, b2] = firstRun();
    EXPECT_NE(a1.rgb, a2.rgb);
    EXPECT_EQ(a1.rgb, b1.rgb);
    EXPECT_EQ(a2.rgb, b2.rgb);
}

TEST_F(ShowFrames, WithoutTheGlowNothingIsComposed) {
    std::ifstream shipped("data/script.txt");
    std::stringstream text;
    text << shipped.rdbuf() << "\n#0.0 Set scene.4.STOP\n";
    // The copy names its pictures and music relative to the working folder,
    // the repository, like the original.
    TempScript script(text.str());
    auto show = ShowAt(9600, script.Path());
    for (int i = 0; i < 5; ++i) NextFrame();
    const Picture picture = ReadWindow(kWidth, kHeight);
    // The main pass stays unscaled in the lower-left 512 x 512 square; the
    // rest of the window keeps the loading screen's last, black frame.
    EXPECT_GT(MeanBrightness(picture, 0, kHeight - 512, 512, kHeight), 2.0);
    EXPECT_LT(MeanBrightness(picture, 600, 0, kWidth, 80), 1.0);
}
