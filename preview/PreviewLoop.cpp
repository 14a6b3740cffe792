#include "preview/PreviewLoop.h"

#include "app/RunLoop.h"
#include "platform/Messages.h"
#include "preview/PreviewSession.h"

int32_t RunPreview(Application& host, PreviewSession& session, FrameOverlay& overlay,
                   PreviewLoopServices& services) {
    if (host.Init() != 0) return run_result::kInitFailed;
    session.Begin();

    int32_t result = 0;
    while (result == 0) {
        Message message;
        while (services.queue.Peek(message)) {
            if (message.id == msg::kQuit) {
                result = run_result::kQuitMessage;
                continue;
            }
            // Presses are taken as they come: a quick tap may be over
            // before the next frame looks at the keyboard.
            if (message.id == msg::kKeyDown) session.KeyPressed(static_cast<int32_t>(message.wParam));
            overlay.MessageTaken(message);
            services.procedure.Handle(message);
        }
        if (result != 0) break;
        if (session.QuitRequested()) {
            result = run_result::kStoppedByUser;
            break;
        }
        session.PrepareFrame();
        // The show's end only pauses the preview; a runtime error ends it.
        if (host.Frame() == frame_result::kRuntimeError) result = run_result::kRuntimeError;
        overlay.Draw();
        services.window.Swap();
    }

    if (host.Uninit() != 0) return run_result::kUninitFailed;
    return result;
}
