// What the capture decides before it draws: its command line, which frames
// it draws when, and the script's times and files as it reads them.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "capture/CaptureOptions.h"
#include "capture/ScriptSurvey.h"
#include "support/Doubles.h"
#include "time/FrameSchedule.h"

namespace {

bool Parse(std::vector<const char*> words, CaptureOptions& options, std::string& error) {
    words.insert(words.begin(), "demo-capture");
    return ParseCaptureOptions(static_cast<int>(words.size()), words.data(), options, error);
}

}  // namespace

TEST(CaptureOptions, TakeValuesAsTheNextWordOrAfterEqualsAndRefuseTheRest) {
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"--fps", "30", "--from=#8.0", "--to", "=20000", "--benchmark", "--segment",
                       "2/3", "out.mkv"},
                      options, error))
        << error;
    EXPECT_EQ(options.segmentPart, 2u);
    EXPECT_EQ(options.segmentParts, 3u);
    EXPECT_EQ(options.fps, 30u);
    EXPECT_EQ(options.from, "#8.0");
    EXPECT_EQ(options.to, "=20000");
    EXPECT_TRUE(options.benchmark);
    EXPECT_EQ(options.VideoPath(), "out.mkv");
    CaptureOptions defaults;
    ASSERT_TRUE(Parse({}, defaults, error));
    EXPECT_EQ(defaults.fps, 60u);
    EXPECT_EQ(defaults.VideoPath(), "show.mp4");

    // Times the script would read as 0, or as something other than what
    // was meant, are refused with the rest of a wrong command line.
    const std::vector<std::vector<const char*>> wrong = {
        {"--fps", "0"},     {"--fps", "1001"},   {"--fps", "12x"},    {"--fps"},
        {"--to="},          {"--bogus"},         {"a.mp4", "b.mp4"}, {"--frames", "dir", "out.mp4"},
        {"--from", "8.0"},  {"--from", "3s"},    {"--from=abc"},     {"--to", "#"},
        {"--to", "="},      {"--to", "#8."},     {"--to", "#.5"},    {"--from", "=-5"},
        {"--from", "= 5"},  {"--from", "=5ms"},  {"--to", "#8,0"},
        {"--segment", "0/3"}, {"--segment", "4/3"}, {"--segment", "3"}, {"--segment", "1/"},
        {"--join", "list", "--segment", "1/2"}, {"--join", "list", "--frames", "dir"},
    };
    for (const auto& words : wrong) {
        CaptureOptions refused;
        error.clear();
        EXPECT_FALSE(Parse(words, refused, error)) << words[0];
        EXPECT_FALSE(error.empty()) << words[0];
    }
    // The shell takes an unquoted #bar.beat for a comment and drops it.
    CaptureOptions cut;
    EXPECT_FALSE(Parse({"--frames", "dir", "--from"}, cut, error));
    EXPECT_EQ(error, "--from needs a value (quote a #bar.beat time: '#1.0')");
}

TEST(FrameSchedule, TakesTheGridsFramesInTheRangeInWholeMilliseconds) {
    // A show that starts at 1000 ms: its 60 fps frames lie at 1000, 1016,
    // 1033, 1050, ... The first at or after 15360 is frame 862 at 15366.
    const FrameGrid grid(1000, 60);
    const FrameSchedule sixty(grid, 15360, 17360);
    EXPECT_EQ(sixty.FirstFrame(), 862u);
    EXPECT_EQ(sixty.From(), 15366u);
    EXPECT_EQ(sixty.FrameCount(), 120u);  // up to 17350, the last before 17360
    // 16, 17, 17, 16, 17, 17, ...: every three frames make 50 ms, from the
    // frame before the first.
    uint32_t time = 15350;
    for (uint64_t frame = 0; frame < sixty.FrameCount(); ++frame) {
        const uint32_t step = sixty.Grid().StepTo(sixty.FirstFrame() + frame);
        EXPECT_EQ(step, frame % 3 == 0 ? 16u : 17u) << frame;
        time += step;
        EXPECT_EQ(sixty.TimeOf(frame), time);
    }
    // Frame 0 is drawn where the show starts, also for a range from before.
    const FrameSchedule fromStart(grid, 0, 1001);
    EXPECT_EQ(fromStart.Grid().StepTo(fromStart.FirstFrame()), 0u);
    EXPECT_EQ(fromStart.From(), 1000u);
    EXPECT_EQ(fromStart.FrameCount(), 1u);
    EXPECT_EQ(FrameSchedule(FrameGrid(0, 60), 0, 1001).FrameCount(), 61u);
    EXPECT_EQ(FrameSchedule(FrameGrid(0, 60), 15361, 15366).FrameCount(), 0u);  // none in between
    EXPECT_EQ(FrameSchedule(FrameGrid(0, 1000), 0, 0x7FFFFFFF).FrameCount(), 0x7FFFFFFFull);
}

TEST(FrameSchedule, SegmentsHoldTheWholesFramesInOrderOnce) {
    const FrameSchedule whole(FrameGrid(0, 30), 38000, 38700);  // 21 frames
    for (const uint64_t parts : {1u, 2u, 3u, 4u, 21u, 22u}) {
        SCOPED_TRACE(parts);
        uint64_t next = whole.FirstFrame();
        for (uint64_t part = 1; part <= parts; ++part) {
            const FrameSchedule segment = whole.Segment(part, parts);
            EXPECT_EQ(segment.FirstFrame(), next);
            EXPECT_LE(segment.FrameCount(), (whole.FrameCount() + parts - 1) / parts);
            EXPECT_GE(segment.FrameCount() + 1, whole.FrameCount() / parts);
            next += segment.FrameCount();
        }
        EXPECT_EQ(next, whole.FirstFrame() + whole.FrameCount());
    }
}

TEST(ScriptSurvey, ReadsTimesAtTheScriptsTempoAndRefusesOthers) {
    // 120 BPM in threes: a beat is 500 ms, a bar 1500 ms.
    TempScript script("LoadMusic song.ogg 120 3\nGoto #2.0\nEnd #10.1.5\n");
    RecordingMessageBoxes boxes;
    ScriptSurvey survey(boxes, nullptr, nullptr);
    std::string error;
    // The check finds errors (the pictures the effects need are missing);
    // the times are known all the same.
    survey.Load(script.Path(), error);
    EXPECT_EQ(survey.StartPosition(), 3000u);
    EXPECT_EQ(survey.EndTime(), 15750u);
    EXPECT_EQ(survey.MusicPath(), "song.ogg");

    const std::pair<const char*, uint32_t> good[] = {
        {"#8.0", 12000}, {"#8", 12000}, {"#1.2.5", 2750}, {"=49940", 49940}};
    for (const auto& [text, expected] : good) {
        uint32_t ms = 0;
        EXPECT_TRUE(survey.ResolveTime(text, ms, error)) << text;
        EXPECT_EQ(ms, expected) << text;
    }
    // Well written, but past what a show time can be.
    uint32_t ms = 12345;
    error.clear();
    EXPECT_FALSE(survey.ResolveTime("=99999999999", ms, error));
    EXPECT_EQ(ms, 12345u);
    EXPECT_NE(error.find("=99999999999"), std::string::npos) << error;
}

TEST(ScriptSurvey, RefusesWhatTheShowCheckFindsErrorsInAndSaysSo) {
    TempScript script(
        "Define _IMG_DIR=/nonexistent-folder/\n"
        "LoadImage pic1 one.png\n"
        "Frobnicate\n");
    RecordingMessageBoxes boxes;
    std::FILE* findings = std::tmpfile();
    ASSERT_NE(findings, nullptr);
    ScriptSurvey survey(boxes, nullptr, findings);
    std::string error;
    EXPECT_FALSE(survey.Load(script.Path(), error));
    EXPECT_NE(error.find("errors (above)"), std::string::npos) << error;
    EXPECT_EQ(boxes.Texts(), (std::vector<std::string>{"Syntax error on line 3:\nFrobnicate", "Initialization failed"}));

    std::rewind(findings);
    std::string written;
    char buffer[4096];
    for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, findings)) > 0;) written.append(buffer, got);
    std::fclose(findings);
    std::string expected;
    for (const CheckFinding& finding : survey.Check().findings) expected += finding.EditorText() + "\n";
    EXPECT_EQ(written, expected);
    EXPECT_NE(written.find(std::string(script.Path()) + ":2: error: cannot read the picture 'pic1': cannot "
                                                           "open /nonexistent-folder/one.png"),
              std::string::npos)
        << written;
}
