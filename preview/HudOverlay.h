// The preview's HUD on screen: composes the HUD's text for the frame and
// draws it over the show's finished frame, in the window's viewport, as
// many lines as fit above whatever is drawn along the viewport's bottom. It
// draws into the window only, never into the show's render targets.
#pragma once

#include "preview/HudText.h"
#include "preview/PreviewLoop.h"

class PreviewSession;
class ScriptEngine;
class ScriptReloader;
class ViewportSize;

class HudOverlay : public FrameOverlay {
public:
    // The inks of the HUD's lines, red, green and blue from 0 to 1: a pale
    // yellow for information, a coral red for errors, amber for warnings.
    // The text is drawn opaque, so its pixels have exactly these colours.
    struct Ink {
        float red;
        float green;
        float blue;
    };
    static constexpr Ink kInfoInk{1.0f, 1.0f, 0.8f};
    static constexpr Ink kErrorInk{1.0f, 0.45f, 0.35f};
    static constexpr Ink kWarningInk{1.0f, 0.75f, 0.2f};

    HudOverlay(PreviewSession& session, ScriptEngine& script, ScriptReloader& reloader,
               const ViewportSize& viewport)
        : session(session), script(script), reloader(reloader), viewport(viewport) {}

    // The HUD keeps above what `lower` draws along the viewport's bottom.
    void KeepAbove(const FrameOverlay& lower) { below = &lower; }

    void Draw() override;

    // The text of the latest frame.
    const HudText& Text() const { return text; }

private:
    PreviewSession& session;
    ScriptEngine& script;
    ScriptReloader& reloader;
    const ViewportSize& viewport;
    const FrameOverlay* below = nullptr;
    HudText text;
};
