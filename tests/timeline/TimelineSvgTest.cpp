// demo-check's picture of a whole show: a well-formed SVG document with a
// lane for every parameter the script touches and a mark, with its line,
// for every timed line, the Goto and the End; and a real browser draws it
// with every lane in place.
#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "support/ToolRun.h"
#include "support/ChunkWriter.h"
#include "support/RgbPicture.h"

namespace {

// Four parameters (scene.3.bool.1 twice, once by a Trig on a dbl word),
// seven timed lines and a Trig that never comes due.
constexpr char kSmallScript[] = R"(Goto #1.0
DefinePattern 0 *.*.
#0.0 Set scene.0.RUN
#0.0 Fade scene.1.dbl.2 from 16 to 6 time #2.0
#2.0 Trig scene.3.dbl.1
#2.2 Set scene.3.lng.0 2 // the second card & no <other>
#3.0 UsePattern 0
#5.0 Set scene.3.bool.1 true
#6.0 DisablePattern
Trig scene.2.bool.2
End #8.0
)";
constexpr int kParameterLanes = 4;
constexpr int kMarks = 7 + 2;

struct Picture {
    TempFile script{std::vector<uint8_t>(kSmallScript, kSmallScript + sizeof kSmallScript - 1), ".txt"};
    TempFile svg{std::vector<uint8_t>{}, ".svg"};
    ToolRun run = RunTool(std::string(DEMO_CHECK_PROGRAM) + " --timeline " + svg.path() + " " + script.path());
    // The script is no whole show (the checker finds no pictures for it,
    // status 1); 2 would mean the picture was not drawn.
    bool Drawn() const { return run.status == 0 || run.status == 1; }
};

// How many elements the XPath expression `count(...)` counts in `path`.
int XPathCount(const std::string& path, const std::string& expression) {
    const ToolRun run = RunTool("xmllint --xpath '" + expression + "' " + path);
    EXPECT_EQ(run.status, 0) << run.err;
    return std::atoi(run.out.c_str());
}

std::string OfClass(const std::string& name) {
    return "//*[local-name()=\"g\"][contains(concat(\" \", @class, \" \"), \" " + name + " \")]";
}

}  // namespace

TEST(TimelineSvg, IsWellFormedWithALanePerParameterAndAMarkPerTimedLine) {
    const Picture picture;
    ASSERT_TRUE(picture.Drawn()) << picture.run.err;
    const ToolRun lint = RunTool("xmllint --noout " + picture.svg.path());
    ASSERT_EQ(lint.status, 0) << lint.err;

    EXPECT_EQ(XPathCount(picture.svg.path(), "count(" + OfClass("parameter") + ")"), kParameterLanes);
    EXPECT_EQ(XPathCount(picture.svg.path(), "count(" + OfClass("lane") + ")"), kParameterLanes + 2);
    EXPECT_EQ(XPathCount(picture.svg.path(), "count(" + OfClass("mark") + ")"), kMarks);
    // Every mark's tooltip names its line; the line's own text comes along.
    EXPECT_EQ(XPathCount(picture.svg.path(),
                         "count(" + OfClass("mark") + "/*[local-name()=\"title\"][starts-with(., \"line \")])"),
              kMarks);
    const ToolRun card = RunTool("xmllint --xpath 'string(" + OfClass("set") +
                                 "[contains(., \"line 6:\")]/*[local-name()=\"title\"])' " + picture.svg.path());
    EXPECT_EQ(card.out, "line 6: #2.2 Set scene.3.lng.0 2 // the second card & no <other>\n");
}

TEST(TimelineSvg, TheShippedShowsPictureHasItsMusicsLoudness) {
    // The checker closes its sound device before it draws; the decoding
    // still needs one.
    const TempFile svg(std::vector<uint8_t>{}, ".svg");
    const ToolRun run = RunTool(std::string("cd ") + SHOW_SOURCE_DIR + " && " + DEMO_CHECK_PROGRAM +
                                " --timeline " + svg.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err.find("no loudness"), std::string::npos) << run.err;
    const ToolRun label = RunTool("xmllint --xpath 'string(" + OfClass("loudness") + "/*[local-name()=\"text\"])' " +
                                  svg.path());
    EXPECT_EQ(label.out, "music\n");
}

TEST(TimelineSvg, TextThatIsNotUtf8StaysWellFormedWithOneWarningAndABrokenPictureIsNotDrawn) {
    // A Latin-1 byte and a non-character in a line, a stray byte in the
    // script's name.
    const std::string script = "#0.0 Set scene.0.bool.0 true // caf\xE9 \xEF\xBF\xBE\nEnd #1.0\n";
    const TempFile file(std::vector<uint8_t>(script.begin(), script.end()), "-\xFF.txt");
    const TempFile svg(std::vector<uint8_t>{}, ".svg");
    const ToolRun run = RunTool(std::string(DEMO_CHECK_PROGRAM) + " --timeline " + svg.path() + " '" +
                                file.path() + "'");
    ASSERT_TRUE(run.status == 0 || run.status == 1) << run.err;
    const ToolRun lint = RunTool("xmllint --noout " + svg.path());
    EXPECT_EQ(lint.status, 0) << lint.err;
    size_t warnings = 0;
    for (size_t at = run.err.find("U+FFFD"); at != std::string::npos; at = run.err.find("U+FFFD", at + 1)) ++warnings;
    EXPECT_EQ(warnings, 1u) << run.err;

    const std::string broken = "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"8\" height=\"8\"><title>\xE9";
    const TempFile bad(std::vector<uint8_t>(broken.begin(), broken.end()), ".svg");
    const TempFile png(std::vector<uint8_t>{}, ".png");
    const ToolRun render =
        RunTool(std::string(SHOW_SOURCE_DIR) + "/tools/svg-to-png.sh " + bad.path() + " " + png.path());
    EXPECT_EQ(render.status, 1);
    EXPECT_NE(render.err.find("not a well-formed SVG"), std::string::npos) << render.err;
}

#ifdef SVG_TO_PNG_PROGRAM
TEST(TimelineSvg, ABrowserDrawsEveryLane) {
    const Picture picture;
    ASSERT_TRUE(picture.Drawn()) << picture.run.err;
    const TempFile png(std::vector<uint8_t>{}, ".png");
    const ToolRun render = RunTool(std::string(SVG_TO_PNG_PROGRAM) + " " + picture.svg.path() + " " + png.path());
    ASSERT_EQ(render.status, 0) << render.err;
    RgbPicture shown;
    ASSERT_TRUE(ReadRgbPng(png.path(), shown));

    // Down the left edge: the heading, the music, the parameter lanes in
    // their two alternating shades, the pattern lane.
    const auto colour = [&](int x, int y) {
        return (shown.At(x, y, 0) << 16) | (shown.At(x, y, 1) << 8) | shown.At(x, y, 2);
    };
    const std::set<int> laneShades{0x1c2130, 0x232a3b};
    int lanes = 0;
    int previous = -1;
    for (int y = 0; y < shown.height; ++y) {
        const int here = colour(2, y);
        if (laneShades.count(here) && here != previous) ++lanes;
        previous = here;
    }
    EXPECT_EQ(lanes, kParameterLanes);

    // Not blank: the value lines (#e8c468, smoothed at their edges) and
    // the text are there.
    std::set<int> colours;
    int valuePixels = 0;
    for (int y = 0; y < shown.height; ++y) {
        for (int x = 0; x < shown.width; ++x) {
            colours.insert(colour(x, y));
            if (std::abs(shown.At(x, y, 0) - 0xe8) < 24 && std::abs(shown.At(x, y, 1) - 0xc4) < 24 &&
                std::abs(shown.At(x, y, 2) - 0x68) < 24) {
                ++valuePixels;
            }
        }
    }
    EXPECT_GT(colours.size(), 50u);
    EXPECT_GT(valuePixels, 200) << "no value lines";
}
#endif
