// The course of a show script as data, computed once from a ParsedScript:
// for every parameter the script touches, its value over time, the step
// pattern in play, and a mark for every timed line (Set, Fade, Trig,
// pattern switches) and for the Goto start and the End, each with its
// script line. The preview's timeline strip and demo-check's picture of the
// whole show both draw from it.
//
// A value is a pure function of time: what the timeline player gives when
// the show plays from its start (the Goto position) in frames of no length.
// Lines due at or before the start act there at once, in line order; later
// ones act at their time, lines of the same time in line order. A fade is
// brought to from + (t - its start) x rate, the player's own arithmetic, so
// that values agree with the player's frame by frame (demo-check --play).
// Where a slot is written by more than one line within one frame, or by a
// Set while a fade of it runs, the player's result depends on the frames'
// lengths; the model gives the result of frames of no length.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "script/ParsedScript.h"

// A parameter slot: scene.<scene>.<kind>.<index>.
struct ParameterId {
    int32_t scene = 0;
    ParamKind kind = ParamKind::Dbl;
    int32_t index = 0;

    bool operator==(const ParameterId&) const = default;
};

enum class MarkKind { Set, Fade, Trig, PatternSwitch, Start, End };

// One timed line of the script, or the Goto start or the End.
struct TimelineMark {
    MarkKind kind = MarkKind::Set;
    uint32_t start = 0;  // ms, as the line gives it
    uint32_t end = 0;    // a fade's end; `start` for every other mark
    int32_t line = 0;
    int32_t lane = -1;   // the parameter's lane; -1 for pattern switches, start and end
    // Set: the value written (flags and whole numbers as numbers); Fade: its
    // end value; a pattern switch: the pattern number, -1 for none.
    double value = 0.0;
    double from = 0.0;   // a fade's start value
};

// A stretch of a parameter's values, from `start` until the next piece:
// base + (t - anchor) x ratePerMs, with t - anchor a whole number of ms.
struct ValuePiece {
    uint32_t start = 0;
    uint32_t anchor = 0;
    double base = 0.0;
    double ratePerMs = 0.0;

    // The value at `time`, at or after `anchor`, in the timeline player's
    // arithmetic: a whole number of ms times the rate.
    double At(uint32_t time) const { return base + static_cast<double>(time - anchor) * ratePerMs; }
};

struct ParameterLane {
    ParameterId id;
    const char* name = nullptr;     // what the scene's effect calls it; null for none
    std::vector<ValuePiece> pieces;  // in time order; before the first, the value is 0
    std::vector<uint32_t> spikes;    // the times at which a trigger raises the flag
    double low = 0.0;                // the lowest and highest value it takes
    double high = 0.0;
};

// The pattern in play from `start` until `end` (NO_TIME: to the end of the
// show); -1 for no pattern.
struct PatternSpan {
    uint32_t start = 0;
    uint32_t end = NO_TIME;
    int32_t pattern = -1;
    int32_t line = 0;
};

class TimelineModel {
public:
    TimelineModel() = default;
    // `lineTexts`, the script's lines as its file holds them (line 1 first),
    // give the marks their text; it may be empty.
    TimelineModel(const ParsedScript& script, std::vector<std::string> lineTexts);

    const std::vector<ParameterLane>& Lanes() const { return lanes; }
    // Every mark, in time order (lines of the same time in line order).
    const std::vector<TimelineMark>& Marks() const { return marks; }
    const std::vector<PatternSpan>& PatternSpans() const { return patternSpans; }

    // The lane of `id`, -1 when the script does not touch it.
    int32_t FindLane(const ParameterId& id) const;
    // The value of lane `lane` at `time` ms, between triggers.
    double ValueAt(int32_t lane, uint32_t time) const;
    // True when a trigger of lane `lane` raises its flag at a time after
    // `after` and at or before `upTo` (after < 0: from the beginning).
    bool TriggeredBetween(int32_t lane, int64_t after, uint32_t upTo) const;
    // The pattern in play at `time`, -1 for none.
    const PatternSpan* PatternAt(uint32_t time) const;

    uint32_t StartTime() const { return startTime; }
    uint32_t EndTime() const { return endTime; }  // NO_TIME without an End
    // The time up to which the show has something to draw: its End, or
    // without one its latest mark, made a whole number of bars (at least one).
    uint32_t Extent() const { return extent; }
    double BeatLength() const { return beatLength; }
    double BarLength() const { return barLength; }
    // The length of one pattern step in ms.
    double StepLength() const { return stepLength; }
    const Pattern& PatternNumber(int32_t number) const {
        return patterns[static_cast<size_t>(number)];
    }
    // The text of script line `line`, "" when it is not known.
    const std::string& LineText(int32_t line) const;
    // "scene.<n>.<kind>.<index>" followed by " <name>" where it has one.
    std::string LaneLabel(int32_t lane) const;

private:
    void CollectMarks(const ParsedScript& script);
    void SweepLanes(const ParsedScript& script);
    void SweepPatterns(const ParsedScript& script);

    std::vector<ParameterLane> lanes;
    std::vector<TimelineMark> marks;
    std::vector<PatternSpan> patternSpans;
    std::array<Pattern, ParsedScript::kPatternCount> patterns{};
    std::vector<std::string> lineTexts;
    uint32_t startTime = 0;
    uint32_t endTime = NO_TIME;
    uint32_t extent = 0;
    double beatLength = 480.0;
    double barLength = 1920.0;
    double stepLength = 120.0;
};

// The lines of the script file at `path` as they stand, line 1 first, each
// without its line end; empty when it cannot be read.
std::vector<std::string> ReadScriptLines(const char* path);

// "dbl", "lng" or "bool".
const char* ParamKindName(ParamKind kind);
