// The preview's HUD on screen: composes the HUD's text for the frame and
// draws it over the show's finished frame, in the window's viewport. It
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
    // yellow for information, a coral red for script errors. The text is
    // drawn opaque, so its pixels have exactly these colours.
    struct Ink {
        float red;
        float green;
        float blue;
    };
    static constexpr Ink kInfoInk{1.0f, 1.0f, 0.8f};
    static constexpr Ink kErrorInk{1.0f, 0.45f, 0.35f};

    HudOverlay(PreviewSession& session, ScriptEngine& script, ScriptReloader& reloader,
               const ViewportSize& viewport)
        : session(session), script(script), reloader(reloader), viewport(viewport) {}

    void Draw() override;

    // The text of the latest frame.
    const HudText& Text() const { return text; }

private:
    PreviewSession& session;
    ScriptEngine& script;
    ScriptReloader& reloader;
    const ViewportSize& viewport;
    HudText text;
};
