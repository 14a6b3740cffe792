#include "textures/gl/GlTextures.h"

#include <GL/gl.h>

#include "textures/TextureRegistry.h"

namespace {

// GL 1.2's edge clamping, which not every gl.h names.
constexpr GLint kGlClampToEdge = 0x812F;

void BindTexture(GLuint name) {
    glEnable(GL_TEXTURE_2D);
    glBindTexture(GL_TEXTURE_2D, name);
}

}  // namespace

void SetBoundTextureSampling(Minification minification, int32_t wrapMode) {
    const GLint wrap = wrapMode == kWrapClamp ? kGlClampToEdge : wrapMode;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                    minification == Minification::Mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap);
}

void ImageTexture::Bind() { BindTexture(glName); }

bool TargetTexture::Load(const char*, int32_t) { return true; }

void TargetTexture::Bind() { BindTexture(glName); }

bool TargetTexture::Create(int32_t size, int32_t components, int32_t wrapMode) {
    glGenTextures(1, &glName);
    glBindTexture(GL_TEXTURE_2D, glName);
    SetBoundTextureSampling(Minification::Linear, wrapMode);
    const GLenum format = components == 1 ? GL_ALPHA : components == 4 ? GL_RGBA : GL_RGB;
    glTexImage2D(GL_TEXTURE_2D, 0, static_cast<GLint>(format), size, size, 0, format,
                 GL_UNSIGNED_BYTE, nullptr);
    width = size;
    height = size;
    return true;
}

std::unique_ptr<Texture> GlTextureFactory::NewImageTexture() {
    return std::make_unique<ImageTexture>();
}

std::unique_ptr<Texture> GlTextureFactory::NewTargetTexture(int32_t side, int32_t components,
                                                            int32_t wrapMode) {
    auto target = std::make_unique<TargetTexture>();
    target->Create(side, components, wrapMode);
    return target;
}
