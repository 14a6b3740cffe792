// Included ahead of every source file of the browser build (and of no other
// build): the GL and GLU calls that the browser's emulation lacks or gets
// wrong go to the layer in webgl/LegacyGl.h instead, so that the show's
// sources keep calling GL 1.1. The layer's own sources see the real calls.
#pragma once

#ifndef WEBGL_LAYER_ITSELF

#include <GL/gl.h>
#include <GL/glu.h>

#include "webgl/LegacyGl.h"

#define glEnable(capability) webgl::Enable(capability)
#define glDisable(capability) webgl::Disable(capability)
#define glIsEnabled(capability) webgl::IsEnabled(capability)
#define glEnableClientState(array) webgl::EnableClientState(array)
#define glDisableClientState(array) webgl::DisableClientState(array)
#define glHint(target, mode) webgl::Hint(target, mode)
#define glShadeModel(mode) webgl::ShadeModel(mode)
#define glColor3f(r, g, b) webgl::Color3f(r, g, b)
#define glColor4f(r, g, b, a) webgl::Color4f(r, g, b, a)
#define glTexGeni(coordinate, name, mode) webgl::TexGeni(coordinate, name, mode)
#define glPolygonMode(face, mode) webgl::PolygonMode(face, mode)
#define glVertexPointer(size, type, stride, pointer) webgl::VertexPointer(size, type, stride, pointer)
#define glNormalPointer(type, stride, pointer) webgl::NormalPointer(type, stride, pointer)
#define glTexCoordPointer(size, type, stride, pointer) webgl::TexCoordPointer(size, type, stride, pointer)
#define glDrawElements(mode, count, type, indices) webgl::DrawElements(mode, count, type, indices)
#define glPushAttrib(mask) webgl::PushAttrib(mask)
#define glPopAttrib() webgl::PopAttrib()
#define glPushClientAttrib(mask) webgl::PushClientAttrib(mask)
#define glPopClientAttrib() webgl::PopClientAttrib()
#define glPixelStorei(name, value) webgl::PixelStorei(name, value)
#define glRasterPos2f(x, y) webgl::RasterPos2f(x, y)
#define glPixelZoom(x, y) webgl::PixelZoom(x, y)
#define glDrawPixels(width, height, format, type, pixels) \
    webgl::DrawPixels(width, height, format, type, pixels)
#define glBindTexture(target, texture) webgl::BindTexture(target, texture)
#define glDeleteTextures(count, textures) webgl::DeleteTextures(count, textures)
#define glTexImage2D(target, level, internalFormat, width, height, border, format, type, pixels) \
    webgl::TexImage2D(target, level, internalFormat, width, height, border, format, type, pixels)
#define glCopyTexImage2D(target, level, internalFormat, x, y, width, height, border) \
    webgl::CopyTexImage2D(target, level, internalFormat, x, y, width, height, border)
#define glGetTexLevelParameteriv(target, level, name, value) \
    webgl::GetTexLevelParameteriv(target, level, name, value)
#define glReadPixels(x, y, width, height, format, type, pixels) \
    webgl::ReadPixels(x, y, width, height, format, type, pixels)
#define gluPerspective(fieldOfViewY, aspect, zNear, zFar) \
    webgl::Perspective(fieldOfViewY, aspect, zNear, zFar)
#define gluLookAt(eyeX, eyeY, eyeZ, centreX, centreY, centreZ, upX, upY, upZ) \
    webgl::LookAt(eyeX, eyeY, eyeZ, centreX, centreY, centreZ, upX, upY, upZ)

#endif
