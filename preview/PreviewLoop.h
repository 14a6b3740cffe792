// The preview's run loop: like the show's, but every key press goes to the
// preview session and every message to the overlay, the session prepares
// each frame, the overlay is drawn over each finished frame before the swap, and the show's end does not
// end the loop. It ends on a quit message (the window closed) or when the
// session asks to quit.
#pragma once

#include <cstdint>

#include "app/WindowProcedure.h"
#include "demo/Application.h"
#include "platform/MessageQueue.h"
#include "render/WindowSurface.h"

class PreviewSession;

// Drawn over each frame after the show's own composition.
class FrameOverlay {
public:
    virtual ~FrameOverlay() = default;
    virtual void Draw() = 0;
    // Every message the loop takes, before the window procedure sees it:
    // the mouse for an overlay that the user points at.
    virtual void MessageTaken(const Message&) {}
};

struct PreviewLoopServices {
    MessageQueue& queue;
    WindowProcedure& procedure;
    WindowSurface& window;
};

// The host's Init, the session's Begin, frames until the user quits, and
// the host's Uninit. Returns a run_result value (app/RunLoop.h).
int32_t RunPreview(Application& host, PreviewSession& session, FrameOverlay& overlay,
                   PreviewLoopServices& services);
