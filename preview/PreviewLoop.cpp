#include "preview/PreviewLoop.h"

#include "platform/Messages.h"
#include "preview/PreviewSession.h"

void PreviewHooks::Started() { session.Begin(); }

void PreviewHooks::MessageTaken(const Message& message) {
    if (message.id == msg::kKeyDown) session.KeyPressed(static_cast<int32_t>(message.wParam));
    overlay.MessageTaken(message);
    // Whatever came (a key, the mouse, an exposure, a new size) is shown in
    // a new frame.
    session.RequestFrame();
}

bool PreviewHooks::StopRequested() { return session.QuitRequested(); }

uint32_t PreviewHooks::IdleMilliseconds() {
    if (overlay.Changed()) return 0;
    return session.IdleMilliseconds();
}

void PreviewHooks::PrepareFrame() { session.PrepareFrame(); }

void PreviewHooks::FinishFrame() { overlay.Draw(); }
