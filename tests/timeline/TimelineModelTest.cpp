// The timeline model against the timeline player: at every frame of
// `demo-check --play`, every parameter's value in the model is the value
// the checker printed (to the six digits it prints), and the checker
// prints no parameter that the model lacks.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <map>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "support/ToolRun.h"
#include "script/ScriptReader.h"
#include "support/ChunkWriter.h"
#include "timeline/TimelineModel.h"

namespace {

// A Goto past running and finished fades and a trigger, chained fades, a
// fade of no length, one whose negative length wraps its end round below
// its start, a flag raised through a dbl word, lines of one time writing
// one slot (a trigger and a Set, a Set and a fade), and lines out of time
// order (a frame apart at least, where the player's frames would act on
// them in line order).
constexpr char kAwkwardScript[] = R"(Goto #2.0
End #12.0
DefinePattern 0 *...
#0.0 Set scene.0.RUN
#0.0 Fade scene.1.dbl.0 from 0 to 10 time #4.0
#1.0 Fade scene.1.dbl.1 from 1 to 0 time #0.2
#1.0 Trig scene.2.bool.3
#3.0 Set scene.2.lng.1 7
#6.0 Set scene.2.lng.1 -3
#5.0 Set scene.2.lng.1 4
#4.0 Fade scene.1.dbl.0 from 10 to -2.5 time #2.0
#6.0 Fade scene.1.dbl.2 from 3 to 3.5 time =0
#7.0 Trig scene.3.dbl.1
#8.0 Fade scene.1.dbl.1 from 1 to 0 time #1.1
#8.0 UsePattern 0
#9.0 Set scene.0.STOP
#9.2 Set scene.2.bool.3 true
#10.0 Fade scene.1.dbl.3 from 1 to 2 time =-5
#10.0 Trig scene.2.bool.4
#10.0 Set scene.2.bool.4 true
#10.2 Set scene.1.dbl.3 5
#10.2 Fade scene.1.dbl.3 from 0 to 1 time #0.2
)";

using Slot = std::tuple<int, std::string, int>;  // scene, kind, index

struct Played {
    uint32_t now;
    std::map<Slot, double> values;  // every slot printed so far, at its latest value
};

// The state after every frame, from the checker's list of changes.
std::vector<Played> PlayWithChecker(const std::string& script, uint32_t dt, uint32_t frames,
                                    uint32_t start) {
    const ToolRun run = RunTool(std::string(DEMO_CHECK_PROGRAM) + " --play " + std::to_string(dt) + " " +
                                std::to_string(frames) + " " + script);
    // Whether the checker finds the show whole (0) or not (1, no pictures
    // here) does not matter to the timeline; 2 would mean it was not read.
    EXPECT_LE(run.status, 1) << run.out << run.err;
    std::map<uint32_t, std::vector<std::pair<Slot, double>>> changes;
    uint32_t endedAt = 0;
    std::istringstream lines(run.out);
    std::string line;
    while (std::getline(lines, line)) {
        unsigned ms = 0;
        int scene = 0, index = 0;
        char kind[8] = {};
        double value = 0.0;
        if (std::sscanf(line.c_str(), "%u scene.%d.%7[a-z].%d %lf", &ms, &scene, kind, &index, &value) == 5) {
            changes[ms].push_back({Slot{scene, kind, index}, value});
        } else if (std::sscanf(line.c_str(), "%u end", &ms) == 1 && line.find(" end") != std::string::npos) {
            endedAt = ms;
        }
    }
    std::vector<Played> played;
    Played state{start, {}};
    for (uint32_t frame = 1; frame <= frames; ++frame) {
        state.now = start + frame * dt;
        for (const auto& [slot, value] : changes[state.now]) state.values[slot] = value;
        played.push_back(state);
        if (state.now == endedAt) break;
    }
    return played;
}

ParamKind KindNamed(const std::string& word) {
    for (const ParamKind kind : {ParamKind::Dbl, ParamKind::Lng, ParamKind::Bool}) {
        if (word == KindWord(kind)) return kind;
    }
    ADD_FAILURE() << "no parameter kind " << word;
    return ParamKind::Dbl;
}

bool SameAsPrinted(double model, double printed) {
    return std::fabs(model - printed) <= 1e-5 * std::fabs(printed) + 1e-9;
}

void ExpectModelAgreesWithPlayer(const std::string& path, uint32_t dt, uint32_t frames) {
    std::string problem;
    const ParsedScript script = ReadScript(path.c_str(), problem);
    ASSERT_TRUE(problem.empty()) << problem;
    const TimelineModel model(script);
    const std::vector<Played> played = PlayWithChecker(path, dt, frames, script.startPosition);
    ASSERT_FALSE(played.empty());

    int64_t previous = -1;  // the first frame acts on everything due before it
    int mismatches = 0;
    for (const Played& frame : played) {
        for (const auto& [slot, value] : frame.values) {
            const auto& [scene, kind, index] = slot;
            EXPECT_GE(model.FindLane({scene, KindNamed(kind), index}), 0)
                << "scene." << scene << "." << kind << "." << index << " changes but has no lane";
        }
        for (int32_t lane = 0; lane < static_cast<int32_t>(model.Lanes().size()); ++lane) {
            const ParameterId& id = model.Lanes()[static_cast<size_t>(lane)].id;
            const auto printed = frame.values.find(Slot{id.scene, KindWord(id.kind), id.index});
            const double expected = printed == frame.values.end() ? 0.0 : printed->second;
            const double value = model.TriggeredBetween(lane, previous, frame.now)
                                     ? 1.0
                                     : model.ValueAt(lane, frame.now);
            if (!SameAsPrinted(value, expected) && ++mismatches <= 10) {
                ADD_FAILURE() << model.LaneLabel(lane) << " at " << frame.now << " ms (frames of " << dt
                              << " ms): model " << value << ", player " << expected;
            }
        }
        previous = frame.now;
    }
    EXPECT_EQ(mismatches, 0);
}

}  // namespace

TEST(TimelineModel, AgreesWithThePlayerOnTheShippedShow) {
    ExpectModelAgreesWithPlayer(std::string(SHOW_SOURCE_DIR) + "/data/script.txt", 16, 9000);
}

TEST(TimelineModel, AgreesWithThePlayerOnAwkwardLinesAtEveryFrameLength) {
    const std::string text = kAwkwardScript;
    const TempFile script(std::vector<uint8_t>(text.begin(), text.end()), ".txt");
    for (const uint32_t dt : {1u, 7u, 16u, 33u}) {
        SCOPED_TRACE(dt);
        ExpectModelAgreesWithPlayer(script.path(), dt, 30000 / dt);
    }
}
