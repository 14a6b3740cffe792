#include <GL/gl.h>
#include <SDL.h>

#include "platform/sdl/SdlPlatform.h"

struct SdlGlWindow::Handles {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
};

SdlGlWindow::SdlGlWindow() : handles(std::make_unique<Handles>()) {}

SdlGlWindow::~SdlGlWindow() { Kill(); }

bool SdlGlWindow::Create(const WindowSettings& settings) {
    Kill();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, 16);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);

    Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_RESIZABLE;
    if (settings.fullscreen) flags |= SDL_WINDOW_FULLSCREEN;
    handles->window = SDL_CreateWindow(settings.title.c_str(), SDL_WINDOWPOS_UNDEFINED,
                                       SDL_WINDOWPOS_UNDEFINED, settings.width, settings.height,
                                       flags);
    if (!handles->window) return false;
    handles->context = SDL_GL_CreateContext(handles->window);
    if (!handles->context) {
        Kill();
        return false;
    }
    if (settings.fullscreen) SDL_ShowCursor(SDL_DISABLE);
    int width = settings.width, height = settings.height;
    SDL_GL_GetDrawableSize(handles->window, &width, &height);
    Resize(width, height);
    return true;
}

void SdlGlWindow::Kill() {
    if (handles->context) {
        SDL_GL_MakeCurrent(handles->window, nullptr);
        SDL_GL_DeleteContext(handles->context);
        handles->context = nullptr;
    }
    if (handles->window) {
        SDL_DestroyWindow(handles->window);
        handles->window = nullptr;
        SDL_ShowCursor(SDL_ENABLE);
    }
}

void SdlGlWindow::Swap() {
    if (handles->window) SDL_GL_SwapWindow(handles->window);
}

void SdlGlWindow::Resize(int32_t width, int32_t height) {
    if (!handles->context) return;
    if (height == 0) height = 1;
    glViewport(0, 0, width, height);
    glLoadIdentity();
}
