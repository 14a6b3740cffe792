// What the capture decides before it draws: its command line, which frames
// it draws when, and the script's times and files as it reads them.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "capture/CaptureOptions.h"
#include "capture/FrameSchedule.h"
#include "capture/ScriptSurvey.h"
#include "support/Doubles.h"

namespace {

bool Parse(std::vector<const char*> words, CaptureOptions& options, std::string& error) {
    words.insert(words.begin(), "demo-capture");
    return ParseCaptureOptions(static_cast<int>(words.size()), words.data(), options, error);
}

}  // namespace

TEST(CaptureOptions, TakeValuesAsTheNextWordOrAfterEqualsAndRefuseTheRest) {
    CaptureOptions options;
    std::string error;
    ASSERT_TRUE(Parse({"--fps", "30", "--from=#8.0", "--to", "=20000", "--benchmark", "out.mkv"},
                      options, error))
        << error;
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
    };
    for (const auto& words : wrong) {
        CaptureOptions refused;
        error.clear();
        EXPECT_FALSE(Parse(words, refused, error)) << words[0];
        EXPECT_FALSE(error.empty()) << words[0];
    }
}

TEST(FrameSchedule, DrawsWholeMillisecondFramesBeforeTheEnd) {
    const FrameSchedule sixty(15360, 17360, 60);
    EXPECT_EQ(sixty.FrameCount(), 120u);
    EXPECT_EQ(sixty.StepTo(0), 0u);  // the first frame is drawn where the show starts
    // 16, 17, 17, 16, 17, 17, ...: every three frames make 50 ms.
    uint32_t sum = 0;
    for (uint64_t frame = 1; frame < sixty.FrameCount(); ++frame) {
        const uint32_t step = sixty.StepTo(frame);
        EXPECT_EQ(step, frame % 3 == 1 ? 16u : 17u) << frame;
        sum += step;
        EXPECT_EQ(sixty.TimeOf(frame), 15360 + sum);
    }
    // A stretch that ends between two frames keeps the frame before its end.
    EXPECT_EQ(FrameSchedule(0, 1001, 60).FrameCount(), 61u);
    EXPECT_EQ(FrameSchedule(0, 1, 60).FrameCount(), 1u);
    EXPECT_EQ(FrameSchedule(0, 0x7FFFFFFF, 1000).FrameCount(), 0x7FFFFFFFull);
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
    EXPECT_EQ(boxes.Texts(), std::vector<std::string>{"Syntax error on line 3:\nFrobnicate"});

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
