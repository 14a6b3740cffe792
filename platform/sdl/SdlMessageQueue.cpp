#include <SDL.h>

#include "platform/sdl/SdlPlatform.h"

int VirtualKeyFromSdlKey(int32_t sdlKey) {
    if (sdlKey >= SDLK_a && sdlKey <= SDLK_z) return 'A' + (sdlKey - SDLK_a);
    if (sdlKey >= SDLK_0 && sdlKey <= SDLK_9) return '0' + (sdlKey - SDLK_0);
    if (sdlKey >= SDLK_F1 && sdlKey <= SDLK_F12) return vk::kF1 + (sdlKey - SDLK_F1);
    if (sdlKey >= SDLK_KP_1 && sdlKey <= SDLK_KP_9) return vk::kNumpad0 + 1 + (sdlKey - SDLK_KP_1);
    switch (sdlKey) {
        case SDLK_BACKSPACE: return vk::kBack;
        case SDLK_TAB: return vk::kTab;
        case SDLK_RETURN: return vk::kReturn;
        case SDLK_KP_ENTER: return vk::kReturn;
        case SDLK_LSHIFT: case SDLK_RSHIFT: return vk::kShift;
        case SDLK_LCTRL: case SDLK_RCTRL: return vk::kControl;
        case SDLK_LALT: case SDLK_RALT: return vk::kMenu;
        case SDLK_PAUSE: return vk::kPause;
        case SDLK_CAPSLOCK: return vk::kCapital;
        case SDLK_ESCAPE: return vk::kEscape;
        case SDLK_SPACE: return vk::kSpace;
        case SDLK_PAGEUP: return vk::kPrior;
        case SDLK_PAGEDOWN: return vk::kNext;
        case SDLK_END: return vk::kEnd;
        case SDLK_HOME: return vk::kHome;
        case SDLK_LEFT: return vk::kLeft;
        case SDLK_UP: return vk::kUp;
        case SDLK_RIGHT: return vk::kRight;
        case SDLK_DOWN: return vk::kDown;
        case SDLK_INSERT: return vk::kInsert;
        case SDLK_DELETE: return vk::kDelete;
        case SDLK_KP_0: return vk::kNumpad0;
        case SDLK_KP_MULTIPLY: return vk::kMultiply;
        case SDLK_KP_PLUS: return vk::kAdd;
        case SDLK_KP_MINUS: return vk::kSubtract;
        case SDLK_KP_PERIOD: return vk::kDecimal;
        case SDLK_KP_DIVIDE: return vk::kDivide;
        case SDLK_SEMICOLON: return vk::kOemSemicolon;
        case SDLK_EQUALS: return vk::kOemPlus;
        case SDLK_COMMA: return vk::kOemComma;
        case SDLK_MINUS: return vk::kOemMinus;
        case SDLK_PERIOD: return vk::kOemPeriod;
        case SDLK_SLASH: return vk::kOemSlash;
        case SDLK_BACKQUOTE: return vk::kOemBacktick;
        case SDLK_LEFTBRACKET: return vk::kOemOpenBracket;
        case SDLK_BACKSLASH: return vk::kOemBackslash;
        case SDLK_RIGHTBRACKET: return vk::kOemCloseBracket;
        case SDLK_QUOTE: return vk::kOemQuote;
        default: return 0;
    }
}

namespace {

// The client size of the window an event belongs to, in drawable pixels.
void DrawableSize(const SDL_WindowEvent& event, int& width, int& height) {
    width = event.data1;
    height = event.data2;
    if (SDL_Window* window = SDL_GetWindowFromID(event.windowID)) {
        if (SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL) {
            SDL_GL_GetDrawableSize(window, &width, &height);
        }
    }
}

// A pointer position in window coordinates, in the drawable pixels that the
// viewport counts (more of them on a high-density display).
intptr_t PointInPixels(Uint32 windowID, int x, int y) {
    if (SDL_Window* window = SDL_GetWindowFromID(windowID)) {
        int width = 0, height = 0, pixelsWide = 0, pixelsHigh = 0;
        SDL_GetWindowSize(window, &width, &height);
        if (SDL_GetWindowFlags(window) & SDL_WINDOW_OPENGL) SDL_GL_GetDrawableSize(window, &pixelsWide, &pixelsHigh);
        if (width > 0 && height > 0 && pixelsWide > 0 && pixelsHigh > 0) {
            x = static_cast<int>(static_cast<int64_t>(x) * pixelsWide / width);
            y = static_cast<int>(static_cast<int64_t>(y) * pixelsHigh / height);
        }
    }
    return msg::PackPoint(x, y);
}

bool Translate(const SDL_Event& event, Message& out) {
    switch (event.type) {
        case SDL_QUIT:
            out = Message{msg::kQuit, 0, 0};
            return true;
        case SDL_WINDOWEVENT:
            if (event.window.event == SDL_WINDOWEVENT_SIZE_CHANGED) {
                int width = 0, height = 0;
                DrawableSize(event.window, width, height);
                out = Message{msg::kSize, 0, msg::PackSize(width, height)};
                return true;
            }
            if (event.window.event == SDL_WINDOWEVENT_EXPOSED) {
                out = Message{msg::kPaint, 0, 0};
                return true;
            }
            if (event.window.event == SDL_WINDOWEVENT_CLOSE) {
                out = Message{msg::kClose, 0, 0};
                return true;
            }
            if (event.window.event == SDL_WINDOWEVENT_LEAVE) {
                out = Message{msg::kMouseLeave, 0, 0};
                return true;
            }
            return false;
        case SDL_MOUSEMOTION:
            out = Message{msg::kMouseMove, (event.motion.state & SDL_BUTTON_LMASK) ? msg::kLeftButtonHeld : 0u,
                          PointInPixels(event.motion.windowID, event.motion.x, event.motion.y)};
            return true;
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            if (event.button.button != SDL_BUTTON_LEFT) return false;
            out = Message{event.type == SDL_MOUSEBUTTONDOWN ? msg::kLeftButtonDown : msg::kLeftButtonUp,
                          event.type == SDL_MOUSEBUTTONDOWN ? msg::kLeftButtonHeld : 0u,
                          PointInPixels(event.button.windowID, event.button.x, event.button.y)};
            return true;
        case SDL_MOUSEWHEEL: {
            // Turned away from the user is positive, whichever way the
            // system flips the wheel; the message says where the pointer is.
            const int notches = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
            if (notches == 0) return false;
            int x = 0, y = 0;
            SDL_GetMouseState(&x, &y);
            out = Message{msg::kMouseWheel, static_cast<uintptr_t>(msg::PackWheel(notches * msg::kWheelNotch)),
                          PointInPixels(event.wheel.windowID, x, y)};
            return true;
        }
        case SDL_KEYDOWN:
        case SDL_KEYUP: {
            const int key = VirtualKeyFromSdlKey(event.key.keysym.sym);
            if (key == 0) return false;
            out = Message{event.type == SDL_KEYDOWN ? msg::kKeyDown : msg::kKeyUp,
                          static_cast<uintptr_t>(key), 0};
            return true;
        }
        default:
            return false;
    }
}

}  // namespace

bool SdlMessageQueue::Peek(Message& out) {
    if (holding) {
        holding = false;
        out = held;
        return true;
    }
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
        if (Translate(event, out)) return true;
    }
    if (quitPosted) {
        quitPosted = false;
        out = Message{msg::kQuit, static_cast<uintptr_t>(quitCode), 0};
        return true;
    }
    return false;
}

bool SdlMessageQueue::WaitForMessage(uint32_t milliseconds) {
    if (holding || quitPosted) return true;
    const uint32_t start = SDL_GetTicks();
    for (;;) {
        const uint32_t waited = SDL_GetTicks() - start;
        if (waited >= milliseconds) return false;
        SDL_Event event;
        if (!SDL_WaitEventTimeout(&event, static_cast<int>(milliseconds - waited))) return false;
        // Events that are no message (the mouse, say) do not end the wait.
        if (Translate(event, held)) {
            holding = true;
            return true;
        }
    }
}

void SdlMessageQueue::PostQuit(int exitCode) {
    quitPosted = true;
    quitCode = exitCode;
}

intptr_t SdlMessageQueue::DefaultProcedure(const Message&) { return 0; }
