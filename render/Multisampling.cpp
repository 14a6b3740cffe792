#include "render/Multisampling.h"

#include <GL/gl.h>

// GL 1.3, or GL_ARB_multisample, which a window with sample buffers has.
#ifndef GL_MULTISAMPLE
#define GL_MULTISAMPLE 0x809D
#endif

void GlMultisampling::Use(bool on) {
    if (!windowMultisampled) return;
    if (on) {
        glEnable(GL_MULTISAMPLE);
    } else {
        glDisable(GL_MULTISAMPLE);
    }
}
