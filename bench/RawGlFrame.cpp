#include "RawGlFrame.h"

#include <GL/glu.h>
#include <stb_image.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

#include "model/Model.h"
#include "textures/TextureRegistry.h"
#include "textures/gl/GlTextures.h"

namespace {

constexpr int kSwarmSize = 50;
constexpr int kMainSide = 512;
constexpr int kGlowSide = 16;
constexpr int kGlowLayers = 6;
constexpr uint32_t kBarMs = 1920;  // one flash a bar, as the show's pattern 0 in that stretch

// A new texture name, bound, sampled as the show samples its textures.
GLuint NewTexture(Minification minification, int32_t wrap) {
    GLuint name = 0;
    glGenTextures(1, &name);
    glBindTexture(GL_TEXTURE_2D, name);
    SetBoundTextureSampling(minification, wrap);
    return name;
}

int NextPowerOfTwo(int side) {
    int power = 1;
    while (power < side) power *= 2;
    return power;
}

// Decodes a PNG bottom row first, stretches it to power-of-two sides
// (nearest texel) and uploads it with a box-filtered mipmap chain.
GLuint UploadPicture(const char* path, int32_t wrap) {
    stbi_set_flip_vertically_on_load(1);
    int width = 0, height = 0, fileChannels = 0;
    stbi_uc* decoded = stbi_load(path, &width, &height, &fileChannels, 0);
    stbi_set_flip_vertically_on_load(0);
    if (!decoded) return 0;
    const int channels = fileChannels == 4 || fileChannels == 2 ? 4 : 3;
    if (channels != fileChannels) {
        stbi_image_free(decoded);
        decoded = stbi_load(path, &width, &height, &fileChannels, channels);
        if (!decoded) return 0;
    }
    int side[2] = {NextPowerOfTwo(width), NextPowerOfTwo(height)};
    std::vector<uint8_t> level(static_cast<size_t>(side[0]) * side[1] * channels);
    for (int y = 0; y < side[1]; ++y) {
        for (int x = 0; x < side[0]; ++x) {
            const int fromX = x * width / side[0];
            const int fromY = y * height / side[1];
            std::copy_n(decoded + (static_cast<size_t>(fromY) * width + fromX) * channels, channels,
                        &level[(static_cast<size_t>(y) * side[0] + x) * channels]);
        }
    }
    stbi_image_free(decoded);

    const GLuint name = NewTexture(Minification::Mipmapped, wrap);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const GLenum format = channels == 4 ? GL_RGBA : GL_RGB;
    const GLint internalFormat = channels == 4 ? GL_RGBA8 : GL_RGB8;
    for (GLint mip = 0;; ++mip) {
        glTexImage2D(GL_TEXTURE_2D, mip, internalFormat, side[0], side[1], 0, format, GL_UNSIGNED_BYTE,
                     level.data());
        if (side[0] == 1 && side[1] == 1) break;
        // Each smaller level averages 2 x 2 texels (or 2 x 1 once one side is 1).
        const int half[2] = {std::max(side[0] / 2, 1), std::max(side[1] / 2, 1)};
        const int stepX = side[0] > 1 ? 1 : 0;
        const int stepY = side[1] > 1 ? 1 : 0;
        std::vector<uint8_t> smaller(static_cast<size_t>(half[0]) * half[1] * channels);
        for (int y = 0; y < half[1]; ++y) {
            for (int x = 0; x < half[0]; ++x) {
                for (int c = 0; c < channels; ++c) {
                    auto at = [&](int px, int py) {
                        return level[(static_cast<size_t>(py) * side[0] + px) * channels + c];
                    };
                    const int x0 = x * 2, y0 = y * 2;
                    const int sum = at(x0, y0) + at(x0 + stepX, y0) + at(x0, y0 + stepY) +
                                    at(x0 + stepX, y0 + stepY);
                    smaller[(static_cast<size_t>(y) * half[0] + x) * channels + c] =
                        static_cast<uint8_t>((sum + 2) / 4);
                }
            }
        }
        level.swap(smaller);
        side[0] = half[0];
        side[1] = half[1];
    }
    return name;
}

GLuint MakeCopyTarget(int side) {
    const GLuint name = NewTexture(Minification::Linear, kWrapRepeat);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, side, side, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
    return name;
}

// A textured quad over the 640 x 480 screen space, texture coordinates
// from (u0, v0) at the lower left to (u1, v1) at the upper right.
void ScreenQuad(GLuint texture, float u0, float v0, float u1, float v1) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glBegin(GL_QUADS);
    glTexCoord2f(u0, v0);
    glVertex2i(0, 0);
    glTexCoord2f(u0, v1);
    glVertex2i(0, 480);
    glTexCoord2f(u1, v1);
    glVertex2i(640, 480);
    glTexCoord2f(u1, v0);
    glVertex2i(640, 0);
    glEnd();
}

void Copy(GLuint texture, GLenum format, int side) {
    glBindTexture(GL_TEXTURE_2D, texture);
    glCopyTexImage2D(GL_TEXTURE_2D, 0, format, 0, 0, side, side, 0);
}

}  // namespace

bool RawGlFrame::Load(int width, int height) {
    windowWidth = width;
    windowHeight = height;
    sinceFlash = kBarMs;  // the stretch starts on a downbeat: the first frame flashes

    Model model;
    model.Load("data/3ds/pebble.3ds");
    for (const ModelObject& object : model.objects) {
        Mesh mesh{object.vertices, object.normals, object.texCoords, {}};
        for (const FaceGroup& group : object.groups) {
            const size_t count =
                std::min(group.indices.size(), static_cast<size_t>(std::max(group.indexCount, 0)));
            mesh.groups.emplace_back(group.indices.begin(), group.indices.begin() + static_cast<long>(count));
        }
        if (!mesh.groups.empty()) meshes.push_back(std::move(mesh));
    }

    skin = UploadPicture("data/png/mallow.png", kWrapClamp);
    noise = UploadPicture("data/png/noise.png", kWrapRepeat);
    picture = UploadPicture("data/png/pic3.png", kWrapClamp);
    mainCopy = MakeCopyTarget(kMainSide);
    glowCopy = MakeCopyTarget(kGlowSide);

    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearDepth(1.0);
    glClearColor(0.0f, 0.0f, 0.0f, 1.0f);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glEnableClientState(GL_VERTEX_ARRAY);
    glEnableClientState(GL_NORMAL_ARRAY);
    glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glEnable(GL_BLEND);
    return !meshes.empty() && skin != 0 && noise != 0 && picture != 0;
}

void RawGlFrame::DrawModel(float x, float y, float z, float scale) const {
    glPushMatrix();
    glTranslatef(x, y, z);
    glRotatef(modelTurn, 1.0f, 0.0f, 0.0f);
    glScalef(scale, scale, scale);
    for (const Mesh& mesh : meshes) {
        glVertexPointer(3, GL_FLOAT, 0, mesh.vertices.data());
        glNormalPointer(GL_FLOAT, 0, mesh.normals.data());
        glTexCoordPointer(2, GL_FLOAT, 0, mesh.texCoords.data());
        for (const std::vector<uint16_t>& group : mesh.groups) {
            glDrawElements(GL_TRIANGLES, static_cast<GLsizei>(group.size()), GL_UNSIGNED_SHORT, group.data());
        }
    }
    glPopMatrix();
}

void RawGlFrame::DrawSwarm() const {
    glBindTexture(GL_TEXTURE_2D, mainCopy);
    for (int i = 0; i < kSwarmSize; ++i) {
        const float t = static_cast<float>(i) + swarmPhase;
        DrawModel(3.0f * std::sin(t), 3.0f * std::sin(1.3f * t), 3.0f * std::sin(1.5f * t), 0.1f);
    }
}

void RawGlFrame::BeginPass(int side) const {
    glLoadIdentity();
    glViewport(0, 0, side, side);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    gluPerspective(45.0, 640.0 / 480.0, 0.1, 10000.0);
    gluLookAt(6.0 * std::sin(orbitAngle), std::cos(0.4 * orbitAngle), 6.0 * std::cos(orbitAngle), 0.0, 0.0,
              0.0, 0.0, 1.0, 0.0);
}

void RawGlFrame::Draw(uint32_t dt) {
    // The show updates twice a frame; the rates here are per frame.
    const float ms = static_cast<float>(dt);
    orbitAngle += ms * 0.0006f;
    modelTurn += ms * 0.02f;
    swarmPhase += ms * 0.0002f;
    sinceFlash += dt;
    float zoom = 0.0f;
    if (sinceFlash >= kBarMs) {
        sinceFlash -= kBarMs;
        pictureAlpha = 1.0f;
        noiseAlpha = 0.5f;
        zoom = -0.1f;
    }
    pictureAlpha = std::max(pictureAlpha - ms * 0.0006f, 0.0f);
    noiseAlpha = std::max(noiseAlpha - ms * 0.002f, 0.0f);

    // Glow pass: the swarm alone, blended additively as the previous
    // frame's glow left it, into 16 x 16, copied as luminance.
    BeginPass(kGlowSide);
    glEnable(GL_DEPTH_TEST);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    DrawSwarm();
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    Copy(glowCopy, GL_LUMINANCE, kGlowSide);
    glFlush();

    // Main pass: the large sphere-mapped model and the swarm, opaque, then
    // the picture and the noise over them, into 512 x 512, copied as RGB.
    BeginPass(kMainSide);
    glDisable(GL_BLEND);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    glEnable(GL_TEXTURE_GEN_S);
    glEnable(GL_TEXTURE_GEN_T);
    glBindTexture(GL_TEXTURE_2D, skin);
    DrawModel(0.0f, 0.0f, 0.0f, 5.0f);
    DrawSwarm();
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);

    glLoadIdentity();
    gluOrtho2D(0.0, 640.0, 0.0, 480.0);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glDisable(GL_DEPTH_TEST);
    glColor4f(1.0f, 1.0f, 1.0f, pictureAlpha);
    ScreenQuad(picture, 0.0f, 0.0f, 1.0f, 1.0f);
    const float du = -static_cast<float>(random.Next() % 100) * 0.01f;
    const float dv = -static_cast<float>(random.Next() % 100) * 0.01f;
    const float inset = -static_cast<float>(random.Next() % 100) * 0.01f;
    glColor4f(1.0f, 1.0f, 1.0f, noiseAlpha);
    ScreenQuad(noise, du + inset, dv + inset, du + 1.0f - inset, dv + 1.0f - inset);
    Copy(mainCopy, GL_RGB, kMainSide);

    // The window's picture: the copy stretched over the window, then six
    // additive layers of the glow copy, each magnified a little more.
    glViewport(0, 0, windowWidth, windowHeight);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    ScreenQuad(mainCopy, zoom, zoom, 1.0f - zoom, 1.0f - zoom);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE);
    glDisable(GL_DEPTH_TEST);
    glColor4f(0.4f, 0.4f, 0.2f, 0.5f);
    for (int layer = 0; layer < kGlowLayers; ++layer) {
        const float layerInset = 0.05f * static_cast<float>(layer);
        ScreenQuad(glowCopy, layerInset, layerInset, 1.0f - layerInset, 1.0f - layerInset);
    }
    glFlush();
}
