// PNG pictures loaded into a real GL texture: level sizes, row orientation,
// alpha, and what a failed load leaves, read back from the GL.
#include <GL/gl.h>
#include <png.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "gl/GlTestContext.h"
#include "textures/TextureRegistry.h"
#include "textures/gl/GlTextures.h"
#include "textures/gl/PngUpload.h"

namespace {

namespace fs = std::filesystem;
using Rgba = std::array<uint8_t, 4>;

const Rgba kRed = {255, 0, 0, 255};
const Rgba kBlue = {0, 0, 255, 255};

class PngUpload : public GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        glGenTextures(1, &textureName);
        glBindTexture(GL_TEXTURE_2D, textureName);
        SetBoundTextureSampling(Minification::Mipmapped, kWrapRepeat);
    }

    void TearDown() override {
        glDeleteTextures(1, &textureName);
        fs::remove(path);
        SetPngStandardOrientation(false);
    }

    // Writes a PNG whose pixel (x, y), counted from the top left, is
    // colour(x, y); RGBA when `alpha`, RGB otherwise.
    const char* WritePng(int width, int height, bool alpha,
                         const std::function<Rgba(int, int)>& colour) {
        png_image image;
        std::memset(&image, 0, sizeof image);
        image.version = PNG_IMAGE_VERSION;
        image.width = width;
        image.height = height;
        image.format = alpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
        std::vector<uint8_t> pixels;
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < width; ++x) {
                const Rgba c = colour(x, y);
                pixels.insert(pixels.end(), c.begin(), c.begin() + (alpha ? 4 : 3));
            }
        }
        EXPECT_TRUE(png_image_write_to_file(&image, path.c_str(), 0, pixels.data(), 0, nullptr));
        return path.c_str();
    }

    PngInfo Load(const char* file, bool expectSuccess = true) {
        PngInfo info;
        EXPECT_EQ(LoadPngIntoBoundTexture(file, PngMipmapMode::BuildFullChain,
                                          PngAlphaMode::FromFile, &info),
                  expectSuccess);
        return info;
    }

    static GLint LevelParameter(GLint level, GLenum parameter) {
        GLint value = -1;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, parameter, &value);
        return value;
    }

    // The texels of a level as RGBA, bottom row (t = 0) first.
    static std::vector<Rgba> LevelTexels(GLint level) {
        std::vector<Rgba> texels(size_t(LevelParameter(level, GL_TEXTURE_WIDTH)) *
                                 size_t(LevelParameter(level, GL_TEXTURE_HEIGHT)));
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
        return texels;
    }

    // Draws the texture over the whole viewport, t rising upward.
    static void DrawOverViewport(float right = 1.0f, float top = 1.0f) {
        glEnable(GL_TEXTURE_2D);
        glBegin(GL_QUADS);
        glTexCoord2f(0, 0), glVertex2f(-1, -1);
        glTexCoord2f(1, 0), glVertex2f(right, -1);
        glTexCoord2f(1, 1), glVertex2f(right, top);
        glTexCoord2f(0, 1), glVertex2f(-1, top);
        glEnd();
        glDisable(GL_TEXTURE_2D);
    }

    GLuint textureName = 0;
    fs::path path = fs::temp_directory_path() / ("png_upload_" + std::to_string(getpid()) + ".png");
};

}  // namespace

TEST_F(PngUpload, PictureOfAnySizeGetsPowerOfTwoLevelsDownToOneTexel) {
    // An unpack alignment that would skew rows of odd byte length: the
    // upload must not depend on it, nor change it.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 8);
    const Rgba teal = {40, 160, 220, 255};
    const PngInfo info = Load(WritePng(300, 200, false, [&](int, int) { return teal; }));
    GLint alignment = 0;
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &alignment);
    EXPECT_EQ(alignment, 8);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);

    EXPECT_EQ(info.width, 300);
    EXPECT_EQ(info.height, 200);
    EXPECT_EQ(info.bitDepth, 8);
    for (GLint level = 0; level <= 9; ++level) {
        SCOPED_TRACE(level);
        EXPECT_EQ(LevelParameter(level, GL_TEXTURE_WIDTH), std::max(1, 512 >> level));
        EXPECT_EQ(LevelParameter(level, GL_TEXTURE_HEIGHT), std::max(1, 256 >> level));
        const auto texels = LevelTexels(level);
        EXPECT_EQ(std::count(texels.begin(), texels.end(), teal), long(texels.size()));
    }
    EXPECT_EQ(LevelParameter(10, GL_TEXTURE_WIDTH), 0);

    // Drawn small, the mipmapped texture shows its colour; an incomplete
    // chain would switch texturing off and leave the quad white.
    DrawOverViewport(-1.0f + 16.0f / kWidth, -1.0f + 8.0f / kHeight);
    EXPECT_EQ(PixelAt(3, 1), teal);
}

TEST_F(PngUpload, StandardOrientationPutsTheTopRowAtTheTop) {
    const char* file = WritePng(300, 200, false, [](int, int y) { return y < 100 ? kRed : kBlue; });

    SetPngStandardOrientation(true);
    Load(file);
    auto texels = LevelTexels(0);
    EXPECT_EQ(texels.front(), kBlue);  // t = 0
    EXPECT_EQ(texels.back(), kRed);    // t = 1
    DrawOverViewport();
    EXPECT_EQ(PixelAt(kWidth / 2, kHeight - 10), kRed);
    EXPECT_EQ(PixelAt(kWidth / 2, 10), kBlue);

    SetPngStandardOrientation(false);
    Load(file);
    texels = LevelTexels(0);
    EXPECT_EQ(texels.front(), kRed);
    EXPECT_EQ(texels.back(), kBlue);
}

TEST_F(PngUpload, TextureHasAlphaOnlyWhenTheFileHas) {
    const Rgba translucent = {10, 20, 30, 128};
    PngInfo info = Load(WritePng(64, 64, true, [&](int, int) { return translucent; }));
    EXPECT_TRUE(info.hasAlpha);
    EXPECT_EQ(LevelParameter(0, GL_TEXTURE_ALPHA_SIZE), 8);
    EXPECT_EQ(LevelTexels(0)[0], translucent);

    info = Load(WritePng(64, 64, false, [&](int, int) { return translucent; }));
    EXPECT_FALSE(info.hasAlpha);
    EXPECT_EQ(LevelParameter(0, GL_TEXTURE_ALPHA_SIZE), 0);
    EXPECT_EQ(LevelParameter(0, GL_TEXTURE_RED_SIZE), 8);
}

TEST_F(PngUpload, FailedLoadUploadsNothingAndReportsWhatWasKnown) {
    PngInfo info = Load("no-such-picture.png", false);
    EXPECT_EQ(info.width, 0);
    EXPECT_EQ(info.height, 0);
    EXPECT_EQ(LevelParameter(0, GL_TEXTURE_WIDTH), 0);

    // Cut inside the image data: the header was read, the picture was not.
    WritePng(64, 32, false, [](int x, int y) {
        return Rgba{uint8_t(x * 37 + y * 11), uint8_t(x * y), 7, 255};
    });
    fs::resize_file(path, fs::file_size(path) - 20);
    info = Load(path.c_str(), false);
    EXPECT_EQ(info.width, 64);
    EXPECT_EQ(info.height, 32);
    EXPECT_EQ(LevelParameter(0, GL_TEXTURE_WIDTH), 0);
}
