#include "script/TimelinePlayer.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>

void TimelinePlayer::Adopt(const ParsedScript& adopted) {
    script = &adopted;
    knownEvents = 0;
    TakeNewEvents();
}

void TimelinePlayer::TakeNewEvents() {
    if (!script) return;
    for (; knownEvents < script->eventCount; ++knownEvents) {
        states[static_cast<size_t>(knownEvents)] = script->events[static_cast<size_t>(knownEvents)].state;
        fadeSeen[static_cast<size_t>(knownEvents)] = false;
    }
}

void TimelinePlayer::Start(uint32_t position) {
    knownEvents = 0;
    TakeNewEvents();
    pendingStepCount = 0;
    currentPattern = -1;
    patternPosition = 0.0f;
    lastStep = -1;
    previous = position;
    now = position;
    std::memset(records.data(), 0, sizeof(EffectParams) * records.size());
}

EffectParams& TimelinePlayer::Record(int32_t scene) {
    assert(scene >= 0 && scene < kRecordCount);
    return records[static_cast<size_t>(scene)];
}

void TimelinePlayer::PushStepCharacter(char c) {
    // A full stack drops what comes after; the characters already waiting
    // are delivered first anyway.
    if (pendingStepCount < kPendingStepCapacity) {
        pendingSteps[static_cast<size_t>(pendingStepCount++)] = c;
    }
}

void TimelinePlayer::Step(uint32_t elapsed) {
    assert(script);
    TakeNewEvents();
    previous = now;
    now = now + elapsed;
    int32_t nextPattern = currentPattern;

    for (int32_t i = 0; i < knownEvents; ++i) {
        EventState& state = states[static_cast<size_t>(i)];
        if (state == EventState::Done) continue;
        const TimelineEvent& event = script->events[static_cast<size_t>(i)];
        if (now < event.start) continue;
        EffectParams& record = records[static_cast<size_t>(event.effect)];

        switch (state) {
            case EventState::PendingSet:
                if (event.kind == ParamKind::Dbl) {
                    record.dblParams[event.index] = event.value;
                } else if (event.kind == ParamKind::Lng) {
                    record.lngParams[event.index] = event.lngValue;
                } else {
                    record.boolParams[event.index] = event.boolValue;
                }
                state = EventState::Done;
                break;

            case EventState::Fade: {
                // A fade is brought to its value at this time the first time
                // it acts, also when the show started past its beginning;
                // after that it moves by the time since the last frame.
                bool& seen = fadeSeen[static_cast<size_t>(i)];
                const bool first = previous <= event.start || !seen;
                seen = true;
                double& slot = record.dblParams[event.index];
                if (now >= event.end) {
                    if (event.end == event.start) {
                        slot = event.to;
                    } else if (first) {
                        slot = event.from;
                        slot = slot + static_cast<double>(event.end - event.start) * event.ratePerMs;
                    } else {
                        slot = slot + static_cast<double>(event.end - previous) * event.ratePerMs;
                    }
                    state = EventState::Done;
                } else if (first) {
                    slot = event.from;
                    slot = slot + static_cast<double>(now - event.start) * event.ratePerMs;
                } else {
                    slot = slot + static_cast<double>(now - previous) * event.ratePerMs;
                }
                break;
            }

            case EventState::PendingPatternSwitch:
                patternPosition = 0.0f;
                nextPattern = event.lngValue;
                state = EventState::Done;
                break;

            case EventState::PendingTrigger:
                record.boolParams[event.index] = true;
                state = EventState::TriggerRaised;
                break;

            case EventState::TriggerRaised:
                record.boolParams[event.index] = false;
                state = EventState::Done;
                break;

            default:
                break;
        }
    }

    patternPosition =
        static_cast<float>(patternPosition + static_cast<double>(elapsed) * script->stepsPerMs);

    if (currentPattern >= 0) {
        // Steps far beyond the 32-bit range cannot be reached in practice;
        // clamping keeps the conversion defined.
        const double position = std::trunc(static_cast<double>(patternPosition));
        const int32_t due = position >= 2147483647.0 ? 2147483647 : static_cast<int32_t>(position);
        const Pattern& pattern = script->patterns[static_cast<size_t>(currentPattern)];
        if (pattern.length > 0) {
            // Past a full stack, or a whole silent cycle beyond what fills
            // it, no further step can change what is delivered.
            const int64_t last = std::min<int64_t>(
                due, int64_t{lastStep} + int64_t{pattern.length} * (kPendingStepCapacity + 1));
            for (int64_t step = int64_t{lastStep} + 1; step <= last && pendingStepCount < kPendingStepCapacity;
                 ++step) {
                const char c = pattern.steps[step % pattern.length];
                if (c != 0) PushStepCharacter(c);
            }
        }
        lastStep = due;
    }

    currentPattern = nextPattern;

    const char c =
        pendingStepCount > 0 ? pendingSteps[static_cast<size_t>(--pendingStepCount)] : '\0';
    if (records[0].patternEvent != c) {
        for (EffectParams& record : records) record.patternEvent = c;
    }
}
