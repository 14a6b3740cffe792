// The windowing system on SDL: one OpenGL window with its context.
//
// SDL fixes a window's pixel format when it creates the window, so the
// window is created hidden and, when the format set on it differs from the
// one it was made with, made again with that format before anyone sees it.
// Pixel format numbers: 1 is the standard format, 100 + n the n-sample one,
// made with the rest of the attributes of the search that found it.
#pragma once

#include <memory>

#include "platform/WindowSystem.h"

class SdlWindowSystem : public WindowSystem {
public:
    // Off: the window never takes a multisampled format, so that it draws
    // the same pixels whatever the display offers.
    enum class Multisampling { WhereOffered, Off };

    explicit SdlWindowSystem(Multisampling multisampling = Multisampling::WhereOffered);
    ~SdlWindowSystem() override;

    bool RegisterWindowClass() override;
    bool UnregisterWindowClass() override;
    bool ChangeDisplayMode(const DisplayModeRequest* mode) override;
    void ShowCursor(bool visible) override;
    bool OpenWindow(const WindowCreateRequest& request) override;
    bool DestroyWindow() override;
    bool AcquireDeviceContext() override;
    bool ReleaseDeviceContext() override;
    int32_t ChoosePixelFormat(const PixelFormatRequest& request) override;
    bool SetPixelFormat(int32_t format, const PixelFormatRequest& request) override;
    bool CreateContext() override;
    bool MakeContextCurrent(bool current) override;
    bool DeleteContext() override;
    const char* PlatformExtensions() override;
    const char* GlExtensions() override;
    const char* MultisampleExtensionName() override;
    bool HasMultisampleFormatSearch() override;
    bool FindMultisampleFormat(const MultisampleRequest& request, int32_t& format,
                               uint32_t& count) override;
    void ShowAndFocus() override;
    void SwapBuffers() override;
    int32_t DisplayRefreshRate() override;
    void SetViewport(int32_t width, int32_t height) override;

private:
    struct State;
    std::unique_ptr<State> state;
    Multisampling multisampling;
};
