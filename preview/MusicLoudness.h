// The music's loudness for the timeline strip, measured on a worker thread
// so that decoding a long piece of music never holds up a frame: the strip
// draws without it and takes it, once, when it is ready. Destroying the
// measurement stops the decoding within a piece of the sound and waits for
// the worker, so closing the preview while it decodes does not hang.
#pragma once

#include <atomic>
#include <string>
#include <thread>

#include "audio/Loudness.h"

class SoundDecoder;

class MusicLoudness {
public:
    enum class State { NotStarted, Measuring, Ready, Failed };

    MusicLoudness() = default;
    ~MusicLoudness();
    MusicLoudness(const MusicLoudness&) = delete;
    MusicLoudness& operator=(const MusicLoudness&) = delete;

    // Starts measuring the music at `path` with `decoder`, which the worker
    // uses alone until it is done; does nothing after the first call.
    void Start(SoundDecoder& decoder, const std::string& path);

    // On the drawing thread: where the measurement stands. Allocates
    // nothing.
    State Poll();

    // The music's loudness, to be read only once Poll has said Ready.
    const LoudnessEnvelope& Envelope() const { return envelope; }

private:
    void Measure(SoundDecoder& decoder, std::string path);

    std::thread worker;
    std::atomic<bool> stop{false};
    std::atomic<bool> done{false};
    bool measured = false;
    State state = State::NotStarted;
    // The worker's until `done` is set, the drawing thread's after.
    LoudnessEnvelope envelope;
};
