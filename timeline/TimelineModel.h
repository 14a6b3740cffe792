// The course of a show script as data, computed once from a ParsedScript:
// for every parameter the script touches, its value over time, the step
// pattern in play, and a mark for every timed line (Set, Fade, Trig,
// pattern switches) and for the Goto start and the End, each with its
// script line and the line's text. The preview's timeline strip and
// demo-check's picture of the whole show both draw from it.
//
// The values are not worked out here a second time: they are what the
// timeline player (script/TimelinePlayer.h) leaves in the records when it
// plays the script from its start (the Goto position) in frames of one
// millisecond, the shortest the show's clock has, with every stretch in
// which nothing is due taken as one frame (which changes nothing: a fade
// moves by its rate times the time passed). So every rule is the player's:
// lines due at the start act there at once, lines due in one frame act in
// line order, a trigger's flag is up for one frame, a fade is brought to
// its value the first time it acts. A show whose frames are longer than a
// millisecond can meet two lines of different times in one frame, and
// then takes them in line order; demo-check --play shows it frame by frame.
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
    std::string text;    // the line as the script's file holds it
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
    // The lowest and highest value it takes or a mark of it shows.
    double low = 0.0;
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
    explicit TimelineModel(const ParsedScript& script);

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
    // "scene.<n>.<kind>.<index>" followed by " <name>" where it has one.
    std::string LaneLabel(int32_t lane) const;

private:
    void CollectLanes(const ParsedScript& script);
    void CollectMarks(const ParsedScript& script);
    // Plays the script through and keeps what the player leaves: the lanes'
    // pieces and spikes, and the pattern spans.
    void PlayThrough(const ParsedScript& script);
    void TakeRanges();

    std::vector<ParameterLane> lanes;
    std::vector<TimelineMark> marks;
    std::vector<PatternSpan> patternSpans;
    std::array<Pattern, ParsedScript::kPatternCount> patterns{};
    uint32_t startTime = 0;
    uint32_t endTime = NO_TIME;
    uint32_t extent = 0;
    double beatLength = 480.0;
    double barLength = 1920.0;
    double stepLength = 120.0;
};

// Bar numbers along a time axis whose bars are `barPixels` wide stand every
// so many bars (1, 2, 4, 8, ...), so that they are at least 24 pixels apart.
int64_t BarNumberStride(double barPixels);
