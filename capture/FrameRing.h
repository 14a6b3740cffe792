// Hands finished frames from the drawing thread to one writer thread, so
// that encoding or saving a frame overlaps with drawing the next.
//
// The ring's buffers are allocated once, up front; the drawing thread fills
// a free one (Acquire), hands it over (Publish), and goes on drawing while
// the writer passes it to the sink and frees it. When all buffers are
// waiting to be written, Acquire waits. The writer thread touches only the
// bytes, never the show or GL.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <thread>
#include <vector>

// Where written frames go: a video encoder or PNG files.
class FrameSink {
public:
    virtual ~FrameSink() = default;
    // Writes frame `index`: `pixels` holds its RGB bytes, bottom row first,
    // as glReadPixels gives them. False when the frame could not be written;
    // no further frames are then offered.
    virtual bool WriteFrame(const uint8_t* pixels, uint64_t index) = 0;
};

class FrameRing {
public:
    FrameRing(size_t frameBytes, int bufferCount, FrameSink& sink);
    // Finishes first if Finish was not called.
    ~FrameRing();

    FrameRing(const FrameRing&) = delete;
    FrameRing& operator=(const FrameRing&) = delete;

    // A free buffer of frameBytes bytes to fill, waiting for one if the
    // writer is behind; null once a write has failed.
    uint8_t* Acquire();
    // Queues the buffer from the last Acquire as the next frame.
    void Publish();
    // Waits until every queued frame is written and stops the writer. True
    // when every write succeeded.
    bool Finish();

    uint64_t FramesWritten() const;

private:
    void WriteFrames();

    FrameSink& sink;
    std::vector<std::vector<uint8_t>> buffers;
    mutable std::mutex mutex;
    std::condition_variable frameQueued;  // the writer waits on it
    std::condition_variable bufferFreed;  // Acquire and Finish wait on it
    size_t nextToFill = 0;   // drawing side
    size_t nextToWrite = 0;  // writer side
    size_t queued = 0;       // buffers published and not yet written
    bool acquired = false;   // a buffer is out with the drawing thread
    bool stopping = false;
    bool failed = false;
    uint64_t published = 0;
    uint64_t written = 0;
    std::thread writer;
};
