#include "timeline/TimelineModel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "platform/RegularFile.h"
#include "scenes/ShowScenes.h"
#include "script/ScriptReader.h"

namespace {

bool Timed(const TimelineEvent& event) { return event.start != NO_TIME; }

// The slot an event writes: a trigger raises the flag of its index whatever
// its kind word said.
ParameterId SlotOf(const TimelineEvent& event) {
    const ParamKind kind = event.state == EventState::PendingTrigger ? ParamKind::Bool : event.kind;
    return {event.effect, kind, event.index};
}

bool WritesSlot(const TimelineEvent& event) {
    return event.state == EventState::PendingSet || event.state == EventState::Fade ||
           event.state == EventState::PendingTrigger;
}

double SetValue(const TimelineEvent& event) {
    switch (event.kind) {
        case ParamKind::Dbl: return event.value;
        case ParamKind::Lng: return event.lngValue;
        case ParamKind::Bool: return event.boolValue ? 1.0 : 0.0;
    }
    return 0.0;
}

bool Before(const ParameterId& a, const ParameterId& b) {
    if (a.scene != b.scene) return a.scene < b.scene;
    if (a.kind != b.kind) return a.kind < b.kind;
    return a.index < b.index;
}

// One thing that happens to a slot, at the time the show acts on it.
struct SlotAction {
    enum Kind { Write, FadeBegin, FadeEnd, Trigger };
    uint32_t time;
    int32_t event;  // index in the event table: line order
    Kind kind;

    bool operator<(const SlotAction& other) const {
        if (time != other.time) return time < other.time;
        if (event != other.event) return event < other.event;
        return kind < other.kind;  // a fade of no length begins before it ends
    }
};

}  // namespace

const char* ParamKindName(ParamKind kind) {
    switch (kind) {
        case ParamKind::Dbl: return "dbl";
        case ParamKind::Lng: return "lng";
        case ParamKind::Bool: return "bool";
    }
    return "?";
}

TimelineModel::TimelineModel(const ParsedScript& script, std::vector<std::string> texts)
    : patterns(script.patterns),
      lineTexts(std::move(texts)),
      startTime(script.startPosition),
      endTime(script.endTime),
      beatLength(script.beatLength),
      barLength(script.barLength),
      stepLength(script.stepsPerMs > 0.0f ? 1.0 / static_cast<double>(script.stepsPerMs) : 0.0) {
    SweepLanes(script);
    SweepPatterns(script);
    CollectMarks(script);

    double last = endTime == NO_TIME ? 0.0 : endTime;
    for (const TimelineMark& mark : marks) last = std::max(last, static_cast<double>(mark.end));
    const double bars = barLength > 0.0 ? std::max(1.0, std::ceil(last / barLength)) : 1.0;
    extent = static_cast<uint32_t>(std::min(bars * barLength, static_cast<double>(NO_TIME - 1)));
}

void TimelineModel::SweepLanes(const ParsedScript& script) {
    // The lanes, in scene, kind and index order.
    std::vector<ParameterId> ids;
    for (int32_t i = 0; i < script.eventCount; ++i) {
        const TimelineEvent& event = script.events[static_cast<size_t>(i)];
        if (!Timed(event) || !WritesSlot(event)) continue;
        const ParameterId id = SlotOf(event);
        if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
    }
    std::sort(ids.begin(), ids.end(), Before);
    for (const ParameterId& id : ids) {
        ParameterLane lane;
        lane.id = id;
        if (const SceneParameter* named = FindSceneParameter(id.scene, id.kind, id.index)) {
            lane.name = named->name;
        }
        lanes.push_back(std::move(lane));
    }

    const auto actAt = [&](uint32_t time) { return std::max(time, startTime); };
    std::vector<std::vector<SlotAction>> actions(lanes.size());
    for (int32_t i = 0; i < script.eventCount; ++i) {
        const TimelineEvent& event = script.events[static_cast<size_t>(i)];
        if (!Timed(event) || !WritesSlot(event)) continue;
        std::vector<SlotAction>& list = actions[static_cast<size_t>(FindLane(SlotOf(event)))];
        switch (event.state) {
            case EventState::Fade:
                // A fade whose end wrapped round below its start (a negative
                // duration) ends as it begins, as the player ends it.
                list.push_back({actAt(event.start), i, SlotAction::FadeBegin});
                list.push_back({actAt(std::max(event.start, event.end)), i, SlotAction::FadeEnd});
                break;
            case EventState::PendingTrigger:
                list.push_back({actAt(event.start), i, SlotAction::Trigger});
                break;
            default:
                list.push_back({actAt(event.start), i, SlotAction::Write});
                break;
        }
    }

    for (size_t l = 0; l < lanes.size(); ++l) {
        ParameterLane& lane = lanes[l];
        std::sort(actions[l].begin(), actions[l].end());
        std::vector<int32_t> running;  // the fades that move the slot
        int32_t ownFade = -1;          // the fade whose own arithmetic the last piece is
        const auto runningRate = [&] {
            double rate = 0.0;
            for (const int32_t fade : running) rate += script.events[static_cast<size_t>(fade)].ratePerMs;
            return rate;
        };
        const auto addPiece = [&](const ValuePiece& piece) {
            if (!lane.pieces.empty() && lane.pieces.back().start == piece.start) {
                lane.pieces.back() = piece;
            } else {
                lane.pieces.push_back(piece);
            }
        };

        for (const SlotAction& action : actions[l]) {
            const TimelineEvent& event = script.events[static_cast<size_t>(action.event)];
            const uint32_t t = action.time;
            // A later line of the same time writes over a trigger's pulse.
            if (!lane.spikes.empty() && lane.spikes.back() == t) lane.spikes.pop_back();
            switch (action.kind) {
                case SlotAction::Write:
                    addPiece({t, t, SetValue(event), runningRate()});
                    ownFade = -1;
                    break;
                case SlotAction::Trigger:
                    addPiece({t, t, 0.0, runningRate()});
                    lane.spikes.push_back(t);
                    ownFade = -1;
                    break;
                case SlotAction::FadeBegin:
                    running.push_back(action.event);
                    if (running.size() == 1) {
                        // Brought to its value from its start, as the player does
                        // the first time it sees a fade.
                        addPiece({t, event.start, event.from, event.ratePerMs});
                        ownFade = action.event;
                    } else {
                        const double value =
                            event.from + static_cast<double>(t - event.start) * event.ratePerMs;
                        addPiece({t, t, value, runningRate()});
                        ownFade = -1;
                    }
                    break;
                case SlotAction::FadeEnd: {
                    running.erase(std::find(running.begin(), running.end(), action.event));
                    double value = 0.0;
                    if (event.end == event.start) {
                        value = event.to;  // a fade of no length jumps to its end value
                    } else if (ownFade == action.event) {
                        value = lane.pieces.back().At(event.end);
                    } else {
                        value = lane.pieces.empty() ? 0.0 : lane.pieces.back().At(t);
                    }
                    addPiece({t, t, value, runningRate()});
                    ownFade = -1;
                    break;
                }
            }
        }

        // The range of values: those at the ends of every piece, and the
        // raised flag of a trigger.
        bool first = true;
        const auto include = [&](double value) {
            lane.low = first ? value : std::min(lane.low, value);
            lane.high = first ? value : std::max(lane.high, value);
            first = false;
        };
        for (size_t p = 0; p < lane.pieces.size(); ++p) {
            include(lane.pieces[p].base);
            if (p + 1 < lane.pieces.size()) include(lane.pieces[p].At(lane.pieces[p + 1].start));
        }
        if (!lane.spikes.empty()) include(1.0);
    }
}

void TimelineModel::SweepPatterns(const ParsedScript& script) {
    std::vector<SlotAction> switches;
    for (int32_t i = 0; i < script.eventCount; ++i) {
        const TimelineEvent& event = script.events[static_cast<size_t>(i)];
        if (Timed(event) && event.state == EventState::PendingPatternSwitch) {
            switches.push_back({std::max(event.start, startTime), i, SlotAction::Write});
        }
    }
    std::sort(switches.begin(), switches.end());
    for (const SlotAction& action : switches) {
        const TimelineEvent& event = script.events[static_cast<size_t>(action.event)];
        const PatternSpan span{action.time, NO_TIME, event.lngValue, event.line};
        if (!patternSpans.empty() && patternSpans.back().start == action.time) {
            patternSpans.back() = span;  // of switches at one time, the last line wins
            continue;
        }
        if (!patternSpans.empty()) patternSpans.back().end = action.time;
        patternSpans.push_back(span);
    }
}

void TimelineModel::CollectMarks(const ParsedScript& script) {
    for (int32_t i = 0; i < script.eventCount; ++i) {
        const TimelineEvent& event = script.events[static_cast<size_t>(i)];
        if (!Timed(event)) continue;
        TimelineMark mark;
        mark.start = event.start;
        mark.end = event.start;
        mark.line = event.line;
        if (WritesSlot(event)) mark.lane = FindLane(SlotOf(event));
        switch (event.state) {
            case EventState::Fade:
                mark.kind = MarkKind::Fade;
                mark.end = std::max(event.start, event.end);
                mark.from = event.from;
                mark.value = event.to;
                break;
            case EventState::PendingTrigger:
                mark.kind = MarkKind::Trig;
                mark.value = 1.0;
                break;
            case EventState::PendingPatternSwitch:
                mark.kind = MarkKind::PatternSwitch;
                mark.value = event.lngValue;
                break;
            default:
                mark.kind = MarkKind::Set;
                mark.value = SetValue(event);
                break;
        }
        marks.push_back(mark);
    }
    if (script.startLine > 0) {
        marks.push_back({MarkKind::Start, startTime, startTime, script.startLine, -1, 0.0, 0.0});
    }
    if (script.endLine > 0 && endTime != NO_TIME) {
        marks.push_back({MarkKind::End, endTime, endTime, script.endLine, -1, 0.0, 0.0});
    }
    std::stable_sort(marks.begin(), marks.end(), [](const TimelineMark& a, const TimelineMark& b) {
        return a.start != b.start ? a.start < b.start : a.line < b.line;
    });
}

int32_t TimelineModel::FindLane(const ParameterId& id) const {
    for (size_t i = 0; i < lanes.size(); ++i) {
        if (lanes[i].id == id) return static_cast<int32_t>(i);
    }
    return -1;
}

double TimelineModel::ValueAt(int32_t lane, uint32_t time) const {
    const std::vector<ValuePiece>& pieces = lanes[static_cast<size_t>(lane)].pieces;
    const auto after = std::upper_bound(pieces.begin(), pieces.end(), time,
                                        [](uint32_t t, const ValuePiece& piece) { return t < piece.start; });
    if (after == pieces.begin()) return 0.0;
    return (after - 1)->At(time);
}

bool TimelineModel::TriggeredBetween(int32_t lane, int64_t after, uint32_t upTo) const {
    for (const uint32_t spike : lanes[static_cast<size_t>(lane)].spikes) {
        if (static_cast<int64_t>(spike) > after && spike <= upTo) return true;
    }
    return false;
}

const PatternSpan* TimelineModel::PatternAt(uint32_t time) const {
    const PatternSpan* found = nullptr;
    for (const PatternSpan& span : patternSpans) {
        if (span.start > time) break;
        found = &span;
    }
    return found && time < found->end ? found : nullptr;
}

const std::string& TimelineModel::LineText(int32_t line) const {
    static const std::string kUnknown;
    if (line < 1 || static_cast<size_t>(line) > lineTexts.size()) return kUnknown;
    return lineTexts[static_cast<size_t>(line) - 1];
}

std::string TimelineModel::LaneLabel(int32_t index) const {
    const ParameterLane& lane = lanes[static_cast<size_t>(index)];
    char label[96];
    std::snprintf(label, sizeof label, "scene.%d.%s.%d%s%s", lane.id.scene, ParamKindName(lane.id.kind),
                  lane.id.index, lane.name ? " " : "", lane.name ? lane.name : "");
    return label;
}

std::vector<std::string> ReadScriptLines(const char* path) {
    std::vector<std::string> lines;
    std::string bytes, problem;
    if (!ReadRegularFile(path, ScriptReader::kMaxFileBytes, bytes, problem)) return lines;
    std::string_view text = bytes;
    if (text.substr(0, 3) == "\xEF\xBB\xBF") text.remove_prefix(3);
    while (true) {
        const size_t feed = text.find('\n');
        std::string_view line = text.substr(0, feed);
        if (feed != std::string_view::npos && !line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.emplace_back(line);
        if (feed == std::string_view::npos) break;
        text.remove_prefix(feed + 1);
    }
    return lines;
}
