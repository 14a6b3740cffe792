// The HUD's text as data: what each line says, how the parameters of a
// scene wrap, and how script errors are listed and cut to fit.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "preview/HudText.h"
#include "time/ShowTimeKeeper.h"

namespace {

struct SceneRecord {
    double dbl[10] = {};
    int32_t lng[5] = {};
    bool flags[10] = {};
};

HudFacts FactsFor(const SceneRecord& record) {
    HudFacts facts;
    facts.dblParams = record.dbl;
    facts.lngParams = record.lng;
    facts.boolParams = record.flags;
    return facts;
}

std::vector<std::string> Lines(const HudText& text, HudText::Tone* onlyTone = nullptr) {
    std::vector<std::string> lines;
    for (int32_t i = 0; i < text.count; ++i) {
        if (onlyTone && text.lines[i].tone != *onlyTone) continue;
        lines.emplace_back(text.lines[i].text);
    }
    return lines;
}

}  // namespace

TEST(HudText, StatusLinesTellTimePatternLoopTypedBarAndTheScene) {
    SceneRecord record;
    record.flags[0] = true;
    record.lng[0] = 2;
    record.dbl[1] = 0.25;
    record.dbl[4] = NAN;
    HudFacts facts = FactsFor(record);
    facts.now = 4560;  // bar 2 starts at 3840; 720 ms in is beat 1
    facts.framesPerSecond = 59;
    facts.paused = true;
    facts.pattern = 1;
    facts.lastStep = 6;
    facts.stepCharacter = '*';
    facts.loopState = 2;
    facts.loopStart = 3840;
    facts.loopEnd = 7680;
    facts.typedBar = "12";
    facts.scene = 3;

    HudText text;
    ComposeHud(facts, text);
    EXPECT_EQ(Lines(text), (std::vector<std::string>{
                               "#2.1  4560 ms  59 fps  paused",
                               "pattern 1  step 6 '*'",
                               "loop #2.0 - #4.0",
                               "go to bar 12_",
                               "scene 3: bool.0 lng.0=2 dbl.1=0.25 dbl.4=nan",
                           }));

    // The end, a silent step, a loop only begun, and a scene of zeros.
    SceneRecord zeros;
    HudFacts quiet = FactsFor(zeros);
    quiet.now = 19200;
    quiet.atEnd = true;
    quiet.paused = true;
    quiet.pattern = 0;
    quiet.lastStep = 3;
    quiet.loopState = 1;
    quiet.loopStart = 1920;
    ComposeHud(quiet, text);
    EXPECT_EQ(Lines(text), (std::vector<std::string>{"#10.0  19200 ms  0 fps  end",
                                                     "pattern 0  step 3 '.'", "loop from #1.0",
                                                     "scene 0: all zero"}));
    quiet.pattern = -1;
    ComposeHud(quiet, text);
    EXPECT_EQ(Lines(text)[1], "pattern off");
}

TEST(HudText, ParametersWrapAtWholeWordsWithinTheWidth) {
    SceneRecord record;
    for (int i = 0; i < 10; ++i) record.flags[i] = true;
    for (int i = 0; i < 5; ++i) record.lng[i] = -2000000000 + i;
    for (int i = 0; i < 10; ++i) record.dbl[i] = -123456.789 * (i + 1);
    HudText text;
    ComposeHud(FactsFor(record), text);

    const std::vector<std::string> lines = Lines(text);
    ASSERT_GE(lines.size(), 5u);
    std::string words;
    for (size_t i = 2; i < lines.size(); ++i) {
        EXPECT_LE(lines[i].size(), static_cast<size_t>(HudText::kColumns)) << lines[i];
        if (i > 2) {
            EXPECT_EQ(lines[i].substr(0, 2), "  ") << lines[i];
        }
        EXPECT_NE(lines[i].back(), ' ') << lines[i];
        words += lines[i] + " ";
    }
    // Every parameter is there, whole, in order: flags, longs, doubles.
    size_t at = 0;
    for (const std::string word : {"bool.0", "bool.9", "lng.0=-2000000000", "lng.4=-1999999996",
                                   "dbl.0=-1.235e+05", "dbl.9=-1.235e+06"}) {
        const size_t found = words.find(word + " ", at);
        ASSERT_NE(found, std::string::npos) << word;
        at = found;
    }
}

TEST(HudText, ErrorsShowWithTheirLinesHudOnOrOffAndAreCutToFit) {
    const std::string longLine(255, 'x');
    std::vector<std::string> problems = {"Syntax error on line 2:\nBogus words",
                                         "Line too long on line 9:\n" + longLine};
    SceneRecord record;
    HudFacts facts = FactsFor(record);
    facts.visible = false;
    facts.problems = &problems;
    facts.saveRefused = true;
    HudText text;
    ComposeHud(facts, text);
    EXPECT_EQ(Lines(text), (std::vector<std::string>{
                               "2 findings - playing the last good script:",
                               "Syntax error on line 2:",
                               "  Bogus words",
                               "Line too long on line 9:",
                               "  " + longLine.substr(0, HudText::kColumns - 2),
                           }));
    for (int32_t i = 0; i < text.count; ++i) EXPECT_EQ(text.lines[i].tone, HudText::Tone::Error);

    // With the HUD on, the errors follow its lines.
    facts.visible = true;
    ComposeHud(facts, text);
    HudText::Tone error = HudText::Tone::Error;
    EXPECT_EQ(Lines(text, &error).size(), 5u);
    EXPECT_EQ(text.lines[0].tone, HudText::Tone::Info);

    // More errors than lines: the HUD ends at its last line.
    problems.assign(100, "Invalid scene on line 1:\n=0 Set scene.99.dbl.0 1");
    ComposeHud(facts, text);
    EXPECT_EQ(text.count, HudText::kMaxLines);
    EXPECT_EQ(Lines(text).back().substr(0, 2), "  ");
}

TEST(ShowTimeKeeper, NeverRunsBackAndCountsRightAcrossTheSystemClocksWrap) {
    ShowTimeKeeper keeper;
    keeper.Reset(5000, 0xFFFFFFF0u);
    EXPECT_EQ(keeper.Advance(0x00000010u, -1), 5032u);
    // Music far behind holds the clock until it catches up.
    EXPECT_EQ(keeper.Advance(0x00000020u, 1000), 5032u);
    // Close to it again: pulled an eighth of the way towards it.
    EXPECT_EQ(keeper.Advance(0x00000030u, 5040), 5047u);
}
