#include <GL/gl.h>

#include "textures/gl/GlTextures.h"
#include "textures/gl/PngUpload.h"

ImageTexture::ImageTexture() { SetPngStandardOrientation(true); }

bool ImageTexture::Load(const char* fileName, int32_t wrapMode) {
    glGenTextures(1, &glName);
    glBindTexture(GL_TEXTURE_2D, glName);
    SetBoundTextureSampling(Minification::Mipmapped, wrapMode);
    // A picture that cannot be read leaves the name without an image and
    // the size that its header gave, if any.
    PngInfo info;
    LoadPngIntoBoundTexture(fileName, PngMipmapMode::BuildFullChain, PngAlphaMode::FromFile, &info,
                            &loadProblem);
    width = info.width;
    height = info.height;
    return true;
}
