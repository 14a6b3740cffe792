// Two overlays drawn over each frame one after the other, the lower one
// first: the preview's timeline strip under its HUD.
#pragma once

#include <algorithm>

#include "preview/PreviewLoop.h"

class OverlayStack : public FrameOverlay {
public:
    OverlayStack(FrameOverlay& lower, FrameOverlay& upper) : lower(lower), upper(upper) {}
    void Draw() override {
        lower.Draw();
        upper.Draw();
    }
    void MessageTaken(const Message& message) override {
        lower.MessageTaken(message);
        upper.MessageTaken(message);
    }
    bool Changed() override {
        const bool lowerChanged = lower.Changed();
        return upper.Changed() || lowerChanged;
    }
    int32_t CoveredBottom() const override { return std::max(lower.CoveredBottom(), upper.CoveredBottom()); }

private:
    FrameOverlay& lower;
    FrameOverlay& upper;
};
