#include "capture/FrameRing.h"

FrameRing::FrameRing(size_t frameBytes, int bufferCount, FrameSink& sink)
    : sink(sink), buffers(static_cast<size_t>(bufferCount < 1 ? 1 : bufferCount)) {
    for (std::vector<uint8_t>& buffer : buffers) buffer.resize(frameBytes);
    writer = std::thread([this] { WriteFrames(); });
}

FrameRing::~FrameRing() { Finish(); }

uint8_t* FrameRing::Acquire() {
    std::unique_lock<std::mutex> lock(mutex);
    bufferFreed.wait(lock, [this] { return failed || queued < buffers.size(); });
    if (failed) return nullptr;
    acquired = true;
    return buffers[nextToFill].data();
}

void FrameRing::Publish() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (!acquired) return;
        acquired = false;
        nextToFill = (nextToFill + 1) % buffers.size();
        ++queued;
        ++published;
    }
    frameQueued.notify_one();
}

bool FrameRing::Finish() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    frameQueued.notify_one();
    if (writer.joinable()) writer.join();
    std::lock_guard<std::mutex> lock(mutex);
    return !failed && written == published;
}

uint64_t FrameRing::FramesWritten() const {
    std::lock_guard<std::mutex> lock(mutex);
    return written;
}

void FrameRing::WriteFrames() {
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        frameQueued.wait(lock, [this] { return queued > 0 || stopping; });
        if (queued == 0) return;  // stopping, and everything is written
        const uint8_t* pixels = buffers[nextToWrite].data();
        const uint64_t index = written;
        lock.unlock();
        const bool ok = sink.WriteFrame(pixels, index);
        lock.lock();
        if (!ok) {
            failed = true;
            bufferFreed.notify_all();
            return;
        }
        nextToWrite = (nextToWrite + 1) % buffers.size();
        --queued;
        ++written;
        bufferFreed.notify_all();
    }
}
