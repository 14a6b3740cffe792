// Playing side of the script engine: the show clock, the event states and
// the step-pattern player. Nothing here allocates.
#include <algorithm>
#include <cassert>
#include <cmath>
#include <cstring>

#include "audio/MusicPlayer.h"
#include "script/ScriptEngine.h"

void ScriptEngine::Start() {
    queueCount = 0;
    currentPattern = -1;
    lastStep = -1;
    previous = 0;
    now = startPosition;
    if (startPosition != 0) music.SetPosition(startPosition);
    std::memset(records.data(), 0, sizeof(EffectParams) * records.size());
    alignPatterns = false;
}

void ScriptEngine::Restart(uint32_t position) {
    for (int32_t i = 0; i < eventCount; ++i) {
        TimelineEvent& event = events[static_cast<size_t>(i)];
        event.state = event.loadedState;
        event.seen = false;
    }
    queueCount = 0;
    currentPattern = -1;
    patternPosition = 0.0f;
    lastStep = -1;
    previous = position;
    now = position;
    std::memset(records.data(), 0, sizeof(EffectParams) * records.size());
    alignPatterns = true;
    restartedAt = position;
}

void ScriptEngine::AdoptScript(const ScriptEngine& loaded) {
    variables = loaded.variables;
    events = loaded.events;
    eventCount = loaded.eventCount;
    beatLength = loaded.beatLength;
    barLength = loaded.barLength;
    stepsPerMs = loaded.stepsPerMs;
    patterns = loaded.patterns;
    startPosition = loaded.startPosition;
    endTime = loaded.endTime;
    pictures = loaded.pictures;
}

EffectParams& ScriptEngine::GetParams(int32_t index) {
    assert(index >= 0 && index < kRecordCount);
    return records[static_cast<size_t>(index)];
}

void ScriptEngine::PushStepCharacter(char c) {
    // A full queue drops what comes after; the characters already waiting
    // are delivered first anyway.
    if (queueCount < kQueueCapacity) queue[static_cast<size_t>(queueCount++)] = c;
}

void ScriptEngine::Step(uint32_t elapsed) {
    previous = now;
    now = now + elapsed;
    int32_t nextPattern = currentPattern;

    for (int32_t i = 0; i < eventCount; ++i) {
        TimelineEvent& event = events[static_cast<size_t>(i)];
        if (event.state == event_state::kDone) continue;
        if (now < event.start) continue;
        EffectParams& record = records[static_cast<size_t>(event.effect)];

        switch (event.state) {
            case event_state::kPendingSet:
                if (event.kind == param_kind::kDbl) {
                    record.dblParams[event.index] = event.value;
                } else if (event.kind == param_kind::kLng) {
                    record.lngParams[event.index] = event.lngValue;
                } else {
                    record.boolParams[event.index] = event.boolValue;
                }
                event.state = event_state::kDone;
                break;

            case event_state::kFade: {
                // A fade is brought to its value at this time the first time
                // it acts, also when the show started past its beginning;
                // after that it moves by the time since the last frame.
                const bool first = previous <= event.start || !event.seen;
                event.seen = true;
                double& slot = record.dblParams[event.index];
                if (now >= event.end) {
                    if (event.end == event.start) {
                        slot = event.to;
                    } else if (first) {
                        slot = event.from;
                        slot = slot + static_cast<double>(event.end - event.start) * event.value;
                    } else {
                        slot = slot + static_cast<double>(event.end - previous) * event.value;
                    }
                    event.state = event_state::kDone;
                } else if (first) {
                    slot = event.from;
                    slot = slot + static_cast<double>(now - event.start) * event.value;
                } else {
                    slot = slot + static_cast<double>(now - previous) * event.value;
                }
                break;
            }

            case event_state::kPendingPatternSwitch:
                patternPosition = 0.0f;
                if (alignPatterns) {
                    // After a restart a pattern switched on earlier stands
                    // where it would had the show played from the switch:
                    // the steps before the restart time count as taken, the
                    // one falling on it is still due. Anything else starts
                    // from its first step.
                    lastStep = -1;
                    if (event.lngValue >= 0 && event.start < restartedAt) {
                        const double steps = static_cast<double>(restartedAt - event.start) *
                                             static_cast<double>(stepsPerMs);
                        patternPosition = static_cast<float>(steps);
                        // The float step rate puts a step that falls on
                        // the restart time a hair either side of it.
                        const double taken = std::ceil(steps - 1e-3) - 1.0;
                        lastStep = taken >= 2147483647.0 ? 2147483647 : static_cast<int32_t>(taken);
                    }
                }
                nextPattern = event.lngValue;
                event.state = event_state::kDone;
                break;

            case event_state::kPendingTrigger:
                record.boolParams[event.index] = true;
                event.state = event_state::kTriggerRaised;
                break;

            case event_state::kTriggerRaised:
                record.boolParams[event.index] = false;
                event.state = event_state::kDone;
                break;

            default:
                break;
        }
    }

    patternPosition = static_cast<float>(patternPosition + static_cast<double>(elapsed) * stepsPerMs);

    if (currentPattern >= 0) {
        // Steps far beyond the 32-bit range cannot be reached in practice;
        // clamping keeps the conversion defined.
        const double position = std::trunc(static_cast<double>(patternPosition));
        const int32_t due = position >= 2147483647.0 ? 2147483647 : static_cast<int32_t>(position);
        const Pattern& pattern = patterns[static_cast<size_t>(currentPattern)];
        if (pattern.length > 0) {
            // Past a full queue, or a whole silent cycle beyond what fills
            // it, no further step can change what is delivered.
            const int64_t last = std::min<int64_t>(
                due, int64_t{lastStep} + int64_t{pattern.length} * (kQueueCapacity + 1));
            for (int64_t step = int64_t{lastStep} + 1; step <= last && queueCount < kQueueCapacity;
                 ++step) {
                const char c = pattern.steps[step % pattern.length];
                if (c != 0) PushStepCharacter(c);
            }
        }
        lastStep = due;
    }

    currentPattern = nextPattern;
    alignPatterns = false;

    const char c = queueCount > 0 ? queue[static_cast<size_t>(--queueCount)] : '\0';
    if (records[0].patternEvent != c) {
        for (EffectParams& record : records) record.patternEvent = c;
    }
}
