#include <GL/gl.h>

#include "textures/gl/GlTextures.h"
#include "textures/gl/PngUpload.h"

namespace {

// Frees every image level of the bound texture, down to its 1 x 1 level.
void DropBoundTextureLevels() {
    for (GLint level = 0;; ++level) {
        GLint levelWidth = 0;
        GLint levelHeight = 0;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &levelWidth);
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_HEIGHT, &levelHeight);
        if (levelWidth == 0 || levelHeight == 0) break;
        glTexImage2D(GL_TEXTURE_2D, level, GL_RGB8, 0, 0, 0, GL_RGB, GL_UNSIGNED_BYTE, nullptr);
        if (levelWidth == 1 && levelHeight == 1) break;
    }
}

}  // namespace

ImageTexture::ImageTexture() { SetPngStandardOrientation(true); }

bool ImageTexture::Load(const char* fileName, int32_t wrapMode) {
    // A picture read again (the preview does so when its file changes)
    // replaces the last one in the same texture name, leaving nothing of it
    // behind, as a first load would find it.
    if (glName == 0) {
        glGenTextures(1, &glName);
        glBindTexture(GL_TEXTURE_2D, glName);
    } else {
        glBindTexture(GL_TEXTURE_2D, glName);
        DropBoundTextureLevels();
    }
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
