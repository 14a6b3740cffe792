#include <gtest/gtest.h>

#include "app/Keyboard.h"
#include "platform/Messages.h"

TEST(Keyboard, StartsWithNoKeyDownAndNoKeyPressed) {
    Keyboard keyboard;
    for (int32_t key = 0; key <= 255; ++key) EXPECT_FALSE(keyboard.IsDown(key)) << key;
    EXPECT_FALSE(keyboard.AnyKeyPressed());
}

TEST(Keyboard, KeyIsDownFromItsKeyDownUntilItsKeyUp) {
    Keyboard keyboard;
    keyboard.KeyDown(vk::kEscape);
    keyboard.KeyDown('A');
    EXPECT_TRUE(keyboard.IsDown(vk::kEscape));
    keyboard.KeyUp(vk::kEscape);
    EXPECT_FALSE(keyboard.IsDown(vk::kEscape));
    EXPECT_TRUE(keyboard.IsDown('A'));
    // Released before anyone looked: up, but it still counts as a press.
    EXPECT_TRUE(keyboard.AnyKeyPressed());
}

TEST(Keyboard, OnlyCodesZeroTo255AreKeys) {
    Keyboard keyboard;
    keyboard.KeyDown(0);
    keyboard.KeyDown(255);
    EXPECT_TRUE(keyboard.IsDown(0));
    EXPECT_TRUE(keyboard.IsDown(255));
    ASSERT_TRUE(keyboard.AnyKeyPressed());

    for (int32_t key : {-1, 256, INT32_MIN, INT32_MAX}) {
        keyboard.KeyDown(key);
        EXPECT_FALSE(keyboard.IsDown(key)) << key;
        EXPECT_FALSE(keyboard.AnyKeyPressed()) << key;
        keyboard.KeyUp(key);
    }
    for (int32_t key = 0; key <= 255; ++key) {
        EXPECT_EQ(keyboard.IsDown(key), key == 0 || key == 255) << key;
    }
}

TEST(Keyboard, AnyKeyPressedIsTrueOnceForEachKeyDownIncludingRepeats) {
    Keyboard keyboard;
    keyboard.KeyDown('A');
    EXPECT_TRUE(keyboard.AnyKeyPressed());
    EXPECT_FALSE(keyboard.AnyKeyPressed());

    // The automatic repeat of a held key arrives as another key-down.
    keyboard.KeyDown('A');
    EXPECT_TRUE(keyboard.AnyKeyPressed());
    EXPECT_FALSE(keyboard.AnyKeyPressed());
}

TEST(Keyboard, KeyUpOfAKeyThatIsNotDownLeavesTheStateAlone) {
    Keyboard keyboard;
    keyboard.KeyDown('A');
    keyboard.KeyUp('B');
    EXPECT_TRUE(keyboard.IsDown('A'));
    EXPECT_FALSE(keyboard.IsDown('B'));
    EXPECT_TRUE(keyboard.AnyKeyPressed());
}
