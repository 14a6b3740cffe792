// make-music, run into a temporary folder; what it writes is decoded with
// libvorbisfile and checked against what the show relies on: the format and
// length, a clean level, and kicks on the 125 BPM grid that the timeline
// script follows. The track is generated once for the whole suite.
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <vorbis/vorbisfile.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr long kSampleRate = 44100;
constexpr long kSamplesPerBeat = 21168;  // 480 ms
constexpr long kSamplesPerBar = 4 * kSamplesPerBeat;
constexpr long kExpectedFrames = 68 * kSamplesPerBar + 2 * kSampleRate;
constexpr long kMillisecond = kSampleRate / 1000;

struct ToolResult {
    int status = -1;  // exit status, -1 when the tool did not exit normally
    std::string messages;  // stdout and stderr together
};

ToolResult RunMakeMusic(const std::string& arguments) {
    ToolResult result;
    std::string command = MAKE_MUSIC_PROGRAM;
    command.insert(0, 1, '\'');
    command.append("' ").append(arguments).append(" 2>&1");
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return result;
    char buffer[512];
    size_t got;
    while ((got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0) result.messages.append(buffer, got);
    const int status = pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string Quoted(const std::filesystem::path& path) {
    std::string quoted = path.string();
    quoted.insert(0, 1, '\'');
    quoted.push_back('\'');
    return quoted;
}

class TemporaryFolder {
public:
    TemporaryFolder() {
        std::string pattern = (std::filesystem::temp_directory_path() / "make-music-XXXXXX").string();
        if (mkdtemp(pattern.data())) path = pattern;
    }
    ~TemporaryFolder() {
        std::error_code ignored;
        if (!path.empty()) std::filesystem::remove_all(path, ignored);
    }
    std::filesystem::path path;
};

// The decoded track, shared by the suite.
struct Track {
    ToolResult run;
    bool opened = false;
    int channels = 0;
    long rate = 0;
    long long totalFrames = -1;  // as the stream's headers declare it
    uintmax_t fileBytes = 0;
    std::vector<float> left, right;
};

// The mono mix through a 150 Hz low-pass, rectified: there the kick stands
// far above everything else, so its onsets can be found.
std::vector<float> LowBandEnvelope(const Track& track) {
    std::vector<float> envelope(track.left.size());
    const double a = 1.0 - std::exp(-2.0 * std::numbers::pi * 150.0 / kSampleRate);
    double first = 0.0, second = 0.0;
    for (size_t i = 0; i < envelope.size(); ++i) {
        first += a * (0.5 * (track.left[i] + track.right[i]) - first);
        second += a * (first - second);
        envelope[i] = static_cast<float>(std::fabs(second));
    }
    return envelope;
}

float MaxOver(const std::vector<float>& values, long from, long to) {
    from = std::clamp(from, 0L, static_cast<long>(values.size()));
    to = std::clamp(to, from, static_cast<long>(values.size()));
    return from == to ? 0.0f : *std::max_element(values.begin() + from, values.begin() + to);
}

class MakeMusicTest : public testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new TemporaryFolder;
        track = new Track;
        const std::filesystem::path output = folder->path / "show.ogg";
        track->run = RunMakeMusic(Quoted(output));
        std::error_code error;
        track->fileBytes = std::filesystem::file_size(output, error);
        OggVorbis_File file;
        if (ov_fopen(output.c_str(), &file) != 0) return;
        track->opened = true;
        const vorbis_info* info = ov_info(&file, -1);
        track->channels = info->channels;
        track->rate = info->rate;
        track->totalFrames = ov_pcm_total(&file, -1);
        int section = 0;
        float** pcm = nullptr;
        long got;
        while ((got = ov_read_float(&file, &pcm, 4096, &section)) > 0) {
            if (track->channels != 2) break;
            track->left.insert(track->left.end(), pcm[0], pcm[0] + got);
            track->right.insert(track->right.end(), pcm[1], pcm[1] + got);
        }
        ov_clear(&file);
    }
    static void TearDownTestSuite() {
        delete track;
        delete folder;
    }
    void SetUp() override {
        ASSERT_EQ(track->run.status, 0) << track->run.messages;
        ASSERT_TRUE(track->opened) << "make-music's output is not an Ogg Vorbis file";
    }

    static TemporaryFolder* folder;
    static Track* track;
};

TemporaryFolder* MakeMusicTest::folder = nullptr;
Track* MakeMusicTest::track = nullptr;

TEST_F(MakeMusicTest, WritesTheWholeTrackAsStereoAt44100Hz) {
    EXPECT_EQ(track->channels, 2);
    EXPECT_EQ(track->rate, 44100);
    EXPECT_EQ(track->totalFrames, kExpectedFrames);
    EXPECT_EQ(static_cast<long>(track->left.size()), kExpectedFrames) << "decoded length differs from the headers";
    EXPECT_TRUE(track->run.messages.empty()) << track->run.messages;
}

TEST_F(MakeMusicTest, IsSmallEnoughToCommit) { EXPECT_LT(track->fileBytes, 2u * 1024 * 1024); }

TEST_F(MakeMusicTest, StaysBelowFullScaleWithoutDcOffset) {
    double peak = 0.0, sumLeft = 0.0, sumRight = 0.0;
    for (size_t i = 0; i < track->left.size(); ++i) {
        peak = std::max({peak, std::fabs(double(track->left[i])), std::fabs(double(track->right[i]))});
        sumLeft += track->left[i];
        sumRight += track->right[i];
    }
    EXPECT_LT(peak, 0.98);
    EXPECT_GT(peak, 0.3) << "far too quiet";
    EXPECT_LT(std::fabs(sumLeft / double(track->left.size())), 1e-3);
    EXPECT_LT(std::fabs(sumRight / double(track->right.size())), 1e-3);
}

TEST_F(MakeMusicTest, MainSectionIsModeratelyLoud) {
    double energy = 0.0;
    const long from = 16 * kSamplesPerBar, to = 32 * kSamplesPerBar;
    for (long i = from; i < to; ++i) energy += double(track->left[i]) * track->left[i] + double(track->right[i]) * track->right[i];
    const double rmsDb = 10.0 * std::log10(energy / (2.0 * double(to - from)));
    EXPECT_GT(rmsDb, -22.0);
    EXPECT_LT(rmsDb, -10.0);
}

// Every beat of bars 0-31 and 40-63, and the final hit on bar 64, starts
// with a kick: the low band rises to half its local peak within 5 ms of
// the beat (bar 0 beat 0 at sample 0), out of near silence just before it.
TEST_F(MakeMusicTest, KicksLandOnTheBeatGrid) {
    const std::vector<float> envelope = LowBandEnvelope(*track);
    int checked = 0;
    for (int beat = 0; beat <= 64 * 4; ++beat) {
        const int bar = beat / 4;
        if (bar >= 32 && bar < 40) continue;  // the breakdown has no kick
        const long at = beat * kSamplesPerBeat;
        const long from = std::max(0L, at - 30 * kMillisecond);
        const float peak = MaxOver(envelope, from, at + 60 * kMillisecond);
        long onset = from;
        while (onset < at + 60 * kMillisecond && envelope[onset] < 0.5f * peak) ++onset;
        EXPECT_LE(std::labs(onset - at), 5 * kMillisecond)
            << "bar " << bar << " beat " << beat % 4 << ": onset " << double(onset - at) / kMillisecond
            << " ms from the beat";
        const float justBefore = MaxOver(envelope, at - 20 * kMillisecond, at - 2 * kMillisecond);
        EXPECT_GT(peak, 4.0f * justBefore) << "bar " << bar << " beat " << beat % 4 << ": no clear kick";
        ++checked;
    }
    EXPECT_EQ(checked, 32 * 4 + 24 * 4 + 1);
}

TEST_F(MakeMusicTest, BreakdownHasNoKick) {
    const std::vector<float> envelope = LowBandEnvelope(*track);
    const float mainA = MaxOver(envelope, 16 * kSamplesPerBar, 32 * kSamplesPerBar);
    const float breakdown = MaxOver(envelope, 32 * kSamplesPerBar, 40 * kSamplesPerBar);
    EXPECT_LT(breakdown, 0.3f * mainA);
}

TEST_F(MakeMusicTest, EndsInSilence) {
    const long lastTenth = kExpectedFrames - kSampleRate / 10;
    float peak = 0.0f;
    for (long i = lastTenth; i < static_cast<long>(track->left.size()); ++i)
        peak = std::max({peak, std::fabs(track->left[i]), std::fabs(track->right[i])});
    EXPECT_LT(peak, 0.01f);
}

TEST(MakeMusicFailureTest, MissingFolderIsAnErrorAndWritesNothing) {
    TemporaryFolder folder;
    const std::filesystem::path output = folder.path / "no-such-folder" / "show.ogg";
    const ToolResult run = RunMakeMusic(Quoted(output));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.messages.find("cannot write " + output.string()), std::string::npos) << run.messages;
    EXPECT_TRUE(std::filesystem::is_empty(folder.path));
}

TEST(MakeMusicFailureTest, FolderAsOutputIsAnErrorAndLeavesItAlone) {
    TemporaryFolder folder;
    const std::filesystem::path output = folder.path / "music";
    std::filesystem::create_directory(output);
    const ToolResult run = RunMakeMusic(Quoted(output));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.messages.find("cannot write " + output.string()), std::string::npos) << run.messages;
    EXPECT_TRUE(std::filesystem::is_directory(output));
    EXPECT_TRUE(std::filesystem::is_empty(output));
    EXPECT_FALSE(std::filesystem::exists(folder.path / "music.part"));
}

TEST(MakeMusicFailureTest, WrongArgumentsPrintUsage) {
    const ToolResult none = RunMakeMusic("");
    EXPECT_EQ(none.status, 2);
    EXPECT_NE(none.messages.find("usage: make-music OUTPUT.ogg"), std::string::npos) << none.messages;
    TemporaryFolder folder;
    EXPECT_EQ(RunMakeMusic(Quoted(folder.path / "a.ogg") + " " + Quoted(folder.path / "b.ogg")).status, 2);
    EXPECT_TRUE(std::filesystem::is_empty(folder.path));
}

}  // namespace
