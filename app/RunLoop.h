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

// Handles every pending message: each goes through the window procedure,
// apart from quit messages, which belong to the thread and not to a window.
// Returns true when a quit message was among them.
bool PumpMessages(MessageQueue& queue, WindowProcedure& procedure);

// The services the run loop turns to in every loop turn.
struct RunLoopServices {
    MessageQueue& queue;
    WindowProcedure& procedure;
    Keyboard& keyboard;
    WindowSurface& window;
};

int32_t Run(Application& application, uint32_t flags, RunLoopServices& services);

// The message that the program entry shows for a run result, or null for
// the results that end the show without one.
const char* RunResultMessage(int32_t result);
