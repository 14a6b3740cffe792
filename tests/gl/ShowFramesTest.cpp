// The whole show drawn headless, frame by frame at 60 frames per second,
// compared with reference pictures, and checked for what a viewer sees.
//
// A reference picture for show time T is what the window shows after
// starting the show at T - 960 ms and drawing 60 frames per second up to T.
// Starting a show part-way restarts the playing pattern at the start, so
// the references' times keep the start on a beat (480 ms) to stay in time
// with the music.
// Set SHOW_UPDATE_GOLDEN=1 to write the references anew (then look at them).
#include <GL/gl.h>
#include <png.h>
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
#include "demo/OfflineShow.h"
#include "gl/GlTestContext.h"
#include "support/Doubles.h"

namespace {

constexpr uint32_t kLeadIn = 960;
constexpr uint32_t kFps = 60;

struct Picture {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgb;  // top row first
    uint8_t At(int x, int y, int channel) const { return rgb[(size_t(y) * width + x) * 3 + channel]; }
    double MeanBrightness(int x0, int y0, int x1, int y1) const {
        double sum = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) sum += At(x, y, 0) + At(x, y, 1) + At(x, y, 2);
        return sum / (3.0 * (x1 - x0) * (y1 - y0));
    }
};

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

// Half size, averaging 2 x 2 blocks: what the references store.
Picture Half(const Picture& full) {
    Picture half;
    half.width = full.width / 2;
    half.height = full.height / 2;
    half.rgb.resize(size_t(half.width) * half.height * 3);
    for (int y = 0; y < half.height; ++y)
        for (int x = 0; x < half.width; ++x)
            for (int c = 0; c < 3; ++c) {
                const int sum = full.At(2 * x, 2 * y, c) + full.At(2 * x + 1, 2 * y, c) +
                                full.At(2 * x, 2 * y + 1, c) + full.At(2 * x + 1, 2 * y + 1, c);
                half.rgb[(size_t(y) * half.width + x) * 3 + c] = static_cast<uint8_t>((sum + 2) / 4);
            }
    return half;
}

bool WritePng(const std::string& path, const Picture& picture) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(picture.width);
    image.height = static_cast<png_uint_32>(picture.height);
    image.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&image, path.c_str(), 0, picture.rgb.data(), 0, nullptr) != 0;
}

bool ReadPng(const std::string& path, Picture& picture) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
    image.format = PNG_FORMAT_RGB;
    picture.width = static_cast<int>(image.width);
    picture.height = static_cast<int>(image.height);
    picture.rgb.resize(PNG_IMAGE_SIZE(image));
    return png_image_finish_read(&image, nullptr, picture.rgb.data(), 0, nullptr) != 0;
}

class ShowFrames : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        ASSERT_EQ(chdir(SHOW_SOURCE_DIR), 0);
        Window().Resize(kWidth, kHeight);
        // The noise draws from the standard generator; every run of the show
        // starts from its initial state.
        std::srand(1);
    }

    // A show started at `start`, after its start-up.
    std::unique_ptr<OfflineShow> StartShow(uint32_t start, const char* script = "data/script.txt") {
        auto show = std::make_unique<OfflineShow>(Window(), Window(), music, boxes, script);
        show->StartAt(start);
        EXPECT_TRUE(show->Init()) << ::testing::PrintToString(boxes.Texts());
        frame = 0;
        return show;
    }

    // Draws the next frame at 60 frames per second: frame i at start +
    // floor(i * 1000 / 60) ms.
    void NextFrame(OfflineShow& show) {
        const uint32_t due = static_cast<uint32_t>(frame * 1000 / kFps);
        const uint32_t previous = frame == 0 ? 0 : static_cast<uint32_t>((frame - 1) * 1000 / kFps);
        show.Frame(due - previous);
        ++frame;
    }

    Picture FrameAt(uint32_t showTime) {
        auto show = StartShow(showTime - kLeadIn);
        while (show->Now() < showTime) NextFrame(*show);
        return ReadWindow(kWidth, kHeight);
    }

    RecordingMusicPlayer music;
    RecordingMessageBoxes boxes;
    uint64_t frame = 0;
};

struct Golden {
    const char* name;
    uint32_t showTime;  // ms
};

// One reference per stretch of the show: the held title, the pebble
// arriving, the swarm on the beat, the sphere-mapped pebble with a card,
// the breakdown card, the end card.
const Golden kGoldens[] = {
    {"title", 2880},   {"pebble", 11520},    {"swarm", 38400 + 240},
    {"mirror", 49920}, {"breakdown", 66240}, {"end", 120000},
};

}  // namespace

TEST_F(ShowFrames, MatchTheReferencePictures) {
    const bool update = std::getenv("SHOW_UPDATE_GOLDEN") != nullptr;
    for (const Golden& golden : kGoldens) {
        SCOPED_TRACE(golden.name);
        std::srand(1);
        const Picture picture = Half(FrameAt(golden.showTime));
        const std::string path = std::string("tests/golden/") + golden.name + ".png";
        if (update) {
            ASSERT_TRUE(WritePng(path, picture));
            continue;
        }
        Picture reference;
        ASSERT_TRUE(ReadPng(path, reference)) << path;
        ASSERT_EQ(reference.width, picture.width);
        ASSERT_EQ(reference.height, picture.height);
        // Software rasterisers differ a little between processors: allow
        // small differences, but not a different picture.
        size_t far = 0;
        double total = 0;
        for (size_t i = 0; i < picture.rgb.size(); ++i) {
            const int difference = std::abs(int(picture.rgb[i]) - int(reference.rgb[i]));
            total += difference;
            if (difference > 24) ++far;
        }
        EXPECT_LT(total / picture.rgb.size(), 2.0);
        EXPECT_LT(far, picture.rgb.size() / 100);
        if (::testing::Test::HasFailure()) {
            WritePng("/tmp/show-frame-" + std::string(golden.name) + ".png", picture);
        }
    }
}

TEST_F(ShowFrames, ShowNeverIsBlackOnceTheTitleIsUp) {
    const Picture title = FrameAt(2000);
    EXPECT_GT(title.MeanBrightness(0, 0, kWidth, kHeight), 10.0);
}

TEST_F(ShowFrames, PulseShrinksTheImageForUnderOneHundredMilliseconds) {
    // From bar 16 every beat is a "*".
    auto show = StartShow(30720 - 100);
    uint32_t pulseStart = 0;
    bool pulsing = false;
    uint32_t longest = 0;
    while (show->Now() < 30720 + 1500) {
        NextFrame(*show);
        const float zoom = show->Effects().glow.zoom;
        if (zoom < 0 && !pulsing) {
            pulsing = true;
            pulseStart = show->Now();
        } else if (zoom >= 0 && pulsing) {
            pulsing = false;
            longest = std::max(longest, show->Now() - pulseStart);
        }
    }
    EXPECT_GT(longest, 0u);
    EXPECT_LT(longest, 100u + 17u);  // back to full size within one frame after 100 ms
}

TEST_F(ShowFrames, NoiseMovesEveryFrameButTheSameWayEveryRun) {
    auto firstRun = [&] {
        std::srand(1);
        auto show = StartShow(40000);
        NextFrame(*show);
        Picture one = ReadWindow(kWidth, kHeight);
        NextFrame(*show);
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
    auto show = StartShow(9600, script.Path());
    for (int i = 0; i < 5; ++i) NextFrame(*show);
    const Picture picture = ReadWindow(kWidth, kHeight);
    // The main pass stays unscaled in the lower-left 512 x 512 square; the
    // rest of the window keeps the loading screen's last, black frame.
    EXPECT_GT(picture.MeanBrightness(0, kHeight - 512, 512, kHeight), 2.0);
    EXPECT_LT(picture.MeanBrightness(600, 0, kWidth, 80), 1.0);
}
