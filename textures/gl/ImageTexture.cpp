#include <GL/gl.h>

#include "textures/gl/GlTextures.h"
#include "textures/gl/PngUpload.h"

ImageTexture::ImageTexture() { SetPngStandardOrientation(true); }

bool ImageTexture::Load(const char* fileName, int32_t wrapMode) {
    glGenTextures(1, &glName);
    glBindTexture(GL_TEXTURE_2D, glName);
    SetBoundTextureSampling(Minification::Mipmapped, wrapMode);
    // A picture that cannot be read leaves the name without an image; the
    // size is what was known before the failure.
    PngInfo info;
    LoadPngIntoBoundTexture(fileName, PngMipmapMode::BuildFullChain, PngAlphaMode::FromFile, &info);
    width = info.width;
    height = info.height;
    return true;
}
