// The effects' own arithmetic and look-ups, without drawing: what their
// Update integrates from dt and what their Init needs from the registry.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <numbers>

#include "effects/CameraEffect.h"
#include "effects/GlowEffect.h"
#include "effects/ModelEffect.h"
#include "effects/PictureEffect.h"
#include "effects/RenderTargetEffect.h"
#include "effects/ShowRandom.h"
#include "support/Doubles.h"
#include "textures/TextureRegistry.h"

namespace {

// Runs `frames` frames of `dt` ms with the host's two updates per frame; the
// step character, if any, reaches only the first update of the first frame.
void PlayFrames(Effect& effect, uint32_t dt, int frames, char event = 0) {
    for (int frame = 0; frame < frames; ++frame) {
        for (int pass = 0; pass < 2; ++pass) {
            effect.params.patternEvent = frame == 0 && pass == 0 ? event : 0;
            effect.pass = pass;
            effect.Update(dt);
        }
    }
}

class EffectsWithRegistry : public ::testing::Test {
protected:
    RecordingTextureFactory factory;
    TextureRegistry registry{factory};
};

}  // namespace

TEST(CameraEffect, OrbitStartsAboveThePositiveZAxis) {
    CameraEffect camera;
    camera.params = EffectParams{};
    camera.Init();
    camera.Update(0);
    EXPECT_DOUBLE_EQ(camera.eye.x, 0.0);
    EXPECT_DOUBLE_EQ(camera.eye.y, 1.0);
    EXPECT_DOUBLE_EQ(camera.eye.z, 6.0);
    EXPECT_DOUBLE_EQ(camera.up.y, 1.0);
    EXPECT_DOUBLE_EQ(camera.target.z, 0.0);
}

TEST(CameraEffect, OneOrbitTakesAboutTenAndAHalfSeconds) {
    CameraEffect camera;
    camera.params = EffectParams{};
    camera.Init();
    PlayFrames(camera, 10, 1047);  // 10.47 s of show time
    EXPECT_NEAR(camera.orbitAngle, 2.0 * std::numbers::pi, 0.01);
    EXPECT_NEAR(camera.eye.x, 0.0, 0.06);
    EXPECT_NEAR(camera.eye.y, std::cos(0.8 * std::numbers::pi), 0.01);
    EXPECT_NEAR(camera.eye.z, 6.0, 0.01);
}

TEST(CameraEffect, ScriptPlacesTheEyeAndHoldsTheOrbit) {
    CameraEffect camera;
    camera.params = EffectParams{};
    camera.Init();
    PlayFrames(camera, 100, 3);
    const float angle = camera.orbitAngle;
    camera.params.boolParams[1] = true;
    camera.params.dblParams[2] = 20.0;
    PlayFrames(camera, 100, 3);
    EXPECT_DOUBLE_EQ(camera.eye.z, 20.0);
    EXPECT_DOUBLE_EQ(camera.eye.x, 0.0);
    EXPECT_EQ(camera.orbitAngle, angle);

    // With the reset held as well, the script's eye still wins and the
    // angle stays at 0.
    camera.params.boolParams[2] = true;
    PlayFrames(camera, 100, 3);
    EXPECT_DOUBLE_EQ(camera.eye.z, 20.0);
    EXPECT_EQ(camera.orbitAngle, 0.0f);
}

TEST(PictureEffect, PulseFadesNoiseAndPicture) {
    PictureEffect pictures;
    pictures.params = EffectParams{};
    // The event arrives in a frame of dt 0; then 125 ms in frames of 25 ms.
    PlayFrames(pictures, 0, 1, '*');
    EXPECT_FLOAT_EQ(pictures.noiseAlpha, 0.5f);
    EXPECT_FLOAT_EQ(pictures.pictureAlpha, 1.0f);
    PlayFrames(pictures, 25, 5);
    EXPECT_NEAR(pictures.noiseAlpha, 0.25f, 1e-6);
    EXPECT_NEAR(pictures.pictureAlpha, 0.925f, 1e-6);
    PlayFrames(pictures, 25, 5);
    EXPECT_EQ(pictures.noiseAlpha, 0.0f);  // never below 0
}

TEST(PictureEffect, HoldsKeepThePicture) {
    PictureEffect pictures;
    pictures.params = EffectParams{};
    pictures.params.boolParams[2] = true;  // hold
    PlayFrames(pictures, 0, 1, '*');
    PlayFrames(pictures, 50, 10);
    EXPECT_FLOAT_EQ(pictures.pictureAlpha, 1.0f);
    EXPECT_EQ(pictures.noiseAlpha, 0.0f);

    pictures.params.boolParams[2] = false;
    pictures.params.boolParams[3] = true;  // full hold
    pictures.pictureAlpha = 0.2f;
    PlayFrames(pictures, 50, 1);
    EXPECT_FLOAT_EQ(pictures.pictureAlpha, 1.0f);
}

TEST(GlowEffect, PulseShrinksTheImageForOneHundredMilliseconds) {
    GlowEffect glow;
    glow.params = EffectParams{};
    PlayFrames(glow, 0, 1, '*');
    EXPECT_FLOAT_EQ(glow.zoom, -0.1f);
    PlayFrames(glow, 25, 2);
    EXPECT_NEAR(glow.zoom, -0.05f, 1e-6);
    PlayFrames(glow, 25, 2);
    EXPECT_NEAR(glow.zoom, 0.0f, 1e-6);
    PlayFrames(glow, 25, 2);
    EXPECT_EQ(glow.zoom, 0.0f);  // never above 0
}

TEST_F(EffectsWithRegistry, TargetsComeFirstAndTheOthersFindTheirTextures) {
    GlowEffect glow;
    glow.textures = &registry;
    EXPECT_EQ(glow.Init(), 1);  // no targets yet

    RenderTargetEffect targets;
    targets.textures = &registry;
    EXPECT_EQ(targets.Init(), 0);
    EXPECT_EQ(registry.Find("buffer")->width, 512);
    EXPECT_EQ(registry.Find("glowbuffer")->width, 16);
    EXPECT_EQ(glow.Init(), 0);
    EXPECT_EQ(glow.buffer, registry.Find("buffer"));
}

TEST_F(EffectsWithRegistry, PicturesNeedTheNoiseAndAllSixCards) {
    PictureEffect pictures;
    pictures.textures = &registry;
    registry.Load("noise", "noise.png", kWrapRepeat);
    for (const char* handle : {"pic1", "pic2", "pic3", "pic4", "pic5"}) {
        registry.Load(handle, std::string(handle) + ".png", kWrapClamp);
    }
    EXPECT_EQ(pictures.Init(), 1);
    registry.Load("pic6", "pic6.png", kWrapClamp);
    EXPECT_EQ(pictures.Init(), 0);
    EXPECT_EQ(pictures.pictures[5], registry.Find("pic6"));
}

TEST(ShowRandom, GivesGlibcsRandSequenceEverywhere) {
    // rand() of a program that never calls srand(), as glibc gives it.
    ShowRandom random;
    for (const int32_t expected : {1804289383, 846930886, 1681692777, 1714636915, 1957747793}) {
        EXPECT_EQ(random.Next(), expected);
    }
    for (int i = 5; i < 9999; ++i) random.Next();
    EXPECT_EQ(random.Next(), 1908609430);  // the 10000th
#ifdef __GLIBC__
    // And the library's own, far on and from another seed.
    for (const uint32_t seed : {1u, 12345u}) {
        std::srand(seed);
        random.Seed(seed);
        for (int i = 0; i < 100000; ++i) ASSERT_EQ(random.Next(), std::rand()) << seed << " " << i;
    }
#endif
}

TEST(ModelEffect, SwarmCopiesSampleTheCurveAtUnitSteps) {
    float position[3];
    ModelEffect::SwarmPosition(0, 0.0f, position);
    EXPECT_EQ(position[0], 0.0f);
    EXPECT_EQ(position[1], 0.0f);
    EXPECT_EQ(position[2], 0.0f);
    ModelEffect::SwarmPosition(1, 0.0f, position);
    EXPECT_NEAR(position[0], 2.52, 0.01);
    EXPECT_NEAR(position[1], 2.89, 0.01);
    EXPECT_NEAR(position[2], 2.99, 0.01);
}

TEST(ModelEffect, TurnsTwentyDegreesPerSecondWhateverTheFrameRate) {
    ModelEffect fast, slow;
    PlayFrames(fast, 10, 100);
    PlayFrames(slow, 50, 20);
    EXPECT_NEAR(fast.model.rotation[0], 20.0f, 1e-3);
    EXPECT_NEAR(slow.model.rotation[0], 20.0f, 1e-3);
    EXPECT_NEAR(fast.swarmPhase, 0.2f, 1e-5);
}
