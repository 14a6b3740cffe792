// The browser build's GL layer (webgl/LegacyGl.h) held against the real
// thing: each check draws or sets the same with Mesa's own GL 1.1 and with
// the layer's stand-in, and compares what comes out.
#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "gl/GlTestContext.h"
#include "webgl/LegacyGl.h"

namespace {

std::vector<uint8_t> ReadRgba() {
    std::vector<uint8_t> pixels(size_t{800} * 600 * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, 800, 600, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

// How many samples of `a` and `b` differ by more than `tolerance`.
size_t Differing(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, int tolerance = 0) {
    size_t count = 0;
    for (size_t i = 0; i < a.size(); ++i) count += std::abs(a[i] - b[i]) > tolerance;
    return count;
}

size_t Lit(const std::vector<uint8_t>& pixels) {
    size_t count = 0;
    for (size_t i = 0; i < pixels.size(); i += 4) count += pixels[i] + pixels[i + 1] + pixels[i + 2] > 0;
    return count;
}

// A sphere of radius 1 with its normals, as one indexed triangle list.
struct Sphere {
    std::vector<float> vertices;
    std::vector<float> normals;
    std::vector<uint16_t> indices;

    Sphere() {
        constexpr int kRings = 16;
        constexpr int kSegments = 24;
        for (int ring = 0; ring <= kRings; ++ring) {
            const double theta = M_PI * ring / kRings;
            for (int segment = 0; segment <= kSegments; ++segment) {
                const double phi = 2.0 * M_PI * segment / kSegments;
                const float point[3] = {static_cast<float>(std::sin(theta) * std::cos(phi)),
                                        static_cast<float>(std::cos(theta)),
                                        static_cast<float>(std::sin(theta) * std::sin(phi))};
                vertices.insert(vertices.end(), point, point + 3);
                normals.insert(normals.end(), point, point + 3);
            }
        }
        for (int ring = 0; ring < kRings; ++ring) {
            for (int segment = 0; segment < kSegments; ++segment) {
                const auto at = [&](int r, int s) { return static_cast<uint16_t>(r * (kSegments + 1) + s); };
                indices.insert(indices.end(), {at(ring, segment), at(ring + 1, segment), at(ring, segment + 1),
                                               at(ring, segment + 1), at(ring + 1, segment), at(ring + 1, segment + 1)});
            }
        }
    }
};

class WebGlLayer : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        webgl::Reset();
        glMatrixMode(GL_PROJECTION);
        glLoadIdentity();
        glMatrixMode(GL_MODELVIEW);
        glLoadIdentity();
        glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    }
    void TearDown() override {
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glDeleteTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, 0);
    }

    // A texture whose texels tell their coordinates: red across, green up.
    void BindCoordinateTexture() {
        std::vector<uint8_t> texels;
        for (int t = 0; t < 64; ++t) {
            for (int s = 0; s < 64; ++s) texels.insert(texels.end(), {uint8_t(s * 4), uint8_t(t * 4), 128});
        }
        glGenTextures(1, &texture);
        glBindTexture(GL_TEXTURE_2D, texture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, 64, 64, 0, GL_RGB, GL_UNSIGNED_BYTE, texels.data());
        glEnable(GL_TEXTURE_2D);
    }

    // The show's camera: the perspective and the look-at on the modelview
    // matrix, the projection the identity; then the object's own turn.
    static void ShowCamera() {
        gluPerspective(45.0, 640.0 / 480.0, 0.1, 10000.0);
        gluLookAt(1.5, 0.8, 4.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0);
        glRotatef(30.0f, 1.0f, 0.4f, 0.0f);
    }

    GLuint texture = 0;
    Sphere sphere;
};

TEST_F(WebGlLayer, SphereMapCoordinatesAreTheFixedFunctionOnes) {
    BindCoordinateTexture();
    ShowCamera();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, sphere.vertices.data());
    glNormalPointer(GL_FLOAT, 0, sphere.normals.data());
    const auto count = static_cast<GLsizei>(sphere.indices.size());

    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_SHORT, sphere.indices.data());
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    const std::vector<uint8_t> real = ReadRgba();

    glClear(GL_COLOR_BUFFER_BIT);
    webgl::EnableClientState(GL_VERTEX_ARRAY);
    webgl::EnableClientState(GL_NORMAL_ARRAY);
    webgl::VertexPointer(3, GL_FLOAT, 0, sphere.vertices.data());
    webgl::NormalPointer(GL_FLOAT, 0, sphere.normals.data());
    webgl::TexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    webgl::TexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    webgl::Enable(GL_TEXTURE_GEN_S);
    webgl::Enable(GL_TEXTURE_GEN_T);
    webgl::DrawElements(GL_TRIANGLES, count, GL_UNSIGNED_SHORT, sphere.indices.data());
    const std::vector<uint8_t> layered = ReadRgba();

    EXPECT_GT(Lit(real), 20000u);
    EXPECT_LT(Differing(real, layered, 2), real.size() / 1000);
    // Without generation the draw takes the array's coordinates again.
    webgl::Disable(GL_TEXTURE_GEN_S);
    EXPECT_FALSE(webgl::IsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T)) << "generation never reaches the GL";
}

TEST_F(WebGlLayer, PolygonModesDrawTheTrianglesEdgesAndCorners) {
    ShowCamera();
    glEnableClientState(GL_VERTEX_ARRAY);
    glVertexPointer(3, GL_FLOAT, 0, sphere.vertices.data());
    webgl::EnableClientState(GL_VERTEX_ARRAY);
    webgl::VertexPointer(3, GL_FLOAT, 0, sphere.vertices.data());
    const auto count = static_cast<GLsizei>(sphere.indices.size());
    for (const GLenum mode : {GL_LINE, GL_POINT, GL_FILL}) {
        SCOPED_TRACE(mode);
        glClear(GL_COLOR_BUFFER_BIT);
        glPolygonMode(GL_FRONT_AND_BACK, mode);
        glDrawElements(GL_TRIANGLES, count, GL_UNSIGNED_SHORT, sphere.indices.data());
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        const std::vector<uint8_t> real = ReadRgba();

        glClear(GL_COLOR_BUFFER_BIT);
        webgl::PolygonMode(GL_FRONT_AND_BACK, mode);
        webgl::DrawElements(GL_TRIANGLES, count, GL_UNSIGNED_SHORT, sphere.indices.data());
        const std::vector<uint8_t> layered = ReadRgba();
        EXPECT_GT(Lit(real), 300u);
        EXPECT_LT(Differing(real, layered), real.size() / 500);
    }
}

struct PixelRectangle {
    const char* name;
    GLint rowLength;
    GLint skipPixels;
    GLint skipRows;
    float zoom;
};

TEST_F(WebGlLayer, DrawPixelsPutsThePixelsAtTheRasterPosition) {
    constexpr int kWidth = 37;
    constexpr int kHeight = 21;
    std::vector<uint8_t> bytes(64 * 40 * 3);
    for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 3);
    const PixelRectangle cases[] = {
        {"plain", 0, 0, 0, 1.0f},
        {"from a larger picture, doubled", 64, 5, 3, 2.0f},
    };
    for (const PixelRectangle& rectangle : cases) {
        SCOPED_TRACE(rectangle.name);
        const auto draw = [&](auto rasterPos, auto zoom, auto store, auto drawPixels) {
            glClear(GL_COLOR_BUFFER_BIT);
            store(GL_UNPACK_ALIGNMENT, 1);
            store(GL_UNPACK_ROW_LENGTH, rectangle.rowLength);
            store(GL_UNPACK_SKIP_PIXELS, rectangle.skipPixels);
            store(GL_UNPACK_SKIP_ROWS, rectangle.skipRows);
            zoom(rectangle.zoom, rectangle.zoom);
            rasterPos(-0.5f, -0.25f);
            drawPixels(kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, bytes.data());
            store(GL_UNPACK_ROW_LENGTH, 0);
            store(GL_UNPACK_SKIP_PIXELS, 0);
            store(GL_UNPACK_SKIP_ROWS, 0);
            zoom(1.0f, 1.0f);
            return ReadRgba();
        };
        const std::vector<uint8_t> real = draw(glRasterPos2f, glPixelZoom, glPixelStorei, glDrawPixels);
        const std::vector<uint8_t> layered =
            draw(webgl::RasterPos2f, webgl::PixelZoom, webgl::PixelStorei, webgl::DrawPixels);
        EXPECT_GT(Lit(real), size_t{kWidth} * kHeight / 2);
        EXPECT_EQ(Differing(real, layered), 0u);
    }
}

TEST_F(WebGlLayer, PopAttribPutsBackWhatPushAttribSaved) {
    GLuint textures[2];
    glGenTextures(2, textures);
    webgl::BindTexture(GL_TEXTURE_2D, textures[0]);
    webgl::Enable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    webgl::TexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    webgl::Enable(GL_TEXTURE_GEN_S);
    webgl::Color4f(0.25f, 0.5f, 0.75f, 1.0f);
    glViewport(0, 0, 512, 512);

    webgl::PushAttrib(GL_ALL_ATTRIB_BITS);
    webgl::Disable(GL_BLEND);
    webgl::Enable(GL_DEPTH_TEST);
    webgl::Enable(GL_TEXTURE_2D);
    webgl::Disable(GL_TEXTURE_GEN_S);
    webgl::TexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_OBJECT_LINEAR);
    glBlendFunc(GL_ONE, GL_ZERO);
    glColorMask(GL_FALSE, GL_TRUE, GL_FALSE, GL_TRUE);
    glDepthFunc(GL_GREATER);
    glViewport(1, 2, 3, 4);
    glMatrixMode(GL_PROJECTION);
    webgl::Color4f(1.0f, 0.0f, 0.0f, 0.0f);
    webgl::PolygonMode(GL_FRONT_AND_BACK, GL_LINE);
    webgl::BindTexture(GL_TEXTURE_2D, textures[1]);
    webgl::PopAttrib();

    EXPECT_TRUE(webgl::IsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(webgl::IsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(webgl::IsEnabled(GL_TEXTURE_GEN_S));
    GLint value = 0;
    glGetIntegerv(GL_BLEND_SRC, &value);
    EXPECT_EQ(value, GL_SRC_ALPHA);
    glGetIntegerv(GL_BLEND_DST, &value);
    EXPECT_EQ(value, GL_ONE);
    GLboolean mask[4];
    glGetBooleanv(GL_COLOR_WRITEMASK, mask);
    EXPECT_TRUE(mask[0] && mask[1] && mask[2] && mask[3]);
    glGetIntegerv(GL_DEPTH_FUNC, &value);
    EXPECT_EQ(value, GL_LESS);
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    EXPECT_EQ(viewport[2], 512);
    glGetIntegerv(GL_MATRIX_MODE, &value);
    EXPECT_EQ(value, GL_MODELVIEW);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &value);
    EXPECT_EQ(static_cast<GLuint>(value), textures[0]);
    float colour[4];
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[2], 0.75f);
    // What the layer alone keeps: the polygon mode and the generation mode.
    ShowCamera();
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    webgl::EnableClientState(GL_VERTEX_ARRAY);
    webgl::VertexPointer(3, GL_FLOAT, 0, sphere.vertices.data());
    webgl::Disable(GL_BLEND);
    webgl::DrawElements(GL_TRIANGLES, static_cast<GLsizei>(sphere.indices.size()), GL_UNSIGNED_SHORT,
                        sphere.indices.data());
    EXPECT_GT(Lit(ReadRgba()), 20000u) << "drawn filled";
    glDeleteTextures(2, textures);
    webgl::Disable(GL_TEXTURE_GEN_S);
}

TEST_F(WebGlLayer, LevelSizesAreTheTexturesOwn) {
    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    webgl::BindTexture(GL_TEXTURE_2D, texture);
    // Full-size and copied levels, then a level freed, as a reload does.
    std::vector<uint8_t> texels(64 * 32 * 4, 200);
    for (GLint level = 0, width = 64, height = 32; level < 7;
         ++level, width = std::max(width / 2, 1), height = std::max(height / 2, 1)) {
        webgl::TexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                          texels.data());
    }
    webgl::CopyTexImage2D(GL_TEXTURE_2D, 1, GL_RGB, 0, 0, 16, 16, 0);
    webgl::TexImage2D(GL_TEXTURE_2D, 6, GL_RGB8, 0, 0, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    for (GLint level = 0; level < 8; ++level) {
        SCOPED_TRACE(level);
        for (const GLenum name : {GL_TEXTURE_WIDTH, GL_TEXTURE_HEIGHT}) {
            GLint real = -1;
            GLint layered = -1;
            glGetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &real);
            webgl::GetTexLevelParameteriv(GL_TEXTURE_2D, level, name, &layered);
            EXPECT_EQ(layered, real);
        }
    }
    GLint width = -1;
    webgl::DeleteTextures(1, &texture);
    texture = 0;
    webgl::GetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &width);
    EXPECT_EQ(width, 0) << "a deleted texture has no levels";
}

TEST_F(WebGlLayer, PerspectiveAndLookAtMultiplyTheCurrentMatrix) {
    struct Case {
        const char* name;
        double perspective[4];
        double lookAt[9];
    };
    const Case cases[] = {
        {"the show's camera", {45.0, 640.0 / 480.0, 0.1, 10000.0}, {1.5, 0.8, 4.0, 0.0, 0.0, 0.0, 0.0, 1.0, 0.0}},
        {"no depth: the perspective is left out", {60.0, 1.0, 5.0, 5.0}, {0.0, 0.0, -3.0, 1.0, 2.0, 3.0, 0.0, 0.0, 1.0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto matrix = [&](auto perspective, auto lookAt) {
            glLoadIdentity();
            glTranslatef(1.0f, -2.0f, 0.5f);
            glRotatef(20.0f, 0.0f, 1.0f, 0.0f);
            perspective(c.perspective[0], c.perspective[1], c.perspective[2], c.perspective[3]);
            lookAt(c.lookAt[0], c.lookAt[1], c.lookAt[2], c.lookAt[3], c.lookAt[4], c.lookAt[5], c.lookAt[6],
                   c.lookAt[7], c.lookAt[8]);
            std::vector<float> m(16);
            glGetFloatv(GL_MODELVIEW_MATRIX, m.data());
            return m;
        };
        const std::vector<float> real = matrix(gluPerspective, gluLookAt);
        const std::vector<float> layered = matrix(webgl::Perspective, webgl::LookAt);
        for (int i = 0; i < 16; ++i) EXPECT_NEAR(layered[i], real[i], 1e-5 * (1.0 + std::fabs(real[i]))) << i;
    }
}

TEST_F(WebGlLayer, RgbReadBackIsTheRgbaPixelsRowsAligned) {
    // A width whose RGB rows need padding to the pack alignment of 4.
    constexpr int kWidth = 13;
    constexpr int kHeight = 5;
    glBegin(GL_TRIANGLES);
    glColor3f(1.0f, 0.5f, 0.0f);
    glVertex2f(-1.0f, -1.0f);
    glColor3f(0.0f, 0.25f, 1.0f);
    glVertex2f(-0.9f, -1.0f);
    glColor3f(0.5f, 1.0f, 0.5f);
    glVertex2f(-1.0f, -0.9f);
    glEnd();
    std::vector<uint8_t> real(64 * kHeight, 0xAB);
    std::vector<uint8_t> layered(real.size(), 0xAB);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, real.data());
    webgl::PixelStorei(GL_PACK_ALIGNMENT, 4);
    webgl::ReadPixels(0, 0, kWidth, kHeight, GL_RGB, GL_UNSIGNED_BYTE, layered.data());
    EXPECT_EQ(layered, real);
}

}  // namespace
