// The show as the preview's run loop drives it: the demo host's frames at
// the times the session works out, except that a paused preview shows the
// frame it stopped on again instead of drawing a new one, so that it stays
// the very frame a capture makes there (the noise would move and the swarm
// reflect itself otherwise). When that frame cannot be shown again (the
// window's size changed, or none is held yet), the session brings it back
// with a seek.
#pragma once

#include "demo/Application.h"
#include "demo/DemoHost.h"
#include "preview/PreviewSession.h"
#include "render/HeldPicture.h"

class PreviewShow : public Application {
public:
    PreviewShow(DemoHost& host, PreviewSession& session, HeldPicture& held)
        : host(host), session(session), held(held) {}

    int32_t Init() override { return host.Init(); }
    int32_t Uninit() override { return host.Uninit(); }
    int32_t Frame() override {
        if (!session.DrawsShow()) {
            if (holding && held.Draw()) return frame_result::kGoOn;
            session.HeldPictureLost();
        }
        const int32_t result = host.FrameTo(session.FrameTime());
        // A picture kept while playing would be of another time.
        holding = session.Paused();
        if (holding) held.Keep();
        return result;
    }

private:
    DemoHost& host;
    PreviewSession& session;
    HeldPicture& held;
    bool holding = false;
};
