// The capture's output side: frames handed from the drawing thread to the
// writer, ffmpeg's command line and the progress line.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <string>
#include <vector>

#include "capture/ChildProcess.h"
#include "capture/FrameRing.h"
#include "capture/ProgressMeter.h"
#include "capture/VideoEncoder.h"
#include "support/AllocationCounter.h"

namespace {

// Keeps the first byte of every frame; can be told to fail at a frame.
class RecordingSink : public FrameSink {
public:
    bool WriteFrame(const uint8_t* pixels, uint64_t index) override {
        std::lock_guard<std::mutex> lock(mutex);
        if (index == failAt) return false;
        firstBytes.push_back(pixels[0]);
        indices.push_back(index);
        return true;
    }
    std::mutex mutex;
    std::vector<uint8_t> firstBytes;
    std::vector<uint64_t> indices;
    uint64_t failAt = UINT64_MAX;
};

}  // namespace

TEST(FrameRing, WritesEveryFrameInOrderWithItsOwnBytes) {
    RecordingSink sink;
    constexpr int kFrames = 50;
    {
        FrameRing ring(64, 3, sink);
        for (int frame = 0; frame < kFrames; ++frame) {
            uint8_t* pixels = ring.Acquire();
            ASSERT_NE(pixels, nullptr);
            std::memset(pixels, frame, 64);
            ring.Publish();
        }
        EXPECT_TRUE(ring.Finish());
        EXPECT_EQ(ring.FramesWritten(), uint64_t{kFrames});
    }
    ASSERT_EQ(sink.firstBytes.size(), size_t{kFrames});
    for (int frame = 0; frame < kFrames; ++frame) {
        EXPECT_EQ(sink.firstBytes[frame], frame);
        EXPECT_EQ(sink.indices[frame], uint64_t(frame));
    }
}

TEST(FrameRing, StopsTakingFramesOnceAWriteFails) {
    RecordingSink sink;
    sink.failAt = 5;
    FrameRing ring(16, 2, sink);
    int handedOver = 0;
    for (int frame = 0; frame < 100; ++frame) {
        uint8_t* pixels = ring.Acquire();
        if (!pixels) break;
        pixels[0] = static_cast<uint8_t>(frame);
        ring.Publish();
        ++handedOver;
    }
    // Frames 0 to 4 are written; the drawing side learns of the failure at
    // frame 5 within the ring's two buffers.
    EXPECT_LE(handedOver, 7);
    EXPECT_FALSE(ring.Finish());
    EXPECT_EQ(sink.firstBytes.size(), 5u);
}

TEST(FrameRing, HandingOverAndShowingProgressAllocateNothing) {
    RecordingSink sink;
    sink.firstBytes.reserve(100);
    sink.indices.reserve(100);
    FrameRing ring(1024, 4, sink);
    std::FILE* terminal = std::tmpfile();
    ASSERT_NE(terminal, nullptr);
    ProgressMeter progress(terminal, true, 100);
    progress.Update(0, 0.0);  // the stream's own buffer comes with its first write

    size_t allocations = 0;
    {
        // The writer thread is not the drawing thread's business.
        CountingAllocations counting(CountingAllocations::Threads::ThisOne);
        for (int frame = 0; frame < 100; ++frame) {
            uint8_t* pixels = ring.Acquire();
            if (!pixels) break;
            pixels[0] = 1;
            ring.Publish();
            progress.Update(static_cast<uint64_t>(frame + 1), frame * 0.2);
        }
        allocations = counting.Count();
    }
    EXPECT_EQ(allocations, 0u);
    EXPECT_TRUE(ring.Finish());
    std::fclose(terminal);
}

TEST(VideoEncoder, WritesAPartialFileBesideTheOutputAndNamesFilesAsFiles) {
    EXPECT_EQ(PartialVideoPath("show.mp4", 4711), "show.partial-4711.mp4");
    EXPECT_EQ(PartialVideoPath("out/v1.2/take.mkv", 12), "out/v1.2/take.partial-12.mkv");
    EXPECT_EQ(PartialVideoPath("out/v1.2/take", 12), "out/v1.2/take.partial-12");

    VideoSettings settings;
    settings.output = "-y.mp4";
    settings.width = 800;
    settings.height = 600;
    settings.fps = 25;
    settings.frameCount = 50;
    settings.musicPath = "-i.ogg";
    settings.musicStart = 15360;
    const std::vector<std::string> arguments = FfmpegArguments(settings, "-y.partial.mp4");
    const auto has = [](const std::vector<std::string>& list, const std::string& word) {
        return std::find(list.begin(), list.end(), word) != list.end();
    };
    // Names that look like options or protocols reach ffmpeg as plain files.
    EXPECT_EQ(arguments.back(), "file:-y.partial.mp4");
    EXPECT_TRUE(has(arguments, "file:-i.ogg"));
    // The music from the first frame's time, as long as the video.
    const auto seek = std::find(arguments.begin(), arguments.end(), "-ss");
    ASSERT_LT(seek + 3, arguments.end());
    EXPECT_EQ(seek[1], "15.360000");
    EXPECT_EQ(seek[2], "-t");
    EXPECT_EQ(seek[3], "2.000000");

    // Without music there is no sound stream; without an extension, MP4.
    settings.musicPath.clear();
    settings.output = "take";
    const std::vector<std::string> silent = FfmpegArguments(settings, "take.partial");
    EXPECT_FALSE(has(silent, "1:a:0"));
    EXPECT_FALSE(has(silent, "-c:a"));
    EXPECT_EQ(silent[silent.size() - 3], "-f");
    EXPECT_EQ(silent[silent.size() - 2], "mp4");
}

TEST(ChildProcess, QuotesAWindowsCommandLineSoThatEachArgumentComesBackAsItWas) {
    // Quotes only where needed; inside quotes, backslashes double only
    // before a quote, their own or the closing one.
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"ffmpeg", "ffmpeg"},
        {"", "\"\""},
        {"file:C:\\my videos\\show.partial.mp4", "\"file:C:\\my videos\\show.partial.mp4\""},
        {"C:\\plain\\path", "C:\\plain\\path"},
        {"say \"hi\"", "\"say \\\"hi\\\"\""},
        {"a\\\"b", "\"a\\\\\\\"b\""},
        {"ends in a folder\\", "\"ends in a folder\\\\\""},
        {"tab\there", "\"tab\there\""},
    };
    std::vector<std::string> arguments;
    std::string expected;
    for (const auto& [argument, quoted] : cases) {
        EXPECT_EQ(WindowsCommandLine({argument}), quoted) << argument;
        arguments.push_back(argument);
        expected += (expected.empty() ? "" : " ") + quoted;
    }
    EXPECT_EQ(WindowsCommandLine(arguments), expected);
}

TEST(ProgressMeter, ShowsFramesSpeedAndTimeLeftInPlaceOnlyOnATerminal) {
    char line[160];
    FormatProgress(line, sizeof line, 0, 7200, 0.0);
    EXPECT_STREQ(line, "[--------------------]    0/7200 frames  0.0 fps  --:-- left");
    FormatProgress(line, sizeof line, 1, 7201, 1.0);
    EXPECT_STREQ(line, "[--------------------]    1/7201 frames  1.0 fps  2:00:00 left");
    char tiny[8];  // cut, never overrun
    FormatProgress(tiny, sizeof tiny, 1, 2, 1.0);
    EXPECT_STREQ(tiny, "[######");

    std::FILE* stream = std::tmpfile();
    ASSERT_NE(stream, nullptr);
    ProgressMeter quiet(stream, false, 10);
    quiet.Update(5, 1.0);
    quiet.Close();
    EXPECT_EQ(std::ftell(stream), 0);
    ProgressMeter shown(stream, true, 10);
    shown.Update(5, 1.0);
    shown.Update(6, 1.01);   // too soon after the last: not drawn
    shown.Update(10, 1.02);  // the last frame always is
    shown.Close();
    std::rewind(stream);
    char written[512] = {};
    const size_t size = std::fread(written, 1, sizeof written - 1, stream);
    std::fclose(stream);
    EXPECT_EQ(std::string(written, size),
              "\r[##########----------]  5/10 frames  5.0 fps  0:01 left\033[K"
              "\r[####################] 10/10 frames  9.8 fps  0:00 left\033[K\n");
}
