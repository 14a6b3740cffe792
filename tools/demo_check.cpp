// demo-check: checks a show before it starts, without a window, and prints
// every error box the show would show. Every finding, errors and warnings,
// goes to standard error as FILE:LINE: error: TEXT. With --play it also
// plays the timeline frame by frame and prints each parameter change; with
// --timeline it draws the whole show's timeline as an SVG picture.
//
//   demo-check [--strict] [FILE]
//   demo-check [--strict] --play DT FRAMES [FILE]
//   demo-check [--strict] --timeline OUT.svg [FILE]
//
// Exit status: 0 when the show has no errors, 1 when it has (with
// --strict, also when it has warnings), 2 when the script cannot be read,
// the picture cannot be written or the arguments are wrong; 129, 130 or
// 143 when a hangup, an interrupt or a termination signal stopped it.
#include <signal.h>

#include <cerrno>
#include <cinttypes>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "audio/KaSounds.h"
#include "audio/MusicPlayer.h"
#include "check/ShowCheck.h"
#include "platform/CommandLine.h"
#include "platform/ConsoleMessageBoxes.h"
#include "platform/ConsoleText.h"
#include "platform/sdl/SdlMixerAudio.h"
#include "platform/sdl/SdlSoundDecoder.h"
#include "scenes/ShowScenes.h"
#include "script/ScriptEngine.h"
#include "timeline/TimelineSvg.h"

namespace {

constexpr const char* kUsage =
    "usage: demo-check [--strict] [FILE]\n"
    "       demo-check [--strict] --play DT FRAMES [FILE]\n"
    "       demo-check [--strict] --timeline OUT.svg [FILE]\n"
    "Checks the show whose script is FILE (default data/script.txt) before it starts:\n"
    "its lines, the pictures, music and model it needs, and what the effects need.\n"
    "Prints the text of every error box the show would show on standard output, and\n"
    "every finding on standard error as FILE:LINE: error: TEXT or FILE:LINE: warning: TEXT.\n"
    "File names in the script are relative to the working folder, as in the show.\n"
    "Options may come before or after FILE.\n"
    "  --strict          warnings count as errors, but for those that the script\n"
    "                    acknowledges with a comment // check: allow WORD\n"
    "  --play DT FRAMES  also play FRAMES frames of DT ms and print every parameter\n"
    "                    change, step character and the end, one per line\n"
    "  --timeline OUT.svg  also draw the whole show's timeline as an SVG picture\n"
    "  --help, --version\n"
    "Exit status: 0 no errors, 1 errors (or warnings with --strict), 2 the script\n"
    "cannot be read, the picture cannot be written or the arguments are wrong.\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

// The signal that asked the checker to stop; 0 while none has.
volatile std::sig_atomic_t stopSignal = 0;

void RememberStop(int signal) { stopSignal = signal; }

// Installed before the audio library starts, so that SDL, which leaves
// handlers it did not install alone, never swallows these.
void CatchStopSignals() {
#ifdef _WIN32
    // Windows has neither sigaction nor hangups.
    for (const int signal : {SIGINT, SIGTERM}) std::signal(signal, RememberStop);
#else
    struct sigaction action {};
    action.sa_handler = RememberStop;
    sigemptyset(&action.sa_mask);
    for (const int signal : {SIGINT, SIGTERM, SIGHUP}) sigaction(signal, &action, nullptr);
#endif
}

// The status of a run that a signal stopped: 128 plus the signal's number.
int StoppedStatus() {
    std::fflush(stdout);
    return 128 + stopSignal;
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

// Plays `script` for `frames` frames of `dt` ms, printing what changes.
// False when a signal stopped it.
bool Play(ParsedScript script, uint32_t dt, uint32_t frames) {
    ConsoleMessageBoxes quiet(nullptr);
    // Nothing is opened or moved: the music has been checked already.
    SilentMusicPlayer silent;
    auto engine = std::make_unique<ScriptEngine>(quiet, silent);
    engine->AdoptScript(std::move(script));
    engine->Start();
    PrintedSlots printed;
    for (uint32_t frame = 0; frame < frames; ++frame) {
        if (stopSignal) return false;
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
        for (int scene = 0; scene < kShowSceneCount; ++scene) engine->GetParams(scene).patternEvent = 0;
    }
    return true;
}

int Run(int argc, char** argv) {
    if (AnswerHelpOrVersion(argc, argv, "demo-check", kUsage)) return 0;
    CatchStopSignals();

    bool strict = false;
    bool play = false;
    uint32_t dt = 0;
    uint32_t frames = 0;
    const char* timelinePath = nullptr;
    const char* path = nullptr;
    for (int next = 1; next < argc; ++next) {
        const char* argument = argv[next];
        if (std::strcmp(argument, "--strict") == 0) {
            strict = true;
        } else if (std::strcmp(argument, "--play") == 0) {
            if (play || next + 2 >= argc || !ReadCount(argv[next + 1], dt) || !ReadCount(argv[next + 2], frames)) {
                return Usage();
            }
            play = true;
            next += 2;
        } else if (std::strcmp(argument, "--timeline") == 0) {
            if (timelinePath || next + 1 >= argc || argv[next + 1][0] == '\0') return Usage();
            // An option in its place is a mistake, not a file to write.
            if (argv[next + 1][0] == '-') {
                std::fprintf(stderr, "demo-check: --timeline takes the picture's file name, not %s\n",
                             argv[next + 1]);
                return Usage();
            }
            timelinePath = argv[++next];
        } else if ((argument[0] == '-' && argument[1] != '\0') || path) {
            return Usage();
        } else {
            path = argument;
        }
    }
    if (!path) path = "data/script.txt";

    // The music opens as in the show, on the no-sound device.
    SdlMixerAudio audio(SoundOutput::Off);
    ShowCheck check = CheckShow(path, &audio);
    if (stopSignal) return StoppedStatus();
    if (!check.readProblem.empty()) {
        std::fprintf(stderr, "demo-check: %s\n", check.readProblem.c_str());
        return 2;
    }
    for (const std::string& box : check.boxes) WriteForTerminal(stdout, box);
    WriteFindings(stderr, check);
    const int32_t errors = check.Count(FindingSeverity::Error);
    const int32_t warnings = check.Count(FindingSeverity::Warning);

    if (timelinePath) {
        // The mixer decodes only while its device is open; the check has
        // closed its own, so the silent one opens for the picture.
        const bool decoding = audio.Init(AudioLibrary::kNoSoundDevice, KaSounds::kFrequency);
        SdlSoundDecoder decoder;
        std::vector<std::string> warnings;
        std::string problem;
        const bool written = WriteTimelineSvg(timelinePath, check.script, path, decoder, warnings, problem);
        if (decoding) audio.Free();
        for (const std::string& warning : warnings) WriteForTerminal(stderr, "demo-check: " + warning);
        if (!written) {
            std::fprintf(stderr, "demo-check: %s\n", problem.c_str());
            return 2;
        }
    }
    if (play && !Play(std::move(check.script), dt, frames)) return StoppedStatus();
    std::fflush(stdout);
    if (stopSignal) return StoppedStatus();
    return errors > 0 || (strict && warnings > 0) ? 1 : 0;
}

}  // namespace

int main(int argc, char** argv) { return WithStandardOutputChecked("demo-check", Run(argc, argv)); }
