// Makes the texture objects that the registry hands out.
//
// The show uses a factory that talks to OpenGL; tools that load a script
// without a window use one that reads the pictures without keeping them.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

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

// A factory for running without a GL context. Its picture textures read
// and decode their file as the show would, so that a file the show could
// not show is caught, but keep no pixels: they take the picture's size and
// loadProblem as a GL texture would (there is no limit on the sides here
// but decoding's own), and do nothing when bound.
class HeadlessTextureFactory : public TextureFactory {
public:
    std::unique_ptr<Texture> NewImageTexture() override;
    std::unique_ptr<Texture> NewTargetTexture(int32_t side, int32_t components,
                                              int32_t wrapMode) override;

    // The loadProblem of every picture load that had one, in load order.
    const std::vector<std::string>& Problems() const { return problems; }

private:
    std::vector<std::string> problems;
};
