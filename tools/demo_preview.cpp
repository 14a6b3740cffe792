// demo-preview: the show in a window for its authors, from the same host,
// effects and data, with live reloading of the script and its pictures,
// seeking, looping and a HUD (keys: preview/PreviewSession.h).
//
//   demo-preview [--fullscreen] [FILE]
//
// FILE is the script, data/script.txt by default; everything else comes
// from data/ in the working directory, as for the show. It always opens a
// window, full screen with --fullscreen. What the show would put in message
// boxes goes to standard error, and script errors also to the HUD. Exit
// status: 0 after the user quits, 1 when the preview cannot start, 2 for
// wrong arguments.
#include <sys/stat.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/GlWindow.h"
#include "app/Keyboard.h"
#include "app/ProgramEntry.h"
#include "app/RunLoop.h"
#include "app/WindowProcedure.h"
#include "audio/KaSounds.h"
#include "demo/DemoHost.h"
#include "demo/FrameHooks.h"
#include "demo/LoadingScreen.h"
#include "demo/SteppedClock.h"
#include "effects/ShowEffects.h"
#include "platform/ConsoleMessageBoxes.h"
#include "platform/sdl/SdlMixerAudio.h"
#include "platform/sdl/SdlPlatform.h"
#include "platform/sdl/SdlWindowSystem.h"
#include "preview/HudOverlay.h"
#include "preview/PreviewLoop.h"
#include "preview/PreviewMusic.h"
#include "preview/PreviewSession.h"
#include "preview/ScriptReloader.h"
#include "render/RenderToolkit.h"
#include "textures/gl/GlTextures.h"

namespace {

int Usage() {
    std::fprintf(stderr, "usage: demo-preview [--fullscreen] [FILE]\n"
                         "FILE defaults to data/script.txt.\n");
    return 2;
}

bool IsReadableFile(const char* path) {
    struct stat info;
    if (stat(path, &info) != 0 || !S_ISREG(info.st_mode)) return false;
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    std::fclose(file);
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    bool fullscreen = false;
    const char* scriptPath = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--fullscreen") == 0) {
            fullscreen = true;
        } else if (argv[i][0] == '-' && argv[i][1] != '\0') {
            return Usage();
        } else if (!scriptPath) {
            scriptPath = argv[i];
        } else {
            return Usage();
        }
    }
    if (!scriptPath) scriptPath = "data/script.txt";
    if (!IsReadableFile(scriptPath)) {
        std::fprintf(stderr, "demo-preview: cannot read the script %s\n", scriptPath);
        return 1;
    }

    SdlSystem sdl;
    if (!sdl.Start()) {
        std::fprintf(stderr, "demo-preview: cannot start SDL: %s\n", SdlSystem::LastError());
        return 1;
    }
    // Nothing waits for a click: what the show would say in a box goes to
    // standard error, and the script's errors to the HUD as well.
    ConsoleMessageBoxes messages(stderr);
    SdlWindowSystem windowSystem;
    GlWindow window(windowSystem, messages);
    SdlMixerAudio audio;
    KaSounds music(audio, messages);
    RenderToolkit toolkit(window);

    WindowSettings settings;
    settings.title = "Demo preview";
    settings.fullscreen = fullscreen;
    if (!window.Create(settings)) {
        std::fprintf(stderr, "demo-preview: cannot open the window: %s\n", SdlSystem::LastError());
        return 1;
    }

    SdlClock systemClock;
    SteppedClock frameClock;
    GlTextureFactory textureFactory;
    LoadingScreenFactory loadingViews(window, window, systemClock);
    GlFrameHooks frameHooks;
    HostServices services{frameClock, music, messages, textureFactory, loadingViews, frameHooks};
    services.toolkit = &toolkit;
    services.scriptPath = scriptPath;
    services.stopOnScriptErrors = false;

    int32_t result = 0;
    {
        DemoHost host(services);
        ShowEffects effects;
        effects.RegisterWith(host);

        KaSoundsPreviewMusic previewMusic(music);
        ScriptReloader reloader(scriptPath, host.Textures(), stderr);
        PreviewServices previewServices{host.Script(), previewMusic, systemClock, frameClock, reloader};
        previewServices.startupProblems = &messages.Texts();
        PreviewSession session(previewServices);
        HudOverlay hud(session, host.Script(), reloader, window);

        SdlMessageQueue queue;
        Keyboard keyboard;
        WindowProcedure procedure(keyboard, window, queue);
        PreviewLoopServices loop{queue, procedure, window};
        result = RunPreview(host, session, hud, loop);
        ReportRunResult(messages, result);
    }
    const bool failed = result == run_result::kInitFailed || result == run_result::kUninitFailed ||
                        result == run_result::kRuntimeError;
    return failed ? 1 : 0;
}
