#include <gtest/gtest.h>

#include "support/Doubles.h"

TEST(Doubles, TempScriptHoldsItsText) {
    TempScript script("abc");
    FILE* file = std::fopen(script.Path(), "rb");
    ASSERT_NE(file, nullptr);
    char buffer[8] = {};
    EXPECT_EQ(std::fread(buffer, 1, sizeof buffer, file), 3u);
    std::fclose(file);
}
