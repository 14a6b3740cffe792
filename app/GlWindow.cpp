#include "app/GlWindow.h"

#include <cstring>

namespace {

constexpr const char* kShutdownCaption = "SHUTDOWN ERROR";

// One pixel format request for every window of the process, filled in by
// the first creation that gets that far.
PixelFormatRequest sharedPixelFormat;
bool sharedPixelFormatFilled = false;

}  // namespace

bool ExtensionListHas(const char* list, const char* name) {
    if (!list || !name || !*name) return false;
    const size_t length = std::strlen(name);
    const char* at = list;
    while ((at = std::strstr(at, name)) != nullptr) {
        const bool startsWord = at == list || at[-1] == ' ';
        const bool endsWord = at[length] == '\0' || at[length] == ' ';
        if (startsWord && endsWord) return true;
        ++at;
    }
    return false;
}

GlWindow::GlWindow(WindowSystem& system, MessageBoxes& boxes) : system(system), boxes(boxes) {}

GlWindow::~GlWindow() { Kill(); }

bool GlWindow::Create(const WindowSettings& settings) {
    fullscreen = settings.fullscreen;

    if (!system.RegisterWindowClass()) return false;
    active = true;

    displayMode = DisplayModeRequest{settings.width, settings.height, settings.bits};
    if (fullscreen && !system.ChangeDisplayMode(&displayMode)) {
        // The display refused the mode: a normal window instead, silently.
        fullscreen = false;
    }

    if (fullscreen) system.ShowCursor(false);
    WindowCreateRequest request;
    request.title = settings.title;
    request.left = 0;  // the top left of the screen, not where the window manager likes
    request.top = 0;
    request.clientWidth = settings.width;
    request.clientHeight = settings.height;
    request.style = fullscreen ? WindowStyle::Popup : WindowStyle::Normal;
    if (!system.OpenWindow(request)) {
        Kill();
        return false;
    }
    hasWindow = true;

    if (!sharedPixelFormatFilled) {
        sharedPixelFormat = PixelFormatRequest{settings.bits, 16, true};
        sharedPixelFormatFilled = true;
    }

    if (!system.AcquireDeviceContext()) {
        Kill();
        return false;
    }
    hasDeviceContext = true;

    const int32_t format =
        multisampleReady ? multisampleFormat : system.ChoosePixelFormat(sharedPixelFormat);
    if (format == 0) {
        // Only the window goes now; the display mode and the class stay
        // until the final teardown.
        system.ReleaseDeviceContext();
        system.DestroyWindow();
        hasDeviceContext = false;
        hasWindow = false;
        return false;
    }
    if (!system.SetPixelFormat(format, sharedPixelFormat)) {
        Kill();
        return false;
    }

    if (!system.CreateContext()) {
        Kill();
        return false;
    }
    hasContext = true;
    if (!system.MakeContextCurrent(true)) {
        Kill();
        return false;
    }

    if (!multisampleReady && FindMultisampleFormat()) {
        // A multisampled format can only be set on a new window.
        Kill();
        return Create(settings);
    }

    system.ShowAndFocus();
    Resize(settings.width, settings.height);
    return true;
}

bool GlWindow::Kill() {
    if (!active) return true;

    if (fullscreen) {
        system.ChangeDisplayMode(nullptr);
        system.ShowCursor(true);
    }
    if (hasContext) {
        if (!system.MakeContextCurrent(false)) {
            boxes.Show("Release of DC and RC failed.", kShutdownCaption, MessageBoxIcon::Information,
                       MessageBoxButtons::Ok);
        }
        if (!system.DeleteContext()) {
            boxes.Show("Release rendering context failed.", kShutdownCaption,
                       MessageBoxIcon::Information, MessageBoxButtons::Ok);
        }
        hasContext = false;
    }
    if (hasDeviceContext) {
        if (!system.ReleaseDeviceContext()) {
            boxes.Show("Release device context failed.", kShutdownCaption,
                       MessageBoxIcon::Information, MessageBoxButtons::Ok);
        }
        hasDeviceContext = false;
    }
    if (hasWindow) {
        if (!system.DestroyWindow()) {
            boxes.Show("Could not release hWnd.", kShutdownCaption, MessageBoxIcon::Information,
                       MessageBoxButtons::Ok);
        }
        hasWindow = false;
    }
    if (!system.UnregisterWindowClass()) {
        boxes.Show("Could not unregister class.", kShutdownCaption, MessageBoxIcon::Information,
                   MessageBoxButtons::Ok);
    }
    active = false;
    return true;
}

void GlWindow::Resize(int32_t width, int32_t height) {
    if (height == 0) height = 1;
    viewportWidth = width;
    viewportHeight = height;
    const float target = static_cast<float>(height) * aspect;
    if (static_cast<float>(width) < target) {
        // In double precision: 1280 / 1.3333334f is 959.99997, not 960.
        viewportHeight = static_cast<int32_t>(static_cast<double>(width) / static_cast<double>(aspect));
    } else if (static_cast<float>(width) > target) {
        viewportWidth = static_cast<int32_t>(target);
    }
    system.SetViewport(viewportWidth, viewportHeight);
}

void GlWindow::Swap() { system.SwapBuffers(); }

int32_t GlWindow::RefreshRate() { return system.DisplayRefreshRate(); }

bool GlWindow::HasExtension(const char* name) {
    const char* list = system.PlatformExtensions();
    if (!list) list = system.GlExtensions();
    if (!list) return false;
    return ExtensionListHas(list, name);
}

bool GlWindow::FindMultisampleFormat() {
    if (!HasExtension(system.MultisampleExtensionName()) || !system.HasMultisampleFormatSearch()) {
        multisampleReady = false;
        return false;
    }
    for (int32_t samples : {4, 2}) {
        MultisampleRequest request;
        request.samples = samples;
        int32_t format = 0;
        uint32_t count = 0;
        if (system.FindMultisampleFormat(request, format, count) && count >= 1) {
            multisampleReady = true;
            multisampleFormat = format;
            return true;
        }
    }
    return false;
}
