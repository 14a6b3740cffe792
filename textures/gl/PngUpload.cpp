#include "textures/gl/PngUpload.h"

#include <GL/gl.h>

#include <new>
#include <utility>

#include "textures/PictureFile.h"
#include "textures/TextureLevels.h"

namespace {

// Whether loads put the picture's top row at t = 1.
bool standardOrientation = false;

}  // namespace

bool UploadPngPixelsToBoundTexture(PngPixels pixels, PngMipmapMode mipmapMode) {
    if (mipmapMode != PngMipmapMode::BuildFullChain) return false;
    const int32_t channels = pixels.channels;
    if (!pixels.data || (channels != 3 && channels != 4) || pixels.info.width < 1 ||
        pixels.info.height < 1) {
        return false;
    }

    GLint maxTextureSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
    int32_t width = PowerOfTwoTextureSide(pixels.info.width, maxTextureSize);
    int32_t height = PowerOfTwoTextureSide(pixels.info.height, maxTextureSize);
    if (width == 0 || height == 0) return false;

    // Level 0 is the decoded picture itself when its sides are powers of
    // two, otherwise a resampled copy. Either buffer is then halved in place
    // for each smaller level.
    std::unique_ptr<uint8_t[]> levels = std::move(pixels.data);
    if (width != pixels.info.width || height != pixels.info.height) {
        const size_t size = static_cast<size_t>(width) * static_cast<size_t>(height) * channels;
        std::unique_ptr<uint8_t[]> resampled(new (std::nothrow) uint8_t[size]);
        if (!resampled) return false;
        if (!ResamplePixels(levels.get(), pixels.info.width, pixels.info.height, channels,
                            resampled.get(), width, height)) {
            return false;
        }
        levels = std::move(resampled);
    }

    const GLenum format = channels == 4 ? GL_RGBA : GL_RGB;
    // Sized formats, so that the GL keeps all 8 bits of every channel.
    const GLint internalFormat = channels == 4 ? GL_RGBA8 : GL_RGB8;
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glPixelStorei(GL_UNPACK_SWAP_BYTES, GL_FALSE);
    glPixelStorei(GL_UNPACK_LSB_FIRST, GL_FALSE);
    for (GLint level = 0;; ++level) {
        glTexImage2D(GL_TEXTURE_2D, level, internalFormat, width, height, 0, format,
                     GL_UNSIGNED_BYTE, levels.get());
        if (width == 1 && height == 1) break;
        HalvePixelsInPlace(levels.get(), &width, &height, channels);
    }
    glPopClientAttrib();
    return true;
}

void SetPngStandardOrientation(bool on) {
    standardOrientation = on;
}

bool PngStandardOrientation() {
    return standardOrientation;
}

bool LoadPngIntoBoundTexture(const char* fileName, PngMipmapMode mipmapMode, PngAlphaMode alphaMode,
                             PngInfo* info, std::string* problem) {
    if (info != nullptr) *info = PngInfo{};
    if (problem != nullptr) problem->clear();
    if (mipmapMode != PngMipmapMode::BuildFullChain || alphaMode != PngAlphaMode::FromFile) {
        return false;
    }
    GLint maxTextureSize = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxTextureSize);
    PictureFile file(fileName, maxTextureSize);
    PngPixels pixels;
    const PngRowOrder rowOrder =
        standardOrientation ? PngRowOrder::BottomRowFirst : PngRowOrder::TopRowFirst;
    const bool decoded = file.Decode(rowOrder, &pixels);
    if (info != nullptr) *info = decoded ? pixels.info : file.Header();
    if (decoded && UploadPngPixelsToBoundTexture(std::move(pixels), mipmapMode)) return true;
    if (problem != nullptr) {
        *problem = decoded ? std::string(fileName) + ": there is not enough memory for its texture"
                           : file.Problem();
    }
    return false;
}
