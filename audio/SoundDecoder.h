// Decoding a sound file a piece at a time, for looking at the music (its
// loudness over time) rather than for playing it: the samples go to a sink
// as they are decoded, so nothing holds the whole sound, however long it
// is. The platform layer implements it with the audio library's decoders;
// tests use doubles. A decoder keeps no state between files, so a worker
// thread may decode with its own, and a sink may ask it to stop early.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class SoundSink {
public:
    virtual ~SoundSink() = default;
    // Before the first samples: the sound's rate and channels.
    virtual void Begin(uint32_t framesPerSecond, int32_t channels) = 0;
    // The next `frames` frames, the channels of a frame side by side.
    virtual void Take(const int16_t* samples, size_t frames) = 0;
    // True when the rest of the sound is no longer wanted: the decoder then
    // stops after the piece in hand and fails, saying it was stopped.
    virtual bool StopWanted() const { return false; }
};

class SoundDecoder {
public:
    virtual ~SoundDecoder() = default;
    // Decodes the file at `path` into `sink`, from its first sample to its
    // last; false, with `problem` saying why, when it cannot be read or
    // decoded or the sink asked it to stop (the sink may have had part of
    // it).
    virtual bool DecodeFile(const char* path, SoundSink& sink, std::string& problem) = 0;
};
