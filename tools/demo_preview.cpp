// demo-preview: the show in a window for its authors, from the same host,
// effects and data, with live reloading of the script and its pictures,
// seeking, looping, a HUD and a timeline strip to scrub (keys:
// preview/PreviewSession.h; the strip: preview/TimelineStrip.h).
//
//   demo-preview [--fullscreen] [FILE]
//
// FILE is the script, data/script.txt by default; everything else comes
// from data/ in the working directory, as for the show. It always opens a
// window, full screen with --fullscreen. At its start it checks the show as
// demo-check does and writes every finding to standard error and to the
// HUD; later findings (a save refused, a picture that cannot be read) go to
// both as well. Exit status: 0 after the user quits, 1 when the preview
// cannot start, 2 for wrong arguments.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "app/GlWindow.h"
#include "app/Keyboard.h"
#include "app/ProgramEntry.h"
#include "app/RunLoop.h"
#include "app/WindowProcedure.h"
#include "audio/KaSounds.h"
#include "check/ShowCheck.h"
#include "platform/CommandLine.h"
#include "platform/ConsoleMessageBoxes.h"
#include "platform/ConsoleText.h"
#include "platform/FileWatcher.h"
#include "platform/RegularFile.h"
#include "platform/sdl/SdlMixerAudio.h"
#include "platform/sdl/SdlPlatform.h"
#include "platform/sdl/SdlSoundDecoder.h"
#include "platform/sdl/SdlWindowSystem.h"
#include "preview/HudOverlay.h"
#include "preview/OverlayStack.h"
#include "preview/PreviewLoop.h"
#include "preview/PreviewMusic.h"
#include "preview/PreviewSession.h"
#include "preview/PreviewShow.h"
#include "preview/ScriptReloader.h"
#include "preview/TimelineStrip.h"
#include "render/HeldPicture.h"
#include "render/Multisampling.h"
#include "script/ScriptReader.h"
#include "show/ShowAssembly.h"
#include "textures/TextureRegistry.h"

namespace {

constexpr const char* kUsage =
    "usage: demo-preview [--fullscreen] [FILE]\n"
    "Plays the show in a window while you edit it: saving the script or a picture\n"
    "reloads it at the same show time. FILE is the script, data/script.txt by\n"
    "default; everything else comes from data/ in the working folder.\n"
    "Keys: Space pause/play, Left/Right a beat, Page Up/Down a bar, Home the start,\n"
    "digits and Return a bar, L loop, H HUD, 0-4 the HUD's scene, T timeline strip,\n"
    "Escape clear the loop, else quit. Mouse on the strip: click or drag to seek,\n"
    "wheel to zoom, point at a mark to see its script line.\n"
    "Options: --fullscreen, --help, --version.\n";

int Usage() {
    std::fputs(kUsage, stderr);
    return 2;
}

// Checks the show as demo-check does, before the show's own audio opens
// (the check opens the silent device and closes it again), and writes the
// findings to standard error. Returns them as the HUD lists them at the
// start: those about pictures that cannot be read are left out, for the
// reloader follows the pictures as their files change and lists them.
std::vector<std::string> CheckAtStart(const char* scriptPath) {
    SdlMixerAudio silent(SoundOutput::Off);
    const ShowCheck check = CheckShow(scriptPath, &silent);
    std::vector<std::string> findings;
    if (!check.readProblem.empty()) {
        findings.push_back(EditorLine(scriptPath, 0, FindingSeverity::Error, "cannot read it: " + check.readProblem));
        WriteForTerminal(stderr, findings.back());
        return findings;
    }
    WriteFindings(stderr, check);
    std::vector<std::string> pictureFiles;
    for (const PictureLine& picture : check.script.pictures) {
        std::string path;
        if (TextureRegistry::PictureFilePath(picture.fileName, path)) pictureFiles.push_back(path);
    }
    for (const CheckFinding& finding : check.findings) {
        const bool followed = !finding.namedFile.empty() &&
                              std::find(pictureFiles.begin(), pictureFiles.end(), finding.namedFile) != pictureFiles.end();
        if (!followed) findings.push_back(finding.EditorText());
    }
    return findings;
}

}  // namespace

int main(int argc, char** argv) {
    if (AnswerHelpOrVersion(argc, argv, "demo-preview", kUsage)) return WithStandardOutputChecked("demo-preview", 0);
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
    // Opened once and closed again: the host reads it.
    uint64_t size = 0;
    std::string problem;
    if (!OpenRegularFile(scriptPath, ScriptReader::kMaxFileBytes, size, problem)) {
        std::fprintf(stderr, "demo-preview: cannot read the script: %s\n", problem.c_str());
        return 1;
    }

    SdlSystem sdl;
    if (!sdl.Start()) {
        std::fprintf(stderr, "demo-preview: %s\n", sdl.Problem().c_str());
        return 1;
    }
    const std::vector<std::string> startupFindings = CheckAtStart(scriptPath);
    // Nothing waits for a click: what the show would say in a box goes to
    // standard error; the script's boxes are kept quiet, for the check has
    // said all of that, with hints.
    ConsoleMessageBoxes messages(stderr);
    ConsoleMessageBoxes scriptBoxes(nullptr);
    SdlWindowSystem windowSystem;
    GlWindow window(windowSystem, messages);
    SdlMixerAudio audio;
    KaSounds music(audio, messages);

    WindowSettings settings;
    settings.title = "Demo preview";
    settings.fullscreen = fullscreen;
    if (!window.Create(settings)) {
        std::fprintf(stderr, "demo-preview: cannot open the window: %s\n", SdlSystem::LastError());
        return 1;
    }

    SdlClock systemClock;
    // The loading screen fades by the system clock; the host is told each
    // frame's time.
    ShowSetup setup{window, window, music, scriptBoxes};
    setup.systemClock = &systemClock;
    setup.scriptPath = scriptPath;
    setup.stopOnScriptErrors = false;

    int32_t result = 0;
    {
        ShowAssembly assembly(setup);
        DemoHost& host = assembly.Host();

        KaSoundsPreviewMusic previewMusic(music);
        // Saves are noticed as the system reports them; where it cannot,
        // the files are looked at.
        const std::unique_ptr<FileWatcher> watcher = MakeSystemFileWatcher();
        ScriptReloader reloader(scriptPath, host.Textures(), stderr, watcher.get());
        GlMultisampling multisampling(window.IsMultisampleReady());
        PreviewServices previewServices{host, previewMusic, systemClock, reloader};
        previewServices.startupProblems = &startupFindings;
        previewServices.multisampling = &multisampling;
        PreviewSession session(previewServices);
        HudOverlay hud(session, host.Script(), reloader, window);
        SdlSoundDecoder soundDecoder;
        TimelineStrip timeline(session, host.Script(), window, &soundDecoder);
        hud.KeepAbove(timeline);
        OverlayStack overlays(timeline, hud);

        SdlMessageQueue queue;
        Keyboard keyboard;
        WindowProcedure procedure(keyboard, window, queue);
        PreviewHooks hooks(session, overlays);
        RunLoopServices loop{queue, procedure, keyboard, window, &hooks};
        HeldPicture held(window);
        PreviewShow show(host, session, held);
        result = Run(show, kPreviewRunFlags, loop);
        if (result == run_result::kInitFailed && !host.InitProblem().empty()) {
            WriteForTerminal(stderr, "demo-preview: " + host.InitProblem());
        }
        ReportRunResult(messages, result);
    }
    const bool failed = result == run_result::kInitFailed || result == run_result::kUninitFailed ||
                        result == run_result::kRuntimeError;
    return failed ? 1 : 0;
}
