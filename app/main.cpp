// The show's program: wires the platform layer to the show's logic, asks the
// startup question, assembles the show (show/ShowAssembly.h) and plays it in
// the run loop.
// It reads data/ from the working directory and exits with 0. It answers
// --help and --version and ignores every other argument.
#include <cstdio>
#include <string>

#include "app/GlWindow.h"
#include "app/Keyboard.h"
#include "app/ProgramEntry.h"
#include "app/RunLoop.h"
#include "app/WindowProcedure.h"
#include "audio/KaSounds.h"
#include "platform/CommandLine.h"
#include "platform/sdl/SdlMixerAudio.h"
#include "platform/sdl/SdlPlatform.h"
#include "platform/sdl/SdlWindowSystem.h"
#include "render/RenderToolkit.h"
#include "show/ShowAssembly.h"

namespace {

// The program-wide objects, built before main runs in the order window,
// keyboard, music player, render toolkit, and destroyed after it returns in
// the reverse order, the window last. SDL comes up first so that every one
// of them may use it, and goes down after the last of them.
struct ProgramWide {
    SdlSystem sdl;
    bool platformStarted = sdl.Start();
    SdlMessageBoxes boxes;
    SdlWindowSystem windowSystem;
    GlWindow window{windowSystem, boxes};
    Keyboard keyboard;
    SdlMixerAudio audio;
    KaSounds music{audio, boxes};
    // Built before any GL context exists, so its render state takes effect
    // only through the loading screen's own toolkit.
    RenderToolkit toolkit{window};
};

ProgramWide programWide;

}  // namespace

constexpr const char* kUsage =
    "usage: demo\n"
    "Plays the show in data/ of the working folder: asks \"Fullscreen?\", then plays\n"
    "until the script's End, until Escape is held, or until the window is closed.\n"
    "Options: --help, --version; other arguments are ignored.\n";

int main(int argc, char** argv) {
    if (AnswerHelpOrVersion(argc, argv, "demo", kUsage)) return WithStandardOutputChecked("demo", 0);
    MessageBoxes& boxes = programWide.boxes;
    if (!programWide.platformStarted) {
        std::fprintf(stderr, "demo: %s.%s\n", programWide.sdl.Problem().c_str(),
                     programWide.sdl.NoDisplay()
                         ? " Play the show on a desktop, or render it to a video with demo-capture."
                         : "");
        return 0;
    }

    WindowSettings settings;
    settings.fullscreen = AskFullscreen(boxes);
    if (!programWide.window.Create(settings)) {
        // Without a window there is nothing to show the show in.
        ShowError(boxes, std::string("Could not open the window: ") + SdlSystem::LastError());
        return 0;
    }

    SdlClock clock;
    ShowSetup setup{programWide.window, programWide.window, programWide.music, boxes};
    setup.systemClock = &clock;
    setup.live = true;
    setup.toolkit = &programWide.toolkit;
    // Why the show could not start, and which files it could not load, go
    // to standard error beside the boxes.
    setup.problems = stderr;

    {
        ShowAssembly show(setup);
        SdlMessageQueue queue;
        WindowProcedure procedure(programWide.keyboard, programWide.window, queue);
        RunLoopServices loop{queue, procedure, programWide.keyboard, programWide.window};
        const int32_t result = Run(show.Host(), run_flags::kEscapeEnds, loop);
        ReportRunResult(boxes, result);
    }
    return 0;
}
