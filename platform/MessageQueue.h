// The thread's message queue: where window messages wait for the run loop.
//
// The platform layer fills it from its native events; tests use a scripted
// queue. Posting a quit puts a quit message into the queue, which is handed
// out only once every other pending message has been taken, so that what the
// user did before quitting is still handled.
#pragma once

#include <cstdint>

#include "platform/Messages.h"

class MessageQueue {
public:
    virtual ~MessageQueue() = default;

    // Removes the next pending message into `out` without waiting; false
    // when the queue is empty.
    virtual bool Peek(Message& out) = 0;

    // Waits up to `milliseconds` for a message, without taking it; true
    // when one is waiting. A program with nothing to draw waits here
    // instead of spinning.
    virtual bool WaitForMessage(uint32_t milliseconds) = 0;

    // Queues a quit message carrying `exitCode`.
    virtual void PostQuit(int exitCode) = 0;

    // The system's own handling of a message that the window procedure does
    // not handle itself.
    virtual intptr_t DefaultProcedure(const Message& message) = 0;
};
