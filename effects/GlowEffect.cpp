#include "effects/GlowEffect.h"

#include <array>

#include "render/RenderToolkit.h"
#include "scenes/SceneNeeds.h"

int32_t GlowEffect::Init() {
    std::array<Texture*, glow_need::kTextures.size()> found{};
    if (!MeetTextureNeeds(*textures, glow_need::kNeeds, found, initProblem)) return 1;
    glowBuffer = found[glow_need::kGlow];
    buffer = found[glow_need::kMain];
    Rewind();
    return 0;
}

int32_t GlowEffect::Uninit() { return 0; }

int32_t GlowEffect::Update(uint32_t dt) {
    if (params.patternEvent == '*') zoom = -0.1f;
    zoom += static_cast<float>(dt) * 0.0005f;
    if (zoom > 0.0f) zoom = 0.0f;
    return 0;
}

void GlowEffect::Capture(Texture& texture, GLenum internalFormat) {
    glPushMatrix();
    toolkit->BeginOrtho();
    toolkit->CopyToTexture(texture, internalFormat);
    toolkit->EndOrtho();
    glPopMatrix();
}

void GlowEffect::Render() {
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    toolkit->SetSphereMap(false);
    if (pass == 0) {
        Capture(*glowBuffer, GL_LUMINANCE);
        return;
    }
    Capture(*buffer, GL_RGB);
    glPushMatrix();
    toolkit->SetViewport(0, 0);
    toolkit->Clear(0.0f, 0.0f, 0.0f);
    toolkit->BeginOrtho();
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    toolkit->ResetBlend();
    buffer->Bind();
    toolkit->DrawFullscreenShifted(*buffer, 0.0f, 0.0f, zoom);
    toolkit->SetBlend(GL_SRC_ALPHA, GL_ONE);
    glColor4f(0.4f, 0.4f, 0.2f, 0.5f);
    // Six layers: 0.05 added in float reaches 0.25 exactly and stops at 0.3.
    for (float inset = 0.0f; inset <= 0.25f; inset += 0.05f) {
        toolkit->DrawFullscreenShifted(*glowBuffer, 0.0f, 0.0f, inset);
    }
    toolkit->EndOrtho();
    glPopMatrix();
}
