// The texture objects of the show on OpenGL: pictures read from PNG files
// with a full mipmap chain, and empty square render targets. Neither deletes
// its GL texture name: names live until the context ends, and a picture read
// again reuses its name.
#pragma once

#include <cstdint>
#include <memory>

#include "textures/Texture.h"
#include "textures/TextureFactory.h"

// A picture from a PNG file. Constructing one puts the picture's top row at
// texture coordinate t = 1 for every later load.
class ImageTexture : public Texture {
public:
    ImageTexture();
    // Loads the picture with linear filtering, a mipmap chain and the wrap
    // mode, into a new texture name the first time and into the same name,
    // replacing every level, after that. A file that cannot be read, or a
    // picture wider or taller than the GL's maximum texture size, leaves the
    // name without an image, the size that its header gave (0 without one)
    // and loadProblem saying why; the result is true either way.
    bool Load(const char* fileName, int32_t wrapMode) override;
    void Bind() override;
};

// An empty square render target that frames are copied into.
class TargetTexture : public Texture {
public:
    // Does nothing: a target gets its image from Create and from copies.
    bool Load(const char* fileName, int32_t wrapMode) override;
    void Bind() override;
    // A `size` x `size` texture of 1 (alpha), 3 (RGB) or 4 (RGBA) components,
    // undefined contents, linear filtering and no mipmaps; any other count
    // gives RGB.
    bool Create(int32_t size, int32_t components, int32_t wrapMode);
};

// How a texture is filtered where it is drawn smaller than it is.
enum class Minification {
    Linear,     // bilinear, from level 0 alone
    Mipmapped,  // trilinear, across the mipmap levels
};

// Sets the sampling of the texture bound to GL_TEXTURE_2D: linear
// magnification, `minification`, and `wrapMode` (kWrapClamp or kWrapRepeat)
// on both axes. A clamped texture shows its edge texels stretched over
// everything outside it (GL_CLAMP_TO_EDGE): GL_CLAMP itself would blend the
// edges with the black border colour into a dark fringe.
void SetBoundTextureSampling(Minification minification, int32_t wrapMode);

class GlTextureFactory : public TextureFactory {
public:
    std::unique_ptr<Texture> NewImageTexture() override;
    std::unique_ptr<Texture> NewTargetTexture(int32_t side, int32_t components,
                                              int32_t wrapMode) override;
};
