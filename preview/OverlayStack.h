// Two overlays drawn over each frame one after the other, the lower one
// first: the preview's timeline strip under its HUD.
#pragma once

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

private:
    FrameOverlay& lower;
    FrameOverlay& upper;
};
