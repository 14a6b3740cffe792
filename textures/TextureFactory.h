// Makes the texture objects that the registry hands out.
//
// The show uses a factory that talks to OpenGL; tools that load a script
// without a window use one that only looks at the files.
#pragma once

#include <cstdint>
#include <memory>

#include "textures/Texture.h"

class TextureFactory {
public:
    virtual ~TextureFactory() = default;
    // A picture texture, not yet loaded.
    virtual std::unique_ptr<Texture> NewImageTexture() = 0;
    // An empty square render target of `side` texels with `components`
    // colour components, created at once.
    virtual std::unique_ptr<Texture> NewTargetTexture(int32_t side, int32_t components,
                                                      int32_t wrapMode) = 0;
};

// A factory for running without a GL context: picture textures only record
// whether their file could be opened and do nothing when bound.
class HeadlessTextureFactory : public TextureFactory {
public:
    std::unique_ptr<Texture> NewImageTexture() override;
    std::unique_ptr<Texture> NewTargetTexture(int32_t side, int32_t components,
                                              int32_t wrapMode) override;
};
