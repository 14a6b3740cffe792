// The HUD's text as data: what each line says, how the parameters of a
// scene wrap, and how findings are listed, wrapped and cut to fit.
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

TEST(HudText, FindingsShowInTheirToneWrappedAtWordsAndWhatDoesNotFitIsCounted) {
    using Tone = HudText::Tone;
    const std::string hint =
        "data/script.txt:3: error: Syntax error: write a command such as Set, Fade or Trig after the time, "
        "or a comment after //";
    const std::string unbroken = "data/png/" + std::string(300, 'x') + ".png: cannot be read";
    struct Case {
        const char* what;
        std::vector<std::string> script;
        std::vector<std::string> pictures;
        bool refused;
        int32_t maxLines;
        std::vector<std::string> lines;
        std::vector<Tone> tones;
    };
    const std::vector<Case> cases = {
        {"a refused save, its errors counted",
         {"Syntax error on line 2:\nBogus words", "s.txt:5: warning: never"}, {}, true, HudText::kMaxLines,
         {"1 error - playing the last good script:", "Syntax error on line 2:", "  Bogus words",
          "s.txt:5: warning: never"},
         {Tone::Error, Tone::Error, Tone::Error, Tone::Warning}},
        {"errors and warnings, the pictures' after the script's",
         {"s.txt:4: warning: never happens", "s.txt:9: error: Invalid time"}, {"s.txt:2: error: cannot read"},
         false, HudText::kMaxLines,
         {"s.txt:4: warning: never happens", "s.txt:9: error: Invalid time", "s.txt:2: error: cannot read"},
         {Tone::Warning, Tone::Error, Tone::Error}},
        {"a long finding wraps at spaces",
         {hint}, {}, false, HudText::kMaxLines,
         {"data/script.txt:3: error: Syntax error: write a command such as",
          "  Set, Fade or Trig after the time, or a comment after //"},
         {Tone::Error, Tone::Error}},
        {"a word longer than a line is cut into lines, and so is the finding",
         {"f: warning: " + unbroken}, {}, false, HudText::kMaxLines,
         {"f: warning: " + unbroken.substr(0, 52), "  " + unbroken.substr(52, 62), "  " + unbroken.substr(114, 62),
          "  " + unbroken.substr(176, 62)},
         {Tone::Warning, Tone::Warning, Tone::Warning, Tone::Warning}},
        {"more findings than lines: the last line counts the rest",
         std::vector<std::string>(9, "s.txt:1: error: Invalid scene"), {"s.txt:2: error: cannot read"}, false, 4,
         {"s.txt:1: error: Invalid scene", "s.txt:1: error: Invalid scene", "s.txt:1: error: Invalid scene",
          "... and 7 more"},
         {Tone::Error, Tone::Error, Tone::Error, Tone::Error}},
        {"a finding that fits only without the count line is the last",
         {"a: error: one", "b: warning: two"}, {}, false, 2,
         {"a: error: one", "b: warning: two"}, {Tone::Error, Tone::Warning}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        SceneRecord record;
        HudFacts facts = FactsFor(record);
        facts.visible = false;
        facts.problems = &c.script;
        facts.pictureProblems = &c.pictures;
        facts.saveRefused = c.refused;
        facts.maxLines = c.maxLines;
        HudText text;
        ComposeHud(facts, text);
        EXPECT_EQ(Lines(text), c.lines);
        std::vector<Tone> tones;
        for (int32_t i = 0; i < text.count; ++i) tones.push_back(text.lines[i].tone);
        EXPECT_EQ(tones, c.tones);
    }

    // With the HUD on, the findings follow its lines, within the lines that
    // fit.
    SceneRecord record;
    HudFacts facts = FactsFor(record);
    const std::vector<std::string> many(100, "s.txt:1: error: Invalid scene");
    facts.problems = &many;
    facts.maxLines = 6;
    HudText text;
    ComposeHud(facts, text);
    ASSERT_EQ(text.count, 6);
    EXPECT_EQ(text.lines[0].tone, Tone::Info);
    EXPECT_EQ(Lines(text).back(), "... and 98 more");
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
