#include "textures/PictureFile.h"
#include "textures/TextureFactory.h"

namespace {

class HeadlessImageTexture : public Texture {
public:
    explicit HeadlessImageTexture(std::vector<std::string>& problems) : problems(problems) {}

    bool Load(const char* fileName, int32_t) override {
        PictureFile file(fileName, 0);
        PngPixels pixels;
        const bool decoded = file.Decode(PngRowOrder::BottomRowFirst, &pixels);
        const PngInfo& info = decoded ? pixels.info : file.Header();
        width = info.width;
        height = info.height;
        loadProblem = file.Problem();
        if (!loadProblem.empty()) problems.push_back(loadProblem);
        return true;
    }
    void Bind() override {}

private:
    std::vector<std::string>& problems;
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
    return std::make_unique<HeadlessImageTexture>(problems);
}

std::unique_ptr<Texture> HeadlessTextureFactory::NewTargetTexture(int32_t side, int32_t,
                                                                  int32_t) {
    return std::make_unique<HeadlessTargetTexture>(side);
}
