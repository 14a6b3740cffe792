// The render toolkit on a real GL context: state, projections, quads and
// copies, checked by reading pixels and GL state back.
#include <GL/gl.h>

#include <cmath>
#include <vector>

#include "app/GlWindow.h"
#include "gl/GlTestContext.h"
#include "render/RenderToolkit.h"
#include "textures/gl/GlTextures.h"

namespace {

// A texture whose texels the test chooses, with nearest filtering so that
// pixels map to texels exactly.
class TestTexture : public Texture {
public:
    TestTexture(int32_t textureWidth, int32_t textureHeight,
                const std::vector<uint8_t>& rgba, GLint wrap = GL_CLAMP) {
        width = textureWidth;
        height = textureHeight;
        glGenTextures(1, &glName);
        glBindTexture(GL_TEXTURE_2D, glName);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     rgba.data());
    }
    ~TestTexture() override { glDeleteTextures(1, &glName); }
    bool Load(const char*, int32_t) override { return true; }
    void Bind() override {
        glEnable(GL_TEXTURE_2D);
        glBindTexture(GL_TEXTURE_2D, glName);
    }
};

std::vector<uint8_t> Solid(int width, int height, uint8_t r, uint8_t g, uint8_t b) {
    std::vector<uint8_t> texels;
    for (int i = 0; i < width * height; ++i) texels.insert(texels.end(), {r, g, b, 255});
    return texels;
}

// Black left half, white right half.
std::vector<uint8_t> HalfAndHalf(int side) {
    std::vector<uint8_t> texels;
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const uint8_t v = x < side / 2 ? 0 : 255;
            texels.insert(texels.end(), {v, v, v, 255});
        }
    }
    return texels;
}

class RenderToolkitGl : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        Window().Resize(kWidth, kHeight);
    }
    bool IsWhite(int x, int y) { return PixelAt(x, y)[0] == 255 && PixelAt(x, y)[1] == 255; }
    bool IsBlack(int x, int y) { return PixelAt(x, y)[0] == 0 && PixelAt(x, y)[1] == 0; }
};

}  // namespace

TEST_F(RenderToolkitGl, ConstructionEstablishesTheFixedRenderState) {
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_DEPTH_TEST);
    RenderToolkit toolkit(Window());
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLint value = 0;
    glGetIntegerv(GL_SHADE_MODEL, &value);
    EXPECT_EQ(value, GL_SMOOTH);
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(value, GL_LEQUAL);
    glGetTexGeniv(GL_S, GL_TEXTURE_GEN_MODE, &value);
    EXPECT_EQ(value, GL_SPHERE_MAP);
    glGetTexGeniv(GL_T, GL_TEXTURE_GEN_MODE, &value);
    EXPECT_EQ(value, GL_SPHERE_MAP);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
}

TEST_F(RenderToolkitGl, BlendAndSphereMapSwitches) {
    RenderToolkit toolkit(Window());
    toolkit.SetBlend(GL_SRC_ALPHA, GL_ONE);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    GLint factor = 0;
    glGetIntegerv(GL_BLEND_DST, &factor);
    EXPECT_EQ(factor, GL_ONE);
    toolkit.ResetBlend();
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));

    toolkit.SetSphereMap(true);
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_GEN_T));
    toolkit.SetSphereMap(false);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
}

TEST_F(RenderToolkitGl, ViewportOfZeroOrLessIsTheWindowsViewport) {
    RenderToolkit toolkit(Window());
    GLint viewport[4] = {};
    toolkit.SetViewport(16, 16);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[0], 0);
    EXPECT_EQ(viewport[1], 0);
    EXPECT_EQ(viewport[2], 16);
    EXPECT_EQ(viewport[3], 16);
    toolkit.SetViewport(0, 0);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 600);
    toolkit.SetViewport(16, 16);
    toolkit.SetViewport(-1, -5);
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 800);
    EXPECT_EQ(viewport[3], 600);
}

TEST_F(RenderToolkitGl, PerspectiveUsesTheScreenSpaceAspectAndMultiplies) {
    RenderToolkit toolkit(Window());
    glLoadIdentity();
    toolkit.ApplyPerspective();
    GLfloat matrix[16] = {};
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
    const float focal = 1.0f / std::tan(22.5f * static_cast<float>(M_PI) / 180.0f);
    EXPECT_NEAR(matrix[5], focal, 1e-5);
    EXPECT_NEAR(matrix[0], focal / (640.0f / 480.0f), 1e-5);

    toolkit.ApplyPerspective();  // no reset: applied twice
    glGetFloatv(GL_MODELVIEW_MATRIX, matrix);
    EXPECT_NEAR(matrix[5], focal * focal, 1e-4);
    glLoadIdentity();
}

TEST_F(RenderToolkitGl, DrawCenteredCoversTheScaledPictureAboutTheCentre) {
    RenderToolkit toolkit(Window());
    TestTexture texture(256, 128, Solid(256, 128, 255, 255, 255));
    toolkit.Clear(0, 0, 0);
    toolkit.BeginOrtho();
    toolkit.ResetBlend();
    glColor3f(1, 1, 1);
    toolkit.DrawCentered(texture, 2.0f);
    toolkit.EndOrtho();
    // Screen space x 64..576 and y 112..368 are 80..720 and 140..460 pixels
    // in an 800 x 600 viewport.
    EXPECT_TRUE(IsWhite(81, 141));
    EXPECT_TRUE(IsWhite(718, 458));
    EXPECT_TRUE(IsBlack(78, 300));
    EXPECT_TRUE(IsBlack(722, 300));
    EXPECT_TRUE(IsBlack(400, 138));
    EXPECT_TRUE(IsBlack(400, 462));
}

TEST_F(RenderToolkitGl, ShiftedQuadsCropAndSlideTheTexture) {
    RenderToolkit toolkit(Window());
    TestTexture texture(64, 64, HalfAndHalf(64));
    toolkit.BeginOrtho();
    toolkit.ResetBlend();
    glColor3f(1, 1, 1);

    // Inset 0 and no offset is the plain full-screen quad: the black half on
    // the left, the edge in the middle.
    toolkit.DrawFullscreenShifted(texture, 0, 0, 0);
    EXPECT_TRUE(IsBlack(395, 300));
    EXPECT_TRUE(IsWhite(405, 300));
    EXPECT_TRUE(IsBlack(5, 300));

    // Inset 0.25 maps 0.25..0.75: the edge stays in the middle but the
    // left quarter of the screen now shows u = 0.25..0.375, still black.
    toolkit.DrawFullscreenShifted(texture, 0, 0, 0.25f);
    EXPECT_TRUE(IsBlack(5, 300));
    EXPECT_TRUE(IsWhite(795, 300));

    // Sliding u by 0.25 moves the edge to a quarter of the screen.
    toolkit.DrawFullscreenShifted(texture, 0.25f, 0, 0);
    EXPECT_TRUE(IsBlack(195, 300));
    EXPECT_TRUE(IsWhite(205, 300));
    toolkit.EndOrtho();
}

TEST_F(RenderToolkitGl, CopyToTextureTakesTheLowerLeftSquare) {
    RenderToolkit toolkit(Window());
    TargetTexture target;
    target.Create(16, 3, GL_REPEAT);

    glClearColor(0, 1, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glEnable(GL_SCISSOR_TEST);
    glScissor(0, 0, 16, 16);
    glClearColor(1, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glDisable(GL_SCISSOR_TEST);

    toolkit.CopyToTexture(target, GL_RGB);
    std::vector<uint8_t> texels(16 * 16 * 3);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
    for (size_t i = 0; i < texels.size(); i += 3) {
        ASSERT_EQ(texels[i], 255) << "texel " << i / 3;
        ASSERT_EQ(texels[i + 1], 0) << "texel " << i / 3;
    }
    GLint width = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 16);
}

TEST_F(RenderToolkitGl, TargetsTakeTheirComponentCount) {
    struct Case {
        int32_t components;
        GLint format;
    };
    for (const Case& c : {Case{1, GL_ALPHA}, Case{2, GL_RGB}, Case{3, GL_RGB}, Case{4, GL_RGBA}}) {
        TargetTexture target;
        ASSERT_TRUE(target.Create(16, c.components, GL_REPEAT));
        EXPECT_EQ(target.width, 16);
        EXPECT_EQ(target.height, 16);
        GLint format = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_INTERNAL_FORMAT, &format);
        EXPECT_EQ(format, c.format) << c.components << " components";
        GLint wrap = 0;
        glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, &wrap);
        EXPECT_EQ(wrap, GL_REPEAT);
        EXPECT_TRUE(target.Load("anything.png", GL_CLAMP));
        EXPECT_EQ(target.width, 16);
    }
}
