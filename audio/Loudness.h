// The loudness of a piece of music over time, for drawing it under a
// timeline: the mean power of the samples in windows of a few ms, on a
// scale of decibels below full scale, from 0 (60 dB down or quieter) to 1
// (full scale).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "audio/SoundDecoder.h"

// The window that pictures of a show measure in, in ms: fine enough for
// every step of a pattern.
constexpr double kLoudnessWindowMs = 10.0;

struct LoudnessEnvelope {
    static constexpr double kFloorDecibels = -60.0;

    double windowMs = 0.0;       // the length of one window
    std::vector<float> levels;   // one per window, from the first sample on

    double DurationMs() const { return windowMs * static_cast<double>(levels.size()); }
    // The loudest window that overlaps [fromMs, toMs); 0 outside the music.
    float LoudestBetween(double fromMs, double toMs) const;
};

// The envelope of `sound` in windows of `windowMs`.
LoudnessEnvelope MeasureLoudness(const DecodedSound& sound, double windowMs);

// Decodes the music file at `path` with `decoder` and measures it; false,
// with `problem` saying why, when it cannot be decoded.
bool MeasureMusicLoudness(SoundDecoder& decoder, const char* path, double windowMs,
                          LoudnessEnvelope& envelope, std::string& problem);
