// demo-web: the show's program in a web page (tools/build-web.sh builds it
// with emscripten and packs it with the page, tools/web/index.html).
//
// It plays as demo does, with the page's dialogs for its boxes: it asks
// "Fullscreen?" (the answer is also the gesture after which the page may
// make sound), then plays the show in data/ to its music in an 800 x 600
// canvas until the script's End or until Escape is held, and shows the end
// card, whose "Play again" plays it once more.
//
// With ?t=MS in the page's address it asks nothing and draws only the frame
// that demo-capture --fps 60 draws at show time MS (the show replayed from
// its start on the 60 fps frame grid), and holds it.
#include <cstdint>
#include <memory>
#include <string>

#include "app/GlWindow.h"
#include "app/Keyboard.h"
#include "app/ProgramEntry.h"
#include "app/RunLoop.h"
#include "app/WindowProcedure.h"
#include "audio/KaSounds.h"
#include "audio/MusicPlayer.h"
#include "demo/DemoHost.h"
#include "platform/sdl/SdlMixerAudio.h"
#include "platform/sdl/SdlPlatform.h"
#include "platform/sdl/SdlWindowSystem.h"
#include "platform/web/WebPage.h"
#include "show/ShowAssembly.h"
#include "time/PlayHead.h"

namespace {

// The frame rate of the exact frames, demo-capture's default.
constexpr uint32_t kExactFps = 60;

// What lives as long as the page: SDL, the page's boxes and the canvas
// with its GL context. Never destroyed, so that a held frame stays.
struct Page {
    SdlSystem sdl;
    PageMessageBoxes boxes;
    // Single-sampled, as demo-capture draws, so that its frames and the
    // page's are the same pictures.
    SdlWindowSystem windowSystem{SdlWindowSystem::Multisampling::Off};
    GlWindow window{windowSystem, boxes};
};

Page* page = nullptr;

// The show on the canvas, whose GL context must exist first: the render
// toolkit sets GL state as it is made. A live show reads `clock`; without
// one the show is told each frame's time.
ShowSetup SetupOnCanvas(MusicPlayer& music, Clock* clock) {
    ShowSetup setup{page->window, page->window, music, page->boxes};
    setup.systemClock = clock;
    setup.live = clock != nullptr;
    // Why the show could not start, and which files it could not load, go
    // to the browser's console beside the boxes.
    setup.problems = stderr;
    return setup;
}

bool OpenCanvas() {
    if (page->window.Create(WindowSettings{})) return true;
    ShowError(page->boxes, std::string("Could not open the window: ") + SdlSystem::LastError());
    return false;
}

// Draws the frame of the 60 fps grid at or after `time` and leaves it on
// the canvas.
void DrawExactFrame(uint32_t time) {
    if (!OpenCanvas()) return;
    SilentMusicPlayer music;
    ShowAssembly show(SetupOnCanvas(music, nullptr));
    if (show.Host().Init() != 0) {
        ReportRunResult(page->boxes, run_result::kInitFailed);
        return;
    }
    PlayHead head(show.Host(), kExactFps);
    head.SeekTo(head.Grid().FirstAtOrAfter(time));
    head.DrawFrame();
    page->window.Swap();
    web_page::FrameHeld(show.Host().Script().Now());
}

// Tells the page when the show has started.
class PageRunHooks : public RunLoopHooks {
public:
    void Started() override { web_page::ShowStarted(); }
};

// Plays the show once, to its End or until Escape is held.
void PlayShow(MusicPlayer& music) {
    SdlClock clock;
    ShowAssembly show(SetupOnCanvas(music, &clock));
    Keyboard keyboard;
    SdlMessageQueue queue;
    WindowProcedure procedure(keyboard, page->window, queue);
    PageRunHooks hooks;
    RunLoopServices loop{queue, procedure, keyboard, page->window, &hooks};
    ReportRunResult(page->boxes, Run(show.Host(), run_flags::kEscapeEnds, loop));
}

}  // namespace

int main() {
    page = new Page;
    if (!page->sdl.Start()) {
        ShowError(page->boxes, page->sdl.Problem());
        return 0;
    }
    const web_page::ExactTime exact = web_page::AskedExactTime();
    if (exact.asked) {
        if (!exact.valid) {
            ShowError(page->boxes, "t in the page's address is a show time in whole milliseconds, such as ?t=38400");
            return 0;
        }
        DrawExactFrame(exact.milliseconds);
        return 0;
    }

    // The canvas keeps its size; the page scales it to the screen.
    if (AskFullscreen(page->boxes)) web_page::EnterFullscreen();
    if (!OpenCanvas()) return 0;
    // Sound only now: the answer was the gesture that lets the page play it.
    SdlMixerAudio audio;
    KaSounds music(audio, page->boxes);
    for (;;) {
        PlayShow(music);
        web_page::WaitForPlayAgain();
    }
}
