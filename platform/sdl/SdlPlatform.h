// The SDL stand-ins for the operating system's services: start-up, the
// message queue, message boxes and the millisecond clock (the window is in
// SdlWindowSystem.h). This header is free of SDL types, so that the program's wiring
// does not see SDL.
#pragma once

#include <cstdint>
#include <string>

#include "platform/Clock.h"
#include "platform/MessageBoxes.h"
#include "platform/MessageQueue.h"

// Starts SDL's video, event and timer parts and keeps the screen saver off
// while the show runs; stops SDL when destroyed.
//
// SDL falls back to a video driver without a screen (offscreen, dummy) when
// it finds no display; a show played there is seen by nobody. Start refuses
// such a driver unless the environment asks for it by name
// (SDL_VIDEODRIVER=offscreen, as the capture and the tests do).
class SdlSystem {
public:
    // What becomes of SIGINT and SIGTERM. SDL's own handlers turn them into
    // a quit message, which ends the show and the preview as closing the
    // window does; a program that reads no messages (the capture) handles
    // them itself and keeps SDL from taking them.
    enum class Signals { QuitMessage, LeftToTheProgram };

    SdlSystem() = default;
    ~SdlSystem();
    SdlSystem(const SdlSystem&) = delete;
    SdlSystem& operator=(const SdlSystem&) = delete;

    bool Start(Signals signals = Signals::QuitMessage);
    // True when the last Start failed because there is no display.
    bool NoDisplay() const { return noDisplay; }
    // Why the last Start failed.
    const std::string& Problem() const { return problem; }
    // Before Start: asks for SDL's offscreen driver by name, so that windows
    // are drawn off the screen, with no display. Only where that driver has
    // OpenGL (through EGL): Windows has no EGL, so there the windows stay
    // ordinary ones.
    static void DrawOffscreen();
    // SDL's description of the last failure.
    static const char* LastError();

private:
    bool started = false;
    bool noDisplay = false;
    std::string problem;
};

// SDL events as window messages: size, exposure (paint), close, key down
// (repeats included) and key up with the show's key numbers, the mouse
// (moves, the left button, the wheel, leaving the window) in the drawable
// pixels of the client area, and quit. A posted quit is handed out once no
// other message is waiting.
class SdlMessageQueue : public MessageQueue {
public:
    bool Peek(Message& out) override;
    bool WaitForMessage(uint32_t milliseconds) override;
    void PostQuit(int exitCode) override;
    intptr_t DefaultProcedure(const Message& message) override;

private:
    // The message that a wait found, handed out by the next Peek.
    Message held;
    bool holding = false;
    bool quitPosted = false;
    int quitCode = 0;
};

// The show's key number for an SDL key code, or 0 for a key without one.
int VirtualKeyFromSdlKey(int32_t sdlKey);

// Message boxes drawn by SDL. Without a display the text goes to standard
// error and questions are answered with their default.
class SdlMessageBoxes : public MessageBoxes {
public:
    MessageBoxAnswer Show(std::string_view text, std::string_view caption, MessageBoxIcon icon,
                          MessageBoxButtons buttons) override;
};

// SDL's millisecond tick count, which wraps like a 32-bit clock, and sleep.
class SdlClock : public Clock {
public:
    uint32_t Milliseconds() override;
    void Sleep(uint32_t milliseconds) override;
};
