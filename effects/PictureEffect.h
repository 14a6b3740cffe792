// Full-screen pictures and flickering noise over the scene, in the main
// pass only. A "*" step character flashes the noise and the picture
// selected by lng.0 ("pic1" to "pic6" for 0 to 5; anything else shows no
// picture); the noise fades in 250 ms and the picture in about 1667 ms.
// bool.1 zooms the picture as it fades, bool.2 holds its opacity, bool.3
// holds it at full opacity. The noise slides and scales by three fresh
// numbers of the show's generator in every main pass it is drawn in.
#pragma once

#include "demo/Effect.h"
#include "effects/ShowRandom.h"
#include "scenes/SceneNeeds.h"
#include "textures/Texture.h"

class PictureEffect : public Effect {
public:
    static constexpr int kPictureCount =
        static_cast<int>(picture_need::kTextures.size() - picture_need::kFirstPicture);

    int32_t Init() override;
    int32_t Uninit() override;
    void Render() override;
    int32_t Update(uint32_t dt) override;
    void Rewind() override;

    Texture* noise = nullptr;
    Texture* pictures[kPictureCount] = {};
    float noiseAlpha = 0.0f;
    float pictureAlpha = 0.0f;
    // Where the noise is drawn in this pass: offsets of -0.99 to 0.
    float noiseU = 0.0f;
    float noiseV = 0.0f;
    float noiseInset = 0.0f;
    ShowRandom random;

private:
    float NextNoiseOffset();
};
