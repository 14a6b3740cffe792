#include "timeline/TimelineModel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <memory>

#include "scenes/ShowScenes.h"
#include "script/TimelinePlayer.h"

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

// What the script does at a time: an event comes due, or a fade ends.
struct Action {
    uint32_t time;
    int32_t event;  // index in the event table: line order

    bool operator<(const Action& other) const {
        return time != other.time ? time < other.time : event < other.event;
    }
};

double SlotValue(const EffectParams& record, const ParameterId& id) {
    const size_t index = static_cast<size_t>(id.index);
    switch (id.kind) {
        case ParamKind::Dbl: return record.dblParams[index];
        case ParamKind::Lng: return record.lngParams[index];
        case ParamKind::Bool: return record.boolParams[index] ? 1.0 : 0.0;
    }
    return 0.0;
}

}  // namespace

TimelineModel::TimelineModel(const ParsedScript& script)
    : patterns(script.patterns),
      startTime(script.startPosition),
      endTime(script.endTime),
      beatLength(script.beatLength),
      barLength(script.barLength),
      stepLength(script.stepsPerMs > 0.0f ? 1.0 / static_cast<double>(script.stepsPerMs) : 0.0) {
    CollectLanes(script);
    PlayThrough(script);
    CollectMarks(script);
    TakeRanges();

    double last = endTime == NO_TIME ? 0.0 : endTime;
    for (const TimelineMark& mark : marks) last = std::max(last, static_cast<double>(mark.end));
    const double bars = barLength > 0.0 ? std::max(1.0, std::ceil(last / barLength)) : 1.0;
    extent = static_cast<uint32_t>(std::min(bars * barLength, static_cast<double>(NO_TIME - 1)));
}

void TimelineModel::CollectLanes(const ParsedScript& script) {
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
}

void TimelineModel::PlayThrough(const ParsedScript& script) {
    std::vector<Action> actions;
    std::vector<int32_t> laneOf(static_cast<size_t>(script.eventCount), -1);
    std::vector<std::vector<int32_t>> fadesOf(lanes.size());
    for (int32_t i = 0; i < script.eventCount; ++i) {
        const TimelineEvent& event = script.events[static_cast<size_t>(i)];
        if (!Timed(event)) continue;
        if (WritesSlot(event)) laneOf[static_cast<size_t>(i)] = FindLane(SlotOf(event));
        actions.push_back({std::max(event.start, startTime), i});
        if (event.state == EventState::Fade) {
            fadesOf[static_cast<size_t>(laneOf[static_cast<size_t>(i)])].push_back(i);
            // A fade whose end wrapped past the clock's end ends at once.
            if (event.end > event.start) actions.push_back({std::max(event.end, startTime), i});
        }
    }
    std::sort(actions.begin(), actions.end());

    const auto player = std::make_unique<TimelinePlayer>();
    player->Adopt(script);
    player->Start(startTime);
    player->Step(0);  // the first frame, at the start
    std::vector<bool> touched(lanes.size());
    std::vector<int32_t> raised;  // lanes whose flag a trigger raised in the frame
    for (size_t next = 0; next < actions.size();) {
        const uint32_t time = actions[next].time;
        if (time > player->Now()) {
            if (time - 1 > player->Now()) player->Step(time - 1 - player->Now());
            player->Step(1);
        }

        std::fill(touched.begin(), touched.end(), false);
        raised.clear();
        int32_t switchLine = 0;  // the line of the last pattern switch, which wins
        for (; next < actions.size() && actions[next].time == time; ++next) {
            const int32_t i = actions[next].event;
            const TimelineEvent& event = script.events[static_cast<size_t>(i)];
            const int32_t lane = laneOf[static_cast<size_t>(i)];
            if (lane >= 0) touched[static_cast<size_t>(lane)] = true;
            if (event.state == EventState::PendingTrigger && player->StateOf(i) == EventState::TriggerRaised) {
                raised.push_back(lane);
            }
            if (event.state == EventState::PendingPatternSwitch) switchLine = event.line;
        }

        for (size_t l = 0; l < lanes.size(); ++l) {
            if (!touched[l]) continue;
            ParameterLane& lane = lanes[l];
            double value = SlotValue(player->Record(lane.id.scene), lane.id);
            if (std::find(raised.begin(), raised.end(), static_cast<int32_t>(l)) != raised.end()) {
                // Up in this frame, unless a later line took it down again,
                // and down from the next.
                if (value != 0.0) lane.spikes.push_back(time);
                value = 0.0;
            }
            double rate = 0.0;  // of the fades that go on moving it
            for (const int32_t fade : fadesOf[l]) {
                const TimelineEvent& event = script.events[static_cast<size_t>(fade)];
                if (player->StateOf(fade) == EventState::Fade && event.start <= time) rate += event.ratePerMs;
            }
            lane.pieces.push_back({time, time, value, rate});
        }
        if (switchLine > 0) {
            if (!patternSpans.empty()) patternSpans.back().end = time;
            patternSpans.push_back({time, NO_TIME, player->CurrentPattern(), switchLine});
        }
    }
}

void TimelineModel::TakeRanges() {
    // The values each lane takes, at the ends of its pieces and in a
    // trigger's frame, and those its marks are drawn at.
    std::vector<bool> seen(lanes.size());
    const auto include = [&](size_t l, double value) {
        ParameterLane& lane = lanes[l];
        lane.low = seen[l] ? std::min(lane.low, value) : value;
        lane.high = seen[l] ? std::max(lane.high, value) : value;
        seen[l] = true;
    };
    for (size_t l = 0; l < lanes.size(); ++l) {
        const std::vector<ValuePiece>& pieces = lanes[l].pieces;
        for (size_t p = 0; p < pieces.size(); ++p) {
            include(l, pieces[p].base);
            if (p + 1 < pieces.size()) include(l, pieces[p].At(pieces[p + 1].start));
        }
        if (!lanes[l].spikes.empty()) include(l, 1.0);
    }
    for (const TimelineMark& mark : marks) {
        if (mark.lane < 0) continue;
        include(static_cast<size_t>(mark.lane), mark.value);
        if (mark.kind == MarkKind::Fade) include(static_cast<size_t>(mark.lane), mark.from);
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
        mark.text = script.LineText(event.line);
        marks.push_back(mark);
    }
    if (script.startLine > 0) {
        marks.push_back({MarkKind::Start, startTime, startTime, script.startLine, -1, 0.0, 0.0,
                         std::string(script.LineText(script.startLine))});
    }
    if (script.endLine > 0 && endTime != NO_TIME) {
        marks.push_back({MarkKind::End, endTime, endTime, script.endLine, -1, 0.0, 0.0,
                         std::string(script.LineText(script.endLine))});
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

std::string TimelineModel::LaneLabel(int32_t index) const {
    const ParameterLane& lane = lanes[static_cast<size_t>(index)];
    char label[96];
    std::snprintf(label, sizeof label, "scene.%d.%s.%d%s%s", lane.id.scene, KindWord(lane.id.kind),
                  lane.id.index, lane.name ? " " : "", lane.name ? lane.name : "");
    return label;
}


int64_t BarNumberStride(double barPixels) {
    int64_t every = 1;
    while (every * barPixels < 24.0 && every < (int64_t{1} << 30)) every *= 2;
    return every;
}
