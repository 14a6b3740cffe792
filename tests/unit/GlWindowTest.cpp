// The window's own logic against a scripted windowing system: the order of
// the steps, the fall-backs, the multisampled re-creation, the teardown
// messages and the 4:3 viewport rule.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/GlWindow.h"
#include "support/Doubles.h"

namespace {

// Logs every call; each operation can be told to fail.
class ScriptedWindowSystem : public WindowSystem {
public:
    bool RegisterWindowClass() override { return Call("register", failRegister); }
    bool UnregisterWindowClass() override { return Call("unregister", failUnregister); }
    bool ChangeDisplayMode(const DisplayModeRequest* mode) override {
        if (!mode) return Call("display:desktop", false);
        lastMode = *mode;
        return Call("display:" + std::to_string(mode->width) + "x" + std::to_string(mode->height) +
                        "x" + std::to_string(mode->bitsPerPixel),
                    failDisplayMode);
    }
    void ShowCursor(bool visible) override { Call(visible ? "cursor:show" : "cursor:hide", false); }
    bool OpenWindow(const WindowCreateRequest& request) override {
        lastWindow = request;
        ++windowsCreated;
        return Call(request.style == WindowStyle::Popup ? "window:popup" : "window:normal",
                    failWindow);
    }
    bool DestroyWindow() override { return Call("destroy-window", failDestroyWindow); }
    bool AcquireDeviceContext() override { return Call("get-dc", failDeviceContext); }
    bool ReleaseDeviceContext() override { return Call("release-dc", failReleaseDc); }
    int32_t ChoosePixelFormat(const PixelFormatRequest& request) override {
        lastFormatRequest = request;
        Call("choose-format", false);
        return chosenFormat;
    }
    bool SetPixelFormat(int32_t format, const PixelFormatRequest&) override {
        return Call("set-format:" + std::to_string(format), failSetFormat);
    }
    bool CreateContext() override { return Call("create-context", failContext); }
    bool MakeContextCurrent(bool current) override {
        return Call(current ? "make-current" : "make-current:none",
                    current ? failMakeCurrent : failReleaseCurrent);
    }
    bool DeleteContext() override { return Call("delete-context", failDeleteContext); }
    const char* PlatformExtensions() override { return platformExtensions; }
    const char* GlExtensions() override { return glExtensions; }
    const char* MultisampleExtensionName() override { return "GLX_ARB_multisample"; }
    bool HasMultisampleFormatSearch() override { return hasSearch; }
    bool FindMultisampleFormat(const MultisampleRequest& request, int32_t& format,
                               uint32_t& count) override {
        Call("find-multisample:" + std::to_string(request.samples), false);
        count = 0;
        for (int samples : offeredSamples) {
            if (samples == request.samples) {
                format = 100 + samples;
                count = 1;
            }
        }
        return true;
    }
    void ShowAndFocus() override { Call("show", false); }
    void SwapBuffers() override { Call("swap", false); }
    int32_t DisplayRefreshRate() override { return 0; }
    void SetViewport(int32_t width, int32_t height) override {
        Call("viewport:" + std::to_string(width) + "x" + std::to_string(height), false);
    }

    std::vector<std::string> calls;
    bool failRegister = false, failUnregister = false, failDisplayMode = false;
    bool failWindow = false, failDestroyWindow = false, failDeviceContext = false;
    bool failReleaseDc = false, failSetFormat = false, failContext = false;
    bool failMakeCurrent = false, failReleaseCurrent = false, failDeleteContext = false;
    int32_t chosenFormat = 1;
    const char* platformExtensions = "GLX_EXT_visual_info";
    const char* glExtensions = "GL_ARB_multitexture";
    bool hasSearch = true;
    std::vector<int> offeredSamples;
    int windowsCreated = 0;
    WindowCreateRequest lastWindow;
    DisplayModeRequest lastMode;
    PixelFormatRequest lastFormatRequest;

private:
    bool Call(const std::string& name, bool fail) {
        calls.push_back(name);
        return !fail;
    }
};

class GlWindowLogic : public ::testing::Test {
protected:
    WindowSettings Settings(bool fullscreen = false) {
        WindowSettings settings;
        settings.fullscreen = fullscreen;
        return settings;
    }
    ScriptedWindowSystem system;
    RecordingMessageBoxes boxes;
};

using Calls = std::vector<std::string>;

}  // namespace

TEST_F(GlWindowLogic, OpensAWindowInTheFixedOrder) {
    GlWindow window(system, boxes);
    ASSERT_TRUE(window.Create(Settings()));
    EXPECT_EQ(system.calls,
              (Calls{"register", "window:normal", "get-dc", "choose-format", "set-format:1",
                     "create-context", "make-current", "show", "viewport:800x600"}));
    EXPECT_EQ(system.lastWindow.title, "Demo");
    EXPECT_EQ(system.lastFormatRequest.colorBits, 32);
    EXPECT_EQ(system.lastFormatRequest.depthBits, 16);
    EXPECT_TRUE(system.lastFormatRequest.doubleBuffer);
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(GlWindowLogic, FullScreenSwitchesTheDisplayAndHidesTheCursor) {
    GlWindow window(system, boxes);
    ASSERT_TRUE(window.Create(Settings(true)));
    EXPECT_TRUE(window.IsFullscreen());
    EXPECT_EQ(system.calls[1], "display:800x600x32");
    EXPECT_EQ(system.calls[2], "cursor:hide");
    EXPECT_EQ(system.calls[3], "window:popup");

    system.calls.clear();
    window.Kill();
    EXPECT_EQ(system.calls[0], "display:desktop");
    EXPECT_EQ(system.calls[1], "cursor:show");
}

TEST_F(GlWindowLogic, RefusedFullScreenOpensANormalWindowSilently) {
    system.failDisplayMode = true;
    GlWindow window(system, boxes);
    ASSERT_TRUE(window.Create(Settings(true)));
    EXPECT_FALSE(window.IsFullscreen());
    EXPECT_EQ(system.lastWindow.style, WindowStyle::Normal);
    for (const std::string& call : system.calls) EXPECT_NE(call, "cursor:hide");
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(GlWindowLogic, FailedClassRegistrationUndoesNothing) {
    system.failRegister = true;
    GlWindow window(system, boxes);
    EXPECT_FALSE(window.Create(Settings()));
    EXPECT_EQ(system.calls, Calls{"register"});
    EXPECT_FALSE(window.IsActive());
}

TEST_F(GlWindowLogic, EachCreationFailureTearsDownWhatWasBuilt) {
    struct Case {
        bool ScriptedWindowSystem::*failure;
        Calls teardown;
    };
    const std::vector<Case> cases = {
        {&ScriptedWindowSystem::failWindow, {"window:normal", "unregister"}},
        {&ScriptedWindowSystem::failDeviceContext, {"get-dc", "destroy-window", "unregister"}},
        {&ScriptedWindowSystem::failSetFormat,
         {"set-format:1", "release-dc", "destroy-window", "unregister"}},
        {&ScriptedWindowSystem::failContext,
         {"create-context", "release-dc", "destroy-window", "unregister"}},
        {&ScriptedWindowSystem::failMakeCurrent,
         {"make-current", "make-current:none", "delete-context", "release-dc", "destroy-window",
          "unregister"}},
    };
    for (const Case& c : cases) {
        ScriptedWindowSystem failing;
        failing.*(c.failure) = true;
        RecordingMessageBoxes quiet;
        GlWindow window(failing, quiet);
        EXPECT_FALSE(window.Create(Settings()));
        EXPECT_FALSE(window.IsActive());
        const Calls tail(failing.calls.end() - static_cast<long>(c.teardown.size()),
                         failing.calls.end());
        EXPECT_EQ(tail, c.teardown);
        EXPECT_TRUE(quiet.boxes.empty());
    }
}

TEST_F(GlWindowLogic, NoPixelFormatDropsOnlyTheWindowUntilTheFinalTeardown) {
    system.chosenFormat = 0;
    GlWindow window(system, boxes);
    EXPECT_FALSE(window.Create(Settings()));
    EXPECT_EQ(system.calls, (Calls{"register", "window:normal", "get-dc", "choose-format",
                                   "release-dc", "destroy-window"}));
    EXPECT_TRUE(window.IsActive());
    system.calls.clear();
    window.Kill();
    EXPECT_EQ(system.calls, Calls{"unregister"});
}

TEST_F(GlWindowLogic, FourSamplesMakeASecondWindowWithThatFormat) {
    system.platformExtensions = "GLX_ARB_create_context GLX_ARB_multisample";
    system.offeredSamples = {2, 4};
    GlWindow window(system, boxes);
    ASSERT_TRUE(window.Create(Settings()));
    EXPECT_EQ(system.windowsCreated, 2);
    EXPECT_TRUE(window.IsMultisampleReady());
    EXPECT_EQ(window.MultisampleFormat(), 104);
    EXPECT_EQ(system.calls,
              (Calls{"register", "window:normal", "get-dc", "choose-format", "set-format:1",
                     "create-context", "make-current", "find-multisample:4", "make-current:none",
                     "delete-context", "release-dc", "destroy-window", "unregister", "register",
                     "window:normal", "get-dc", "set-format:104", "create-context", "make-current",
                     "show", "viewport:800x600"}));
}

TEST_F(GlWindowLogic, OnlyTwoSamplesGiveTheTwoSampleFormat) {
    system.platformExtensions = "GLX_ARB_multisample";
    system.offeredSamples = {2};
    GlWindow window(system, boxes);
    ASSERT_TRUE(window.Create(Settings()));
    EXPECT_EQ(window.MultisampleFormat(), 102);
    EXPECT_EQ(system.windowsCreated, 2);
}

TEST_F(GlWindowLogic, NoMultisamplingKeepsTheFirstWindow) {
    // The extension is named only in the GL list, which is not searched
    // while the windowing system has a list of its own.
    system.glExtensions = "GLX_ARB_multisample";
    system.offeredSamples = {4};
    GlWindow window(system, boxes);
    ASSERT_TRUE(window.Create(Settings()));
    EXPECT_EQ(system.windowsCreated, 1);
    EXPECT_FALSE(window.IsMultisampleReady());

    ScriptedWindowSystem noSearch;
    noSearch.platformExtensions = "GLX_ARB_multisample";
    noSearch.hasSearch = false;
    noSearch.offeredSamples = {4};
    GlWindow second(noSearch, boxes);
    ASSERT_TRUE(second.Create(Settings()));
    EXPECT_EQ(noSearch.windowsCreated, 1);
}

TEST_F(GlWindowLogic, ExtensionsMatchOnlyWholeWords) {
    EXPECT_TRUE(ExtensionListHas("GLX_ARB_multisample", "GLX_ARB_multisample"));
    EXPECT_TRUE(ExtensionListHas("A GLX_ARB_multisample B", "GLX_ARB_multisample"));
    EXPECT_FALSE(ExtensionListHas("GLX_ARB_multisample_extra", "GLX_ARB_multisample"));
    EXPECT_FALSE(ExtensionListHas("XGLX_ARB_multisample", "GLX_ARB_multisample"));
    EXPECT_TRUE(ExtensionListHas("GLX_ARB_multisamplex GLX_ARB_multisample", "GLX_ARB_multisample"));
    EXPECT_FALSE(ExtensionListHas(nullptr, "GLX_ARB_multisample"));

    system.platformExtensions = nullptr;
    system.glExtensions = "GL_ARB_multitexture GL_EXT_bgra";
    GlWindow window(system, boxes);
    EXPECT_TRUE(window.HasExtension("GL_EXT_bgra"));
    system.glExtensions = nullptr;
    EXPECT_FALSE(window.HasExtension("GL_EXT_bgra"));
}

TEST_F(GlWindowLogic, TeardownReportsEveryFailingStepAndGoesOn) {
    GlWindow window(system, boxes);
    ASSERT_TRUE(window.Create(Settings()));
    system.failReleaseCurrent = system.failDeleteContext = system.failReleaseDc = true;
    system.failDestroyWindow = system.failUnregister = true;
    window.Kill();
    EXPECT_EQ(boxes.Texts(),
              (std::vector<std::string>{"Release of DC and RC failed.",
                                        "Release rendering context failed.",
                                        "Release device context failed.", "Could not release hWnd.",
                                        "Could not unregister class."}));
    for (const auto& box : boxes.boxes) {
        EXPECT_EQ(box.caption, "SHUTDOWN ERROR");
        EXPECT_EQ(box.icon, MessageBoxIcon::Information);
    }

    boxes.boxes.clear();
    system.calls.clear();
    window.Kill();  // a second teardown does nothing
    EXPECT_TRUE(system.calls.empty());
    EXPECT_TRUE(boxes.boxes.empty());
}

TEST_F(GlWindowLogic, ViewportIsTheLargestFourByThreeRectangle) {
    GlWindow window(system, boxes);
    struct Case {
        int32_t width, height, expectedWidth, expectedHeight;
    };
    for (const Case& c : {Case{800, 600, 800, 600}, Case{1280, 720, 960, 720},
                          Case{1920, 1080, 1440, 1080}, Case{1280, 1024, 1280, 959},
                          Case{640, 0, 1, 1}}) {
        window.Resize(c.width, c.height);
        EXPECT_EQ(window.GetViewportWidth(), c.expectedWidth) << c.width << "x" << c.height;
        EXPECT_EQ(window.GetViewportHeight(), c.expectedHeight) << c.width << "x" << c.height;
    }
    EXPECT_EQ(system.calls.back(), "viewport:1x1");
}
