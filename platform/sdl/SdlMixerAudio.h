// The audio library on SDL2_mixer: OGG Vorbis, MP3, WAV, FLAC and tracker
// modules, one music stream sounding at a time.
//
// Device 1 is the default sound output; device 0 is SDL's dummy driver, on
// which streams open, report their errors and play in silence. Byte
// positions count 16-bit stereo sample frames at the mixing frequency. SDL
// and SDL_mixer keep one audio device per process, so only one object at a
// time can be initialised. This header is free of SDL types.
#pragma once

#include <cstdint>
#include <memory>

#include "audio/AudioLibrary.h"

// Whether device 1 may make sound. Tools that only check a show keep it
// off, so that their streams open on the no-sound device.
enum class SoundOutput { Allowed, Off };

class SdlMixerAudio : public AudioLibrary {
public:
    explicit SdlMixerAudio(SoundOutput output = SoundOutput::Allowed);
    // Frees the library if it is still initialised.
    ~SdlMixerAudio() override;
    SdlMixerAudio(const SdlMixerAudio&) = delete;
    SdlMixerAudio& operator=(const SdlMixerAudio&) = delete;

    bool Init(int32_t device, uint32_t frequency) override;
    bool Free() override;
    // Fails with audio_error::kFileOpen for a path that is not a readable
    // regular file, and with kFileFormat when no decoder takes the file or
    // its WAV or AIFF header names no channels or an unusable sample rate.
    StreamHandle OpenFileStream(const char* path) override;
    int32_t LastErrorCode() override { return lastError; }
    bool Play(StreamHandle stream, bool restart) override;
    uint64_t SecondsToBytes(StreamHandle stream, float seconds) override;
    // A position at or past the stream's end stops the stream and fails
    // with audio_error::kPosition: the stream has played to its end.
    bool SetPositionBytes(StreamHandle stream, uint64_t bytes) override;

    // Pauses the mixer's music; Play without restart resumes it.
    bool Pause(StreamHandle stream) override;
    // True while `stream` is the one sounding and is not paused.
    bool IsPlaying(StreamHandle stream) override;
    // Where `stream` is, in seconds; negative when the decoder cannot tell.
    double PositionSeconds(StreamHandle stream) override;
    // The decoder's length of the whole stream; negative when it cannot tell.
    double DurationSeconds(StreamHandle stream) override;

private:
    struct Mixer;

    bool Fail(int32_t code) {
        lastError = code;
        return false;
    }

    SoundOutput output;
    std::unique_ptr<Mixer> mixer;  // set while initialised
    int32_t lastError = audio_error::kNone;
};
