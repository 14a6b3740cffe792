// The show window's message handler: key presses go to the keyboard state,
// size changes to the window's viewport, a close request becomes a quit, and
// the screen saver and monitor power-saving are refused. Everything else
// gets the system's default handling.
#pragma once

#include "app/Keyboard.h"
#include "platform/MessageQueue.h"
#include "render/WindowSurface.h"

class WindowProcedure {
public:
    WindowProcedure(Keyboard& keyboard, WindowSurface& window, MessageQueue& queue)
        : keyboard(keyboard), window(window), queue(queue) {}

    intptr_t Handle(const Message& message);

private:
    Keyboard& keyboard;
    WindowSurface& window;
    MessageQueue& queue;
};
