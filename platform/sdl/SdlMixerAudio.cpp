#include "platform/sdl/SdlMixerAudio.h"

#include <SDL.h>
#include <SDL_mixer.h>
#include <sys/stat.h>

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>

#include "platform/sdl/PcmHeaderCheck.h"

namespace {

constexpr int kChannels = 2;
constexpr int kChunkFrames = 2048;
constexpr char kSilentDriver[] = "dummy";
constexpr int kMusicDecoders = MIX_INIT_FLAC | MIX_INIT_MOD | MIX_INIT_MP3 | MIX_INIT_OGG | MIX_INIT_OPUS;

// SDL_mixer has one audio device per process.
bool mixerTaken = false;

// Starts SDL's audio part on the driver that `device` stands for.
bool StartAudio(int32_t device) {
    if (device != AudioLibrary::kNoSoundDevice) return SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;

    // The override beats an SDL_AUDIODRIVER set in the environment.
    SDL_SetHintWithPriority(SDL_HINT_AUDIODRIVER, kSilentDriver, SDL_HINT_OVERRIDE);
    const bool started = SDL_InitSubSystem(SDL_INIT_AUDIO) == 0;
    SDL_ResetHint(SDL_HINT_AUDIODRIVER);
    if (!started) return false;
    // Audio that something else had already started on a real driver
    // would make sound.
    const char* driver = SDL_GetCurrentAudioDriver();
    if (!driver || std::strcmp(driver, kSilentDriver) != 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    return true;
}

// What a look at a file finds before a decoder sees it.
enum class FileCheck { Readable, Unreadable, UnplayableHeader };

// Only a regular file whose first byte can be read may be music: not a
// directory, a device, or a pipe that could block.
FileCheck CheckFile(const char* path) {
    struct stat info;
    if (stat(path, &info) != 0 || !S_ISREG(info.st_mode)) return FileCheck::Unreadable;
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return FileCheck::Unreadable;
    std::fgetc(file);
    FileCheck result = FileCheck::Unreadable;
    if (!std::ferror(file)) {
        std::rewind(file);
        result = PcmHeaderIsPlayable(file) ? FileCheck::Readable : FileCheck::UnplayableHeader;
    }
    std::fclose(file);
    return result;
}

}  // namespace

struct SdlMixerAudio::Mixer {
    struct Stream {
        Mix_Music* music = nullptr;
        double position = 0.0;  // seconds; where it stands while not sounding
    };

    Stream* Find(StreamHandle handle) {
        const auto found = streams.find(handle);
        return found == streams.end() ? nullptr : &found->second;
    }
    bool IsSounding(StreamHandle handle) const {
        return handle != 0 && handle == sounding && Mix_PlayingMusic();
    }

    std::map<StreamHandle, Stream> streams;
    StreamHandle nextHandle = 1;
    StreamHandle sounding = 0;  // the stream last handed to the mixer
    double framesPerSecond = 0.0;
    uint64_t frameBytes = 0;
};

SdlMixerAudio::SdlMixerAudio(SoundOutput output) : output(output) {}

SdlMixerAudio::~SdlMixerAudio() {
    if (mixer) Free();
}

bool SdlMixerAudio::Init(int32_t device, uint32_t frequency) {
    if (mixer || mixerTaken) return Fail(audio_error::kAlready);
    if (device != kNoSoundDevice && device != kDefaultDevice) return Fail(audio_error::kDevice);
    if (device == kDefaultDevice && output == SoundOutput::Off) return Fail(audio_error::kDevice);
    if (frequency == 0 || frequency > static_cast<uint32_t>(INT_MAX)) {
        return Fail(audio_error::kIllegalParameter);
    }
    if (!StartAudio(device)) return Fail(audio_error::kDevice);

    // A decoder that is missing shows later as a file format error.
    Mix_Init(kMusicDecoders);
    // No changes allowed: SDL converts to the device, and byte positions
    // keep the format asked for here.
    if (Mix_OpenAudioDevice(static_cast<int>(frequency), AUDIO_S16SYS, kChannels, kChunkFrames,
                            nullptr, 0) != 0) {
        Mix_Quit();
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return Fail(audio_error::kDevice);
    }
    int mixFrequency = 0;
    Uint16 mixFormat = 0;
    int mixChannels = 0;
    Mix_QuerySpec(&mixFrequency, &mixFormat, &mixChannels);

    mixer = std::make_unique<Mixer>();
    mixer->framesPerSecond = mixFrequency;
    mixer->frameBytes = static_cast<uint64_t>(mixChannels) * (SDL_AUDIO_BITSIZE(mixFormat) / 8);
    mixerTaken = true;
    lastError = audio_error::kNone;
    return true;
}

bool SdlMixerAudio::Free() {
    if (!mixer) return Fail(audio_error::kInit);
    Mix_HaltMusic();
    for (auto& [handle, stream] : mixer->streams) Mix_FreeMusic(stream.music);
    mixer.reset();
    Mix_CloseAudio();
    Mix_Quit();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    mixerTaken = false;
    lastError = audio_error::kNone;
    return true;
}

AudioLibrary::StreamHandle SdlMixerAudio::OpenFileStream(const char* path) {
    if (!mixer) {
        lastError = audio_error::kInit;
        return 0;
    }
    const FileCheck check = path ? CheckFile(path) : FileCheck::Unreadable;
    if (check != FileCheck::Readable) {
        lastError = check == FileCheck::Unreadable ? audio_error::kFileOpen : audio_error::kFileFormat;
        return 0;
    }
    SDL_RWops* source = SDL_RWFromFile(path, "rb");
    if (!source) {
        lastError = audio_error::kFileOpen;
        return 0;
    }
    // The mixer closes the source, also when no decoder takes the file.
    Mix_Music* music = Mix_LoadMUS_RW(source, 1);
    if (!music) {
        const bool outOfMemory = std::strcmp(SDL_GetError(), "Out of memory") == 0;
        lastError = outOfMemory ? audio_error::kMemory : audio_error::kFileFormat;
        return 0;
    }
    const StreamHandle handle = mixer->nextHandle;
    mixer->nextHandle = handle + 1 == 0 ? 1 : handle + 1;
    mixer->streams[handle].music = music;
    lastError = audio_error::kNone;
    return handle;
}

bool SdlMixerAudio::Play(StreamHandle stream, bool restart) {
    if (!mixer) return Fail(audio_error::kInit);
    Mixer::Stream* found = mixer->Find(stream);
    if (!found) return Fail(audio_error::kHandle);
    if (!restart && mixer->IsSounding(stream)) {
        Mix_ResumeMusic();
        lastError = audio_error::kNone;
        return true;
    }
    if (restart) found->position = 0.0;
    // Playing one stream stops whichever stream was sounding.
    mixer->sounding = stream;
    if (Mix_FadeInMusicPos(found->music, 0, 0, found->position) != 0) {
        mixer->sounding = 0;
        return Fail(found->position > 0.0 ? audio_error::kNotAvailable : audio_error::kUnknown);
    }
    lastError = audio_error::kNone;
    return true;
}

uint64_t SdlMixerAudio::SecondsToBytes(StreamHandle stream, float seconds) {
    if (!mixer) {
        lastError = audio_error::kInit;
        return kNoPosition;
    }
    if (!mixer->Find(stream)) {
        lastError = audio_error::kHandle;
        return kNoPosition;
    }
    const double frames = std::floor(static_cast<double>(seconds) * mixer->framesPerSecond);
    // Negative, not a number, or past what 64 bits hold.
    if (!(frames >= 0.0) || frames >= static_cast<double>(kNoPosition / mixer->frameBytes)) {
        lastError = audio_error::kIllegalParameter;
        return kNoPosition;
    }
    lastError = audio_error::kNone;
    return static_cast<uint64_t>(frames) * mixer->frameBytes;
}

bool SdlMixerAudio::SetPositionBytes(StreamHandle stream, uint64_t bytes) {
    if (!mixer) return Fail(audio_error::kInit);
    Mixer::Stream* found = mixer->Find(stream);
    if (!found) return Fail(audio_error::kHandle);
    if (bytes == kNoPosition) return Fail(audio_error::kPosition);

    const double seconds = static_cast<double>(bytes / mixer->frameBytes) / mixer->framesPerSecond;
    const bool sounding = mixer->IsSounding(stream);
    const double duration = Mix_MusicDuration(found->music);
    if (duration >= 0.0 && seconds > 0.0 && seconds >= duration) {
        // Past the end: the stream has played out. Playing on from where it
        // was would put the music out of step with whoever asked.
        if (sounding) Mix_HaltMusic();
        found->position = duration;
        return Fail(audio_error::kPosition);
    }
    if (sounding && Mix_SetMusicPosition(seconds) != 0) return Fail(audio_error::kNotAvailable);
    found->position = seconds;
    lastError = audio_error::kNone;
    return true;
}

bool SdlMixerAudio::Pause(StreamHandle stream) {
    if (!mixer) return Fail(audio_error::kInit);
    if (!mixer->Find(stream)) return Fail(audio_error::kHandle);
    if (!mixer->IsSounding(stream)) return Fail(audio_error::kNotAvailable);
    Mix_PauseMusic();
    lastError = audio_error::kNone;
    return true;
}

bool SdlMixerAudio::IsPlaying(StreamHandle stream) {
    // A paused stream still counts as sounding for the mixer, so that Play
    // can resume it.
    return mixer && mixer->IsSounding(stream) && !Mix_PausedMusic();
}

double SdlMixerAudio::PositionSeconds(StreamHandle stream) {
    if (!mixer) return -1.0;
    Mixer::Stream* found = mixer->Find(stream);
    if (!found) return -1.0;
    if (mixer->IsSounding(stream)) return Mix_GetMusicPosition(found->music);
    return found->position;
}

double SdlMixerAudio::DurationSeconds(StreamHandle stream) {
    if (!mixer) return -1.0;
    Mixer::Stream* found = mixer->Find(stream);
    return found ? Mix_MusicDuration(found->music) : -1.0;
}
