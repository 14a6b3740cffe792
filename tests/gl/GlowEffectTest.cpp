// The glow composition on a real GL context: what lands in the window from
// a known glow image and a known main image.
#include <GL/gl.h>

#include "app/GlWindow.h"
#include "effects/GlowEffect.h"
#include "effects/RenderTargetEffect.h"
#include "gl/GlTestContext.h"
#include "render/RenderToolkit.h"
#include "textures/TextureRegistry.h"
#include "textures/gl/GlTextures.h"

namespace {

class GlowEffectGl : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        Window().Resize(kWidth, kHeight);
        toolkit = std::make_unique<RenderToolkit>(Window());
        for (Effect* effect : {static_cast<Effect*>(&targets), static_cast<Effect*>(&glow)}) {
            effect->textures = &registry;
            effect->toolkit = toolkit.get();
            effect->params = EffectParams{};
            effect->params.boolParams[0] = true;
            ASSERT_EQ(effect->Init(), 0);
        }
    }

    // One frame: pass 0 shows `glowGrey` everywhere, pass 1 `mainGrey`.
    void ComposeFrame(float glowGrey, float mainGrey) {
        for (int pass = 0; pass < 2; ++pass) {
            glLoadIdentity();
            targets.pass = glow.pass = pass;
            targets.Render();
            const float grey = pass == 0 ? glowGrey : mainGrey;
            toolkit->Clear(grey, grey, grey);
            glow.Render();
        }
    }

    GlTextureFactory factory;
    TextureRegistry registry{factory};
    std::unique_ptr<RenderToolkit> toolkit;
    RenderTargetEffect targets;
    GlowEffect glow;
};

}  // namespace

TEST_F(GlowEffectGl, SixTintedLayersOfTheGlowImageAddUp) {
    // Glow luminance 0.25: each layer adds 0.5 x (0.4, 0.4, 0.2) x 0.25,
    // rounded to the 8-bit frame buffer layer by layer. Five or seven layers
    // would be 13 steps of red away.
    ComposeFrame(0.25f, 0.0f);
    const auto centre = PixelAt(400, 300);
    EXPECT_NEAR(centre[0], 6 * 0.05 * 255, 4);
    EXPECT_NEAR(centre[1], 6 * 0.05 * 255, 4);
    EXPECT_NEAR(centre[2], 6 * 0.025 * 255, 5);
}

TEST_F(GlowEffectGl, MainImageFillsTheWindowBeneathTheGlow) {
    ComposeFrame(0.0f, 0.5f);
    for (auto [x, y] : {std::pair{5, 5}, {400, 300}, {795, 595}}) {
        const auto pixel = PixelAt(x, y);
        EXPECT_NEAR(pixel[0], 128, 2) << x << "," << y;
        EXPECT_NEAR(pixel[2], 128, 2) << x << "," << y;
    }
    // The glow target took the 16 x 16 square, the main one 512 x 512.
    EXPECT_EQ(registry.Find("glowbuffer")->width, 16);
    GLint format = 0;
    registry.Find("glowbuffer")->Bind();
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
    EXPECT_EQ(format, GL_LUMINANCE);
}

TEST_F(GlowEffectGl, PulseShowsTheMainImageShrunkWithItsEdgesRepeated) {
    // A main image that is white in its lower-left quarter only.
    glow.zoom = -0.1f;
    glLoadIdentity();
    targets.pass = glow.pass = 0;
    targets.Render();
    glow.Render();
    targets.pass = glow.pass = 1;
    glLoadIdentity();
    targets.Render();
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 256, 256);
    toolkit->Clear(1, 1, 1);
    glDisable(GL_SCISSOR_TEST);
    glow.Render();
    // Texture coordinates run from -0.1 to 1.1: the white quarter starts a
    // twelfth of the way in from the left, and the repeated right edge of
    // the image (black) shows at the far left.
    EXPECT_LT(PixelAt(30, 30)[0], 40);
    EXPECT_GT(PixelAt(100, 100)[0], 200);
    EXPECT_LT(PixelAt(450, 100)[0], 40);
}
