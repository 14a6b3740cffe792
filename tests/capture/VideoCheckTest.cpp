// What the capture checks before a video replaces anything: ffprobe's
// findings against the frames asked for, and, for a join, the list of
// segment videos and their order.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "capture/SegmentJoin.h"
#include "capture/VideoProbe.h"

TEST(VideoProbe, ReadsFfprobesFindingsAndHoldsThemToTheFramesAskedFor) {
    VideoFacts facts;
    ASSERT_TRUE(
        ReadVideoFacts("r_frame_rate=12/1\nduration=2.000000\nnb_read_packets=24\nTAG:comment=a b=c\n", facts));
    EXPECT_EQ(facts.frames, 24u);
    EXPECT_EQ(facts.comment, "a b=c");
    std::string why;
    EXPECT_TRUE(HasFrames(facts, 24, 12, why)) << why;
    // Matroska states no duration of the stream, and its tags in capitals.
    ASSERT_TRUE(
        ReadVideoFacts("r_frame_rate=60/1\r\nduration=N/A\r\nnb_read_packets=120\r\nTAG:COMMENT=x\r\n", facts));
    EXPECT_EQ(facts.comment, "x");
    EXPECT_TRUE(HasFrames(facts, 120, 60, why)) << why;
    EXPECT_FALSE(ReadVideoFacts("", facts));
    EXPECT_FALSE(ReadVideoFacts("r_frame_rate=12/1\nnb_read_packets=N/A\n", facts));

    // 24 frames at 12 fps, wanted: half a frame is 0.042 s.
    const std::vector<std::pair<const char*, bool>> cases = {
        {"r_frame_rate=12/1\nduration=2.040000\nnb_read_packets=24\n", true},
        {"r_frame_rate=12/1\nduration=1.950000\nnb_read_packets=24\n", false},
        {"r_frame_rate=12/1\nduration=2.000000\nnb_read_packets=23\n", false},
        {"r_frame_rate=25/1\nduration=2.000000\nnb_read_packets=24\n", false},
    };
    for (const auto& [text, whole] : cases) {
        ASSERT_TRUE(ReadVideoFacts(text, facts)) << text;
        why.clear();
        EXPECT_EQ(HasFrames(facts, 24, 12, why), whole) << text;
        EXPECT_EQ(why.empty(), whole) << text;
    }
}

TEST(JoinList, ReadsFileLinesAsFfmpegDoesAndRefusesTheRest) {
    namespace fs = std::filesystem;
    std::vector<JoinEntry> entries;
    std::string error;
    ASSERT_TRUE(ParseJoinList("ffconcat version 1.0\n# by hand\n\nfile 'a b.mp4'\r\nfile it\\'s.mp4\n"
                              "  file   '/abs/c.mp4'  \nfile 'x'\\''y.mp4'\n",
                              "lists/join.ffconcat", entries, error))
        << error;
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"lists/a b.mp4", "lists/join.ffconcat:4"},
        {"lists/it's.mp4", "lists/join.ffconcat:5"},
        {"/abs/c.mp4", "lists/join.ffconcat:6"},
        {"lists/x'y.mp4", "lists/join.ffconcat:7"},
    };
    ASSERT_EQ(entries.size(), expected.size());
    for (size_t i = 0; i < entries.size(); ++i) {
        EXPECT_EQ(fs::path(entries[i].path), fs::path(expected[i].first));
        EXPECT_EQ(entries[i].where, expected[i].second);
    }

    const std::vector<std::pair<std::string, std::string>> refused = {
        {"file a.mp4 b.mp4\n", "list:1: give one name"},
        {"file 'open.mp4\n", "list:1: a quote is not closed"},
        {"file a.mp4\nduration 5\n", "list:2: a join list holds only lines 'file NAME'"},
        {"file\n", "list:1: give one name"},
        {"# nothing\n", "list names no video"},
        {"ffconcat 1.0\nfile a.mp4\n", "list:1: the list's first line"},
    };
    for (const auto& [text, message] : refused) {
        error.clear();
        EXPECT_FALSE(ParseJoinList(text, "list", entries, error)) << text;
        EXPECT_NE(error.find(message), std::string::npos) << text << ": " << error;
    }
}

TEST(JoinList, TakesEverySegmentOfTheWholeOnceInOrderAtItsRate) {
    // 25 frames at 12 fps: segments of 8, 8 and 9.
    const FrameSchedule whole(FrameGrid(0, 12), 30750, 32800);
    const auto stampOf = [&](uint32_t part) {
        SegmentStamp stamp;
        EXPECT_TRUE(ReadSegmentComment(SegmentComment(whole.Segment(part, 3), part, 3), stamp));
        return stamp;
    };
    struct Case {
        std::vector<uint32_t> parts;
        FrameSchedule joined;
        std::string message;  // empty: joined
    };
    const FrameSchedule at10(FrameGrid(0, 10), 30750, 32800);
    const FrameSchedule longer(FrameGrid(0, 12), 30750, 33000);
    const FrameSchedule laterStart(FrameGrid(500, 12), 30750, 32800);
    const std::vector<Case> cases = {
        {{1, 2, 3}, whole, ""},
        {{1, 3}, whole,
         "list:1: seg1, segment 1/3, is one of 3, and the list names 2 videos: it lacks segment 2/3"},
        {{1, 2, 2, 3}, whole, "list:3: seg2, segment 2/3, is listed twice, also at list:2"},
        {{1, 3, 2}, whole, "list:2: seg3, segment 3/3, stands where segment 2/3 belongs"},
        {{1, 2, 3}, at10, "captured at 12 fps, and this join is at 10"},
        {{1, 2, 3}, longer, "list:1: seg1, segment 1/3, holds frames 369-377"},
        {{1, 2, 3}, laterStart, "this script starts at =500"},
    };
    for (const Case& c : cases) {
        std::vector<JoinEntry> entries;
        std::vector<SegmentStamp> stamps;
        for (const uint32_t part : c.parts) {
            entries.push_back({"seg" + std::to_string(part), "list:" + std::to_string(entries.size() + 1)});
            stamps.push_back(stampOf(part));
        }
        std::string error;
        EXPECT_EQ(CheckSegmentOrder(entries, stamps, c.joined, error), c.message.empty()) << c.message;
        EXPECT_NE(error.find(c.message), std::string::npos) << error;
    }

    SegmentStamp stamp;
    for (const char* comment : {"", "demo-capture segment 4/3 of frames 1-9 at 12 fps from =0",
                                "demo-capture segment 1/3 of frames 1-9 at 12 fps from =0 and more"}) {
        EXPECT_FALSE(ReadSegmentComment(comment, stamp)) << comment;
    }
}
