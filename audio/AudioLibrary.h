// The audio library that the music player drives: an output device, music
// streams opened from files, and an error code for the last call.
//
// Every call sets the library's error code: 0 when it succeeded, one of the
// audio_error codes when it failed. The platform layer implements it; tests
// use doubles.
#pragma once

#include <cstdint>

// The library's error codes.
namespace audio_error {
constexpr int32_t kNone = 0;
constexpr int32_t kMemory = 1;           // insufficient memory
constexpr int32_t kFileOpen = 2;         // the file is missing or cannot be read
constexpr int32_t kHandle = 5;           // not a stream handle
constexpr int32_t kSampleFormat = 6;     // the device cannot play the sample format
constexpr int32_t kPosition = 7;         // the position lies outside the stream
constexpr int32_t kInit = 8;             // no successful Init before this call
constexpr int32_t kAlready = 14;         // Init again without Free in between
constexpr int32_t kIllegalParameter = 20;
constexpr int32_t kDevice = 23;          // no such device, or it cannot be opened
constexpr int32_t kNotAvailable = 37;    // the stream cannot do this
constexpr int32_t kFileFormat = 41;      // the file opens but no decoder takes it
constexpr int32_t kUnknown = -1;
}  // namespace audio_error

class AudioLibrary {
public:
    // A music stream; 0 is never a stream.
    using StreamHandle = uint32_t;
    // What SecondsToBytes returns when it fails.
    static constexpr uint64_t kNoPosition = UINT64_MAX;

    // Output devices.
    static constexpr int32_t kNoSoundDevice = 0;   // streams open and play silently
    static constexpr int32_t kDefaultDevice = 1;   // the default sound output

    virtual ~AudioLibrary() = default;

    // Opens output `device` mixing at `frequency` Hz.
    virtual bool Init(int32_t device, uint32_t frequency) = 0;
    // Closes the device and releases every stream.
    virtual bool Free() = 0;
    // Opens the whole file at `path` as a stream; 0 when it cannot.
    virtual StreamHandle OpenFileStream(const char* path) = 0;
    // The error code of the last call.
    virtual int32_t LastErrorCode() = 0;
    // Plays `stream`; from its beginning when `restart` is true, otherwise
    // from its current position.
    virtual bool Play(StreamHandle stream, bool restart) = 0;
    // The byte position of `seconds` into `stream`; kNoPosition on failure.
    virtual uint64_t SecondsToBytes(StreamHandle stream, float seconds) = 0;
    // Moves `stream` to the byte position `bytes`.
    virtual bool SetPositionBytes(StreamHandle stream, uint64_t bytes) = 0;
    // Holds `stream` where it is; a Play that does not restart goes on from
    // there. Fails when the stream is not the one playing.
    virtual bool Pause(StreamHandle stream) = 0;
    // True while `stream` plays: started, not paused, not at its end.
    virtual bool IsPlaying(StreamHandle stream) = 0;
    // Where `stream` is, in seconds; negative when it cannot be told.
    virtual double PositionSeconds(StreamHandle stream) = 0;
    // How long `stream` plays from its beginning to its end, in seconds;
    // negative when it cannot be told.
    virtual double DurationSeconds(StreamHandle stream) = 0;
};
