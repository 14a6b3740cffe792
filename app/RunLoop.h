// The generic run loop: Init, then frames until something ends the run,
// then Uninit; plus the message pump and the error box that go with it.
#pragma once

#include <cstdint>

#include "app/Keyboard.h"
#include "app/WindowProcedure.h"
#include "demo/Application.h"
#include "platform/MessageBoxes.h"
#include "platform/MessageQueue.h"
#include "render/WindowSurface.h"

// Bits of Run's flags.
namespace run_flags {
constexpr uint32_t kEscapeEnds = 1;   // Escape held down ends the run
constexpr uint32_t kAnyKeyEnds = 2;   // any key-down since the last check ends it
constexpr uint32_t kOutlivesShowOver = 4;  // the show's end does not end the run
}  // namespace run_flags

// What Run returns.
namespace run_result {
constexpr int32_t kShowOver = 1;
constexpr int32_t kStoppedByUser = 2;
constexpr int32_t kQuitMessage = 3;
constexpr int32_t kInitFailed = 4;
constexpr int32_t kUninitFailed = 5;
constexpr int32_t kRuntimeError = 6;
}  // namespace run_result

// What a program adds to the run loop's turns; every hook does nothing by
// default, which is the show's own loop. The preview takes every key press,
// prepares each frame, draws its HUD over it, and waits for input while
// nothing on screen would change.
class RunLoopHooks {
public:
    virtual ~RunLoopHooks() = default;
    // Once Init has succeeded, before the first turn.
    virtual void Started() {}
    // Each message taken from the queue, before the window procedure
    // handles it (quit messages excepted): presses are seen as they come,
    // even a tap that is over before the keyboard state is next read.
    virtual void MessageTaken(const Message&) {}
    // Asked after each turn's messages and keys: true ends the run as a
    // user's stop.
    virtual bool StopRequested() { return false; }
    // Asked before each frame: for how many ms nothing on screen would
    // change, so that the loop may wait that long for a message instead of
    // drawing; 0 to draw now. After a wait the turn starts again.
    virtual uint32_t IdleMilliseconds() { return 0; }
    // Before each frame, and after it, before the swap.
    virtual void PrepareFrame() {}
    virtual void FinishFrame() {}
};

// Handles every pending message: each goes to `hooks` (when given) and
// through the window procedure, apart from quit messages, which belong to
// the thread and not to a window. Returns true when a quit message was
// among them.
bool PumpMessages(MessageQueue& queue, WindowProcedure& procedure, RunLoopHooks* hooks = nullptr);

// The services the run loop turns to in every loop turn.
struct RunLoopServices {
    MessageQueue& queue;
    WindowProcedure& procedure;
    Keyboard& keyboard;
    WindowSurface& window;
    RunLoopHooks* hooks = nullptr;
};

int32_t Run(Application& application, uint32_t flags, RunLoopServices& services);

// The message that the program entry shows for a run result, or null for
// the results that end the show without one.
const char* RunResultMessage(int32_t result);
