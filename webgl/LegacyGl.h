// The GL 1.1 calls that the browser build's fixed-function emulation lacks
// or gets wrong, done on top of the calls it has, so that the effects keep
// drawing with the GL they call on every other system.
//
// In the browser build every source file sees the GL names below turned into
// these functions (webgl/RedirectGl.h); elsewhere nothing uses them but their
// tests, which hold them against the real thing on a desktop GL. What they
// add to the emulation:
// - sphere-map texture coordinates, computed on the processor for indexed
//   draws from client arrays;
// - wireframe: triangles drawn from an index list become lines;
// - pixel rectangles (raster position, zoom, glDrawPixels) as a textured
//   quad;
// - attribute and client attribute stacks for what the show's saved-state
//   helper changes;
// - the size of every level of every texture, for glGetTexLevelParameteriv;
// - gluPerspective and gluLookAt that multiply the current matrix;
// - RGB read-back through RGBA, sized internal formats as unsized ones, and
//   only the pixel-store settings that WebGL 1 knows.
//
// Nothing here allocates once a frame's arrays and pictures have been seen:
// the scratch buffers only grow.
#pragma once

#include <GL/gl.h>

namespace webgl {

void Enable(GLenum capability);
void Disable(GLenum capability);
GLboolean IsEnabled(GLenum capability);
void EnableClientState(GLenum array);
void DisableClientState(GLenum array);
// Only the hint that WebGL knows (mipmap generation) reaches the GL.
void Hint(GLenum target, GLenum mode);
// Nothing: the emulation always shades smoothly, and has no flat shading.
void ShadeModel(GLenum mode);

void Color3f(GLfloat red, GLfloat green, GLfloat blue);
void Color4f(GLfloat red, GLfloat green, GLfloat blue, GLfloat alpha);

// Only GL_SPHERE_MAP is computed; the other modes leave the coordinates of
// the texture coordinate array.
void TexGeni(GLenum coordinate, GLenum name, GLint mode);
// GL_LINE draws GL_TRIANGLES of indexed draws as their edges, GL_POINT as
// their corners. With different modes for the two faces, the front face's
// mode is used for both.
void PolygonMode(GLenum face, GLenum mode);

void VertexPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer);
void NormalPointer(GLenum type, GLsizei stride, const GLvoid* pointer);
void TexCoordPointer(GLint size, GLenum type, GLsizei stride, const GLvoid* pointer);
void DrawElements(GLenum mode, GLsizei count, GLenum type, const GLvoid* indices);

// The state groups of GL_CURRENT_BIT, GL_ENABLE_BIT, GL_COLOR_BUFFER_BIT,
// GL_DEPTH_BUFFER_BIT, GL_VIEWPORT_BIT, GL_POLYGON_BIT, GL_TRANSFORM_BIT,
// GL_PIXEL_MODE_BIT and GL_TEXTURE_BIT, as far as the emulation has them;
// GL_CLIENT_PIXEL_STORE_BIT of the client stack. A pop without a push does
// nothing.
void PushAttrib(GLbitfield mask);
void PopAttrib();
void PushClientAttrib(GLbitfield mask);
void PopClientAttrib();
void PixelStorei(GLenum name, GLint value);

void RasterPos2f(GLfloat x, GLfloat y);
void PixelZoom(GLfloat x, GLfloat y);
// GL_RGB or GL_RGBA bytes, drawn with the raster position at their lower
// left corner, through the current blending; nothing for other formats or
// an invalid raster position.
void DrawPixels(GLsizei width, GLsizei height, GLenum format, GLenum type, const GLvoid* pixels);

void BindTexture(GLenum target, GLuint texture);
void DeleteTextures(GLsizei count, const GLuint* textures);
void TexImage2D(GLenum target, GLint level, GLint internalFormat, GLsizei width, GLsizei height,
                GLint border, GLenum format, GLenum type, const GLvoid* pixels);
void CopyTexImage2D(GLenum target, GLint level, GLenum internalFormat, GLint x, GLint y,
                    GLsizei width, GLsizei height, GLint border);
// GL_TEXTURE_WIDTH, GL_TEXTURE_HEIGHT and GL_TEXTURE_INTERNAL_FORMAT of a
// level of the bound 2D texture: 0 for a level never defined.
void GetTexLevelParameteriv(GLenum target, GLint level, GLenum name, GLint* value);

void ReadPixels(GLint x, GLint y, GLsizei width, GLsizei height, GLenum format, GLenum type,
                GLvoid* pixels);

void Perspective(GLdouble fieldOfViewY, GLdouble aspect, GLdouble zNear, GLdouble zFar);
void LookAt(GLdouble eyeX, GLdouble eyeY, GLdouble eyeZ, GLdouble centreX, GLdouble centreY,
            GLdouble centreZ, GLdouble upX, GLdouble upY, GLdouble upZ);

// Forgets everything the layer knows of the GL context: for a new context.
void Reset();

}  // namespace webgl
