#include "render/HeldPicture.h"

#include <GL/gl.h>

#include <cstddef>

#include "render/SavedGlState.h"
#include "render/ViewportSize.h"

void HeldPicture::Keep() {
    width = viewport.GetViewportWidth();
    height = viewport.GetViewportHeight();
    pixels.resize(static_cast<size_t>(width) * height * 3);  // once per size
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    glPopClientAttrib();
}

bool HeldPicture::Draw() {
    if (pixels.empty() || width != viewport.GetViewportWidth() || height != viewport.GetViewportHeight()) {
        return false;
    }
    const SavedGlState saved;
    glPushClientAttrib(GL_CLIENT_PIXEL_STORE_BIT);
    // The pixels go in as they came out: nothing between them and the
    // frame buffer changes a value.
    glViewport(0, 0, width, height);
    for (const GLenum capability : {GL_BLEND, GL_DEPTH_TEST, GL_TEXTURE_2D, GL_ALPHA_TEST, GL_FOG,
                                    GL_LIGHTING, GL_STENCIL_TEST, GL_SCISSOR_TEST, GL_DITHER}) {
        glDisable(capability);
    }
    glPixelZoom(1.0f, 1.0f);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glPixelStorei(GL_UNPACK_SKIP_ROWS, 0);
    glPixelStorei(GL_UNPACK_SKIP_PIXELS, 0);
    glRasterPos2f(-1.0f, -1.0f);  // the lower left corner
    glDrawPixels(width, height, GL_RGB, GL_UNSIGNED_BYTE, pixels.data());
    glPopClientAttrib();
    return true;
}
