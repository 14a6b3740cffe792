// The windowing system's operations that the show's window needs: window
// class, display mode, cursor, window, device context, pixel format, OpenGL
// context, extension lists, multisampled formats and the buffer swap.
//
// Each operation does one thing and reports whether it worked; the order of
// the steps, the values and what to do on failure belong to the caller
// (app/GlWindow.h). The SDL implementation lives in platform/sdl/; tests use
// a scripted double.
#pragma once

#include <cstdint>
#include <string>

// The full-screen display mode asked for.
struct DisplayModeRequest {
    int32_t width = 0;
    int32_t height = 0;
    int32_t bitsPerPixel = 0;
};

// The pixel format asked for: RGBA with the given colour and depth bits,
// double buffered, no alpha, accumulation, stencil or auxiliary buffers.
struct PixelFormatRequest {
    int32_t colorBits = 0;
    int32_t depthBits = 0;
    bool doubleBuffer = false;
};

enum class WindowStyle { Normal, Popup };

struct WindowCreateRequest {
    std::string title;
    int32_t left = 0;  // the window's position on the screen
    int32_t top = 0;
    int32_t clientWidth = 0;
    int32_t clientHeight = 0;
    WindowStyle style = WindowStyle::Normal;
};

// What a multisampled format must offer: drawing into a window with OpenGL,
// accelerated, 24 colour and 8 alpha bits, a 16-bit depth buffer, no
// stencil, double buffering, one sample buffer and `samples` samples.
struct MultisampleRequest {
    bool fullAcceleration = true;
    int32_t colorBits = 24;
    int32_t alphaBits = 8;
    int32_t depthBits = 16;
    int32_t stencilBits = 0;
    int32_t samples = 0;
};

class WindowSystem {
public:
    virtual ~WindowSystem() = default;

    virtual bool RegisterWindowClass() = 0;
    virtual bool UnregisterWindowClass() = 0;

    // Switches the display to `mode`; null switches back to the desktop's own.
    virtual bool ChangeDisplayMode(const DisplayModeRequest* mode) = 0;
    virtual void ShowCursor(bool visible) = 0;

    // Creates the window (named so, and not CreateWindow, because Windows'
    // headers make that name a macro).
    virtual bool OpenWindow(const WindowCreateRequest& request) = 0;
    virtual bool DestroyWindow() = 0;
    virtual bool AcquireDeviceContext() = 0;
    virtual bool ReleaseDeviceContext() = 0;

    // The format closest to `request`, or 0 when there is none.
    virtual int32_t ChoosePixelFormat(const PixelFormatRequest& request) = 0;
    virtual bool SetPixelFormat(int32_t format, const PixelFormatRequest& request) = 0;

    virtual bool CreateContext() = 0;
    // Makes the context current, or no context current when `current` is false.
    virtual bool MakeContextCurrent(bool current) = 0;
    virtual bool DeleteContext() = 0;

    // The windowing system's own extension list, or null when it has none.
    virtual const char* PlatformExtensions() = 0;
    // The OpenGL extension list of the current context, or null.
    virtual const char* GlExtensions() = 0;
    // The extension that announces multisampled pixel formats.
    virtual const char* MultisampleExtensionName() = 0;
    // Whether the multisampled format search function exists.
    virtual bool HasMultisampleFormatSearch() = 0;
    // Looks for one format matching `request`: false when the search failed;
    // otherwise `count` formats matched and `format` is the first.
    virtual bool FindMultisampleFormat(const MultisampleRequest& request, int32_t& format,
                                       uint32_t& count) = 0;

    // Shows the window, brings it to the front and gives it the keyboard focus.
    virtual void ShowAndFocus() = 0;
    virtual void SwapBuffers() = 0;
    // The refresh rate, in Hz, of the display that the window is on; 0 when
    // it cannot be told.
    virtual int32_t DisplayRefreshRate() = 0;
    // Sets the GL viewport at the origin and resets the current matrix.
    virtual void SetViewport(int32_t width, int32_t height) = 0;
};
