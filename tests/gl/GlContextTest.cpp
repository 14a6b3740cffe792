#include "gl/GlTestContext.h"

using GlContext = GlTest;

TEST_F(GlContext, ClearsToTheRequestedColour) {
    glClearColor(0.0f, 1.0f, 0.0f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT);
    const auto pixel = PixelAt(400, 300);
    EXPECT_EQ(pixel[0], 0);
    EXPECT_EQ(pixel[1], 255);
    EXPECT_EQ(pixel[2], 0);
}
