// The preview's part in the run loop (app/RunLoop.h): every key press goes
// to the preview session and every message to the overlay, the session
// prepares each frame, the overlay is drawn over each finished frame before
// the swap, and the show's end does not end the run. It ends on a quit
// message (the window closed) or when the session asks to quit. While the
// session is paused with nothing to show anew (the overlay included), the
// loop waits for input instead of drawing.
#pragma once

#include <cstdint>

#include "app/RunLoop.h"

class PreviewSession;

// Drawn over each frame after the show's own composition.
class FrameOverlay {
public:
    virtual ~FrameOverlay() = default;
    virtual void Draw() = 0;
    // Every message the loop takes, before the window procedure sees it:
    // the mouse for an overlay that the user points at.
    virtual void MessageTaken(const Message&) {}
    // True when what it shows has changed since it was last drawn, for
    // something that came from elsewhere (work done on another thread).
    virtual bool Changed() { return false; }
    // How far up from the viewport's bottom edge it draws, in pixels.
    virtual int32_t CoveredBottom() const { return 0; }
};

// Run's flags for the preview.
constexpr uint32_t kPreviewRunFlags = run_flags::kOutlivesShowOver;

class PreviewHooks : public RunLoopHooks {
public:
    PreviewHooks(PreviewSession& session, FrameOverlay& overlay)
        : session(session), overlay(overlay) {}

    void Started() override;
    void MessageTaken(const Message& message) override;
    bool StopRequested() override;
    uint32_t IdleMilliseconds() override;
    void PrepareFrame() override;
    void FinishFrame() override;

private:
    PreviewSession& session;
    FrameOverlay& overlay;
};
