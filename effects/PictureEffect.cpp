#include "effects/PictureEffect.h"

#include <GL/gl.h>

#include <array>

#include "render/RenderToolkit.h"
#include "scenes/SceneNeeds.h"
#include "scenes/SceneParameters.h"

int32_t PictureEffect::Init() {
    std::array<Texture*, picture_need::kTextures.size()> found{};
    if (!MeetTextureNeeds(*textures, picture_need::kNeeds, found, initProblem)) return 1;
    noise = found[picture_need::kNoise];
    for (int i = 0; i < kPictureCount; ++i) pictures[i] = found[picture_need::kFirstPicture + i];
    Rewind();
    return 0;
}

int32_t PictureEffect::Uninit() { return 0; }

void PictureEffect::Rewind() {
    pictureAlpha = 0.0f;
    noiseAlpha = 0.0f;
    random = ShowRandom();
}

float PictureEffect::NextNoiseOffset() { return -static_cast<float>(random.Next() % 100) * 0.01f; }

int32_t PictureEffect::Update(uint32_t dt) {
    if (params.patternEvent == '*') {
        noiseAlpha = 0.5f;
        pictureAlpha = 1.0f;
    }
    noiseAlpha -= static_cast<float>(dt) * 0.001f;
    if (noiseAlpha < 0.0f) noiseAlpha = 0.0f;
    if (!Read(params, picture_param::kHold)) {
        pictureAlpha -= static_cast<float>(dt) * 0.0003f;
        if (pictureAlpha < 0.0f) pictureAlpha = 0.0f;
    }
    if (Read(params, picture_param::kFullOpacity)) pictureAlpha = 1.0f;
    // The noise moves in every main pass that draws it, fading or not.
    if (pass != 0 && params.Running()) {
        noiseU = NextNoiseOffset();
        noiseV = NextNoiseOffset();
        noiseInset = NextNoiseOffset();
    }
    return 0;
}

void PictureEffect::Render() {
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    toolkit->SetSphereMap(false);
    glPushMatrix();
    toolkit->BeginOrtho();
    if (pass != 0) {
        toolkit->SetBlend(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        // Only 0 to 5 name a picture; everything else, negative values
        // included, shows none.
        const uint32_t selected = static_cast<uint32_t>(Read(params, picture_param::kPicture));
        if (selected < kPictureCount) {
            Texture& picture = *pictures[selected];
            glColor4f(1.0f, 1.0f, 1.0f, pictureAlpha);
            if (Read(params, picture_param::kZoom)) {
                toolkit->DrawFullscreenShifted(picture, 0.0f, 0.0f, 1.0f - pictureAlpha);
            } else {
                toolkit->DrawFullscreen(picture);
            }
        }
        glColor4f(1.0f, 1.0f, 1.0f, noiseAlpha);
        toolkit->DrawFullscreenShifted(*noise, noiseU, noiseV, noiseInset);
    }
    toolkit->EndOrtho();
    glPopMatrix();
}
