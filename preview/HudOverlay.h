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
