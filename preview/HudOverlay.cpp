#include "preview/HudOverlay.h"

#include "preview/PreviewSession.h"
#include "preview/ScriptReloader.h"
#include "render/TextOverlay.h"
#include "render/ViewportSize.h"

void HudOverlay::Draw() {
    HudFacts facts = GatherHudFacts(session, script, reloader.Problems());
    facts.saveRefused = reloader.SaveRefused();
    ComposeHud(facts, text);
    TextOverlay::Line lines[HudText::kMaxLines];
    for (int32_t i = 0; i < text.count; ++i) {
        const Ink& ink = text.lines[i].tone == HudText::Tone::Error ? kErrorInk : kInfoInk;
        lines[i] = TextOverlay::Line{text.lines[i].text, ink.red, ink.green, ink.blue};
    }
    TextOverlay::Draw(lines, text.count, viewport.GetViewportWidth(), viewport.GetViewportHeight());
}
