// libFuzzer target for the script engine: arbitrary bytes are loaded as the
// show's script, with a headless texture registry, message boxes that
// discard and a music player that does nothing, and the timeline is then
// played through frames of every length, a wrap of the clock included, and
// played once more after a Restart at a position taken from the input.
//
// Besides sanitizer reports, a finding is an event whose scene, slot index
// or pattern number would reach past the records or patterns when it acts:
// such a write stays inside the engine object, where AddressSanitizer cannot
// see it.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "FuzzInput.h"
#include "audio/MusicPlayer.h"
#include "platform/MessageBoxes.h"
#include "script/ScriptEngine.h"
#include "textures/TextureFactory.h"
#include "textures/TextureRegistry.h"

namespace {

class DiscardingMessageBoxes : public MessageBoxes {
public:
    MessageBoxAnswer Show(std::string_view, std::string_view, MessageBoxIcon,
                          MessageBoxButtons) override {
        return MessageBoxAnswer::Ok;
    }
};

class SilentMusicPlayer : public MusicPlayer {
public:
    bool LoadStream(const char*) override { return true; }
    void Play() override {}
    bool SetPosition(uint32_t) override { return true; }
};

[[noreturn]] void Finding(const char* what, int32_t event) {
    std::fprintf(stderr, "event %d: %s\n", event, what);
    std::abort();
}

bool SlotFits(int32_t kind, int32_t index) {
    const int32_t count = kind == param_kind::kDbl   ? EffectParams::kDblCount
                          : kind == param_kind::kLng ? EffectParams::kLngCount
                                                     : EffectParams::kBoolCount;
    return index >= 0 && index < count;
}

void CheckEvents(const ScriptEngine& engine) {
    if (engine.EventCount() < 0 || engine.EventCount() > ScriptEngine::kMaxEvents) {
        Finding("event count outside the table", engine.EventCount());
    }
    for (int32_t i = 0; i < engine.EventCount(); ++i) {
        const TimelineEvent& event = engine.Event(i);
        switch (event.state) {
            case event_state::kPendingPatternSwitch:
                if (event.lngValue < -1 || event.lngValue >= ScriptEngine::kPatternCount) {
                    Finding("pattern number outside the patterns", i);
                }
                break;
            case event_state::kPendingSet:
            case event_state::kFade:
            case event_state::kPendingTrigger:
                if (event.effect < 0 || event.effect >= ScriptEngine::kRecordCount) {
                    Finding("scene outside the records", i);
                }
                if (event.kind < param_kind::kDbl || event.kind > param_kind::kBool) {
                    Finding("unknown parameter kind", i);
                }
                if (!SlotFits(event.state == event_state::kPendingTrigger ? param_kind::kBool
                                                                         : event.kind,
                              event.index)) {
                    Finding("slot index outside its kind", i);
                }
                if (event.state == event_state::kFade && event.kind != param_kind::kDbl) {
                    Finding("fade of a slot that is not a double", i);
                }
                break;
            default:
                Finding("event recorded in a state that loading never makes", i);
        }
    }
}

// Frames as the show has them, a stall, and jumps that wrap the clock.
void PlayFrames(ScriptEngine& engine) {
    static constexpr uint32_t kFrames[] = {0,    16,   17, 1,          16,         250,
                                           4000, 16,   0,  0x7FFFFFFF, 0x80000001, 16,
                                           3,    60000};
    for (const uint32_t dt : kFrames) {
        engine.Step(dt);
        const char c = engine.GetParams(0).patternEvent;
        for (int32_t scene = 1; scene < ScriptEngine::kRecordCount; ++scene) {
            if (engine.GetParams(scene).patternEvent != c) {
                Finding("records disagree on the step character", scene);
            }
        }
        if (engine.CurrentPattern() < -1 || engine.CurrentPattern() >= ScriptEngine::kPatternCount) {
            Finding("current pattern outside the patterns", engine.CurrentPattern());
        }
        (void)engine.IsFinished();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static FuzzInputFile file;
    const char* path = file.Hold(data, size);

    DiscardingMessageBoxes boxes;
    SilentMusicPlayer music;
    HeadlessTextureFactory factory;
    TextureRegistry registry(factory);
    ScriptEngine engine(boxes, music);
    engine.Load(path, &registry);
    CheckEvents(engine);

    engine.Start();
    PlayFrames(engine);
    // Played again from a position of the script's own choosing (its first
    // bytes), as the preview does after an edit.
    uint32_t position = 0;
    for (size_t i = 0; i < size && i < 4; ++i) position = position << 8 | data[i];
    engine.Restart(position);
    PlayFrames(engine);
    return 0;
}
