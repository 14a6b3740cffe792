// Picture textures on a real GL context, as the show draws them: clamped
// edges, a picture read again into the same texture, and a picture too large
// for the GL.
#include <GL/gl.h>
#include <unistd.h>

#include <array>
#include <filesystem>
#include <fstream>
#include <string>

#include "gl/GlTestContext.h"
#include "support/PngBytes.h"
#include "support/RgbPicture.h"
#include "textures/TextureRegistry.h"
#include "textures/gl/GlTextures.h"

namespace {

namespace fs = std::filesystem;
using Rgb = std::array<uint8_t, 3>;

class ImageTextureGl : public GlTest {
protected:
    void TearDown() override { fs::remove(path); }

    // Writes a `width` x `height` picture of one colour and returns its path.
    const char* WriteSolidPicture(int width, int height, Rgb colour) {
        RgbPicture picture;
        picture.width = width;
        picture.height = height;
        for (int i = 0; i < width * height; ++i) {
            picture.rgb.insert(picture.rgb.end(), colour.begin(), colour.end());
        }
        EXPECT_TRUE(WriteRgbPng(path, picture));
        return path.c_str();
    }

    // Draws the bound texture over the whole viewport with texture
    // coordinates from `from` to `to` on both axes.
    static void DrawOverViewport(float from, float to) {
        glEnable(GL_TEXTURE_2D);
        glBegin(GL_QUADS);
        glTexCoord2f(from, from), glVertex2f(-1, -1);
        glTexCoord2f(to, from), glVertex2f(1, -1);
        glTexCoord2f(to, to), glVertex2f(1, 1);
        glTexCoord2f(from, to), glVertex2f(-1, 1);
        glEnd();
        glDisable(GL_TEXTURE_2D);
    }

    static GLint LevelWidth(GLint level) {
        GLint width = -1;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, level, GL_TEXTURE_WIDTH, &width);
        return width;
    }

    static Rgb RgbAt(int x, int y) {
        const auto pixel = PixelAt(x, y);
        return {pixel[0], pixel[1], pixel[2]};
    }

    std::string path =
        (fs::temp_directory_path() / ("image_texture_" + std::to_string(getpid()) + ".png")).string();
};

}  // namespace

TEST_F(ImageTextureGl, ClampedPictureStretchesItsEdgeTexelsWithoutAFringe) {
    const Rgb orange = {200, 120, 40};
    ImageTexture texture;
    texture.Load(WriteSolidPicture(8, 8, orange), kWrapClamp);
    texture.Bind();
    // The picture fills the middle third; everything around it lies
    // outside the texture.
    DrawOverViewport(-1.0f, 2.0f);
    for (const auto& [x, y] : {std::pair{2, 2}, {kWidth / 3, kHeight / 2}, {kWidth - 3, kHeight - 3},
                               {kWidth / 2, kHeight / 3 - 1}}) {
        EXPECT_EQ(RgbAt(x, y), orange) << x << "," << y;
    }
}

TEST_F(ImageTextureGl, ReadingAPictureAgainKeepsTheNameAndLeavesNothingOfTheLastOne) {
    // The preview reads a changed picture into the texture the effects
    // hold: a new name each time would keep every earlier picture alive.
    const Rgb red = {220, 20, 20};
    const Rgb blue = {20, 20, 220};
    ImageTexture texture;
    texture.Load(WriteSolidPicture(64, 32, red), kWrapClamp);
    const uint32_t name = texture.glName;

    texture.Load(WriteSolidPicture(8, 8, blue), kWrapRepeat);
    EXPECT_EQ(texture.glName, name);
    EXPECT_EQ(texture.width, 8);
    EXPECT_EQ(LevelWidth(0), 8);
    EXPECT_EQ(LevelWidth(4), 0);  // the 64 x 32 picture's smaller levels are gone
    texture.Bind();
    DrawOverViewport(0.0f, 1.0f);
    EXPECT_EQ(RgbAt(kWidth / 2, kHeight / 2), blue);

    // A file that cannot be read empties the texture, as a first load would.
    texture.Load("no/such/picture.png", kWrapClamp);
    EXPECT_EQ(texture.glName, name);
    EXPECT_EQ(LevelWidth(0), 0);
    EXPECT_EQ(texture.width, 0);
    EXPECT_FALSE(texture.loadProblem.empty());
}

TEST_F(ImageTextureGl, PictureWiderThanTheLargestTextureIsTurnedAwayWithItsSize) {
    GLint maxSide = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
    const uint32_t wide = uint32_t(maxSide) + 1;
    const PngBytes png = PngWithOneRow(wide, 1, 8, 2, PngBytes(size_t(wide) * 3, 200));
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(png.data()),
                                                std::streamsize(png.size()));

    ImageTexture texture;
    EXPECT_TRUE(texture.Load(path.c_str(), kWrapClamp));
    EXPECT_EQ(texture.loadProblem, path + ": the picture is " + std::to_string(wide) +
                                       " x 1 pixels, larger than the " + std::to_string(maxSide) +
                                       " x " + std::to_string(maxSide) + " that the GL can hold");
    EXPECT_EQ(texture.width, int32_t(wide));
    EXPECT_EQ(texture.height, 1);
    EXPECT_EQ(LevelWidth(0), 0);

    texture.Load(WriteSolidPicture(4, 4, {1, 2, 3}), kWrapClamp);
    EXPECT_EQ(texture.loadProblem, "");
}
