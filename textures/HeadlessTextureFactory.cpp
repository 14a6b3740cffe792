#include "textures/TextureFactory.h"

namespace {

// A picture texture without GL: it holds no image, as a picture that could
// not be read does.
class HeadlessImageTexture : public Texture {
public:
    bool Load(const char*, int32_t) override { return true; }
    void Bind() override {}
};

class HeadlessTargetTexture : public Texture {
public:
    explicit HeadlessTargetTexture(int32_t side) {
        width = side;
        height = side;
    }
    bool Load(const char*, int32_t) override { return true; }
    void Bind() override {}
};

}  // namespace

std::unique_ptr<Texture> HeadlessTextureFactory::NewImageTexture() {
    return std::make_unique<HeadlessImageTexture>();
}

std::unique_ptr<Texture> HeadlessTextureFactory::NewTargetTexture(int32_t side, int32_t,
                                                                  int32_t) {
    return std::make_unique<HeadlessTargetTexture>(side);
}
