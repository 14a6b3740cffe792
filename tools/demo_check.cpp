// demo-check: loads a show script exactly as the show does, without a
// window, and prints every error box the show would show. With --play it
// also plays the timeline frame by frame and prints each parameter change;
// with --timeline it draws the whole show's timeline as an SVG picture.
//
//   demo-check [FILE]
//   demo-check --play DT FRAMES [FILE]
//   demo-check --timeline OUT.svg [FILE]
//
// Exit status: 0 when the script loads cleanly, 1 when it reported errors,
// 2 when the file cannot be read, the picture cannot be written or the
// arguments are wrong.
#include <cerrno>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "audio/KaSounds.h"
#include "platform/ConsoleMessageBoxes.h"
#include "platform/sdl/SdlMixerAudio.h"
#include "platform/sdl/SdlSoundDecoder.h"
#include "scenes/ShowScenes.h"
#include "script/ScriptEngine.h"
#include "textures/TextureFactory.h"
#include "textures/TextureRegistry.h"
#include "timeline/TimelineSvg.h"

namespace {

int Usage() {
    std::fprintf(stderr,
                 "usage: demo-check [FILE]\n"
                 "       demo-check --play DT FRAMES [FILE]\n"
                 "       demo-check --timeline OUT.svg [FILE]\n"
                 "FILE defaults to data/script.txt; DT is in milliseconds.\n");
    return 2;
}

bool ReadCount(const char* text, uint32_t& out) {
    if (!text || !*text) return false;
    char* end = nullptr;
    errno = 0;
    const unsigned long long value = std::strtoull(text, &end, 10);
    if (errno != 0 || *end != '\0' || text[0] == '-' || value > 0xFFFFFFFFull) return false;
    out = static_cast<uint32_t>(value);
    return true;
}

// The last value printed for every slot of every record.
struct PrintedSlots {
    EffectParams records[ScriptEngine::kRecordCount] = {};
};

void PrintChanges(uint32_t now, ScriptEngine& engine, PrintedSlots& printed) {
    for (int32_t scene = 0; scene < ScriptEngine::kRecordCount; ++scene) {
        const EffectParams& current = engine.GetParams(scene);
        EffectParams& last = printed.records[scene];
        for (int i = 0; i < EffectParams::kDblCount; ++i) {
            // Compared bit for bit, so that a NaN is printed once.
            if (std::memcmp(&current.dblParams[i], &last.dblParams[i], sizeof(double)) != 0) {
                std::printf("%" PRIu32 " scene.%d.dbl.%d %.6g\n", now, scene, i,
                            current.dblParams[i]);
                last.dblParams[i] = current.dblParams[i];
            }
        }
        for (int i = 0; i < EffectParams::kLngCount; ++i) {
            if (current.lngParams[i] != last.lngParams[i]) {
                std::printf("%" PRIu32 " scene.%d.lng.%d %" PRId32 "\n", now, scene, i,
                            current.lngParams[i]);
                last.lngParams[i] = current.lngParams[i];
            }
        }
        for (int i = 0; i < EffectParams::kBoolCount; ++i) {
            if (current.boolParams[i] != last.boolParams[i]) {
                std::printf("%" PRIu32 " scene.%d.bool.%d %d\n", now, scene, i,
                            current.boolParams[i] ? 1 : 0);
                last.boolParams[i] = current.boolParams[i];
            }
        }
    }
}

}  // namespace

int main(int argc, char** argv) {
    bool play = false;
    uint32_t dt = 0;
    uint32_t frames = 0;
    int next = 1;
    if (next < argc && std::strcmp(argv[next], "--play") == 0) {
        if (argc < next + 3 || !ReadCount(argv[next + 1], dt) || !ReadCount(argv[next + 2], frames)) {
            return Usage();
        }
        play = true;
        next += 3;
    }
    const char* timelinePath = nullptr;
    if (!play && next < argc && std::strcmp(argv[next], "--timeline") == 0) {
        if (argc < next + 2 || argv[next + 1][0] == '\0') return Usage();
        timelinePath = argv[next + 1];
        next += 2;
    }
    if (argc > next + 1 || (next < argc && argv[next][0] == '-' && argv[next][1] != '\0')) {
        return Usage();
    }
    const char* path = next < argc ? argv[next] : "data/script.txt";

    ConsoleMessageBoxes boxes(stdout);
    // The music opens as in the show, on the no-sound device.
    SdlMixerAudio audio(SoundOutput::Off);
    KaSounds music(audio, boxes);
    HeadlessTextureFactory textureFactory;
    TextureRegistry textures(textureFactory);
    auto engine = std::make_unique<ScriptEngine>(boxes, music);

    const bool loaded = engine->Load(path, &textures);
    if (!engine->ReadProblem().empty()) {
        std::fprintf(stderr, "demo-check: %s\n", engine->ReadProblem().c_str());
        return 2;
    }

    if (timelinePath) {
        SdlSoundDecoder decoder;
        std::string warning, problem;
        const bool written = WriteTimelineSvg(timelinePath, engine->Script(), path, decoder, warning, problem);
        if (!warning.empty()) std::fprintf(stderr, "demo-check: the timeline has no loudness: %s\n", warning.c_str());
        if (!written) {
            std::fprintf(stderr, "demo-check: %s\n", problem.c_str());
            return 2;
        }
    }

    if (play) {
        engine->Start();
        PrintedSlots printed;
        for (uint32_t frame = 0; frame < frames; ++frame) {
            engine->Step(dt);
            const uint32_t now = engine->Now();
            PrintChanges(now, *engine, printed);
            const char event = engine->GetParams(0).patternEvent;
            if (event != 0) std::printf("%" PRIu32 " event %c\n", now, event);
            if (engine->IsFinished()) {
                std::printf("%" PRIu32 " end\n", now);
                break;
            }
            // The host clears the step character of every scene it plays.
            for (int scene = 0; scene < kShowSceneCount; ++scene) {
                engine->GetParams(scene).patternEvent = 0;
            }
        }
    }
    std::fflush(stdout);
    return loaded ? 0 : 1;
}
