#include "platform/sdl/SdlSoundDecoder.h"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstring>

#include "platform/RegularFile.h"

bool SdlSoundDecoder::DecodeFile(const char* path, DecodedSound& sound, std::string& problem) {
    int frequency = 0;
    Uint16 format = 0;
    int channels = 0;
    if (Mix_QuerySpec(&frequency, &format, &channels) == 0 || frequency <= 0 || channels <= 0) {
        problem = "cannot decode sound: no audio device is open";
        return false;
    }
    std::string bytes;
    if (!ReadRegularFile(path, kMaxFileBytes, bytes, problem)) return false;
    SDL_RWops* source = SDL_RWFromConstMem(bytes.data(), static_cast<int>(bytes.size()));
    // The mixer closes the source, also when no decoder takes the file.
    Mix_Chunk* chunk = source ? Mix_LoadWAV_RW(source, 1) : nullptr;
    if (!chunk) {
        problem = std::string(path) + ": cannot decode it: " + SDL_GetError();
        return false;
    }
    // The chunk holds the device's format; 16-bit samples are asked for.
    SDL_AudioCVT convert;
    const int needed = SDL_BuildAudioCVT(&convert, format, static_cast<Uint8>(channels), frequency,
                                         AUDIO_S16SYS, static_cast<Uint8>(channels), frequency);
    std::vector<Uint8> samples(chunk->abuf, chunk->abuf + chunk->alen);
    bool decoded = needed >= 0;
    if (needed > 0) {
        samples.resize(samples.size() * static_cast<size_t>(convert.len_mult));
        convert.buf = samples.data();
        convert.len = static_cast<int>(chunk->alen);
        decoded = SDL_ConvertAudio(&convert) == 0;
        samples.resize(decoded ? static_cast<size_t>(convert.len_cvt) : 0);
    }
    Mix_FreeChunk(chunk);
    if (!decoded) {
        problem = std::string(path) + ": cannot convert its samples: " + SDL_GetError();
        return false;
    }
    sound.framesPerSecond = static_cast<uint32_t>(frequency);
    sound.channels = channels;
    sound.samples.resize(samples.size() / sizeof(int16_t));
    std::memcpy(sound.samples.data(), samples.data(), sound.samples.size() * sizeof(int16_t));
    return true;
}
