#include "platform/sdl/SdlWindowSystem.h"

#include <GL/gl.h>
#include <SDL.h>
#include <SDL_syswm.h>

#include <cmath>
#include <cstring>

namespace {

constexpr int32_t kStandardFormat = 1;
constexpr int32_t kMultisampleFormatBase = 100;

struct FormatAttributes {
    int alphaBits = 0;
    int depthBits = 16;
    int stencilBits = 0;
    bool doubleBuffer = true;
    bool accelerated = false;  // ask for a hardware-accelerated visual
    int samples = 0;
};

// The attributes of a multisampled format search, which the format found
// is made with.
FormatAttributes MultisampleAttributes(const MultisampleRequest& request) {
    FormatAttributes attributes;
    attributes.alphaBits = request.alphaBits;
    attributes.depthBits = request.depthBits;
    attributes.stencilBits = request.stencilBits;
    attributes.accelerated = request.fullAcceleration;
    attributes.samples = request.samples;
    return attributes;
}

void ApplyAttributes(const FormatAttributes& attributes) {
    SDL_GL_ResetAttributes();
    SDL_GL_SetAttribute(SDL_GL_RED_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_GREEN_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_BLUE_SIZE, 8);
    SDL_GL_SetAttribute(SDL_GL_ALPHA_SIZE, attributes.alphaBits);
    SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, attributes.depthBits);
    SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, attributes.stencilBits);
    if (attributes.accelerated) SDL_GL_SetAttribute(SDL_GL_ACCELERATED_VISUAL, 1);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_RED_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_GREEN_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_BLUE_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_ACCUM_ALPHA_SIZE, 0);
    SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, attributes.doubleBuffer ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLEBUFFERS, attributes.samples > 0 ? 1 : 0);
    SDL_GL_SetAttribute(SDL_GL_MULTISAMPLESAMPLES, attributes.samples);
}

// The window icon: a small ring of warm light on a dark ground, drawn here so
// that the program needs no icon file.
SDL_Surface* MakeIcon() {
    constexpr int kSide = 32;
    SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormat(0, kSide, kSide, 32, SDL_PIXELFORMAT_RGBA32);
    if (!icon) return nullptr;
    auto* pixels = static_cast<Uint8*>(icon->pixels);
    for (int y = 0; y < kSide; ++y) {
        for (int x = 0; x < kSide; ++x) {
            const float dx = (x + 0.5f) - kSide / 2.0f;
            const float dy = (y + 0.5f) - kSide / 2.0f;
            const float distance = std::sqrt(dx * dx + dy * dy);
            const float ring = std::fmax(0.0f, 1.0f - std::fabs(distance - 10.0f) / 4.0f);
            const float glow = std::fmax(0.0f, 1.0f - distance / 16.0f) * 0.35f;
            const float light = std::fmin(1.0f, ring + glow);
            Uint8* pixel = pixels + y * icon->pitch + x * 4;
            pixel[0] = static_cast<Uint8>(40 + 215 * light);
            pixel[1] = static_cast<Uint8>(30 + 170 * light);
            pixel[2] = static_cast<Uint8>(60 + 40 * light);
            pixel[3] = distance < 15.5f ? 255 : 0;
        }
    }
    return icon;
}

// The windowing system that `window` lives in, with its handles; false
// when SDL cannot tell.
bool WindowSystemInfo(SDL_Window* window, SDL_SysWMinfo& info) {
    SDL_VERSION(&info.version);
    return window && SDL_GetWindowWMInfo(window, &info) == SDL_TRUE;
}

}  // namespace

struct SdlWindowSystem::State {
    SDL_Window* window = nullptr;
    SDL_GLContext context = nullptr;
    SDL_Surface* icon = nullptr;
    WindowCreateRequest request;
    int32_t windowFormat = kStandardFormat;
    // The search that last found a multisampled format.
    MultisampleRequest multisampleFound;
    bool fullscreenMode = false;
    SDL_DisplayMode displayMode{};

    FormatAttributes AttributesOf(int32_t format, const PixelFormatRequest& pixelFormat) const {
        if (format > kMultisampleFormatBase) {
            MultisampleRequest request = multisampleFound;
            request.samples = format - kMultisampleFormatBase;
            return MultisampleAttributes(request);
        }
        FormatAttributes attributes;
        attributes.depthBits = pixelFormat.depthBits;
        attributes.doubleBuffer = pixelFormat.doubleBuffer;
        return attributes;
    }

    bool MakeWindow(const FormatAttributes& attributes) {
        ApplyAttributes(attributes);
        Uint32 flags = SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN;
        if (request.style == WindowStyle::Popup) {
            flags |= SDL_WINDOW_FULLSCREEN;
        } else {
#if !defined(__EMSCRIPTEN__)
            // In a web page the canvas keeps the window's size in pixels
            // and the page scales it.
            flags |= SDL_WINDOW_RESIZABLE | SDL_WINDOW_ALLOW_HIGHDPI;
#endif
        }
        window = SDL_CreateWindow(request.title.c_str(), request.left, request.top,
                                  request.clientWidth, request.clientHeight, flags);
        if (!window) return false;
        if (request.style == WindowStyle::Popup) SDL_SetWindowDisplayMode(window, &displayMode);
        if (icon) SDL_SetWindowIcon(window, icon);
        return true;
    }
};

SdlWindowSystem::SdlWindowSystem(Multisampling multisampling)
    : state(std::make_unique<State>()), multisampling(multisampling) {}

SdlWindowSystem::~SdlWindowSystem() {
    if (state->context) SDL_GL_DeleteContext(state->context);
    if (state->window) SDL_DestroyWindow(state->window);
    if (state->icon) SDL_FreeSurface(state->icon);
}

bool SdlWindowSystem::RegisterWindowClass() {
    if (!SDL_WasInit(SDL_INIT_VIDEO)) return false;
    if (!state->icon) state->icon = MakeIcon();
    return true;
}

bool SdlWindowSystem::UnregisterWindowClass() { return true; }

bool SdlWindowSystem::ChangeDisplayMode(const DisplayModeRequest* mode) {
    if (!mode) {
        if (state->window && state->fullscreenMode) SDL_SetWindowFullscreen(state->window, 0);
        state->fullscreenMode = false;
        return true;
    }
    SDL_DisplayMode wanted{};
    wanted.w = mode->width;
    wanted.h = mode->height;
    wanted.format = mode->bitsPerPixel >= 24 ? SDL_PIXELFORMAT_RGB888 : 0;
    SDL_DisplayMode closest{};
    if (!SDL_GetClosestDisplayMode(0, &wanted, &closest)) return false;
    if (closest.w != mode->width || closest.h != mode->height) return false;
    state->displayMode = closest;
    state->fullscreenMode = true;
    return true;
}

void SdlWindowSystem::ShowCursor(bool visible) { SDL_ShowCursor(visible ? SDL_ENABLE : SDL_DISABLE); }

bool SdlWindowSystem::OpenWindow(const WindowCreateRequest& request) {
    state->request = request;
    state->windowFormat = kStandardFormat;
    return state->MakeWindow(state->AttributesOf(kStandardFormat, PixelFormatRequest{32, 16, true}));
}

bool SdlWindowSystem::DestroyWindow() {
    if (!state->window) return false;
    SDL_DestroyWindow(state->window);
    state->window = nullptr;
    return true;
}

bool SdlWindowSystem::AcquireDeviceContext() { return state->window != nullptr; }

bool SdlWindowSystem::ReleaseDeviceContext() { return true; }

int32_t SdlWindowSystem::ChoosePixelFormat(const PixelFormatRequest&) {
    return state->window ? kStandardFormat : 0;
}

bool SdlWindowSystem::SetPixelFormat(int32_t format, const PixelFormatRequest& request) {
    if (!state->window) return false;
    const FormatAttributes attributes = state->AttributesOf(format, request);
    if (format != state->windowFormat) {
        SDL_DestroyWindow(state->window);
        state->window = nullptr;
        if (!state->MakeWindow(attributes)) return false;
        state->windowFormat = format;
    }
    return true;
}

bool SdlWindowSystem::CreateContext() {
    if (!state->window) return false;
    state->context = SDL_GL_CreateContext(state->window);
    return state->context != nullptr;
}

bool SdlWindowSystem::MakeContextCurrent(bool current) {
    if (!state->window) return false;
    return SDL_GL_MakeCurrent(state->window, current ? state->context : nullptr) == 0;
}

bool SdlWindowSystem::DeleteContext() {
    if (!state->context) return false;
    SDL_GL_DeleteContext(state->context);
    state->context = nullptr;
    return true;
}

const char* SdlWindowSystem::PlatformExtensions() {
    if (!state->window) return nullptr;
    SDL_SysWMinfo info;
    [[maybe_unused]] const bool known = WindowSystemInfo(state->window, info);
#if defined(SDL_VIDEO_DRIVER_X11)
    if (known && info.subsystem == SDL_SYSWM_X11) {
        using QueryGlx = const char* (*)(void*, int);
        auto query = reinterpret_cast<QueryGlx>(SDL_GL_GetProcAddress("glXQueryExtensionsString"));
        if (query) return query(info.info.x11.display, SDL_GetWindowDisplayIndex(state->window));
        return nullptr;
    }
#endif
#if defined(SDL_VIDEO_DRIVER_WINDOWS)
    if (known && info.subsystem == SDL_SYSWM_WINDOWS) {
        using QueryWgl = const char*(WINAPI*)(HDC);
        auto query = reinterpret_cast<QueryWgl>(SDL_GL_GetProcAddress("wglGetExtensionsStringARB"));
        return query ? query(info.info.win.hdc) : nullptr;
    }
#endif
    using CurrentDisplay = void* (*)();
    using QueryEgl = const char* (*)(void*, int);
    auto currentDisplay = reinterpret_cast<CurrentDisplay>(SDL_GL_GetProcAddress("eglGetCurrentDisplay"));
    auto query = reinterpret_cast<QueryEgl>(SDL_GL_GetProcAddress("eglQueryString"));
    constexpr int kEglExtensions = 0x3055;
    if (currentDisplay && query) {
        if (void* display = currentDisplay()) return query(display, kEglExtensions);
    }
    return nullptr;
}

const char* SdlWindowSystem::GlExtensions() {
    return reinterpret_cast<const char*>(glGetString(GL_EXTENSIONS));
}

const char* SdlWindowSystem::MultisampleExtensionName() {
    // Each windowing system announces multisampled formats in its own list.
    SDL_SysWMinfo info;
    if (WindowSystemInfo(state->window, info) && info.subsystem == SDL_SYSWM_WINDOWS) {
        return "WGL_ARB_multisample";
    }
    return "GLX_ARB_multisample";
}

bool SdlWindowSystem::HasMultisampleFormatSearch() {
    return multisampling == Multisampling::WhereOffered;
}

bool SdlWindowSystem::FindMultisampleFormat(const MultisampleRequest& request, int32_t& format,
                                            uint32_t& count) {
    // A format is there when a small hidden window with it takes a context.
    count = 0;
    ApplyAttributes(MultisampleAttributes(request));
    SDL_Window* probe = SDL_CreateWindow("", 0, 0, 1, 1, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    if (!probe) return true;
    if (SDL_GLContext context = SDL_GL_CreateContext(probe)) {
        int samples = 0;
        SDL_GL_GetAttribute(SDL_GL_MULTISAMPLESAMPLES, &samples);
        SDL_GL_DeleteContext(context);
        if (samples >= request.samples) {
            format = kMultisampleFormatBase + request.samples;
            count = 1;
            state->multisampleFound = request;
        }
    }
    SDL_DestroyWindow(probe);
    if (state->window && state->context) SDL_GL_MakeCurrent(state->window, state->context);
    return true;
}

void SdlWindowSystem::ShowAndFocus() {
    if (!state->window) return;
    SDL_ShowWindow(state->window);
    SDL_RaiseWindow(state->window);
}

void SdlWindowSystem::SwapBuffers() {
    if (state->window) SDL_GL_SwapWindow(state->window);
}

int32_t SdlWindowSystem::DisplayRefreshRate() {
    // The display's current mode: in full screen, the mode switched to.
    const int display = state->window ? SDL_GetWindowDisplayIndex(state->window) : 0;
    SDL_DisplayMode mode{};
    if (display < 0 || SDL_GetCurrentDisplayMode(display, &mode) != 0) return 0;
    return mode.refresh_rate;
}

void SdlWindowSystem::SetViewport(int32_t width, int32_t height) {
    glViewport(0, 0, width, height);
    glLoadIdentity();
}
