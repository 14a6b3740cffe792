#include "render/RenderToolkit.h"

#include <GL/glu.h>

RenderToolkit::RenderToolkit(const ViewportSize& window) : window(window) {
    glEnable(GL_TEXTURE_2D);
    glShadeModel(GL_SMOOTH);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    glDepthFunc(GL_LEQUAL);
    glHint(GL_PERSPECTIVE_CORRECTION_HINT, GL_NICEST);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
}

void RenderToolkit::Clear(float red, float green, float blue) {
    glClearColor(red, green, blue, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

void RenderToolkit::BeginOrtho() {
    glPushMatrix();
    glLoadIdentity();
    gluOrtho2D(0.0, width, 0.0, height);
}

void RenderToolkit::EndOrtho() { glPopMatrix(); }

void RenderToolkit::ApplyPerspective() {
    gluPerspective(fieldOfView, width / height, nearPlane, farPlane);
}

void RenderToolkit::SetBlend(GLenum source, GLenum destination) {
    glEnable(GL_BLEND);
    glBlendFunc(source, destination);
    glDisable(GL_DEPTH_TEST);
}

void RenderToolkit::ResetBlend() {
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
}

void RenderToolkit::DrawCentered(Texture& texture, float scale) {
    const float halfWidth = texture.width * 0.5f * scale;
    const float halfHeight = texture.height * 0.5f * scale;
    const float centreX = width / 2.0f;
    const float centreY = height / 2.0f;
    texture.Bind();
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2f(centreX - halfWidth, centreY - halfHeight);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2f(centreX - halfWidth, centreY + halfHeight);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2f(centreX + halfWidth, centreY + halfHeight);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2f(centreX + halfWidth, centreY - halfHeight);
    glEnd();
}

void RenderToolkit::DrawFullscreen(Texture& texture) {
    const GLint right = static_cast<GLint>(width);
    const GLint top = static_cast<GLint>(height);
    texture.Bind();
    glBegin(GL_QUADS);
    glTexCoord2f(0.0f, 0.0f);
    glVertex2i(0, 0);
    glTexCoord2f(0.0f, 1.0f);
    glVertex2i(0, top);
    glTexCoord2f(1.0f, 1.0f);
    glVertex2i(right, top);
    glTexCoord2f(1.0f, 0.0f);
    glVertex2i(right, 0);
    glEnd();
}

void RenderToolkit::DrawFullscreenShifted(Texture& texture, float du, float dv, float inset) {
    const GLint right = static_cast<GLint>(width);
    const GLint top = static_cast<GLint>(height);
    const float uLeft = du + inset;
    const float uRight = du + 1.0f - inset;
    const float vBottom = dv + inset;
    const float vTop = dv + 1.0f - inset;
    texture.Bind();
    glBegin(GL_QUADS);
    glTexCoord2f(uLeft, vBottom);
    glVertex2i(0, 0);
    glTexCoord2f(uLeft, vTop);
    glVertex2i(0, top);
    glTexCoord2f(uRight, vTop);
    glVertex2i(right, top);
    glTexCoord2f(uRight, vBottom);
    glVertex2i(right, 0);
    glEnd();
}

void RenderToolkit::CopyToTexture(Texture& texture, GLenum internalFormat) {
    texture.Bind();
    glCopyTexImage2D(GL_TEXTURE_2D, 0, internalFormat, 0, 0, texture.width, texture.width, 0);
}

void RenderToolkit::SetViewport(int32_t viewportWidth, int32_t viewportHeight) {
    if (viewportWidth <= 0) viewportWidth = window.GetViewportWidth();
    if (viewportHeight <= 0) viewportHeight = window.GetViewportHeight();
    glViewport(0, 0, viewportWidth, viewportHeight);
}

void RenderToolkit::SetSphereMap(bool on) {
    if (on) {
        glEnable(GL_TEXTURE_GEN_S);
        glEnable(GL_TEXTURE_GEN_T);
    } else {
        glDisable(GL_TEXTURE_GEN_S);
        glDisable(GL_TEXTURE_GEN_T);
    }
}
