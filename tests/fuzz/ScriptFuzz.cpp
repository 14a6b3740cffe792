// libFuzzer target for the script reader and the timeline player:
// arbitrary bytes are read as a show script, and its timeline is then played
// through frames of every length, a wrap of the clock included, and played
// once more after a Start at a position taken from the input.
//
// Besides sanitizer reports, a finding is an event whose scene, slot index
// or pattern number would reach past the records or patterns when it acts:
// such a write stays inside the player object, where AddressSanitizer
// cannot see it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "FuzzInput.h"
#include "script/ScriptReader.h"
#include "script/TimelinePlayer.h"

namespace {

[[noreturn]] void Finding(const char* what, int32_t event) {
    std::fprintf(stderr, "event %d: %s\n", event, what);
    std::abort();
}

bool SlotFits(ParamKind kind, int32_t index) {
    const int32_t count = kind == ParamKind::Dbl   ? EffectParams::kDblCount
                          : kind == ParamKind::Lng ? EffectParams::kLngCount
                                                   : EffectParams::kBoolCount;
    return index >= 0 && index < count;
}

void CheckEvents(const ParsedScript& script) {
    if (script.eventCount < 0 || script.eventCount > ParsedScript::kMaxEvents) {
        Finding("event count outside the table", script.eventCount);
    }
    for (int32_t i = 0; i < script.eventCount; ++i) {
        const TimelineEvent& event = script.events[static_cast<size_t>(i)];
        switch (event.state) {
            case EventState::PendingPatternSwitch:
                if (event.lngValue < -1 || event.lngValue >= ParsedScript::kPatternCount) {
                    Finding("pattern number outside the patterns", i);
                }
                break;
            case EventState::PendingSet:
            case EventState::Fade:
            case EventState::PendingTrigger:
                if (event.effect < 0 || event.effect >= TimelinePlayer::kRecordCount) {
                    Finding("scene outside the records", i);
                }
                if (event.kind < ParamKind::Dbl || event.kind > ParamKind::Bool) {
                    Finding("unknown parameter kind", i);
                }
                if (!SlotFits(event.state == EventState::PendingTrigger ? ParamKind::Bool
                                                                         : event.kind,
                              event.index)) {
                    Finding("slot index outside its kind", i);
                }
                if (event.state == EventState::Fade && event.kind != ParamKind::Dbl) {
                    Finding("fade of a slot that is not a double", i);
                }
                break;
            default:
                Finding("event recorded in a state that loading never makes", i);
        }
    }
}

// Frames as the show has them, a stall, and jumps that wrap the clock.
void PlayFrames(TimelinePlayer& player) {
    static constexpr uint32_t kFrames[] = {0,    16,   17, 1,          16,         250,
                                           4000, 16,   0,  0x7FFFFFFF, 0x80000001, 16,
                                           3,    60000};
    for (const uint32_t dt : kFrames) {
        player.Step(dt);
        const char c = player.Record(0).patternEvent;
        for (int32_t scene = 1; scene < TimelinePlayer::kRecordCount; ++scene) {
            if (player.Record(scene).patternEvent != c) {
                Finding("records disagree on the step character", scene);
            }
        }
        if (player.CurrentPattern() < -1 || player.CurrentPattern() >= ParsedScript::kPatternCount) {
            Finding("current pattern outside the patterns", player.CurrentPattern());
        }
        (void)player.IsFinished();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzInputFile file;
    const char* path = file.Hold(data, size);

    std::string problem;
    const ParsedScript script = ReadScript(path, problem);
    CheckEvents(script);

    TimelinePlayer player;
    player.Adopt(script);
    player.Start(script.startPosition);
    PlayFrames(player);
    // Played again from a position of the script's own choosing (its first
    // bytes), as the preview does after an edit.
    uint32_t position = 0;
    for (size_t i = 0; i < size && i < 4; ++i) position = position << 8 | data[i];
    player.Start(position);
    PlayFrames(player);
    return 0;
}
