// The final composition of every frame: at the end of the glow pass it
// copies the 16 x 16 image into "glowbuffer"; at the end of the main pass it
// copies the 512 x 512 image into "buffer", draws that over the window's
// viewport and adds six enlarged, tinted layers of the glow image. A "*"
// step character shrinks the main image for a moment (a pulse that is gone
// within 100 ms).
#pragma once

#include <GL/gl.h>

#include "demo/Effect.h"
#include "textures/Texture.h"

class GlowEffect : public Effect {
public:
    int32_t Init() override;
    int32_t Uninit() override;
    void Render() override;
    int32_t Update(uint32_t dt) override;
    void Rewind() override { zoom = 0.0f; }
    // Not running, it neither composes the window nor renews "buffer".
    bool NeedsEarlierFrames() const override { return !params.Running(); }

    Texture* buffer = nullptr;
    Texture* glowBuffer = nullptr;
    float zoom = 0.0f;

private:
    void Capture(Texture& texture, GLenum internalFormat);
};
