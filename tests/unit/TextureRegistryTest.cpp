// The registry's handle and file-name rules, over textures that only record
// what they were asked to load.
#include <gtest/gtest.h>

#include "support/Doubles.h"
#include "textures/TextureRegistry.h"

namespace {

class TextureRegistryTest : public ::testing::Test {
protected:
    RecordingTextureFactory factory;
};

std::string LoadedFile(Texture* texture) {
    return static_cast<RecordingTextureFactory::FakeTexture*>(texture)->file;
}

}  // namespace

TEST_F(TextureRegistryTest, OnlyExactLowerCasePngAndBmpExtensionsLoad) {
    TextureRegistry registry(factory);
    EXPECT_TRUE(registry.Load("a", "pics/a.png", kWrapClamp));
    EXPECT_FALSE(registry.Load("b", "pics/b.PNG", kWrapClamp));
    EXPECT_FALSE(registry.Load("c", "data/set.old/readme", kWrapClamp));
    // A name without a dot is its own extension.
    EXPECT_TRUE(registry.Load("d", "png", kWrapClamp));
    EXPECT_EQ(factory.loads, (std::vector<std::string>{"pics/a.png", "png"}));
    EXPECT_EQ(registry.EntryCount(), 2u);
}

TEST_F(TextureRegistryTest, BmpNamesAreServedByThePngOfTheSameName) {
    TextureRegistry registry(factory);
    EXPECT_TRUE(registry.Load("logo", "pics/logo.bmp", kWrapRepeat));
    Texture* logo = registry.Find("logo");
    ASSERT_NE(logo, nullptr);
    EXPECT_EQ(LoadedFile(logo), "pics/logo.png");
    EXPECT_EQ(static_cast<RecordingTextureFactory::FakeTexture*>(logo)->wrap, kWrapRepeat);
}

TEST_F(TextureRegistryTest, FindLeavesAnEmptyEntryThatALaterLoadFills) {
    TextureRegistry registry(factory);
    EXPECT_EQ(registry.Find("pic1"), nullptr);
    EXPECT_EQ(registry.EntryCount(), 1u);
    EXPECT_EQ(registry.Find("Pic1"), nullptr);  // handles are case-sensitive
    EXPECT_EQ(registry.EntryCount(), 2u);
    registry.Load("pic1", "pic1.png", kWrapClamp);
    EXPECT_NE(registry.Find("pic1"), nullptr);
    EXPECT_EQ(registry.Find("Pic1"), nullptr);
}

TEST_F(TextureRegistryTest, ReplacingAHandleFreesTheOldTextureAndTheRegistryFreesTheRest) {
    {
        TextureRegistry registry(factory);
        registry.Load("pic", "first.png", kWrapClamp);
        registry.Load("pic", "second.png", kWrapClamp);
        EXPECT_EQ(LoadedFile(registry.Find("pic")), "second.png");
        EXPECT_EQ(factory.destroyed, 1);

        Texture* target = registry.CreateTarget("pic", 512, 3);
        EXPECT_EQ(registry.Find("pic"), target);
        EXPECT_EQ(target->width, 512);
        EXPECT_EQ(static_cast<RecordingTextureFactory::FakeTexture*>(target)->wrap, kWrapRepeat);
        EXPECT_EQ(factory.destroyed, 2);
        registry.Find("never-loaded");
    }
    // Only the real texture is freed; the empty entry holds nothing.
    EXPECT_EQ(factory.destroyed, 3);
}
