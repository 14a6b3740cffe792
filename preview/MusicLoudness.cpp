#include "preview/MusicLoudness.h"

#include <functional>

MusicLoudness::~MusicLoudness() {
    stop = true;
    if (worker.joinable()) worker.join();
}

void MusicLoudness::Start(SoundDecoder& decoder, const std::string& path) {
    if (state != State::NotStarted) return;
    state = State::Measuring;
    worker = std::thread(&MusicLoudness::Measure, this, std::ref(decoder), path);
}

void MusicLoudness::Measure(SoundDecoder& decoder, std::string path) {
    std::string problem;  // the strip says only that it has no loudness
    measured = MeasureMusicLoudness(decoder, path.c_str(), kLoudnessWindowMs, envelope, problem, &stop);
    if (!measured) envelope = LoudnessEnvelope{};
    done.store(true, std::memory_order_release);
}

MusicLoudness::State MusicLoudness::Poll() {
    if (state == State::Measuring && done.load(std::memory_order_acquire)) {
        worker.join();  // done: it returns at once
        state = measured ? State::Ready : State::Failed;
    }
    return state;
}
