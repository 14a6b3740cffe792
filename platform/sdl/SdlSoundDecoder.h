// Whole sound files decoded by SDL2_mixer, in whichever of its formats the
// file is (OGG Vorbis, MP3, WAV, FLAC ...), as 16-bit samples at the mixing
// device's rate and channels. SDL_mixer decodes only while its device is
// open: SdlMixerAudio opens it, and the show's music player does so as it
// is made. This header is free of SDL types.
#pragma once

#include "audio/SoundDecoder.h"

class SdlSoundDecoder : public SoundDecoder {
public:
    // The largest file that is decoded.
    static constexpr uint64_t kMaxFileBytes = uint64_t{256} << 20;

    bool DecodeFile(const char* path, DecodedSound& sound, std::string& problem) override;
};
