#include "audio/KaSounds.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>

#include "platform/MessageBoxes.h"

namespace {

// The music file's problem as its author can fix it, from the library's
// error code and a look at the file.
std::string DescribeOpenFailure(const char* path, int32_t code) {
    switch (code) {
        case audio_error::kFileOpen: {
            struct stat info;
            if (!path || stat(path, &info) != 0) return std::strerror(errno);
            if (S_ISDIR(info.st_mode)) return "it is a folder";
            if (!S_ISREG(info.st_mode)) return "it is not a regular file";
            return "it cannot be read";
        }
        case audio_error::kFileFormat:
            return "it is not in an audio format that plays (OGG, MP3, WAV or FLAC)";
        case audio_error::kMemory: return "there is not enough memory to open it";
        default: return "the audio library cannot open it (error " + std::to_string(code) + ")";
    }
}

// Milliseconds from seconds that the library gave; -1 for none.
int64_t WholeMilliseconds(double seconds) {
    // Also false for a NaN.
    if (!(seconds >= 0.0) || seconds > 1e12) return -1;
    return std::llround(seconds * 1000.0);
}

}  // namespace

KaSounds::KaSounds(AudioLibrary& library, MessageBoxes& boxes) : library(library), boxes(boxes) {
    // Without a usable sound output the show runs silently: the no-sound
    // device still opens streams and reports their errors.
    if (!library.Init(AudioLibrary::kDefaultDevice, kFrequency)) {
        library.Init(AudioLibrary::kNoSoundDevice, kFrequency);
    }
}

KaSounds::~KaSounds() { library.Free(); }

bool KaSounds::LoadStream(const char* path) {
    stream = library.OpenFileStream(path);
    if (stream != 0) {
        loadProblem.clear();
        return true;
    }
    loadProblem = DescribeOpenFailure(path, library.LastErrorCode());
    ReportError("LoadStream");
    return false;
}

void KaSounds::Play() { library.Play(stream, true); }

bool KaSounds::SetPosition(uint32_t milliseconds) {
    const float seconds = static_cast<float>(static_cast<uint64_t>(milliseconds)) * 0.001f;
    const uint64_t bytes = library.SecondsToBytes(stream, seconds);
    return library.SetPositionBytes(stream, bytes);
}

bool KaSounds::Pause() { return library.Pause(stream); }

bool KaSounds::Resume() { return library.Play(stream, false); }

bool KaSounds::IsPlaying() { return stream != 0 && library.IsPlaying(stream); }

int64_t KaSounds::PositionMilliseconds() {
    return stream == 0 ? -1 : WholeMilliseconds(library.PositionSeconds(stream));
}

int64_t KaSounds::DurationMilliseconds() {
    return stream == 0 ? -1 : WholeMilliseconds(library.DurationSeconds(stream));
}

void KaSounds::ReportError(const char* operation) {
    // The code is read once, so that the text describes the code that was
    // checked.
    const int32_t code = library.LastErrorCode();
    if (code == audio_error::kNone) return;
    std::string text = "Error in KaSounds::";
    text += operation;
    text += ": ";
    text += AudioErrorDescription(code);
    ShowError(boxes, text);
}

const char* AudioErrorDescription(int32_t code) {
    switch (code) {
        case audio_error::kMemory: return "There is insufficent memory.";
        case audio_error::kFileOpen: return "The file could not be opened.";
        case audio_error::kSampleFormat:
            return "The sample format is not supported by the device/drivers.";
        case audio_error::kInit: return "BASS_Init has not been successfully called.";
        case audio_error::kFileFormat: return "The file's format is not recognised/supported.";
        default: return "";
    }
}
