#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "script/ScriptEngine.h"
#include "script/ScriptReader.h"
#include "support/Doubles.h"
#include "textures/TextureRegistry.h"

namespace {

using Texts = std::vector<std::string>;

class ScriptParserTest : public ::testing::Test {
protected:
    bool Load(const std::string& text) {
        TempScript script(text);
        return engine->Load(script.Path(), &registry);
    }

    const RecordingTextureFactory::FakeTexture* Picture(const char* handle) {
        return static_cast<RecordingTextureFactory::FakeTexture*>(registry.Find(handle));
    }

    RecordingMessageBoxes boxes;
    RecordingMusicPlayer music;
    RecordingTextureFactory factory;
    TextureRegistry registry{factory};
    std::unique_ptr<ScriptEngine> engine = std::make_unique<ScriptEngine>(boxes, music);
};

// --- Messages ---------------------------------------------------------------

TEST_F(ScriptParserTest, EveryMessageNamesItsLineAndText) {
    EXPECT_FALSE(Load(
        "// one bad line after another\n"
        "Frobnicate now\n"
        "LoadImage onlyhandle\n"
        "LoadMusic\n"
        "LoadMusic x.mp3 0\n"
        "Define novalue=\n"
        "DefinePattern 20 *...\n"
        "=0 UsePattern -1\n"
        "Set scene.0.dbl.1 0.5\n"
        "=100 Set sprite.0.dbl.1 1\n"
        "=100 Set scene.0.dbl\n"
        "=100 Set scene.0.int.1 5\n"
        "=100 Set scene.64.dbl.0 1\n"
        "=100 Trig scene.0.lng.10\n"
        "=0 Fade .0.dbl.1 from 0 to 1 time #1.0\n"
        "=0 Fade scene.0 from 0 to 1 time #1.0\n"
        "=0 Fade scene.0.dbl.1\n"
        "=0 Fade scene.0.dbl.1 from 0\n"
        "=0 Fade scene.0.dbl.1 from 0 to 1\n"
        "=0 Fade scene.0.lng.1 from 0 to 5 time #1.0\n"
        "=0 Fade scene.-1.dbl.1 from 0 to 1 time #1.0\n"
        "#1.0 Set scene.x\n"));
    EXPECT_EQ(boxes.Texts(), (Texts{
        "Syntax error on line 2:\nFrobnicate now",
        "Missing image handle or filename on line 3:\nLoadImage onlyhandle",
        "Missing filename on line 4:\nLoadMusic",
        "Invalid BPM on line 5:\nLoadMusic x.mp3 0",
        "Invalid define line on line 6:\nDefine novalue=",
        "Pattern id out of range on line 7:\nDefinePattern 20 *...",
        "Pattern id out of range on line 8:\n=0 UsePattern -1",
        "Invalid time on line 9:\nSet scene.0.dbl.1 0.5",
        "Invalid identifier on line 10:\n=100 Set sprite.0.dbl.1 1",
        "Missing index on line 11:\n=100 Set scene.0.dbl",
        "Invalid parameter on line 12:\n=100 Set scene.0.int.1 5",
        "Invalid scene on line 13:\n=100 Set scene.64.dbl.0 1",
        "Invalid index on line 14:\n=100 Trig scene.0.lng.10",
        "Missing identifier on line 15:\n=0 Fade .0.dbl.1 from 0 to 1 time #1.0",
        "Missing parameter on line 16:\n=0 Fade scene.0 from 0 to 1 time #1.0",
        "Missing from attribute on line 17:\n=0 Fade scene.0.dbl.1",
        "Missing to attribute on line 18:\n=0 Fade scene.0.dbl.1 from 0",
        "Missing time attribute on line 19:\n=0 Fade scene.0.dbl.1 from 0 to 1",
        "Invalid parameter on line 20:\n=0 Fade scene.0.lng.1 from 0 to 5 time #1.0",
        "Invalid scene on line 21:\n=0 Fade scene.-1.dbl.1 from 0 to 1 time #1.0",
        "Invalid identifier on line 22:\n#1.0 Set scene.x",
    }));
    EXPECT_EQ(engine->EventCount(), 0);
    ASSERT_FALSE(boxes.boxes.empty());
    EXPECT_EQ(boxes.boxes[0].caption, "Error");
    EXPECT_EQ(boxes.boxes[0].icon, MessageBoxIcon::Error);
}

TEST_F(ScriptParserTest, ErrorsCarryAHintOfWhatToWriteInstead) {
    std::string utf16 = "\xFF\xFE";
    for (const char c : std::string("=0 UsePattern 1\n=1 UsePattern 2")) utf16 += std::string{c, '\0'};
    std::string accents = "// ";
    for (int i = 0; i < 130; ++i) accents += "\xC3\xA9";
    const std::pair<std::string, const char*> cases[] = {
        {utf16, "the script is UTF-16; save it as UTF-8"},
        {"// joined\n\xEF\xBB\xBF=0 UsePattern 1",
         "the line starts with an invisible byte-order mark (the bytes EF BB BF), as where two files were joined: "
         "delete it"},
        {accents, "a line holds at most 255 bytes, and this one has 263 (a character outside ASCII takes 2 to 4)"},
        {"#6.0 set scene.1.RUN", "'set' is written Set"},
        {"# note", "a comment starts with //; # starts a time"},
        {"// a file saved with CR alone at its line ends\r=0 Set scene.1.RUN\r" + std::string(255, '/'),
         "the file's lines end in CR alone: save it with LF or CR LF line ends"},
        {" Set scene.1.RUN", "the line starts with a space: a command starts at the line's first character"},
        {"6.0 Set scene.1.RUN", "'6.0' is not a time: write #6.0 for bar.beat, or = before milliseconds"},
        {"Sett", "'Sett' is not a command; the commands are LoadImage, Define, DefinePattern, Set, Trig, Fade, "
                 "UsePattern, DisablePattern, LoadMusic, Goto, End"},
        {"=0 Trig scene.3.dbl.12", "Trig raises a bool slot, bool.0 to bool.9"},
        {"=0 Set scene.3.lng.5 1", "the lng slots are lng.0 to lng.4"},
        {"=0 Set scene.4.RNU", "write scene.SCENE.KIND.INDEX, as in scene.3.dbl.0, with KIND dbl, lng or bool, or "
                               "scene.SCENE.RUN"},
    };
    for (const auto& [line, hint] : cases) {
        TempScript file(std::string(line) + "\n");
        std::string problem;
        const ParsedScript script = ReadScript(file.Path(), problem);
        ASSERT_FALSE(script.findings.empty()) << line;
        EXPECT_EQ(script.findings.back().severity, FindingSeverity::Error) << line;
        EXPECT_EQ(script.findings.back().hint, hint) << line;
    }
}

TEST_F(ScriptParserTest, SlotIndicesOutsideTheirKindAreRefused) {
    EXPECT_FALSE(Load(
        "=0 Set scene.63.dbl.9 1\n"
        "=0 Set scene.0.dbl.10 1\n"
        "=0 Set scene.0.lng.4 1\n"
        "=0 Set scene.0.lng.5 1\n"
        "=0 Trig scene.0.bool.-1\n"
        "=0 Set scene.4294967296.bool.0 true\n"
        // A trigger pulses the bool slot of its index whatever its kind word.
        "=0 Trig scene.0.lng.9\n"));
    EXPECT_EQ(boxes.Texts(), (Texts{
        "Invalid index on line 2:\n=0 Set scene.0.dbl.10 1",
        "Invalid index on line 4:\n=0 Set scene.0.lng.5 1",
        "Invalid index on line 5:\n=0 Trig scene.0.bool.-1",
        "Invalid scene on line 6:\n=0 Set scene.4294967296.bool.0 true",
    }));
    EXPECT_EQ(engine->EventCount(), 3);
    engine->Start();
    engine->Step(0);
    EXPECT_TRUE(engine->GetParams(0).boolParams[9]);
}

TEST_F(ScriptParserTest, MessagesShowTheLineAfterSubstitution) {
    EXPECT_FALSE(Load("Define sc=scene\nSet sc.0.RUN\n"));
    EXPECT_EQ(boxes.Texts(), Texts{"Invalid time on line 2:\nSet scene.0.bool.0 true"});
}

TEST_F(ScriptParserTest, LinesThatDoNothing) {
    EXPECT_TRUE(Load("\n// note\n/x\n#4.0\n#4.0 // timed comment\n"));
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(engine->EventCount(), 0);
}

TEST_F(ScriptParserTest, BlankLinesLeadingSpacesAndHashWordsAreSyntaxErrors) {
    EXPECT_FALSE(Load("   \n\t\t\n =100 Set scene.0.dbl.0 1\n# note\n"));
    EXPECT_EQ(boxes.Texts(), (Texts{
        "Syntax error on line 1:\n   ",
        "Syntax error on line 2:\n\t\t",
        "Syntax error on line 3:\n =100 Set scene.0.dbl.0 1",
        "Syntax error on line 4:\n# note",
    }));
}

TEST_F(ScriptParserTest, TabsLeadButDoNotSeparateWords) {
    EXPECT_FALSE(Load("\t=100 Set scene.0.dbl.0 1\n=100\tSet scene.0.dbl.0 1\n"));
    EXPECT_EQ(boxes.Texts(), Texts{"Syntax error on line 2:\n=100\tSet scene.0.dbl.0 1"});
    ASSERT_EQ(engine->EventCount(), 1);
    EXPECT_EQ(engine->Event(0).start, 100u);
}

// --- Reading the file ---------------------------------------------------------

TEST_F(ScriptParserTest, FilesThatCannotBeScriptsGiveFalseWithTheReasonAndNoBox) {
    // None is read: a device or a pipe might never end, and a pipe with no
    // writer must not keep the reader waiting.
    TempScript huge("");
    std::filesystem::resize_file(huge.Path(), (64 << 20) + 1);
    struct Case {
        std::string path;
        const char* reason;
    };
    std::vector<Case> cases = {
        {"/nonexistent/script.txt", "No such file"},
        {std::filesystem::temp_directory_path().string(), "is a folder"},
        {huge.Path(), "larger than 64 MB"},
    };
#if !defined(_WIN32)
    // Devices and named pipes as POSIX systems have them.
    TempScript pipe("");
    ASSERT_EQ(unlink(pipe.Path()), 0);
    ASSERT_EQ(mkfifo(pipe.Path(), 0600), 0);
    cases.push_back({"/dev/zero", "not a regular file"});
    cases.push_back({pipe.Path(), "not a regular file"});
#endif
    for (const auto& file : cases) {
        EXPECT_FALSE(engine->Load(file.path.c_str(), &registry)) << file.path;
        EXPECT_NE(engine->ReadProblem().find(file.reason), std::string::npos) << engine->ReadProblem();
    }
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(ScriptParserTest, AByteOrderMarkBeforeTheFirstLineIsSkipped) {
    EXPECT_TRUE(Load("\xEF\xBB\xBF" "Define X=3\n=1 Set scene.0.dbl.0 X\n"));
    ASSERT_EQ(engine->EventCount(), 1);
    EXPECT_EQ(engine->Event(0).value, 3.0);
}

TEST_F(ScriptParserTest, EveryLineReadTicksTheLoadingScreenOnce) {
    std::vector<std::string> log;
    RecordingLoadingViewFactory views(log);
    auto view = views.NewLoadingView();
    engine->SetLoadingScreen(view.get());

    EXPECT_TRUE(Load(""));
    EXPECT_EQ(views.ticks, 1);
    // A final line end is followed by one more, empty, line.
    EXPECT_FALSE(Load("bad\n// ok\n"));
    EXPECT_EQ(views.ticks, 1 + 3);
    EXPECT_EQ(engine->LineNumber(), 4);
    EXPECT_FALSE(Load("bad\n// ok"));
    EXPECT_EQ(views.ticks, 1 + 3 + 2);
}

TEST_F(ScriptParserTest, CrLfLineEndsAreNotPartOfTheLine) {
    EXPECT_FALSE(Load("=100 Set scene.0.dbl.0 1\r\nbad\r\nlast\r"));
    EXPECT_EQ(boxes.Texts(), (Texts{"Syntax error on line 2:\nbad",
                                    "Syntax error on line 3:\nlast\r"}));
    EXPECT_EQ(engine->EventCount(), 1);
}

TEST_F(ScriptParserTest, ALineEndsAtAZeroByte) {
    const char text[] = "bad\0 ignored\n=5 UsePattern 0\n";
    EXPECT_FALSE(Load(std::string(text, sizeof text - 1)));
    EXPECT_EQ(boxes.Texts(), Texts{"Syntax error on line 1:\nbad"});
    EXPECT_EQ(engine->EventCount(), 1);
}

TEST_F(ScriptParserTest, LinesLongerThan255BytesAreReportedAndSkipped) {
    const std::string longest = "//" + std::string(253, 'x');
    // 256 bytes, the last character of two bytes cut by the limit.
    const std::string tooLong = "=0 UsePattern 1 " + std::string(238, 'x') + "\xC3\xA9";
    EXPECT_FALSE(Load(longest + "\r\n" + tooLong + "\r\n=7 UsePattern 2\n"));
    EXPECT_EQ(boxes.Texts(), Texts{"Line too long on line 2:\n" + tooLong.substr(0, 254)});
    ASSERT_EQ(engine->EventCount(), 1);
    EXPECT_EQ(engine->Event(0).lngValue, 2);
}

// The limit is on the line as the file holds it: a line that its variables
// make longer runs, unless it would grow without end or past 64 KB.
TEST_F(ScriptParserTest, LinesGrowingBySubstitutionRunUnlessTheyGrowWithoutBound) {
    std::string mentions = "// ";
    for (int i = 0; i < 60; ++i) mentions += "RUN ";
    const std::string grows = "=0 Set scene.0.RUN //" + std::string(230, 'x');
    ASSERT_EQ(grows.size(), 251u);
    EXPECT_FALSE(Load(mentions + "\n" + grows + "\n"
                      "Define X=aX\n=0 UsePattern X\n"
                      "Define A=" + std::string(200, 'a') + "\nDefine B=AAAAAAAAAA\n=0 UsePattern " +
                      std::string(40, 'B') + "\n=7 UsePattern 2\n"));
    EXPECT_EQ(boxes.Texts(), (Texts{"Line too long on line 4:\n=0 UsePattern X",
                                    "Line too long on line 7:\n=0 UsePattern " + std::string(40, 'B')}));
    ASSERT_EQ(engine->EventCount(), 2);
    EXPECT_TRUE(engine->Event(0).boolValue);
    EXPECT_EQ(engine->Event(1).lngValue, 2);
}

// --- Variables ------------------------------------------------------------------

TEST_F(ScriptParserTest, RunIsReplacedBeforeRunning) {
    EXPECT_FALSE(Load("=100 Set scene.2.RUN\nSet scene.1.RUNNING\n"));
    EXPECT_EQ(boxes.Texts(), Texts{"Invalid time on line 2:\nSet scene.1.bool.0 trueNING"});
    ASSERT_EQ(engine->EventCount(), 1);
    const TimelineEvent& run = engine->Event(0);
    EXPECT_EQ(run.effect, 2);
    EXPECT_EQ(run.kind, ParamKind::Bool);
    EXPECT_EQ(run.index, 0);
    EXPECT_TRUE(run.boolValue);
}

TEST_F(ScriptParserTest, VariablesApplyInByteOrderOfTheirNames) {
    // B is defined first, but A is applied first, so the A brought in by B
    // stays.
    EXPECT_FALSE(Load("Define B=Az\nDefine A=q\nSet B\n"));
    EXPECT_EQ(boxes.Texts(), Texts{"Invalid time on line 3:\nSet Az"});
}

TEST_F(ScriptParserTest, ALineNoLongerThanTheNameIsLeftAlone) {
    EXPECT_FALSE(Load("RUN\nRUN \n"));
    EXPECT_EQ(boxes.Texts(), (Texts{"Syntax error on line 1:\nRUN",
                                    "Syntax error on line 2:\nbool.0 true "}));
}

TEST_F(ScriptParserTest, VariablesAreReplacedInsideWords) {
    EXPECT_TRUE(Load("Define X=abc\nLoadImage hXy fX.png\n"));
    ASSERT_NE(Picture("habcy"), nullptr);
    EXPECT_EQ(Picture("habcy")->file, "fabc.png");
}

TEST_F(ScriptParserTest, DefineIsSubstitutedBeforeItRuns) {
    EXPECT_TRUE(Load("Define X=1\nDefine X=2\nDefine Y = 3 4\n"));
    ASSERT_NE(engine->Variable("X"), nullptr);
    EXPECT_EQ(*engine->Variable("X"), "1");
    ASSERT_NE(engine->Variable("1"), nullptr);
    EXPECT_EQ(*engine->Variable("1"), "2");
    ASSERT_NE(engine->Variable("Y"), nullptr);
    EXPECT_EQ(*engine->Variable("Y"), "3");
}

TEST_F(ScriptParserTest, AnUndefinedImageDirectoryBecomesEmptyAndDeletesItsName) {
    EXPECT_FALSE(Load("LoadImage pic pic.png\n"
                      "LoadImage other a_IMG_DIRb.png\n"
                      "Define _IMG_DIR=data/png/\n"));
    EXPECT_EQ(factory.loads, (Texts{"pic.png", "ab.png"}));
    EXPECT_EQ(boxes.Texts(), Texts{"Invalid define line on line 3:\nDefine =data/png/"});
}

// --- Commands -----------------------------------------------------------------------

TEST_F(ScriptParserTest, LoadImageJoinsTheDirectoryAndChoosesTheWrapMode) {
    EXPECT_TRUE(Load("Define _IMG_DIR=data/png/\n"
                     "LoadImage noise noise.png repeat\n"
                     "LoadImage pic1 pic1.png Repeat\n"
                     "#4.0 LoadImage pic2 pic2.png\n"));
    ASSERT_NE(Picture("noise"), nullptr);
    ASSERT_NE(Picture("pic1"), nullptr);
    ASSERT_NE(Picture("pic2"), nullptr);
    EXPECT_EQ(Picture("noise")->file, "data/png/noise.png");
    EXPECT_EQ(Picture("noise")->wrap, kWrapRepeat);
    EXPECT_EQ(Picture("pic1")->wrap, kWrapClamp);
    EXPECT_EQ(Picture("pic2")->file, "data/png/pic2.png");
}

TEST_F(ScriptParserTest, LoadMusicOpensTheStreamEvenWithABadTempo) {
    EXPECT_FALSE(Load("Define _MUSIC_DIR=music/\nLoadMusic a.mp3 140\nLoadMusic b.mp3\n"));
    EXPECT_EQ(music.loaded, (Texts{"music/a.mp3", "music/b.mp3"}));
    EXPECT_EQ(boxes.Texts(), Texts{"Invalid BPM on line 3:\nLoadMusic b.mp3"});
    EXPECT_EQ(engine->BeatLength(), 428.0);
    EXPECT_EQ(engine->BarLength(), 1712.0);
}

TEST_F(ScriptParserTest, TempoEdges) {
    EXPECT_FALSE(Load("LoadMusic x.mp3 60000 3\nLoadMusic x.mp3 60001\n"));
    EXPECT_EQ(boxes.Texts(), Texts{"Invalid BPM on line 2:\nLoadMusic x.mp3 60001"});
    EXPECT_EQ(engine->BeatLength(), 1.0);
    EXPECT_EQ(engine->BarLength(), 3.0);
    EXPECT_FLOAT_EQ(engine->StepsPerMs(), 4.0f);
    engine->SetTempo(120, 0);
    EXPECT_EQ(engine->BarLength(), 2000.0);
}

TEST_F(ScriptParserTest, TimeExpressions) {
    EXPECT_EQ(engine->ParseTime("#2.1"), 4320);
    EXPECT_EQ(engine->ParseTime("#2.1.5"), 4560);
    EXPECT_EQ(engine->ParseTime("#0.0"), 0);
    EXPECT_EQ(engine->ParseTime("#3"), 5760);
    EXPECT_EQ(engine->ParseTime("#.5"), 2400);  // beats are what follows the full stop
    EXPECT_EQ(engine->ParseTime("#-1.0"), -1920);
    EXPECT_EQ(engine->ParseTime("=5000"), 5000);
    EXPECT_EQ(engine->ParseTime("=2147483647"), 2147483647);
    EXPECT_EQ(engine->ParseTime("5000"), 0);
    EXPECT_EQ(engine->ParseTime(""), 0);
    engine->SetTempo(140, 4);
    EXPECT_EQ(engine->ParseTime("#1.2"), 2568);
    EXPECT_EQ(engine->ParseTime("#0.0.5"), 214);
}

// Times are unsigned: a negative one wraps round, and one past the signed
// 32-bit range reads as its lowest value. Only Set refuses such a time; the
// other commands take it, and a Fade index outside dbl.0 to dbl.9 fades
// dbl.0.
TEST_F(ScriptParserTest, OddTimesAndFadeIndicesAreTakenAsTheyRead) {
    constexpr int32_t kLowest = std::numeric_limits<int32_t>::min();
    EXPECT_EQ(engine->ParseTime("=3000000000"), kLowest);
    EXPECT_EQ(engine->ParseTime("=-3000000000"), kLowest);
    EXPECT_EQ(engine->ParseTime("#2000000.0"), kLowest);
    EXPECT_FALSE(Load("=3000000000 Set scene.0.dbl.0 1\n"
                      "=-5 Trig scene.0.bool.1\n"
                      "#-1.0 UsePattern 1\n"
                      "=3000000000 DisablePattern\n"
                      "#-2.0 Fade scene.0.dbl.1 from 0 to 1 time #1.0\n"
                      "=0 Fade scene.0.dbl.1 from 0 to 1 time =-5\n"
                      "=0 Fade any.0.dbl.12 from 0 to 1 time #1.0\n"
                      "=0 Fade scene.0.dbl.-1 from 0 to 1 time #1.0\n"
                      "Goto #-1.0\n"
                      "End =5000000000\n"));
    EXPECT_EQ(boxes.Texts(), Texts{"Invalid time on line 1:\n=3000000000 Set scene.0.dbl.0 1"});
    const struct {
        uint32_t start, end;
        int32_t index;
    } events[] = {
        {4294967291u, 4294967291u, 1}, {4294965376u, 4294965376u, 0}, {2147483648u, 2147483648u, 0},
        {4294963456u, 4294965376u, 1}, {0u, 4294967291u, 1},          {0u, 1920u, 0},
        {0u, 1920u, 0},
    };
    ASSERT_EQ(engine->EventCount(), 7);
    for (int i = 0; i < 7; ++i) {
        EXPECT_EQ(engine->Event(i).start, events[i].start) << i;
        EXPECT_EQ(engine->Event(i).end, events[i].end) << i;
        EXPECT_EQ(engine->Event(i).index, events[i].index) << i;
    }
    EXPECT_EQ(engine->StartPosition(), 4294965376u);
    EXPECT_EQ(engine->EndTime(), 2147483648u);
}

TEST_F(ScriptParserTest, TimesUseTheTempoInForceAtTheirLine) {
    EXPECT_TRUE(Load("#1.0 UsePattern 0\nLoadMusic x.mp3 120\n#1.0 UsePattern 0\n"));
    ASSERT_EQ(engine->EventCount(), 2);
    EXPECT_EQ(engine->Event(0).start, 1920u);
    EXPECT_EQ(engine->Event(1).start, 2000u);
}

TEST_F(ScriptParserTest, TheLastTimePrefixCountsAndUntimedCommandsIgnoreIt) {
    EXPECT_EQ(engine->EndTime(), NO_TIME);
    EXPECT_TRUE(Load("#4.0 #8.0 UsePattern 1\n#4.0 Goto =10\n#4.0 End #1.0\n"
                     "#4.0 DefinePattern 2 *\n"));
    EXPECT_EQ(engine->Event(0).start, 15360u);
    EXPECT_EQ(engine->StartPosition(), 10u);
    EXPECT_EQ(engine->EndTime(), 1920u);
    EXPECT_EQ(engine->GetPattern(2).length, 1);
    // Without a prefix a time word is 0.
    EXPECT_TRUE(Load("Goto 5000\nEnd 5000\n"));
    EXPECT_EQ(engine->StartPosition(), 0u);
    EXPECT_EQ(engine->EndTime(), 0u);
}

TEST_F(ScriptParserTest, SetReadsValuesByKind) {
    EXPECT_TRUE(Load("=100 Set scene.1.lng.2 -12x\n"
                     "=100 Set scene.0.bool.2 TRUE\n"
                     "=100 Set scene.0.bool.3 true\n"
                     "=100 Set scene.0.dbl.3\n"
                     "=200 Set scene.5.dbl.9 2.5e1 ignored words\n"));
    ASSERT_EQ(engine->EventCount(), 5);
    const TimelineEvent& lng = engine->Event(0);
    EXPECT_EQ(lng.effect, 1);
    EXPECT_EQ(lng.kind, ParamKind::Lng);
    EXPECT_EQ(lng.index, 2);
    EXPECT_EQ(lng.lngValue, -12);
    EXPECT_EQ(lng.state, EventState::PendingSet);
    EXPECT_FALSE(engine->Event(1).boolValue);
    EXPECT_TRUE(engine->Event(2).boolValue);
    EXPECT_EQ(engine->Event(3).value, 0.0);
    const TimelineEvent& dbl = engine->Event(4);
    EXPECT_EQ(dbl.effect, 5);
    EXPECT_EQ(dbl.kind, ParamKind::Dbl);
    EXPECT_EQ(dbl.index, 9);
    EXPECT_EQ(dbl.value, 25.0);
    EXPECT_EQ(dbl.start, 200u);
    EXPECT_EQ(dbl.end, 200u);
}

TEST_F(ScriptParserTest, UntimedTriggersAndPatternSwitchesAreRecordedAtNoTime) {
    EXPECT_TRUE(Load("Trig scene.1.dbl.7 3\nUsePattern 4\nDisablePattern\n"));
    ASSERT_EQ(engine->EventCount(), 3);
    EXPECT_EQ(engine->Event(0).state, EventState::PendingTrigger);
    EXPECT_EQ(engine->Event(0).index, 7);
    EXPECT_EQ(engine->Event(0).start, NO_TIME);
    EXPECT_EQ(engine->Event(1).state, EventState::PendingPatternSwitch);
    EXPECT_EQ(engine->Event(1).lngValue, 4);
    EXPECT_EQ(engine->Event(2).lngValue, -1);
    EXPECT_EQ(engine->Event(2).start, NO_TIME);
}

TEST_F(ScriptParserTest, FadeComputesItsRateAndTakesAnyPrefixAndAttributeWords) {
    EXPECT_TRUE(Load("=1000 Fade scene.3.dbl.4 from 2 to 1 time =500\n"
                     "=0 Fade any.0.dbl.9 over 0 until 1 for #1.0\n"
                     "=0 Fade scene.0.dbl from 0 to 1 time =10\n"
                     "=0 Fade scene.0.dbl.1 from 0 to 1 time 10\n"));
    ASSERT_EQ(engine->EventCount(), 4);
    const TimelineEvent& fade = engine->Event(0);
    EXPECT_EQ(fade.state, EventState::Fade);
    EXPECT_EQ(fade.effect, 3);
    EXPECT_EQ(fade.index, 4);
    EXPECT_EQ(fade.start, 1000u);
    EXPECT_EQ(fade.end, 1500u);
    EXPECT_EQ(fade.from, 2.0);
    EXPECT_DOUBLE_EQ(fade.ratePerMs, -1.0 / 500.0);
    EXPECT_EQ(engine->Event(1).index, 9);
    EXPECT_EQ(engine->Event(1).end, 1920u);
    EXPECT_EQ(engine->Event(2).index, 0);
    // A duration without a time prefix is 0: no rate, no division by zero.
    EXPECT_EQ(engine->Event(3).end, 0u);
    EXPECT_EQ(engine->Event(3).ratePerMs, 0.0);
}

TEST_F(ScriptParserTest, DefinePatternStoresStepsWithFullStopsSilent) {
    EXPECT_TRUE(Load("DefinePattern 0 *.a b.\n"
                     "DefinePattern 1 " + std::string(200, '*') + "\n"
                     "DefinePattern 2 x\n"
                     "DefinePattern 2\n"));
    const Pattern& steps = engine->GetPattern(0);
    ASSERT_EQ(steps.length, 6);
    EXPECT_EQ(std::string(steps.steps, 6), std::string("*\0a b\0", 6));
    EXPECT_EQ(engine->GetPattern(1).length, 128);
    EXPECT_EQ(engine->GetPattern(2).length, 0);
    EXPECT_EQ(engine->GetPattern(2).steps[0], '\0');
}

TEST_F(ScriptParserTest, EventsBeyondTheTableAreReportedAndDropped) {
    std::string script;
    for (int i = 0; i < ScriptEngine::kMaxEvents; ++i) script += "=0 DisablePattern\n";
    script += "=5 UsePattern 3\n";
    EXPECT_FALSE(Load(script));
    EXPECT_EQ(boxes.Texts(), Texts{"Too many events on line 1001:\n=5 UsePattern 3"});
    EXPECT_EQ(engine->EventCount(), ScriptEngine::kMaxEvents);
    EXPECT_EQ(engine->Event(ScriptEngine::kMaxEvents - 1).lngValue, -1);
}

// --- Warnings -----------------------------------------------------------------

// Lines the show takes without an error but probably not as they were meant:
// each gives exactly its warning, on its line, and nothing else.
TEST(ScriptWarnings, EachLineSaysWhatItReadsAs) {
    const struct {
        const char* script;  // the last line is the one warned about
        const char* warning;  // null for none
        Texts more = {};  // what else the line gives, in order
    } cases[] = {
        {"=100 Set scene.1.dbl.2 eight", "'eight' is not a number, so it reads as 0"},
        {"=100 Set scene.1.dbl.2 0.5x", "'0.5x' has 'x' after the number, which is ignored: it reads as 0.5"},
        {"=100 Set scene.3.lng.0 1.5", "'1.5' has '.5' after the number, which is ignored: it reads as 1"},
        {"=100 Set scene.3.bool.3 yes", "'yes' is neither true nor false, so it reads as false"},
        {"=100 Set scene.0.bool.2 TRUE", "'TRUE' reads as false: only true, in small letters, is true"},
        {"=100 Set scene.0.dbl.3", "no value: this sets dbl.3 to 0"},
        {"=100 Set scene.2x.bool.1 true", "'2x' has 'x' after the number, which is ignored: it reads as 2"},
        {"=100 Set scene.1.dbl.0 1 2", "'2' at the end of the line is ignored"},
        {"#2.x Set scene.0.RUN", "'#2.x' has 'x' where the time should end, which is ignored: it reads as =3840"},
        {"=5ms Set scene.0.RUN", "'=5ms' has 'ms' where the time should end, which is ignored: it reads as =5"},
        {"Goto 5000", "'5000' is not a time, so it reads as 0: write =5000 for milliseconds"},
        {"#4.0 #8.0 UsePattern 1", "only the last of the 2 time prefixes, #8.0, counts"},
        {"#4.0 LoadImage pic1 pic1.png", "LoadImage acts while the script is read: the time prefix does nothing"},
        {"Trig scene.1.bool.1", "this Trig has no time, so it never happens"},
        {"=-5 Trig scene.1.bool.1", "this Trig is at =4294967291, 49.7 days in, so it never happens"},
        {"=0 Trig scene.1.bool.1 // pulse", nullptr},
        {"=0 Fade scene.1.dbl.12 from 0 to 1 time =10", "Fade index 12 is outside 0 to 9, so the show fades dbl.0"},
        {"DefinePattern 0 *... // check: allow pattern",
         "a DefinePattern line's steps run to its end, so this comment is played as steps: put '// check: allow' "
         "on a line of its own"},
        {"=0 Trig scene.1.dbl.2", "Trig raises and lowers bool.2 whatever the kind: write scene.1.bool.2"},
        {"=0 UsePattern 5a", "'5a' has 'a' after the number, which is ignored: it reads as 5"},
        {"=0 Fade scene.1.dbl.0 from 0 to 1 time 2000",
         "'2000' is not a time, so it reads as 0: write =2000 for milliseconds"},
        {"=0 Fade scene.1.dbl.0 frm 0 to 1 time =10",
         "'frm' stands where from belongs; Fade takes any word there: Fade scene.N.dbl.I from A to B time T"},
        {"=0 Fade sprite.1.dbl.0 from 0 to 1 time =10", "'sprite' stands where scene belongs; Fade does not look at it"},
        {"DefinePattern 3", "pattern 3 has no steps, so it plays nothing"},
        {"LoadImage noise noise.png Repeat", "'Repeat' is not repeat, so the picture is clamped at its edges"},
        {"LoadMusic a.ogg 125bpm", "'125bpm' has 'bpm' after the number, which is ignored: it reads as 125"},
        {"#0.0 Set scene.0.RUN\nLoadMusic a.ogg 150 4",
         "the tempo changes here, after lines with #bars.beats times: those were read at the tempo before, "
         "one beat every 480 ms; put LoadMusic above them"},
        {"#1.0 Set scene.2.RUNN", "the variable RUN is replaced inside the word 'RUNN', by 'bool.0 true'",
         {"'trueN' is neither true nor false, so it reads as false"}},
        {"#1.0 Set scene.2.RUNNING true",
         "RUNNING is never replaced: RUN, which is replaced first, turns it into 'bool.0 trueNING'; write "
         "bool.0 for the running flag",
         {"'trueNING' is neither true nor false, so it reads as false", "'true' at the end of the line is ignored"}},
        {"Define X=1\nDefine X=2", "X is already defined, as '1', so this line reads 'Define 1=2' and X keeps its value"},
        {"LoadImage pic1 pic1.png\nDefine _IMG_DIR=data/png/",
         "_IMG_DIR is already defined, and empty: a line that uses it before this one defines it so; this "
         "line reads 'Define =data/png/'. Define _IMG_DIR before the first LoadImage or LoadMusic"},
        {"Define e=1", "every e on the lines after this one is replaced, also inside words, and the word "
                       "LoadImage holds it"},
    };
    for (const auto& c : cases) {
        const std::string text = c.script;
        TempScript file(text);
        std::string problem;
        const ParsedScript script = ReadScript(file.Path(), problem);
        std::vector<std::string> warnings;
        for (const ScriptFinding& finding : script.findings) {
            if (finding.severity == FindingSeverity::Warning) {
                warnings.push_back(std::to_string(finding.line) + ": " + finding.message);
            }
        }
        const std::string lastLine = std::to_string(std::count(text.begin(), text.end(), '\n') + 1);
        Texts expected;
        if (c.warning) expected.push_back(lastLine + ": " + c.warning);
        for (const std::string& warning : c.more) expected.push_back(lastLine + ": " + warning);
        EXPECT_EQ(warnings, expected) << text;
    }
}

}  // namespace
