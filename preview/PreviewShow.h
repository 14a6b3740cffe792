// The show as the preview's run loop drives it: the demo host's frames at
// the times the session works out, except that a paused preview shows the
// frame it stopped on again instead of drawing a new one, so that it stays
// the very frame a capture makes there (the noise would move and the swarm
// reflect itself otherwise).
#pragma once

#include "demo/Application.h"
#include "demo/DemoHost.h"
#include "preview/PreviewSession.h"
#include "render/HeldPicture.h"

class PreviewShow : public Application {
public:
    PreviewShow(DemoHost& host, const PreviewSession& session, HeldPicture& held)
        : host(host), session(session), held(held) {}

    int32_t Init() override { return host.Init(); }
    int32_t Uninit() override { return host.Uninit(); }
    int32_t Frame() override {
        if (!session.DrawsShow() && held.Draw()) return frame_result::kGoOn;
        const int32_t result = host.FrameTo(session.FrameTime());
        if (session.Paused()) held.Keep();
        return result;
    }

private:
    DemoHost& host;
    const PreviewSession& session;
    HeldPicture& held;
};
