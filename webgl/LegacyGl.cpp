#include "webgl/LegacyGl.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <numbers>
#include <unordered_map>
#include <vector>

namespace webgl {
namespace {

// Names from GL versions after 1.1, which not every gl.h has.
constexpr GLenum kBlendDestinationRgb = 0x80C8;
constexpr GLenum kBlendSourceRgb = 0x80C9;
constexpr GLint kClampToEdge = 0x812F;
constexpr GLenum kGenerateMipmapHint = 0x8192;

// What the layer knows of a capability it tracks.
enum class Known : int8_t { Unknown, Off, On };

struct TrackedCapability {
    GLenum capability;
    GLbitfield group;  // the attribute group that saves it besides GL_ENABLE_BIT
};

constexpr TrackedCapability kTracked[] = {
    {GL_ALPHA_TEST, GL_COLOR_BUFFER_BIT},  {GL_BLEND, GL_COLOR_BUFFER_BIT},
    {GL_COLOR_LOGIC_OP, GL_COLOR_BUFFER_BIT}, {GL_DITHER, GL_COLOR_BUFFER_BIT},
    {GL_CULL_FACE, GL_POLYGON_BIT},        {GL_POLYGON_STIPPLE, GL_POLYGON_BIT},
    {GL_DEPTH_TEST, GL_DEPTH_BUFFER_BIT},  {GL_FOG, GL_FOG_BIT},
    {GL_LIGHTING, GL_LIGHTING_BIT},        {GL_NORMALIZE, GL_TRANSFORM_BIT},
    {GL_SCISSOR_TEST, GL_SCISSOR_BIT},     {GL_STENCIL_TEST, GL_STENCIL_BUFFER_BIT},
    {GL_TEXTURE_1D, GL_TEXTURE_BIT},       {GL_TEXTURE_2D, GL_TEXTURE_BIT},
    {GL_TEXTURE_GEN_S, GL_TEXTURE_BIT},    {GL_TEXTURE_GEN_T, GL_TEXTURE_BIT},
    {GL_TEXTURE_GEN_R, GL_TEXTURE_BIT},    {GL_TEXTURE_GEN_Q, GL_TEXTURE_BIT},
};
constexpr size_t kTrackedCount = sizeof kTracked / sizeof kTracked[0];

// Texture generation is the layer's own: it never reaches the GL.
bool IsTextureGeneration(GLenum capability) {
    return capability == GL_TEXTURE_GEN_S || capability == GL_TEXTURE_GEN_T ||
           capability == GL_TEXTURE_GEN_R || capability == GL_TEXTURE_GEN_Q;
}

int TrackedIndex(GLenum capability) {
    for (size_t i = 0; i < kTrackedCount; ++i) {
        if (kTracked[i].capability == capability) return static_cast<int>(i);
    }
    return -1;
}

struct ArrayPointer {
    GLint size = 4;
    GLenum type = GL_FLOAT;
    GLsizei stride = 0;
    const GLvoid* pointer = nullptr;

    // Component `component` of element `index`, for float arrays.
    float At(size_t index, int component) const {
        const size_t step = stride > 0 ? static_cast<size_t>(stride) : sizeof(float) * static_cast<size_t>(size);
        const auto* bytes = static_cast<const uint8_t*>(pointer) + index * step;
        float value;
        std::memcpy(&value, bytes + sizeof(float) * static_cast<size_t>(component), sizeof value);
        return value;
    }
};

struct RasterPosition {
    float x = 0.0f;
    float y = 0.0f;
    bool valid = true;
};

struct Level {
    GLint width = 0;
    GLint height = 0;
    GLint internalFormat = 0;
};

struct PixelStore {
    GLint packAlignment = 4;
    GLint unpackAlignment = 4;
    GLint unpackRowLength = 0;
    GLint unpackSkipRows = 0;
    GLint unpackSkipPixels = 0;
    GLint other[8] = {};  // the rest, kept only to be read back
};

struct AttribFrame {
    GLbitfield mask = 0;
    std::array<Known, kTrackedCount> enables{};
    GLfloat colour[4] = {};
    RasterPosition raster;
    GLint blend[2] = {};
    GLboolean colourMask[4] = {};
    GLfloat clearColour[4] = {};
    GLint depthFunction = 0;
    GLboolean depthMask = GL_TRUE;
    GLint viewport[4] = {};
    GLenum polygonModes[2] = {};
    GLint matrixMode = 0;
    GLfloat zoom[2] = {};
    GLuint texture = 0;
    GLint generationModes[2] = {};
};

struct ClientFrame {
    GLbitfield mask = 0;
    PixelStore store;
};

struct Layer {
    std::array<Known, kTrackedCount> enables{};
    GLint generationModes[2] = {GL_EYE_LINEAR, GL_EYE_LINEAR};  // S, T
    GLenum polygonModes[2] = {GL_FILL, GL_FILL};                // front, back
    bool vertexArray = false;
    bool normalArray = false;
    bool texCoordArray = false;
    ArrayPointer vertices;
    ArrayPointer normals{3, GL_FLOAT, 0, nullptr};
    ArrayPointer texCoords;
    GLfloat colour[4] = {1.0f, 1.0f, 1.0f, 1.0f};
    GLfloat zoom[2] = {1.0f, 1.0f};
    RasterPosition raster;
    PixelStore store;
    GLuint boundTexture = 0;
    GLuint pixelTexture = 0;  // the layer's own, for DrawPixels
    std::unordered_map<GLuint, std::vector<Level>> levels;
    std::vector<AttribFrame> attribStack;
    std::vector<ClientFrame> clientStack;
    // Scratch buffers, which only grow.
    std::vector<float> generated;
    std::vector<uint16_t> edges;
    std::vector<uint8_t> pixels;
};

Layer layer;

Known KnownState(int index) {
    Known& known = layer.enables[static_cast<size_t>(index)];
    if (known == Known::Unknown) {
        // Never set through the layer: the context's own answer, which for
        // the layer's own capabilities is the initial "off".
        const GLenum capability = kTracked[index].capability;
        known = !IsTextureGeneration(capability) && glIsEnabled(capability) ? Known::On : Known::Off;
    }
    return known;
}

void SetCapability(GLenum capability, bool on) {
    const int index = TrackedIndex(capability);
    if (index >= 0) layer.enables[static_cast<size_t>(index)] = on ? Known::On : Known::Off;
    if (IsTextureGeneration(capability)) return;
    if (on) {
        glEnable(capability);
    } else {
        glDisable(capability);
    }
}

bool SphereMapOn() {
    return KnownState(TrackedIndex(GL_TEXTURE_GEN_S)) == Known::On &&
           KnownState(TrackedIndex(GL_TEXTURE_GEN_T)) == Known::On &&
           layer.generationModes[0] == GL_SPHERE_MAP && layer.generationModes[1] == GL_SPHERE_MAP;
}

// The inverse of the column-major `m`; false for a singular matrix.
bool Invert(const float m[16], float out[16]) {
    double inverse[16];
    inverse[0] = m[5] * m[10] * m[15] - m[5] * m[11] * m[14] - m[9] * m[6] * m[15] +
                 m[9] * m[7] * m[14] + m[13] * m[6] * m[11] - m[13] * m[7] * m[10];
    inverse[4] = -m[4] * m[10] * m[15] + m[4] * m[11] * m[14] + m[8] * m[6] * m[15] -
                 m[8] * m[7] * m[14] - m[12] * m[6] * m[11] + m[12] * m[7] * m[10];
    inverse[8] = m[4] * m[9] * m[15] - m[4] * m[11] * m[13] - m[8] * m[5] * m[15] +
                 m[8] * m[7] * m[13] + m[12] * m[5] * m[11] - m[12] * m[7] * m[9];
    inverse[12] = -m[4] * m[9] * m[14] + m[4] * m[10] * m[13] + m[8] * m[5] * m[14] -
                  m[8] * m[6] * m[13] - m[12] * m[5] * m[10] + m[12] * m[6] * m[9];
    inverse[1] = -m[1] * m[10] * m[15] + m[1] * m[11] * m[14] + m[9] * m[2] * m[15] -
                 m[9] * m[3] * m[14] - m[13] * m[2] * m[11] + m[13] * m[3] * m[10];
    inverse[5] = m[0] * m[10] * m[15] - m[0] * m[11] * m[14] - m[8] * m[2] * m[15] +
                 m[8] * m[3] * m[14] + m[12] * m[2] * m[11] - m[12] * m[3] * m[10];
    inverse[9] = -m[0] * m[9] * m[15] + m[0] * m[11] * m[13] + m[8] * m[1] * m[15] -
                 m[8] * m[3] * m[13] - m[12] * m[1] * m[11] + m[12] * m[3] * m[9];
    inverse[13] = m[0] * m[9] * m[14] - m[0] * m[10] * m[13] - m[8] * m[1] * m[14] +
                  m[8] * m[2] * m[13] + m[12] * m[1] * m[10] - m[12] * m[2] * m[9];
    inverse[2] = m[1] * m[6] * m[15] - m[1] * m[7] * m[14] - m[5] * m[2] * m[15] +
                 m[5] * m[3] * m[14] + m[13] * m[2] * m[7] - m[13] * m[3] * m[6];
    inverse[6] = -m[0] * m[6] * m[15] + m[0] * m[7] * m[14] + m[4] * m[2] * m[15] -
                 m[4] * m[3] * m[14] - m[12] * m[2] * m[7] + m[12] * m[3] * m[6];
    inverse[10] = m[0] * m[5] * m[15] - m[0] * m[7] * m[13] - m[4] * m[1] * m[15] +
                  m[4] * m[3] * m[13] + m[12] * m[1] * m[7] - m[12] * m[3] * m[5];
    inverse[14] = -m[0] * m[5] * m[14] + m[0] * m[6] * m[13] + m[4] * m[1] * m[14] -
                  m[4] * m[2] * m[13] - m[12] * m[1] * m[6] + m[12] * m[2] * m[5];
    inverse[3] = -m[1] * m[6] * m[11] + m[1] * m[7] * m[10] + m[5] * m[2] * m[11] -
                 m[5] * m[3] * m[10] - m[9] * m[2] * m[7] + m[9] * m[3] * m[6];
    inverse[7] = m[0] * m[6] * m[11] - m[0] * m[7] * m[10] - m[4] * m[2] * m[11] +
                 m[4] * m[3] * m[10] + m[8] * m[2] * m[7] - m[8] * m[3] * m[6];
    inverse[11] = -m[0] * m[5] * m[11] + m[0] * m[7] * m[9] + m[4] * m[1] * m[11] -
                  m[4] * m[3] * m[9] - m[8] * m[1] * m[7] + m[8] * m[3] * m[5];
    inverse[15] = m[0] * m[5] * m[10] - m[0] * m[6] * m[9] - m[4] * m[1] * m[10] +
                  m[4] * m[2] * m[9] + m[8] * m[1] * m[6] - m[8] * m[2] * m[5];
    const double determinant = m[0] * inverse[0] + m[1] * inverse[4] + m[2] * inverse[8] + m[3] * inverse[12];
    if (determinant == 0.0) return false;
    for (int i = 0; i < 16; ++i) out[i] = static_cast<float>(inverse[i] / determinant);
    return true;
}

// Sphere-map coordinates (s, t) of vertices 0 to `last` into
// layer.generated, as the fixed-function pipeline makes them: the eye
// vector is the vertex under the modelview matrix (all of it, w aside),
// normalised; the normal goes through the transposed inverse of the whole
// modelview matrix's upper 3 x 3 part, unnormalised.
void GenerateSphereMap(size_t last) {
    float modelview[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    float inverse[16];
    if (!Invert(modelview, inverse)) std::memset(inverse, 0, sizeof inverse);
    layer.generated.resize(std::max(layer.generated.size(), 2 * (last + 1)));

    const ArrayPointer& vertices = layer.vertices;
    for (size_t v = 0; v <= last; ++v) {
        float position[4] = {0.0f, 0.0f, 0.0f, 1.0f};
        for (int c = 0; c < vertices.size && c < 4; ++c) position[c] = vertices.At(v, c);
        float eye[3];
        for (int row = 0; row < 3; ++row) {
            eye[row] = modelview[row] * position[0] + modelview[4 + row] * position[1] +
                       modelview[8 + row] * position[2] + modelview[12 + row] * position[3];
        }
        const float length = std::sqrt(eye[0] * eye[0] + eye[1] * eye[1] + eye[2] * eye[2]);
        if (length > 0.0f) {
            for (float& component : eye) component /= length;
        }

        float normal[3] = {0.0f, 0.0f, 1.0f};
        if (layer.normalArray && layer.normals.pointer) {
            for (int c = 0; c < 3; ++c) normal[c] = layer.normals.At(v, c);
        }
        float n[3];
        for (int i = 0; i < 3; ++i) {
            n[i] = normal[0] * inverse[i * 4] + normal[1] * inverse[i * 4 + 1] + normal[2] * inverse[i * 4 + 2];
        }

        const float twiceDot = 2.0f * (n[0] * eye[0] + n[1] * eye[1] + n[2] * eye[2]);
        const float r[3] = {eye[0] - twiceDot * n[0], eye[1] - twiceDot * n[1], eye[2] - twiceDot * n[2]};
        const float squared = r[0] * r[0] + r[1] * r[1] + (r[2] + 1.0f) * (r[2] + 1.0f);
        const float half = squared > 0.0f ? 0.5f / std::sqrt(squared) : 0.0f;
        layer.generated[2 * v] = r[0] * half + 0.5f;
        layer.generated[2 * v + 1] = r[1] * half + 0.5f;
    }
}

// The mode that GL_TRIANGLES are drawn in under the polygon mode.
GLenum DrawnTriangleMode() {
    switch (layer.polygonModes[0]) {
        case GL_LINE: return GL_LINES;
        case GL_POINT: return GL_POINTS;
        default: return GL_TRIANGLES;
    }
}

GLenum UnsizedFormat(GLint internalFormat) {
    switch (internalFormat) {
        case 1: case GL_LUMINANCE4: case GL_LUMINANCE8: case GL_LUMINANCE12: case GL_LUMINANCE16:
            return GL_LUMINANCE;
        case 2: case GL_LUMINANCE4_ALPHA4: case GL_LUMINANCE6_ALPHA2: case GL_LUMINANCE8_ALPHA8:
        case GL_LUMINANCE12_ALPHA4: case GL_LUMINANCE12_ALPHA12: case GL_LUMINANCE16_ALPHA16:
            return GL_LUMINANCE_ALPHA;
        case GL_ALPHA4: case GL_ALPHA8: case GL_ALPHA12: case GL_ALPHA16:
            return GL_ALPHA;
        case 3: case GL_R3_G3_B2: case GL_RGB4: case GL_RGB5: case GL_RGB8: case GL_RGB10:
        case GL_RGB12: case GL_RGB16:
            return GL_RGB;
        case 4: case GL_RGBA2: case GL_RGBA4: case GL_RGB5_A1: case GL_RGBA8: case GL_RGB10_A2:
        case GL_RGBA12: case GL_RGBA16:
            return GL_RGBA;
        default:
            return static_cast<GLenum>(internalFormat);
    }
}

int BytesPerPixel(GLenum format) {
    switch (format) {
        case GL_ALPHA: case GL_LUMINANCE: return 1;
        case GL_LUMINANCE_ALPHA: return 2;
        case GL_RGB: return 3;
        case GL_RGBA: return 4;
        default: return 0;
    }
}

size_t AlignedRow(size_t bytes, GLint alignment) {
    const size_t step = alignment > 0 ? static_cast<size_t>(alignment) : 1;
    return (bytes + step - 1) / step * step;
}

// `pixels` as WebGL 1 takes them: when a row length or skips are set, the
// rectangle is copied into rows of its own width (aligned to 1) and true is
// returned, meaning the copy must be uploaded with an alignment of 1.
bool Repacked(GLsizei width, GLsizei height, GLenum format, GLenum type, const GLvoid*& pixels) {
    const PixelStore& store = layer.store;
    const int bytes = BytesPerPixel(format);
    if (!pixels || type != GL_UNSIGNED_BYTE || bytes == 0 || width <= 0 || height <= 0 ||
        (store.unpackRowLength <= 0 && store.unpackSkipRows == 0 && store.unpackSkipPixels == 0)) {
        return false;
    }
    const size_t rowPixels = static_cast<size_t>(store.unpackRowLength > 0 ? store.unpackRowLength : width);
    const size_t stride = AlignedRow(rowPixels * static_cast<size_t>(bytes), store.unpackAlignment);
    const size_t rowBytes = static_cast<size_t>(width) * static_cast<size_t>(bytes);
    const auto* source = static_cast<const uint8_t*>(pixels) + static_cast<size_t>(store.unpackSkipRows) * stride +
                         static_cast<size_t>(store.unpackSkipPixels) * static_cast<size_t>(bytes);
    layer.pixels.resize(std::max(layer.pixels.size(), rowBytes * static_cast<size_t>(height)));
    for (size_t row = 0; row < static_cast<size_t>(height); ++row) {
        std::memcpy(layer.pixels.data() + row * rowBytes, source + row * stride, rowBytes);
    }
    pixels = layer.pixels.data();
    return true;
}

Level* BoundLevel(GLint level, bool define) {
    if (level < 0) return nullptr;
    auto found = layer.levels.find(layer.boundTexture);
    if (found == layer.levels.end()) {
        if (!define) return nullptr;
        found = layer.levels.emplace(layer.boundTexture, std::vector<Level>()).first;
    }
    std::vector<Level>& levels = found->second;
    if (static_cast<size_t>(level) >= levels.size()) {
        if (!define) return nullptr;
        levels.resize(static_cast<size_t>(level) + 1);
    }
    return &levels[static_cast<size_t>(level)];
}

void RecordLevel(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height) {
    if (target != GL_TEXTURE_2D) return;
    if (Level* defined = BoundLevel(level, true)) *defined = Level{width, height, internalFormat};
}

// Draws the window rectangle from (left, bottom) to (right, top), in
// window pixels, with the bound texture over it, with both matrices the
// identity for the while.
void DrawWindowQuad(float left, float bottom, float right, float top) {
    GLint viewport[4];
    glGetIntegerv(GL_VIEWPORT, viewport);
    if (viewport[2] <= 0 || viewport[3] <= 0) return;
    const auto x = [&](float window) { return (window - viewport[0]) / viewport[2] * 2.0f - 1.0f; };
    const auto y = [&](float window) { return (window - viewport[1]) / viewport[3] * 2.0f - 1.0f; };
    GLint matrixMode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &matrixMode);
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(x(left), y(bottom));
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(x(right), y(bottom));
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(x(right), y(top));
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(x(left), y(top));
    glEnd();
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(static_cast<GLenum>(matrixMode));
}

}  // namespace

void Enable(GLenum capability) { SetCapability(capability, true); }

void Disable(GLenum capability) { SetCapability(capability, false); }

GLboolean IsEnabled(GLenum capability) {
    const int index = TrackedIndex(capability);
    if (index < 0) return glIsEnabled(capability);
    return KnownState(index) == Known::On ? GL_TRUE : GL_FALSE;
}

void EnableClientState(GLenum array) {
    if (array == GL_VERTEX_ARRAY) layer.vertexArray = true;
    if (array == GL_NORMAL_ARRAY) layer.normalArray = true;
    if (array == GL_TEXTURE_COORD_ARRAY) layer.texCoordArray = true;
    glEnableClientState(array);
}

void DisableClientState(GLenum array) {
    if (array == GL_VERTEX_ARRAY) layer.vertexArray = false;
    if (array == GL_NORMAL_ARRAY) layer.normalArray = false;
    if (array == GL_TEXTURE_COORD_ARRAY) layer.texCoordArray = false;
    glDisableClientState(array);
}

void Hint(GLenum target, GLenum mode) {
    if (target == kGenerateMipmapHint) glHint(target, mode);
}

void ShadeModel(GLenum) {}

void Color3f(GLfloat red, GLfloat green, GLfloat blue) { Color4f(red, green, blue, 1.0f); }

void Color4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha) {
    layer.colour[0] = red;
    layer.colour[1] = green;
    layer.colour[2] = blue;
    layer.colour[3] = alpha;
    glColor4f(red, green, blue, alpha);
}

void TexGeni(GLenum coordinate, GLenum name, GLint mode) {
    if (name != GL_TEXTURE_GEN_MODE) return;
    if (coordinate == GL_S) layer.generationModes[0] = mode;
    if (coordinate == GL_T) layer.generationModes[1] = mode;
}

void PolygonMode(GLenum face, GLenum mode) {
    if (face == GL_FRONT || face == GL_FRONT_AND_BACK) layer.polygonModes[0] = mode;
    if (face == GL_BACK || face == GL_FRONT_AND_BACK) layer.polygonModes[1] = mode;
}

void VertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
    layer.vertices = ArrayPointer{size, type, stride, pointer};
    glVertexPointer(size, type, stride, pointer);
}

void NormalPointer(GLenum type, GLsizei stride, const GLvoid* pointer) {
    layer.normals = ArrayPointer{3, type, stride, pointer};
    glNormalPointer(type, stride, pointer);
}

void TexCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer) {
    layer.texCoords = ArrayPointer{size, type, stride, pointer};
    glTexCoordPointer(size, type, stride, pointer);
}

void DrawElements(GLenum mode, GLsizei count, GLenum type, const GLvoid* indices) {
    const bool generate = SphereMapOn() && layer.vertexArray && layer.vertices.pointer &&
                          layer.vertices.type == GL_FLOAT &&
                          (!layer.normalArray || layer.normals.type == GL_FLOAT);
    const GLenum drawn = mode == GL_TRIANGLES ? DrawnTriangleMode() : mode;
    if ((!generate && drawn == mode) || type != GL_UNSIGNED_SHORT || !indices || count <= 0) {
        glDrawElements(mode, count, type, indices);
        return;
    }
    const auto* list = static_cast<const uint16_t*>(indices);
    const size_t total = static_cast<size_t>(count);

    if (generate) {
        size_t last = 0;
        for (size_t i = 0; i < total; ++i) last = list[i] > last ? list[i] : last;
        GenerateSphereMap(last);
        glTexCoordPointer(2, GL_FLOAT, 0, layer.generated.data());
        if (!layer.texCoordArray) glEnableClientState(GL_TEXTURE_COORD_ARRAY);
    }

    if (drawn == GL_LINES) {
        const size_t triangles = total / 3;
        layer.edges.resize(std::max(layer.edges.size(), triangles * 6));
        for (size_t t = 0; t < triangles; ++t) {
            const uint16_t* corner = list + 3 * t;
            uint16_t* edge = layer.edges.data() + 6 * t;
            for (int side = 0; side < 3; ++side) {
                edge[2 * side] = corner[side];
                edge[2 * side + 1] = corner[(side + 1) % 3];
            }
        }
        glDrawElements(GL_LINES, static_cast<GLsizei>(triangles * 6), GL_UNSIGNED_SHORT, layer.edges.data());
    } else {
        glDrawElements(drawn, count, type, indices);
    }

    if (generate) {
        const ArrayPointer& own = layer.texCoords;
        glTexCoordPointer(own.size, own.type, own.stride, own.pointer);
        if (!layer.texCoordArray) glDisableClientState(GL_TEXTURE_COORD_ARRAY);
    }
}

void PushAttrib(GLbitfield mask) {
    AttribFrame frame;
    frame.mask = mask;
    for (size_t i = 0; i < kTrackedCount; ++i) {
        if (mask & (GL_ENABLE_BIT | kTracked[i].group)) frame.enables[i] = KnownState(static_cast<int>(i));
    }
    if (mask & GL_CURRENT_BIT) {
        std::memcpy(frame.colour, layer.colour, sizeof frame.colour);
        frame.raster = layer.raster;
    }
    if (mask & GL_COLOR_BUFFER_BIT) {
        glGetIntegerv(kBlendSourceRgb, &frame.blend[0]);
        glGetIntegerv(kBlendDestinationRgb, &frame.blend[1]);
        glGetBooleanv(GL_COLOR_WRITEMASK, frame.colourMask);
        glGetFloatv(GL_COLOR_CLEAR_VALUE, frame.clearColour);
    }
    if (mask & GL_DEPTH_BUFFER_BIT) {
        glGetIntegerv(GL_DEPTH_FUNC, &frame.depthFunction);
        glGetBooleanv(GL_DEPTH_WRITEMASK, &frame.depthMask);
    }
    if (mask & GL_VIEWPORT_BIT) glGetIntegerv(GL_VIEWPORT, frame.viewport);
    if (mask & GL_POLYGON_BIT) std::memcpy(frame.polygonModes, layer.polygonModes, sizeof frame.polygonModes);
    if (mask & GL_TRANSFORM_BIT) glGetIntegerv(GL_MATRIX_MODE, &frame.matrixMode);
    if (mask & GL_PIXEL_MODE_BIT) std::memcpy(frame.zoom, layer.zoom, sizeof frame.zoom);
    if (mask & GL_TEXTURE_BIT) {
        frame.texture = layer.boundTexture;
        std::memcpy(frame.generationModes, layer.generationModes, sizeof frame.generationModes);
    }
    layer.attribStack.push_back(frame);
}

void PopAttrib() {
    if (layer.attribStack.empty()) return;
    const AttribFrame frame = layer.attribStack.back();
    layer.attribStack.pop_back();
    const GLbitfield mask = frame.mask;
    for (size_t i = 0; i < kTrackedCount; ++i) {
        if (frame.enables[i] == Known::Unknown) continue;
        const bool on = frame.enables[i] == Known::On;
        if (KnownState(static_cast<int>(i)) != frame.enables[i]) SetCapability(kTracked[i].capability, on);
    }
    if (mask & GL_CURRENT_BIT) {
        Color4f(frame.colour[0], frame.colour[1], frame.colour[2], frame.colour[3]);
        layer.raster = frame.raster;
    }
    if (mask & GL_COLOR_BUFFER_BIT) {
        glBlendFunc(static_cast<GLenum>(frame.blend[0]), static_cast<GLenum>(frame.blend[1]));
        glColorMask(frame.colourMask[0], frame.colourMask[1], frame.colourMask[2], frame.colourMask[3]);
        glClearColor(frame.clearColour[0], frame.clearColour[1], frame.clearColour[2], frame.clearColour[3]);
    }
    if (mask & GL_DEPTH_BUFFER_BIT) {
        glDepthFunc(static_cast<GLenum>(frame.depthFunction));
        glDepthMask(frame.depthMask);
    }
    if (mask & GL_VIEWPORT_BIT) glViewport(frame.viewport[0], frame.viewport[1], frame.viewport[2], frame.viewport[3]);
    if (mask & GL_POLYGON_BIT) std::memcpy(layer.polygonModes, frame.polygonModes, sizeof frame.polygonModes);
    if (mask & GL_TRANSFORM_BIT) glMatrixMode(static_cast<GLenum>(frame.matrixMode));
    if (mask & GL_PIXEL_MODE_BIT) std::memcpy(layer.zoom, frame.zoom, sizeof frame.zoom);
    if (mask & GL_TEXTURE_BIT) {
        BindTexture(GL_TEXTURE_2D, frame.texture);
        std::memcpy(layer.generationModes, frame.generationModes, sizeof frame.generationModes);
    }
}

void PushClientAttrib(GLbitfield mask) { layer.clientStack.push_back(ClientFrame{mask, layer.store}); }

void PopClientAttrib() {
    if (layer.clientStack.empty()) return;
    const ClientFrame frame = layer.clientStack.back();
    layer.clientStack.pop_back();
    if (!(frame.mask & GL_CLIENT_PIXEL_STORE_BIT)) return;
    PixelStorei(GL_PACK_ALIGNMENT, frame.store.packAlignment);
    PixelStorei(GL_UNPACK_ALIGNMENT, frame.store.unpackAlignment);
    layer.store = frame.store;
}

void PixelStorei(GLenum name, GLint value) {
    PixelStore& store = layer.store;
    switch (name) {
        case GL_PACK_ALIGNMENT:
            store.packAlignment = value;
            glPixelStorei(name, value);
            return;
        case GL_UNPACK_ALIGNMENT:
            store.unpackAlignment = value;
            glPixelStorei(name, value);
            return;
        case GL_UNPACK_ROW_LENGTH: store.unpackRowLength = value; return;
        case GL_UNPACK_SKIP_ROWS: store.unpackSkipRows = value; return;
        case GL_UNPACK_SKIP_PIXELS: store.unpackSkipPixels = value; return;
        case GL_UNPACK_SWAP_BYTES: store.other[0] = value; return;
        case GL_UNPACK_LSB_FIRST: store.other[1] = value; return;
        case GL_PACK_ROW_LENGTH: store.other[2] = value; return;
        case GL_PACK_SKIP_ROWS: store.other[3] = value; return;
        case GL_PACK_SKIP_PIXELS: store.other[4] = value; return;
        case GL_PACK_SWAP_BYTES: store.other[5] = value; return;
        case GL_PACK_LSB_FIRST: store.other[6] = value; return;
        default: return;
    }
}

void RasterPos2f(GLfloat x, GLfloat y) {
    float modelview[16];
    float projection[16];
    GLint viewport[4];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    glGetIntegerv(GL_VIEWPORT, viewport);
    float eye[4];
    for (int row = 0; row < 4; ++row) eye[row] = modelview[row] * x + modelview[4 + row] * y + modelview[12 + row];
    float clip[4];
    for (int row = 0; row < 4; ++row) {
        clip[row] = projection[row] * eye[0] + projection[4 + row] * eye[1] + projection[8 + row] * eye[2] +
                    projection[12 + row] * eye[3];
    }
    const float w = clip[3];
    layer.raster.valid = w > 0.0f && std::fabs(clip[0]) <= w && std::fabs(clip[1]) <= w && std::fabs(clip[2]) <= w;
    if (!layer.raster.valid) return;
    layer.raster.x = viewport[0] + (clip[0] / w + 1.0f) * 0.5f * viewport[2];
    layer.raster.y = viewport[1] + (clip[1] / w + 1.0f) * 0.5f * viewport[3];
}

void PixelZoom(GLfloat x, GLfloat y) {
    layer.zoom[0] = x;
    layer.zoom[1] = y;
}

void DrawPixels(GLsizei width, GLsizei height, GLenum format, GLenum type, const GLvoid* pixels) {
    if (!layer.raster.valid || width <= 0 || height <= 0 || !pixels || type != GL_UNSIGNED_BYTE ||
        (format != GL_RGB && format != GL_RGBA)) {
        return;
    }
    if (layer.pixelTexture == 0) glGenTextures(1, &layer.pixelTexture);
    glBindTexture(GL_TEXTURE_2D, layer.pixelTexture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, kClampToEdge);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, kClampToEdge);
    const bool repacked = Repacked(width, height, format, type, pixels);
    if (repacked) glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), width, height, 0, format, type, pixels);
    if (repacked) glPixelStorei(GL_UNPACK_ALIGNMENT, layer.store.unpackAlignment);

    // The pixels themselves: white under the texture, no depth test.
    const bool depthTest = KnownState(TrackedIndex(GL_DEPTH_TEST)) == Known::On;
    const bool texturing = KnownState(TrackedIndex(GL_TEXTURE_2D)) == Known::On;
    if (depthTest) glDisable(GL_DEPTH_TEST);
    if (!texturing) glEnable(GL_TEXTURE_2D);
    glColor4f(1.0f, 1.0f, 1.0f, 1.0f);
    const float left = layer.raster.x;
    const float bottom = layer.raster.y;
    DrawWindowQuad(left, bottom, left + width * layer.zoom[0], bottom + height * layer.zoom[1]);
    glColor4f(layer.colour[0], layer.colour[1], layer.colour[2], layer.colour[3]);
    if (!texturing) glDisable(GL_TEXTURE_2D);
    if (depthTest) glEnable(GL_DEPTH_TEST);
    glBindTexture(GL_TEXTURE_2D, layer.boundTexture);
}

void BindTexture(GLenum target, GLuint texture) {
    if (target == GL_TEXTURE_2D) layer.boundTexture = texture;
    glBindTexture(target, texture);
}

void DeleteTextures(GLsizei count, const GLuint* textures) {
    for (GLsizei i = 0; i < count; ++i) {
        layer.levels.erase(textures[i]);
        if (textures[i] == layer.boundTexture) layer.boundTexture = 0;
    }
    glDeleteTextures(count, textures);
}

void TexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                GLint border, GLenum format, GLenum type, const GLvoid* pixels) {
    RecordLevel(target, level, internalFormat, width, height);
    const bool repacked = Repacked(width, height, format, type, pixels);
    if (repacked) glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexImage2D(target, level, static_cast<GLint>(UnsizedFormat(internalFormat)), width, height, border,
                 format, type, pixels);
    if (repacked) glPixelStorei(GL_UNPACK_ALIGNMENT, layer.store.unpackAlignment);
}

void CopyTexImage2D(GLenum target, GLint level, GLenum internalFormat, GLint x, GLint y,
                    GLsizei width, GLsizei height, GLint border) {
    RecordLevel(target, level, static_cast<GLint>(internalFormat), width, height);
    glCopyTexImage2D(target, level, UnsizedFormat(static_cast<GLint>(internalFormat)), x, y, width,
                     height, border);
}

void GetTexLevelParameteriv(GLenum target, GLint level, GLenum name, GLint* value) {
    if (!value) return;
    const Level* defined = target == GL_TEXTURE_2D ? BoundLevel(level, false) : nullptr;
    const Level none;
    const Level& found = defined ? *defined : none;
    switch (name) {
        case GL_TEXTURE_WIDTH: *value = found.width; return;
        case GL_TEXTURE_HEIGHT: *value = found.height; return;
        case GL_TEXTURE_INTERNAL_FORMAT: *value = found.internalFormat; return;
        default: *value = 0; return;
    }
}

void ReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type,
                GLvoid* pixels) {
    if (format != GL_RGB || type != GL_UNSIGNED_BYTE || width <= 0 || height <= 0 || !pixels) {
        glReadPixels(x, y, width, height, format, type, pixels);
        return;
    }
    const size_t columns = static_cast<size_t>(width);
    const size_t rows = static_cast<size_t>(height);
    layer.pixels.resize(std::max(layer.pixels.size(), columns * rows * 4));
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    glReadPixels(x, y, width, height, GL_RGBA, GL_UNSIGNED_BYTE, layer.pixels.data());
    glPixelStorei(GL_PACK_ALIGNMENT, layer.store.packAlignment);
    const size_t stride = AlignedRow(columns * 3, layer.store.packAlignment);
    auto* out = static_cast<uint8_t*>(pixels);
    for (size_t row = 0; row < rows; ++row) {
        const uint8_t* from = layer.pixels.data() + row * columns * 4;
        uint8_t* to = out + row * stride;
        for (size_t column = 0; column < columns; ++column) {
            to[3 * column] = from[4 * column];
            to[3 * column + 1] = from[4 * column + 1];
            to[3 * column + 2] = from[4 * column + 2];
        }
    }
}

void Perspective(GLdouble fieldOfViewY, GLdouble aspect, GLdouble zNear, GLdouble zFar) {
    const double radians = fieldOfViewY / 2.0 * std::numbers::pi / 180.0;
    const double depth = zFar - zNear;
    const double sine = std::sin(radians);
    // A matrix that would divide by zero is not applied.
    if (depth == 0.0 || sine == 0.0 || aspect == 0.0) return;
    const double cotangent = std::cos(radians) / sine;
    GLdouble m[16] = {};
    m[0] = cotangent / aspect;
    m[5] = cotangent;
    m[10] = -(zFar + zNear) / depth;
    m[11] = -1.0;
    m[14] = -2.0 * zNear * zFar / depth;
    glMultMatrixd(m);
}

void LookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY,
            GLdouble centreZ, GLdouble upX, GLdouble upY, GLdouble upZ) {
    const auto normalise = [](float v[3]) {
        const float length = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (length == 0.0f) return;
        for (int i = 0; i < 3; ++i) v[i] /= length;
    };
    const auto cross = [](const float a[3], const float b[3], float out[3]) {
        out[0] = a[1] * b[2] - a[2] * b[1];
        out[1] = a[2] * b[0] - a[0] * b[2];
        out[2] = a[0] * b[1] - a[1] * b[0];
    };
    float forward[3] = {static_cast<float>(centreX - eyeX), static_cast<float>(centreY - eyeY),
                        static_cast<float>(centreZ - eyeZ)};
    float up[3] = {static_cast<float>(upX), static_cast<float>(upY), static_cast<float>(upZ)};
    normalise(forward);
    float side[3];
    cross(forward, up, side);
    normalise(side);
    cross(side, forward, up);
    GLfloat m[16] = {side[0], up[0], -forward[0], 0.0f, side[1], up[1], -forward[1], 0.0f,
                     side[2], up[2], -forward[2], 0.0f, 0.0f, 0.0f, 0.0f, 1.0f};
    glMultMatrixf(m);
    glTranslatef(static_cast<float>(-eyeX), static_cast<float>(-eyeY), static_cast<float>(-eyeZ));
}

void Reset() {
    std::vector<float> generated = std::move(layer.generated);
    std::vector<uint16_t> edges = std::move(layer.edges);
    std::vector<uint8_t> pixels = std::move(layer.pixels);
    layer = Layer();
    layer.generated = std::move(generated);
    layer.edges = std::move(edges);
    layer.pixels = std::move(pixels);
}

}  // namespace webgl
