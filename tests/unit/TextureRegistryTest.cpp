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

TEST_F(TextureRegistryTest, ReloadReadsIntoTheTextureEffectsAlreadyHold) {
    TextureRegistry registry(factory);
    ASSERT_TRUE(registry.Load("pic1", "pics/one.png", kWrapClamp));
    Texture* held = registry.Find("pic1");

    // Same object, new file and wrap mode: nothing is freed under a holder.
    EXPECT_TRUE(registry.Reload("pic1", "pics/two.bmp", kWrapRepeat));
    EXPECT_EQ(registry.Find("pic1"), held);
    EXPECT_EQ(LoadedFile(held), "pics/two.png");
    EXPECT_EQ(static_cast<RecordingTextureFactory::FakeTexture*>(held)->wrap, kWrapRepeat);
    EXPECT_EQ(factory.destroyed, 0);

    // A handle without a texture, even one only looked up, is registered.
    EXPECT_EQ(registry.Find("later"), nullptr);
    EXPECT_TRUE(registry.Reload("later", "pics/later.png", kWrapClamp));
    ASSERT_NE(registry.Find("later"), nullptr);
    EXPECT_EQ(LoadedFile(registry.Find("later")), "pics/later.png");

    // The extension rule of Load holds, and a refused name changes nothing.
    EXPECT_FALSE(registry.Reload("pic1", "pics/three.jpg", kWrapClamp));
    EXPECT_EQ(LoadedFile(held), "pics/two.png");
    EXPECT_EQ(factory.loads,
              (std::vector<std::string>{"pics/one.png", "pics/two.png", "pics/later.png"}));
}
