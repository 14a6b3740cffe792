#include "audio/Loudness.h"

#include <algorithm>
#include <cmath>

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

LoudnessEnvelope MeasureLoudness(const DecodedSound& sound, double windowMs) {
    LoudnessEnvelope envelope;
    envelope.windowMs = windowMs;
    if (sound.channels <= 0 || sound.framesPerSecond == 0 || !(windowMs > 0.0)) return envelope;
    const size_t channels = static_cast<size_t>(sound.channels);
    const size_t frames = sound.samples.size() / channels;
    const size_t windowFrames =
        std::max<size_t>(1, static_cast<size_t>(std::llround(windowMs * sound.framesPerSecond / 1000.0)));
    envelope.windowMs = 1000.0 * static_cast<double>(windowFrames) / sound.framesPerSecond;
    for (size_t first = 0; first < frames; first += windowFrames) {
        const size_t end = std::min(frames, first + windowFrames);
        double power = 0.0;
        for (size_t i = first * channels; i < end * channels; ++i) {
            const double sample = sound.samples[i] / 32768.0;
            power += sample * sample;
        }
        power /= static_cast<double>((end - first) * channels);
        const double decibels = power > 0.0 ? 10.0 * std::log10(power) : LoudnessEnvelope::kFloorDecibels;
        const double level = 1.0 - decibels / LoudnessEnvelope::kFloorDecibels;
        envelope.levels.push_back(static_cast<float>(std::clamp(level, 0.0, 1.0)));
    }
    return envelope;
}

bool MeasureMusicLoudness(SoundDecoder& decoder, const char* path, double windowMs,
                          LoudnessEnvelope& envelope, std::string& problem) {
    DecodedSound sound;
    if (!decoder.DecodeFile(path, sound, problem)) return false;
    envelope = MeasureLoudness(sound, windowMs);
    return true;
}
