// A real OpenGL context for tests that check what a person would see: an
// 800 x 600 window on SDL's offscreen driver, rendered by Mesa's software
// rasteriser. Tests draw, then read pixels and GL state back.
#pragma once

#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <cstdint>

class GlWindow;

class GlTest : public ::testing::Test {
protected:
    // Opens the shared window and context once for the whole test program.
    static void SetUpTestSuite();

    void SetUp() override;

    // The show's window that holds the context.
    static GlWindow& Window();

    // The RGBA bytes of the pixel at (x, y), counted from the lower left.
    static std::array<uint8_t, 4> PixelAt(int x, int y);

public:
    // PixelAt for test helpers outside a fixture.
    static std::array<uint8_t, 4> PixelAtForTests(int x, int y) { return PixelAt(x, y); }

protected:

    static constexpr int kWidth = 800;
    static constexpr int kHeight = 600;
};
