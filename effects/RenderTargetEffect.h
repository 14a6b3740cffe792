// The render-to-texture set-up: creates the render targets "buffer"
// (512 x 512) and "glowbuffer" (16 x 16), and at the start of every pass sets
// the viewport to the size of the target that pass is copied into and
// clears it. It must be the first effect registered.
#pragma once

#include "demo/Effect.h"

class RenderTargetEffect : public Effect {
public:
    int32_t Init() override;
    int32_t Uninit() override;
    void Render() override;
    int32_t Update(uint32_t dt) override;
    void Rewind() override {}
    // Not running, it clears nothing: the pass draws over the last one.
    bool NeedsEarlierFrames() const override { return !params.Running(); }
};
