// The timeline player: plays a ParsedScript's events against the show
// clock. Each Step makes every event that came due act on the parameter
// record of its scene, advances the step-pattern player, and delivers at
// most one step character to all records. The player holds only playback
// state; the script it plays belongs to its owner and must outlive it.
// Nothing here allocates.
#pragma once

#include <array>
#include <cstdint>

#include "script/EffectParams.h"
#include "script/ParsedScript.h"

class TimelinePlayer {
public:
    static constexpr int kRecordCount = 64;
    // Step characters waiting for delivery, the latest first.
    static constexpr int kPendingStepCapacity = 4096;

    // Plays `script` from now on, every event in the state its line gave
    // it. The clock, the records and the pattern player stay as they are
    // until the next Start.
    void Adopt(const ParsedScript& script);

    // Plays the timeline from `position` as on the freshly read script:
    // every event is pending again, the records and the pattern player are
    // cleared, and at the next Step everything due by then acts at once,
    // fades taking their value at that time. The same Steps after it give
    // the same records every time.
    void Start(uint32_t position);

    // Advances the show clock by `elapsed` ms and acts on every event that
    // came due.
    void Step(uint32_t elapsed);

    // The record of scene `scene`, 0 to 63.
    EffectParams& Record(int32_t scene);

    uint32_t Now() const { return now; }
    // True once the clock has reached the script's end time.
    bool IsFinished() const { return script && now >= script->endTime; }
    int32_t CurrentPattern() const { return currentPattern; }
    // The number of the latest pattern step taken, -1 for none yet.
    int32_t LastStep() const { return lastStep; }
    EventState StateOf(int32_t event) const { return states[static_cast<size_t>(event)]; }

private:
    // Gives events that were added to the script since it was adopted the
    // state their line gave them.
    void TakeNewEvents();
    void PushStepCharacter(char c);

    const ParsedScript* script = nullptr;
    std::array<EventState, ParsedScript::kMaxEvents> states{};
    std::array<bool, ParsedScript::kMaxEvents> fadeSeen{};  // a fade has acted at least once
    int32_t knownEvents = 0;

    std::array<EffectParams, kRecordCount> records{};
    uint32_t now = 0;
    uint32_t previous = 0;
    int32_t currentPattern = -1;
    float patternPosition = 0.0f;
    int32_t lastStep = -1;
    std::array<char, kPendingStepCapacity> pendingSteps{};
    int32_t pendingStepCount = 0;
};
