// Texture level making: power-of-two sides, resampling and mipmap halving.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "textures/TextureLevels.h"

namespace {
using Bytes = std::vector<uint8_t>;
}  // namespace

TEST(TextureLevels, SideIsTheNextPowerOfTwoWithinTheGlLimit) {
    EXPECT_EQ(PowerOfTwoTextureSide(1, 2048), 1);
    EXPECT_EQ(PowerOfTwoTextureSide(3, 2048), 4);
    EXPECT_EQ(PowerOfTwoTextureSide(200, 2048), 256);
    EXPECT_EQ(PowerOfTwoTextureSide(300, 2048), 512);
    EXPECT_EQ(PowerOfTwoTextureSide(512, 2048), 512);
    EXPECT_EQ(PowerOfTwoTextureSide(513, 2048), 1024);
    EXPECT_EQ(PowerOfTwoTextureSide(20000, 16384), 16384);
    EXPECT_EQ(PowerOfTwoTextureSide(900, 1000), 512);  // a limit that is no power of two
    EXPECT_EQ(PowerOfTwoTextureSide(INT32_MAX, INT32_MAX), 1 << 30);
    EXPECT_EQ(PowerOfTwoTextureSide(0, 2048), 0);
    EXPECT_EQ(PowerOfTwoTextureSide(5, 0), 0);
}

TEST(TextureLevels, ResamplingKeepsColoursPlacesAndSymmetry) {
    // 300 x 200 RGB, top half red, bottom half blue, onto 512 x 256: apart
    // from the blend across the middle, each half keeps its pure colour.
    Bytes picture;
    for (int y = 0; y < 200; ++y) {
        const uint8_t red = y < 100 ? 255 : 0;
        for (int x = 0; x < 300; ++x) picture.insert(picture.end(), {red, 0, uint8_t(255 - red)});
    }
    Bytes texture(512 * 256 * 3);
    ASSERT_TRUE(ResamplePixels(picture.data(), 300, 200, 3, texture.data(), 512, 256));
    for (int y : {0, 126, 130, 255}) {
        for (int x : {0, 255, 511}) {
            const uint8_t* texel = &texture[(y * 512 + x) * 3];
            EXPECT_EQ(texel[0], y < 128 ? 255 : 0) << x << "," << y;
            EXPECT_EQ(texel[2], y < 128 ? 0 : 255) << x << "," << y;
        }
    }

    // A mirror-symmetric row stays symmetric: pixel centres line up.
    const Bytes row = {0, 90, 255, 90, 0};
    Bytes wider(8), narrower(2);
    ASSERT_TRUE(ResamplePixels(row.data(), 5, 1, 1, wider.data(), 8, 1));
    ASSERT_TRUE(ResamplePixels(row.data(), 5, 1, 1, narrower.data(), 2, 1));
    for (int i = 0; i < 4; ++i) EXPECT_EQ(wider[i], wider[7 - i]) << i;
    EXPECT_EQ(narrower[0], narrower[1]);

    // Shrinking averages rather than picking: fine stripes become grey.
    Bytes stripes(1000);
    for (int x = 0; x < 1000; ++x) stripes[x] = x % 2 ? 255 : 0;
    Bytes grey(256);
    ASSERT_TRUE(ResamplePixels(stripes.data(), 1000, 1, 1, grey.data(), 256, 1));
    for (uint8_t value : grey) EXPECT_NEAR(value, 128, 32);

    EXPECT_FALSE(ResamplePixels(row.data(), 0, 1, 1, wider.data(), 8, 1));
}

TEST(TextureLevels, EachChannelResamplesAsAPictureOfItsOwn) {
    // Channels never mix, so a picture of any channel count, grown or
    // shrunk, must give each channel exactly what that channel alone gives.
    uint32_t seed = 7;
    const auto next = [&seed] {
        seed = seed * 1664525u + 1013904223u;
        return static_cast<uint8_t>(seed >> 24);
    };
    struct Case {
        int32_t width, height, toWidth, toHeight;
    };
    for (int32_t channels = 1; channels <= 6; ++channels) {
        for (const Case& size : {Case{13, 7, 32, 16}, Case{40, 9, 16, 4}, Case{5, 30, 3, 64}}) {
            Bytes picture(static_cast<size_t>(size.width * size.height * channels));
            for (uint8_t& sample : picture) sample = next();
            Bytes texture(static_cast<size_t>(size.toWidth * size.toHeight * channels));
            ASSERT_TRUE(ResamplePixels(picture.data(), size.width, size.height, channels,
                                       texture.data(), size.toWidth, size.toHeight));
            for (int32_t c = 0; c < channels; ++c) {
                Bytes plane, planeTexture(static_cast<size_t>(size.toWidth * size.toHeight));
                for (size_t i = c; i < picture.size(); i += channels) plane.push_back(picture[i]);
                ASSERT_TRUE(ResamplePixels(plane.data(), size.width, size.height, 1,
                                           planeTexture.data(), size.toWidth, size.toHeight));
                for (size_t i = 0; i < planeTexture.size(); ++i) {
                    ASSERT_EQ(texture[i * channels + c], planeTexture[i])
                        << channels << " channels, channel " << c << ", texel " << i << ", "
                        << size.width << "x" << size.height << " to " << size.toWidth << "x"
                        << size.toHeight;
                }
            }
        }
    }
}

TEST(TextureLevels, HalvingAveragesBlocksDownToOneTexel) {
    // 4 x 2, one channel: two 2 x 2 blocks, then the pair, then done.
    Bytes pixels = {0, 1, 10, 20, 2, 3, 30, 40};
    int32_t width = 4, height = 2;
    HalvePixelsInPlace(pixels.data(), &width, &height, 1);
    EXPECT_EQ(width, 2);
    EXPECT_EQ(height, 1);
    EXPECT_EQ(pixels[0], 2);   // (0 + 1 + 2 + 3) / 4, rounded
    EXPECT_EQ(pixels[1], 25);  // (10 + 20 + 30 + 40) / 4
    HalvePixelsInPlace(pixels.data(), &width, &height, 1);
    EXPECT_EQ(width, 1);
    EXPECT_EQ(height, 1);
    EXPECT_EQ(pixels[0], 14);  // (2 + 25) / 2, rounded
    HalvePixelsInPlace(pixels.data(), &width, &height, 1);
    EXPECT_EQ(width, 1);
    EXPECT_EQ(pixels[0], 14);

    // A single RGBA column halves along its length, channel by channel.
    Bytes column = {255, 0, 0, 255, 0, 0, 255, 255, 0, 0, 0, 0, 0, 0, 0, 0};
    width = 1;
    height = 4;
    HalvePixelsInPlace(column.data(), &width, &height, 4);
    EXPECT_EQ(height, 2);
    EXPECT_EQ(Bytes(column.begin(), column.begin() + 8), (Bytes{128, 0, 128, 255, 0, 0, 0, 0}));
}
