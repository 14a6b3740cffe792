#include "preview/HudOverlay.h"

#include "preview/PreviewSession.h"
#include "preview/ScriptReloader.h"
#include "render/TextOverlay.h"
#include "render/ViewportSize.h"

void HudOverlay::Draw() {
    ComposeHud(GatherHudFacts(session, script, reloader.Problems()), text);
    TextOverlay::Line lines[HudText::kMaxLines];
    for (int32_t i = 0; i < text.count; ++i) {
        const bool error = text.lines[i].tone == HudText::Tone::Error;
        lines[i] = TextOverlay::Line{text.lines[i].text, 1.0f, error ? 0.45f : 1.0f,
                                     error ? 0.35f : 0.8f};
    }
    TextOverlay::Draw(lines, text.count, viewport.GetViewportWidth(), viewport.GetViewportHeight());
}
