#include "preview/HudOverlay.h"

#include "preview/PreviewSession.h"
#include "preview/ScriptReloader.h"
#include "render/TextOverlay.h"
#include "render/ViewportSize.h"

void HudOverlay::Draw() {
    HudFacts facts = GatherHudFacts(session, script, reloader);
    const int32_t free = viewport.GetViewportHeight() - (below ? below->CoveredBottom() : 0) - TextOverlay::kMargin;
    facts.maxLines = free / TextOverlay::kLineHeight;
    ComposeHud(facts, text);
    TextOverlay::Line lines[HudText::kMaxLines];
    for (int32_t i = 0; i < text.count; ++i) {
        const HudText::Tone tone = text.lines[i].tone;
        const Ink& ink = tone == HudText::Tone::Error ? kErrorInk : tone == HudText::Tone::Warning ? kWarningInk : kInfoInk;
        lines[i] = TextOverlay::Line{text.lines[i].text, ink.red, ink.green, ink.blue};
    }
    TextOverlay::Draw(lines, text.count, viewport.GetViewportWidth(), viewport.GetViewportHeight());
}
