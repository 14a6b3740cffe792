#include "app/RunLoop.h"

bool PumpMessages(MessageQueue& queue, WindowProcedure& procedure) {
    bool quit = false;
    Message message;
    while (queue.Peek(message)) {
        if (message.id == msg::kQuit) {
            quit = true;
            continue;
        }
        procedure.Handle(message);
    }
    return quit;
}

int32_t Run(Application& application, uint32_t flags, RunLoopServices& services) {
    if (application.Init() != 0) return run_result::kInitFailed;

    int32_t result = 0;
    while (result == 0) {
        if (PumpMessages(services.queue, services.procedure)) {
            result = run_result::kQuitMessage;
            break;
        }
        if ((flags & run_flags::kEscapeEnds) && services.keyboard.IsDown(vk::kEscape)) {
            result = run_result::kStoppedByUser;
            break;
        }
        if ((flags & run_flags::kAnyKeyEnds) && services.keyboard.AnyKeyPressed()) {
            result = run_result::kStoppedByUser;
            break;
        }
        switch (application.Frame()) {
            case frame_result::kRuntimeError: result = run_result::kRuntimeError; break;
            case frame_result::kShowOver: result = run_result::kShowOver; break;
            case frame_result::kStop: result = run_result::kStoppedByUser; break;
            default: break;
        }
        // The frame that ended the show is still shown.
        services.window.Swap();
    }

    if (application.Uninit() != 0) return run_result::kUninitFailed;
    return result;
}

const char* RunResultMessage(int32_t result) {
    switch (result) {
        case run_result::kInitFailed: return "Initialization failed";
        case run_result::kUninitFailed: return "Uninitialization failed";
        case run_result::kRuntimeError: return "Runtime error";
        default: return nullptr;
    }
}
