// Sound files decoded a piece at a time, for measuring them. Ogg Vorbis
// (with libvorbisfile), 16-bit PCM WAV and, on Linux, MP3 (libmpg123) and
// FLAC (libFLAC) are read as streams, a few thousand samples at a time, at
// the file's own rate and channels, and need no audio device. Every other
// format SDL2_mixer plays (other WAV encodings, AIFF ...; MP3 and FLAC on
// Windows) is decoded by SDL_mixer, which decodes only while its device is
// open (SdlMixerAudio opens it) and only whole: such a sound is held once,
// in the device's format, while it is handed on. This header is free of SDL
// types.
#pragma once

#include "audio/SoundDecoder.h"

class SdlSoundDecoder : public SoundDecoder {
public:
    // The largest file that SDL_mixer decodes whole.
    static constexpr uint64_t kMaxFileBytes = uint64_t{256} << 20;

    // Stops within a piece of the sound once the sink asks it to.
    bool DecodeFile(const char* path, SoundSink& sink, std::string& problem) override;

private:
    static bool DecodeAnyFormat(const char* path, SoundSink& sink, std::string& problem);
};
