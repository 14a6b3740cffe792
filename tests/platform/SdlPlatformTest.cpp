// The SDL stand-ins under SDL's headless drivers: events become the right
// window messages, the clock ticks and sleeps, windows are made as asked.
#include <GL/gl.h>
#include <SDL.h>
#include <gtest/gtest.h>

#include <vector>

#include "platform/sdl/SdlPlatform.h"
#include "platform/sdl/SdlWindowSystem.h"

namespace {

class SdlPlatform : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(system.Start()) << SdlSystem::LastError();
        SDL_FlushEvents(SDL_FIRSTEVENT, SDL_LASTEVENT);
    }

    static void PushKey(Uint32 type, SDL_Keycode key, Uint8 repeat = 0) {
        SDL_Event event{};
        event.type = type;
        event.key.state = type == SDL_KEYDOWN ? SDL_PRESSED : SDL_RELEASED;
        event.key.repeat = repeat;
        event.key.keysym.sym = key;
        SDL_PushEvent(&event);
    }

    static void PushWindowEvent(Uint8 windowEvent, int data1 = 0, int data2 = 0) {
        SDL_Event event{};
        event.type = SDL_WINDOWEVENT;
        event.window.event = windowEvent;
        event.window.data1 = data1;
        event.window.data2 = data2;
        SDL_PushEvent(&event);
    }

    SdlSystem system;
    SdlMessageQueue queue;
};

}  // namespace

TEST_F(SdlPlatform, KeyEventsBecomeKeyMessagesWithVirtualKeyCodes) {
    PushKey(SDL_KEYDOWN, SDLK_ESCAPE);
    PushKey(SDL_KEYDOWN, SDLK_ESCAPE, 1);  // auto-repeat
    PushKey(SDL_KEYUP, SDLK_ESCAPE);
    PushKey(SDL_KEYDOWN, SDLK_F13);  // no virtual-key code: dropped
    PushKey(SDL_KEYDOWN, SDLK_q);

    Message message;
    ASSERT_TRUE(queue.Peek(message));
    EXPECT_EQ(message.id, msg::kKeyDown);
    EXPECT_EQ(message.wParam, 27u);
    ASSERT_TRUE(queue.Peek(message));
    EXPECT_EQ(message.id, msg::kKeyDown);
    EXPECT_EQ(message.wParam, 27u);
    ASSERT_TRUE(queue.Peek(message));
    EXPECT_EQ(message.id, msg::kKeyUp);
    EXPECT_EQ(message.wParam, 27u);
    ASSERT_TRUE(queue.Peek(message));
    EXPECT_EQ(message.id, msg::kKeyDown);
    EXPECT_EQ(message.wParam, static_cast<uintptr_t>('Q'));
    EXPECT_FALSE(queue.Peek(message));
}

TEST(SdlKeyCodes, MapToVirtualKeys) {
    EXPECT_EQ(VirtualKeyFromSdlKey(SDLK_a), 65);
    EXPECT_EQ(VirtualKeyFromSdlKey(SDLK_z), 90);
    EXPECT_EQ(VirtualKeyFromSdlKey(SDLK_0), 48);
    EXPECT_EQ(VirtualKeyFromSdlKey(SDLK_9), 57);
    EXPECT_EQ(VirtualKeyFromSdlKey(SDLK_RETURN), 13);
    EXPECT_EQ(VirtualKeyFromSdlKey(SDLK_SPACE), 32);
    EXPECT_EQ(VirtualKeyFromSdlKey(SDLK_LEFT), 37);
    EXPECT_EQ(VirtualKeyFromSdlKey(SDLK_UP), 38);
    EXPECT_EQ(VirtualKeyFromSdlKey(SDLK_RIGHT), 39);
    EXPECT_EQ(VirtualKeyFromSdlKey(SDLK_DOWN), 40);
    EXPECT_EQ(VirtualKeyFromSdlKey(SDLK_F1), 112);
    EXPECT_EQ(VirtualKeyFromSdlKey(SDLK_F12), 123);
    EXPECT_EQ(VirtualKeyFromSdlKey(SDLK_PAGEUP), 33);
    EXPECT_EQ(VirtualKeyFromSdlKey(SDLK_PAGEDOWN), 34);
    EXPECT_EQ(VirtualKeyFromSdlKey(SDLK_HOME), 36);
    EXPECT_EQ(VirtualKeyFromSdlKey(SDLK_KP_0), 96);
    EXPECT_EQ(VirtualKeyFromSdlKey(SDLK_KP_9), 105);
    EXPECT_EQ(VirtualKeyFromSdlKey(SDLK_F13), 0);
}

TEST_F(SdlPlatform, WindowEventsBecomeSizeAndCloseMessages) {
    PushWindowEvent(SDL_WINDOWEVENT_SIZE_CHANGED, 1280, 720);
    PushWindowEvent(SDL_WINDOWEVENT_MOVED, 10, 10);  // not a message
    PushWindowEvent(SDL_WINDOWEVENT_CLOSE);

    Message message;
    ASSERT_TRUE(queue.Peek(message));
    EXPECT_EQ(message.id, msg::kSize);
    EXPECT_EQ(msg::SizeWidth(message.lParam), 1280);
    EXPECT_EQ(msg::SizeHeight(message.lParam), 720);
    ASSERT_TRUE(queue.Peek(message));
    EXPECT_EQ(message.id, msg::kClose);
    EXPECT_FALSE(queue.Peek(message));
}

TEST_F(SdlPlatform, MouseEventsBecomeMouseMessagesAtThePointer) {
    SDL_Event event{};
    event.type = SDL_MOUSEMOTION;
    event.motion.x = 300;
    event.motion.y = -2;  // above the window while dragging
    event.motion.state = SDL_BUTTON_LMASK;
    SDL_PushEvent(&event);
    for (const Uint8 button : {SDL_BUTTON_RIGHT, SDL_BUTTON_LEFT}) {  // the right one is no message
        event = SDL_Event{};
        event.type = SDL_MOUSEBUTTONDOWN;
        event.button.button = button;
        event.button.x = 12;
        event.button.y = 590;
        SDL_PushEvent(&event);
    }
    event.type = SDL_MOUSEBUTTONUP;
    SDL_PushEvent(&event);
    for (const Uint32 direction : {SDL_MOUSEWHEEL_NORMAL, SDL_MOUSEWHEEL_FLIPPED}) {
        event = SDL_Event{};
        event.type = SDL_MOUSEWHEEL;
        event.wheel.y = 2;
        event.wheel.direction = direction;
        SDL_PushEvent(&event);
    }
    PushWindowEvent(SDL_WINDOWEVENT_LEAVE);

    const std::vector<Message> expected{
        {msg::kMouseMove, msg::kLeftButtonHeld, msg::PackPoint(300, -2)},
        {msg::kLeftButtonDown, msg::kLeftButtonHeld, msg::PackPoint(12, 590)},
        {msg::kLeftButtonUp, 0, msg::PackPoint(12, 590)},
        {msg::kMouseWheel, static_cast<uintptr_t>(msg::PackWheel(240)), 0},
        {msg::kMouseWheel, static_cast<uintptr_t>(msg::PackWheel(-240)), 0},
        {msg::kMouseLeave, 0, 0},
    };
    for (const Message& wanted : expected) {
        Message message;
        ASSERT_TRUE(queue.Peek(message));
        EXPECT_EQ(message.id, wanted.id);
        EXPECT_EQ(message.wParam, wanted.wParam);
        // The wheel's message carries where the pointer is now.
        if (wanted.id != msg::kMouseWheel) {
            EXPECT_EQ(message.lParam, wanted.lParam);
        }
    }
    Message message;
    EXPECT_FALSE(queue.Peek(message));
    // Positions and turns come back with their signs.
    EXPECT_EQ(msg::PointY(msg::PackPoint(300, -2)), -2);
    EXPECT_EQ(msg::WheelTurn(static_cast<uintptr_t>(msg::PackWheel(-240))), -240);
}

TEST_F(SdlPlatform, PostedQuitComesAfterEveryOtherMessage) {
    queue.PostQuit(0);
    PushKey(SDL_KEYDOWN, SDLK_SPACE);

    Message message;
    ASSERT_TRUE(queue.Peek(message));
    EXPECT_EQ(message.id, msg::kKeyDown);
    ASSERT_TRUE(queue.Peek(message));
    EXPECT_EQ(message.id, msg::kQuit);
    EXPECT_FALSE(queue.Peek(message));
}

TEST_F(SdlPlatform, SdlQuitBecomesAQuitMessage) {
    SDL_Event event{};
    event.type = SDL_QUIT;
    SDL_PushEvent(&event);
    Message message;
    ASSERT_TRUE(queue.Peek(message));
    EXPECT_EQ(message.id, msg::kQuit);
}

TEST_F(SdlPlatform, ScreenSaverStaysOff) { EXPECT_FALSE(SDL_IsScreenSaverEnabled()); }

TEST_F(SdlPlatform, ClockSleepsAtLeastAsLongAsAsked) {
    SdlClock clock;
    const uint32_t before = clock.Milliseconds();
    clock.Sleep(20);
    EXPECT_GE(clock.Milliseconds() - before, 20u);
}

TEST_F(SdlPlatform, WindowIsWhereAskedWithTheMultisampledFormatItsSearchFound) {
    SdlWindowSystem windows;
    ASSERT_TRUE(windows.RegisterWindowClass());
    WindowCreateRequest request;
    request.title = "format";
    request.clientWidth = 64;
    request.clientHeight = 48;
    ASSERT_TRUE(windows.OpenWindow(request));
    MultisampleRequest search;
    search.samples = 4;
    int32_t format = 0;
    uint32_t count = 0;
    ASSERT_TRUE(windows.FindMultisampleFormat(search, format, count));
    ASSERT_EQ(count, 1u) << "Mesa offers four samples";
    ASSERT_TRUE(windows.SetPixelFormat(format, PixelFormatRequest{32, 16, true}));
    ASSERT_TRUE(windows.CreateContext());
    ASSERT_TRUE(windows.MakeContextCurrent(true));

    int x = -1, y = -1;
    SDL_GetWindowPosition(SDL_GL_GetCurrentWindow(), &x, &y);
    EXPECT_EQ(x, 0);
    EXPECT_EQ(y, 0);
    GLint samples = 0, alphaBits = 0;
    glGetIntegerv(GL_SAMPLES, &samples);
    glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
    EXPECT_EQ(samples, 4);
    EXPECT_EQ(alphaBits, search.alphaBits);
    windows.MakeContextCurrent(false);
    windows.DeleteContext();
    windows.DestroyWindow();
}
