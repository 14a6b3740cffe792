#include "audio/Loudness.h"

#include <algorithm>
#include <cmath>
#include <vector>

float LoudnessEnvelope::LoudestBetween(double fromMs, double toMs) const {
    if (!(windowMs > 0.0) || levels.empty() || !(toMs > fromMs)) return 0.0f;
    const double count = static_cast<double>(levels.size());
    const double first = std::clamp(std::floor(fromMs / windowMs), 0.0, count);
    const double last = std::clamp(std::ceil(toMs / windowMs), 0.0, count);
    float loudest = 0.0f;
    for (size_t i = static_cast<size_t>(first); i < static_cast<size_t>(last); ++i) {
        loudest = std::max(loudest, levels[i]);
    }
    return loudest;
}

float LoudnessEnvelope::Loudest() const {
    return levels.empty() ? 0.0f : *std::max_element(levels.begin(), levels.end());
}

LoudnessMeter::LoudnessMeter(double windowMs, LoudnessEnvelope& envelope, const std::atomic<bool>* stop)
    : windowMs(windowMs), envelope(envelope), stop(stop) {
    envelope = LoudnessEnvelope{};
    envelope.windowMs = windowMs;
}

void LoudnessMeter::Begin(uint32_t framesPerSecond, int32_t soundChannels) {
    channels = soundChannels > 0 ? static_cast<size_t>(soundChannels) : 0;
    if (channels == 0 || framesPerSecond == 0 || !(windowMs > 0.0)) return;
    windowFrames = std::max<size_t>(1, static_cast<size_t>(std::llround(windowMs * framesPerSecond / 1000.0)));
    envelope.windowMs = 1000.0 * static_cast<double>(windowFrames) / framesPerSecond;
}

void LoudnessMeter::Take(const int16_t* samples, size_t frames) {
    if (windowFrames == 0) return;
    while (frames > 0) {
        const size_t taken = std::min(frames, windowFrames - framesIn);
        for (size_t i = 0; i < taken * channels; ++i) {
            const double sample = samples[i] / 32768.0;
            power += sample * sample;
        }
        samples += taken * channels;
        frames -= taken;
        framesIn += taken;
        if (framesIn == windowFrames) EndWindow();
    }
}

void LoudnessMeter::Finish() {
    if (framesIn > 0) EndWindow();
}

void LoudnessMeter::EndWindow() {
    const double mean = power / static_cast<double>(framesIn * channels);
    const double decibels = mean > 0.0 ? 10.0 * std::log10(mean) : LoudnessEnvelope::kFloorDecibels;
    const double level = 1.0 - decibels / LoudnessEnvelope::kFloorDecibels;
    std::vector<float>& levels = envelope.levels;
    levels.push_back(static_cast<float>(std::clamp(level, 0.0, 1.0)));
    framesIn = 0;
    power = 0.0;
    if (levels.size() == LoudnessEnvelope::kMaxWindows) {
        // Long music: pairs of windows become one, the louder of the two.
        for (size_t i = 0; i < levels.size() / 2; ++i) levels[i] = std::max(levels[2 * i], levels[2 * i + 1]);
        levels.resize(levels.size() / 2);
        envelope.windowMs *= 2.0;
        windowFrames *= 2;
    }
}

bool MeasureMusicLoudness(SoundDecoder& decoder, const char* path, double windowMs,
                          LoudnessEnvelope& envelope, std::string& problem, const std::atomic<bool>* stop) {
    LoudnessMeter meter(windowMs, envelope, stop);
    if (!decoder.DecodeFile(path, meter, problem)) return false;
    if (meter.StopWanted()) {
        problem = std::string(path) + ": stopped before its end";
        return false;
    }
    meter.Finish();
    return true;
}
