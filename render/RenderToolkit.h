// The small drawing layer between the effects and OpenGL.
//
// It establishes the fixed render state, supplies the 640 x 480 screen space
// for pictures and the 45 degree perspective for the 3D scene, switches
// blending, draws textured quads over the screen, and copies the frame into
// a texture. Every transform goes onto the current matrix stack; the
// projection matrix stays the identity. Nothing here allocates.
#pragma once

#include <GL/gl.h>

#include <cstdint>

#include "render/ViewportSize.h"
#include "textures/Texture.h"

class RenderToolkit {
public:
    // Establishes the render state on the current GL context, if there is
    // one. `window` answers SetViewport's requests for the window's size.
    explicit RenderToolkit(const ViewportSize& window);
    virtual ~RenderToolkit() = default;

    void Clear(float red, float green, float blue);
    void BeginOrtho();
    void EndOrtho();
    void ApplyPerspective();
    void SetBlend(GLenum source, GLenum destination);
    void ResetBlend();

    // The texture centred on the screen at `scale` times its texel size.
    void DrawCentered(Texture& texture, float scale);
    // The texture over the whole screen.
    void DrawFullscreen(Texture& texture);
    // The texture over the whole screen with its coordinates slid by
    // (du, dv) and cropped by `inset` on every edge.
    void DrawFullscreenShifted(Texture& texture, float du, float dv, float inset);
    // Redefines the texture's level 0 from the lower-left square of the read
    // buffer whose side is the texture's width.
    void CopyToTexture(Texture& texture, GLenum internalFormat);
    // The viewport at the origin; a size of 0 or less takes the window's.
    void SetViewport(int32_t width, int32_t height);
    void SetSphereMap(bool on);

    const float width = 640.0f;
    const float height = 480.0f;
    const float fieldOfView = 45.0f;
    const float nearPlane = 0.1f;
    const float farPlane = 10000.0f;

private:
    const ViewportSize& window;
};
