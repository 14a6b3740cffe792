#include <gtest/gtest.h>

#include "app/Keyboard.h"

TEST(Keyboard, KeyIsDownFromItsDownMessageToItsUpMessage) {
    Keyboard keyboard;
    EXPECT_FALSE(keyboard.IsDown(27));
    keyboard.KeyDown(27);
    EXPECT_TRUE(keyboard.IsDown(27));
    keyboard.KeyUp(27);
    EXPECT_FALSE(keyboard.IsDown(27));
}
