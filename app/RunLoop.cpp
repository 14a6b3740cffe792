#include "app/RunLoop.h"

bool PumpMessages(MessageQueue& queue, WindowProcedure& procedure, RunLoopHooks* hooks) {
    bool quit = false;
    Message message;
    while (queue.Peek(message)) {
        if (message.id == msg::kQuit) {
            quit = true;
            continue;
        }
        if (hooks) hooks->MessageTaken(message);
        procedure.Handle(message);
    }
    return quit;
}

int32_t Run(Application& application, uint32_t flags, RunLoopServices& services) {
    RunLoopHooks noHooks;
    RunLoopHooks& hooks = services.hooks ? *services.hooks : noHooks;
    if (application.Init() != 0) return run_result::kInitFailed;
    hooks.Started();

    int32_t result = 0;
    while (result == 0) {
        if (PumpMessages(services.queue, services.procedure, &hooks)) {
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
        if (hooks.StopRequested()) {
            result = run_result::kStoppedByUser;
            break;
        }
        if (const uint32_t idle = hooks.IdleMilliseconds(); idle > 0) {
            services.queue.WaitForMessage(idle);
            continue;
        }
        hooks.PrepareFrame();
        switch (application.Frame()) {
            case frame_result::kRuntimeError: result = run_result::kRuntimeError; break;
            case frame_result::kShowOver:
                if (!(flags & run_flags::kOutlivesShowOver)) result = run_result::kShowOver;
                break;
            case frame_result::kStop: result = run_result::kStoppedByUser; break;
            default: break;
        }
        hooks.FinishFrame();
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
