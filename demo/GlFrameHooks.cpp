#include <GL/gl.h>

#include "demo/FrameHooks.h"

void GlFrameHooks::BeginPass() { glLoadIdentity(); }

void GlFrameHooks::EndPass() { glFlush(); }
