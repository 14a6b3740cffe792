#include <GL/gl.h>

#include "textures/gl/GlTextures.h"
#include "textures/gl/PngUpload.h"

ImageTexture::ImageTexture() { SetPngStandardOrientation(true); }

bool ImageTexture::Load(const char* fileName, int32_t wrapMode) {
    glGenTextures(1, &glName);
    glBindTexture(GL_TEXTURE_2D, glName);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrapMode);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrapMode);
    // A picture that cannot be read leaves the name without an image; the
    // size is what was known before the failure.
    PngInfo info;
    LoadPngIntoBoundTexture(fileName, PngMipmapMode::BuildFullChain, PngAlphaMode::FromFile, &info);
    width = info.width;
    height = info.height;
    return true;
}
