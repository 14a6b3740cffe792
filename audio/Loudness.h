// The loudness of a piece of music over time, for drawing it under a
// timeline: the mean power of the samples in windows of a few ms, on a
// scale of decibels below full scale, from 0 (60 dB down or quieter) to 1
// (full scale). It is measured as the music is decoded, in bounded memory:
// past kMaxWindows windows, neighbouring windows are joined, keeping the
// louder of each pair, and the window doubles.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

#include "audio/SoundDecoder.h"

// The window that pictures of a show measure in, in ms: fine enough for
// every step of a pattern.
constexpr double kLoudnessWindowMs = 10.0;

struct LoudnessEnvelope {
    static constexpr double kFloorDecibels = -60.0;
    // 2 MB of levels: the first 87 minutes of music in 10 ms windows.
    static constexpr size_t kMaxWindows = size_t{1} << 19;

    double windowMs = 0.0;       // the length of one window
    std::vector<float> levels;   // one per window, from the first sample on

    double DurationMs() const { return windowMs * static_cast<double>(levels.size()); }
    // The loudest window that overlaps [fromMs, toMs); 0 outside the music.
    float LoudestBetween(double fromMs, double toMs) const;
    // The loudest window of all; 0 for no music.
    float Loudest() const;
    // A level in decibels below full scale: from kFloorDecibels to 0.
    static double Decibels(float level) { return (1.0 - level) * kFloorDecibels; }
};

// Measures the samples that a decoder gives it into an envelope of windows
// of `windowMs` (more when the music is long, see above).
class LoudnessMeter : public SoundSink {
public:
    // Decoding stops early once `stop`, when given, is set.
    LoudnessMeter(double windowMs, LoudnessEnvelope& envelope, const std::atomic<bool>* stop = nullptr);
    void Begin(uint32_t framesPerSecond, int32_t channels) override;
    void Take(const int16_t* samples, size_t frames) override;
    bool StopWanted() const override { return stop && stop->load(std::memory_order_relaxed); }
    // Measures the last, partial window.
    void Finish();

private:
    void EndWindow();

    double windowMs;
    LoudnessEnvelope& envelope;
    const std::atomic<bool>* stop;
    size_t channels = 0;
    size_t windowFrames = 0;  // frames in a window
    size_t framesIn = 0;      // frames in the window being measured
    double power = 0.0;       // their summed squares
};

// Decodes the music file at `path` with `decoder` and measures it; false,
// with `problem` saying why, when it cannot be decoded or `stop` (when
// given) was set before it was done.
bool MeasureMusicLoudness(SoundDecoder& decoder, const char* path, double windowMs,
                          LoudnessEnvelope& envelope, std::string& problem,
                          const std::atomic<bool>* stop = nullptr);
