// The review of a whole script's times: how far the # times drift from the
// music over the show's own length, and an End or a Goto that the show
// never reaches or starts past.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "check/ScriptReview.h"
#include "script/ScriptReader.h"
#include "support/Doubles.h"

namespace {

TEST(ScriptReview, TimesTheShowNeverReachesAndTheTempoDriftOverItsLength) {
    const struct {
        const char* script;
        WarningKind kind;
        std::vector<std::string> warnings;  // "LINE: TEXT", of that kind
    } cases[] = {
        // 64 beats at 140 beats per minute, of 428 ms instead of 428.57.
        {"LoadMusic a.ogg 140 4\nEnd #16.0", WarningKind::Drift,
         {"1: at 140 beats per minute a beat is 428 ms, the whole milliseconds of 428.57: by the End, =27392 or 64 "
          "beats in, the # times run 37 ms ahead of the music. Tempos that divide 60000 (120, 125, 150) keep time"}},
        // 8 beats drift less than a frame at 60 fps.
        {"LoadMusic a.ogg 140 4\nEnd #2.0", WarningKind::Drift, {}},
        {"LoadMusic a.ogg 140 4\n#20.0 Set scene.0.RUN", WarningKind::Drift,
         {"1: at 140 beats per minute a beat is 428 ms, the whole milliseconds of 428.57: by the last event, =34240 "
          "or 80 beats in, the # times run 46 ms ahead of the music. Tempos that divide 60000 (120, 125, 150) keep "
          "time"}},
        {"LoadMusic a.ogg 125 4\nEnd #64.0", WarningKind::Drift, {}},
        {"End #-1.0", WarningKind::End,
         {"1: End =4294965376 is 49.7 days in: the show plays until Escape is held, and demo-capture needs --to"}},
        {"Goto #4.0\nEnd #2.0", WarningKind::Goto,
         {"1: Goto starts the show at =7680 instead of at its beginning: remove it when the show is done",
          "1: Goto starts the show past its End: at =7680, with the End at =3840, so it ends at once"}},
    };
    for (const auto& c : cases) {
        TempScript file(c.script);
        std::string problem;
        const ParsedScript script = ReadScript(file.Path(), problem);
        std::vector<std::string> warnings;
        for (const ScriptFinding& finding : ReviewScript(script, -1)) {
            if (finding.kind == c.kind) warnings.push_back(std::to_string(finding.line) + ": " + finding.message);
        }
        EXPECT_EQ(warnings, c.warnings) << c.script;
    }
}

}  // namespace
